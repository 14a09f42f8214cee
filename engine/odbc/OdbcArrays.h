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

// A column of texts goes cheaper still as the texts one after the other, split
// by the server (string_to_array splits five times faster than an array literal
// is read): the unit separator between them, the record separator alone for
// NULL. The select-list item that unnests a column whose elements are
// `element`: for texts two parameters, the separated texts or else the array
// literal, the other one NULL; one parameter, the array literal, for the rest.
std::string UnnestedColumn(std::string_view element);
bool TakesSeparatedTexts(std::string_view element);
// Appends the texts at `column`, `column + width`, ... of `rows` rows so
// separated; false, with `out` as it was, where the column cannot go so: a
// value that is neither a text nor NULL, a text holding the separator or being
// the NULL mark, a single empty text (the server splits the empty text into no
// element at all).
bool AppendSeparatedTexts(std::string& out, const Variant* values, size_t rows, size_t width,
                          size_t column);

}  // namespace zalvert::engine::odbc
