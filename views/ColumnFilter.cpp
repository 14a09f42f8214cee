#include "views/ColumnFilter.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "rtl/DateConvert.h"
#include "rtl/Exceptions.h"
#include "rtl/TextCase.h"
#include "rtl/Variant.h"

namespace zalvert {
namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Each of the pattern's own characters in brackets, so that it matches itself.
std::string BeginsWith(const std::string& field, std::string_view text) {
    std::string pattern;
    for (char c : text) {
        if (c == '*' || c == '?' || c == '#' || c == '[')
            pattern += std::string("[") + c + "]";
        else if (c == '\'')
            pattern += "''";
        else
            pattern += c;
    }
    return field + " LIKE '" + pattern + "*'";
}

bool IsNumeric(TFieldType type) {
    switch (type) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftWord:
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
        case TFieldType::ftBCD:
        case TFieldType::ftAutoInc:
        case TFieldType::ftLargeint:
            return true;
        default:
            return false;
    }
}

bool IsDate(TFieldType type) {
    return type == TFieldType::ftDate || type == TFieldType::ftDateTime;
}

std::optional<std::string> NumberLiteral(std::string_view text) {
    std::string plain;
    for (char c : Trimmed(text))
        if (c != '.') plain += c;  // thousands separators as shown
    if (plain.ends_with("\xE2\x82\xAC"))
        plain = std::string(Trimmed(plain.substr(0, plain.size() - 3)));
    const auto value = TryStrToFloat(plain);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    char literal[64];
    std::snprintf(literal, sizeof literal, "%.15g", *value);
    return std::string(literal);
}

std::optional<std::string> DayLiteral(std::string_view text, int plusDays) {
    const auto day = TryStrToDate(Trimmed(text));
    if (!day) return std::nullopt;
    const TDateParts d = DecodeDate(std::floor(*day) + plusDays);
    if (d.Year == 0) return std::nullopt;
    char literal[32];
    std::snprintf(literal, sizeof literal, "#%02d/%02d/%04d#", d.Month, d.Day, d.Year);
    return std::string(literal);
}

// One bound: the comparison and the value's literal; for a date, the day's start
// or the next day's start so that the whole day counts.
std::optional<std::string> Bound(const std::string& field, bool date, const std::string& op,
                                 std::string_view value) {
    if (!date) {
        const auto literal = NumberLiteral(value);
        if (!literal) return std::nullopt;
        return field + " " + op + " " + *literal;
    }
    const bool after = op == ">" || op == "<=";
    const auto literal = DayLiteral(value, after ? 1 : 0);
    if (!literal) return std::nullopt;
    const std::string dayOp = op == ">" ? ">=" : op == "<=" ? "<" : op;
    return field + " " + dayOp + " " + *literal;
}

std::optional<std::string> Comparison(const std::string& field, bool date, std::string_view text) {
    if (const size_t range = text.find("..");
        range != std::string_view::npos && !(date && text.substr(range).starts_with("..."))) {
        const auto from = Bound(field, date, ">=", text.substr(0, range));
        const auto to = Bound(field, date, "<=", text.substr(range + 2));
        if (!from || !to) return std::nullopt;
        return "(" + *from + " AND " + *to + ")";
    }
    for (const char* op : {">=", "<=", "<>", ">", "<", "="})
        if (text.starts_with(op))
            return Bound(field, date, op, text.substr(std::string(op).size()));
    if (!date) return Bound(field, false, "=", text);
    const auto from = Bound(field, true, ">=", text);
    const auto to = Bound(field, true, "<=", text);
    if (!from || !to) return std::nullopt;
    return "(" + *from + " AND " + *to + ")";
}

}  // namespace

std::string ColumnFilterCriteria(const std::string& field, TFieldType type,
                                 const std::string& text) {
    const std::string_view wanted = Trimmed(text);
    if (wanted.empty()) return {};
    const std::string column = "[" + field + "]";
    if (type == TFieldType::ftBoolean) {
        const std::string lower = LowerCase(wanted);
        if (std::string("wahr").starts_with(lower)) return column + " = True";
        if (std::string("falsch").starts_with(lower)) return column + " = False";
        throw EConvertError("'" + text + "' ist im Filter für " + field +
                            " weder Wahr noch Falsch");
    }
    if (!IsNumeric(type) && !IsDate(type)) return BeginsWith(column, wanted);
    if (const auto criteria = Comparison(column, IsDate(type), wanted)) return *criteria;
    throw EConvertError("'" + text + "' ist im Filter für " + field + " kein gültig" +
                        (IsDate(type) ? "es Datum (z. B. 31.03.2024, >=01.01.2024, "
                                        "01.01.2024..31.03.2024)"
                                      : "er Wert (z. B. 100, >100,00, 10..20)"));
}

}  // namespace zalvert
