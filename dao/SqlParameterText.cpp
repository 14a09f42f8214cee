#include "dao/SqlParameterText.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/Guid.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

std::string NumberText(const Variant& value) {
    std::string text =
        value.Type() == TVarType::String ? value.AsString() : FloatToStr(value.AsDouble());
    const TFormatSettings& fs = FormatSettings();
    std::string plain;
    for (char c : text) {
        if (c == fs.ThousandSeparator && fs.ThousandSeparator != fs.DecimalSeparator) continue;
        plain += c == fs.DecimalSeparator ? '.' : c;
    }
    return plain;
}

std::string DateText(TDateTime value, TFieldType type) {
    const TDateParts d = DecodeDate(value);
    const long long ms = SplitDateTime(value).value_or(TDateTimeSplit{}).Millisecond;
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", d.Month, d.Day, d.Year);
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60);
    if (type == TFieldType::ftDate) return date;
    if (type == TFieldType::ftTime) return time;
    return std::string(date) + " " + time;
}

// Bytes that are no GUID go in as they are.
std::string GuidText(const TBytes& bytes) {
    return GuidToText(bytes).value_or(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

bool IsIdentifierChar(char32_t c) {
    if (c == U'_' || (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') ||
        (c >= U'a' && c <= U'z'))
        return true;
    // Letters of the Windows code page above 127.
    if (c >= 0xC0 && c <= 0xFF) return c != 0xD7 && c != 0xF7;
    switch (c) {
        case 0xAA:
        case 0xB5:
        case 0xBA:  // ª µ º
        case 0x0160:
        case 0x0161:
        case 0x0152:
        case 0x0153:  // Š š Œ œ
        case 0x017D:
        case 0x017E:
        case 0x0178:
        case 0x0192:  // Ž ž Ÿ ƒ
            return true;
        default:
            return false;
    }
}

std::string ParamValueText(const TParam& param) {
    if (param.IsNull()) return " IS NULL";
    const Variant& value = param.Value;
    switch (param.DataType) {
        case TFieldType::ftString:
        case TFieldType::ftBlob:
        case TFieldType::ftMemo: {
            std::string text = "\"";
            for (char c : value.AsString()) {
                if (c == '"') text += '"';
                text += c;
            }
            return text + "\"";
        }
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
        case TFieldType::ftBCD:
            return NumberText(value);
        case TFieldType::ftDate:
        case TFieldType::ftTime:
        case TFieldType::ftDateTime:
            return "#" + DateText(value.AsDateTime(), param.DataType) + "#";
        case TFieldType::ftBytes:
            return "{guid " +
                   (value.Type() == TVarType::Bytes ? GuidText(value.AsBytes())
                                                    : value.AsString()) +
                   "}";
        default:
            return value.AsString();
    }
}

// One pass over the text: what was put in is never scanned again.
namespace {

// The end of ":name" at `at` when it is written there (letter case aside) and
// followed by no identifier character; npos otherwise.
size_t MatchName(std::string_view sql, size_t at, const std::u32string& name) {
    size_t pos = at;
    for (char32_t expected : name) {
        if (pos >= sql.size() || FoldCase(NextCodePoint(sql, pos)) != expected)
            return std::string_view::npos;
    }
    size_t next = pos;
    if (pos < sql.size() && IsIdentifierChar(NextCodePoint(sql, next)))
        return std::string_view::npos;
    return pos;
}

}  // namespace

std::string SubstituteParams(std::string_view sql, const TParams& params) {
    std::vector<std::u32string> names;
    std::vector<std::string> values;
    for (int p = 0; p < params.Count(); ++p) {
        std::u32string name = DecodeUtf8(":" + params.Items(p).Name);
        for (char32_t& c : name) c = FoldCase(c);
        names.push_back(std::move(name));
        values.push_back(ParamValueText(params.Items(p)));
    }
    std::string result;
    char32_t previous = 0;
    size_t pos = 0;
    while (pos < sql.size()) {
        // Strings, bracketed names and #dates# go through as written.
        if (const size_t after = SkipQuoted(sql, pos); after != pos) {
            result += sql.substr(pos, after - pos);
            pos = after;
            previous = U'#';
            continue;
        }
        if (sql[pos] == ':' && !IsIdentifierChar(previous)) {
            size_t n = 0, end = std::string_view::npos;
            for (; n < names.size(); ++n)
                if ((end = MatchName(sql, pos, names[n])) != std::string_view::npos) break;
            if (n < names.size()) {
                result += values[n];
                pos = end;
                previous = U'0';
                continue;
            }
        }
        const size_t start = pos;
        previous = NextCodePoint(sql, pos);
        result += sql.substr(start, pos - start);
    }
    return result;
}

}  // namespace zalvert
