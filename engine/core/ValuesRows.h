#pragma once
// The parameter rows of a multi-row INSERT: "(?, ?), (?, ?)" for two rows of two
// values. Both engines send held rows many to a statement this way.

#include <string>

namespace zalvert::engine {

inline std::string ValuesRows(size_t rows, size_t width) {
    std::string row = "(";
    for (size_t i = 0; i < width; ++i) row += i == 0 ? "?" : ", ?";
    row += ")";
    std::string text;
    text.reserve(rows * (row.size() + 2));
    for (size_t i = 0; i < rows; ++i) (text += i == 0 ? "" : ", ") += row;
    return text;
}

}  // namespace zalvert::engine
