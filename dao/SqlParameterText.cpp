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
    const auto ms = std::llround(std::fabs(value - std::trunc(value)) * 86400000.0) % 86400000;
    char date[16], time[16];
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
std::string SubstituteParams(std::string_view sql, const TParams& params) {
    std::vector<std::u32string> names;
    std::vector<std::string> values;
    for (int p = 0; p < params.Count(); ++p) {
        std::u32string name = DecodeUtf8(":" + params.Items(p).Name);
        for (char32_t& c : name) c = FoldCase(c);
        names.push_back(std::move(name));
        values.push_back(ParamValueText(params.Items(p)));
    }
    const std::u32string source = DecodeUtf8(sql);
    std::string result;
    size_t i = 0;
    while (i < source.size()) {
        const bool before = i == 0 || !IsIdentifierChar(source[i - 1]);
        size_t matched = names.size();
        for (size_t n = 0; before && source[i] == U':' && n < names.size(); ++n) {
            const std::u32string& name = names[n];
            if (source.size() - i < name.size()) continue;
            bool same = true;
            for (size_t k = 0; same && k < name.size(); ++k)
                same = FoldCase(source[i + k]) == name[k];
            const size_t end = i + name.size();
            if (same && (end >= source.size() || !IsIdentifierChar(source[end]))) {
                matched = n;
                break;
            }
        }
        if (matched < names.size()) {
            result += values[matched];
            i += names[matched].size();
        } else {
            AppendUtf8(result, source[i++]);
        }
    }
    return result;
}

}  // namespace zalvert
