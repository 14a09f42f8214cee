#pragma once
// A column of a batch's rows as one PostgreSQL array literal, so that a batch
// goes to the server as one parameter a column ("INSERT INTO t (a, b) SELECT
// unnest(CAST(? AS text[])), unnest(CAST(? AS timestamp[]))") instead of one a
// value: the driver and the server handle a few parameters instead of
// thousands, and the server plans a small statement.

#include <string>
#include <string_view>

#include "rtl/Variant.h"

namespace zalvert::engine::odbc {

// The element type of an array whose values reach a column of a field of
// `daoType` through the server's assignment casts; empty where there is none.
std::string_view ArrayElementType(int daoType);

// Appends {"a","b",NULL}: the values at `column`, `column + width`, ... of
// `rows` rows, each as the server reads its text.
void AppendArrayLiteral(std::string& out, const Variant* values, size_t rows, size_t width,
                        size_t column);

}  // namespace zalvert::engine::odbc
