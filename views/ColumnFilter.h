#pragma once
// What a filter field under a column title asks for, as criteria of the table
// component's Filter. Texts: the value begins with the text, letter case aside,
// every character matching itself. Numbers and dates: the value itself, or ">x",
// "<x", ">=x", "<=x" and "a..b" in the German forms ("01.01.2024..31.03.2024",
// ">100,00"); a date stands for its whole day.

#include <string>

#include "dataset/FieldTypes.h"

namespace zalvert {

// Empty for an empty text; raises EConvertError naming the text and the column
// when it is no such value.
std::string ColumnFilterCriteria(const std::string& field, TFieldType type,
                                 const std::string& text);

}  // namespace zalvert
