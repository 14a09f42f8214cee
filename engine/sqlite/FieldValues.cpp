#include "engine/sqlite/FieldValues.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/DaoConstants.h"
#include "engine/core/StorageFormat.h"
#include "rtl/Exceptions.h"
#include "rtl/Guid.h"
#include "rtl/Utf8.h"
#include "rtl/Variant.h"

namespace zalvert::engine {
namespace {

[[noreturn]] void Refuse(TDaoErr number = TDaoErr::ConversionError) {
    throw EValueRefused{number};
}

double NumberOf(const Variant& value) {
    try {
        if (value.Type() == TVarType::String) {
            const std::string& text = value.StringValue();
            if (const auto n = TryStrToInt64(text)) return static_cast<double>(*n);
            if (const auto f = TryStrToFloat(text)) return *f;
            // "True" and "False" are numbers too.
            return value.AsBoolean() ? -1 : 0;
        }
        return value.AsDouble();
    } catch (const Exception&) {
        Refuse();
    }
}

std::int64_t IntegerOf(const Variant& value, double low, double high) {
    if (value.Type() == TVarType::Integer || value.Type() == TVarType::Int64) {
        const std::int64_t n = value.AsInt64();
        if (static_cast<double>(n) < low || static_cast<double>(n) > high) Refuse();
        return n;
    }
    const double rounded = std::nearbyint(NumberOf(value));
    if (!(rounded >= low && rounded <= high)) Refuse();
    return static_cast<std::int64_t>(rounded);
}

bool BooleanOf(const Variant& value) {
    if (value.Type() == TVarType::String) {
        std::string text = value.AsString();
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (text == "true" || text == "yes" || text == "on") return true;
        if (text == "false" || text == "no" || text == "off") return false;
    }
    return NumberOf(value) != 0;
}

TDateTime DateOf(const Variant& value) {
    switch (value.Type()) {
        case TVarType::String:
            if (const auto d = TryStrToDateTime(value.StringValue())) return *d;
            if (const auto d = StorageToDateTime(value.StringValue())) return *d;
            Refuse();
        case TVarType::Bytes:
        case TVarType::Array:
            Refuse();
        default:
            return NumberOf(value);
    }
}

std::string GuidFromBytes(const TBytes& bytes) {
    const auto text = GuidToText(bytes);
    if (!text) Refuse();
    return *text;
}

}  // namespace

std::string NormalizeGuid(std::string_view text) {
    if (text.starts_with("{guid ")) {
        text.remove_prefix(6);
        if (text.ends_with("}}")) text.remove_suffix(1);
    }
    std::string hex;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else if (c != '-' && c != '{' && c != '}')
            return {};
    }
    if (hex.size() != 32) return {};
    return "{" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20) + "}";
}

Variant ToStorage(const TTypeInfo& type, const Variant& value) {
    if (value.IsEmptyOrNull()) return Variant::Null();
    switch (type.Type) {
        case dbBoolean:
            return Variant(static_cast<std::int64_t>(BooleanOf(value) ? 1 : 0));
        case dbByte:
            return Variant(IntegerOf(value, 0, 255));
        case dbInteger:
            return Variant(IntegerOf(value, -32768, 32767));
        case dbLong:
            return Variant(IntegerOf(value, -2147483648.0, 2147483647.0));
        case dbBigInt:
            return Variant(IntegerOf(value, -9.2233720368547758e18, 9.2233720368547748e18));
        case dbCurrency: {
            const double n = value.Type() == TVarType::Currency ? value.AsCurrency().ToDouble()
                                                                : NumberOf(value);
            if (!std::isfinite(n) || std::fabs(n) > 922337203685477.0) Refuse();
            return Variant(std::nearbyint(n * 10000.0) / 10000.0);
        }
        case dbSingle: {
            const double n = NumberOf(value);
            if (std::fabs(n) > std::numeric_limits<float>::max()) Refuse();
            return Variant(static_cast<double>(static_cast<float>(n)));
        }
        case dbDouble:
        case dbDecimal:
        case dbNumeric:
        case dbFloat:
            return Variant(NumberOf(value));
        case dbDate:
        case dbTime:
        case dbTimeStamp:
        case dbText:
        case dbChar:
        case dbMemo: {
            Variant stored;
            AssignStorage(type, value, stored);
            return stored;
        }
        case dbGUID: {
            const std::string guid = value.Type() == TVarType::Bytes
                                         ? GuidFromBytes(value.AsBytes())
                                         : NormalizeGuid(value.AsString());
            if (guid.empty()) Refuse();
            return Variant(guid);
        }
        default: {  // binary types
            if (value.Type() == TVarType::Bytes) {
                if (type.Type == dbBinary &&
                    value.AsBytes().size() > static_cast<size_t>(type.Size))
                    Refuse(TDaoErr::FieldTooSmall);
                return value;
            }
            if (value.Type() == TVarType::Array) {
                TBytes bytes;
                for (const Variant& item : value.AsArray().Items)
                    bytes.push_back(static_cast<std::uint8_t>(IntegerOf(item, 0, 255)));
                return Variant(std::move(bytes));
            }
            const std::string text = value.AsString();
            return Variant(TBytes(text.begin(), text.end()));
        }
    }
}

// Dates and texts are written in place: a new record's values overwrite the last
// one's, and most of them are texts.
void AssignStorage(const TTypeInfo& type, const Variant& value, Variant& stored) {
    if (value.IsEmptyOrNull()) {
        stored = Variant::Null();
        return;
    }
    switch (type.Type) {
        case dbDate:
        case dbTime:
        case dbTimeStamp: {
            char text[kStorageDateSize];
            const size_t length = DateTimeToStorage(DateOf(value), text);
            if (length == 0) Refuse();  // outside the years 1 to 9999
            stored.AssignText({text, length});
            return;
        }
        case dbText:
        case dbChar:
        case dbMemo: {
            if (value.Type() == TVarType::Array) Refuse();
            if (value.Type() != TVarType::String)
                return AssignStorage(type, Variant(value.AsString()), stored);
            const std::string& text = value.StringValue();
            if (type.Type != dbMemo && LongerThanTextSize(text, type.Size))
                Refuse(TDaoErr::FieldTooSmall);
            stored.AssignText(text);
            return;
        }
        default:
            stored = ToStorage(type, value);
    }
}

void AssignStorage(const TTypeInfo& type, Variant&& value, Variant& stored) {
    const bool asIs = (type.Type == dbMemo && value.Type() == TVarType::String) ||
                      (type.Type == dbLongBinary && value.Type() == TVarType::Bytes);
    if (asIs)
        stored = std::move(value);
    else
        AssignStorage(type, std::as_const(value), stored);
}

Variant FromStorage(const TTypeInfo& type, const Variant& stored) {
    if (stored.IsEmptyOrNull()) return Variant::Null();
    // The one answer to which values are given as stored: a whole-record reader
    // takes those without this copy.
    if (GivenAsStored(type, stored)) return stored;
    try {
        switch (type.Type) {
            case dbBoolean:
                return Variant(stored.AsBoolean());
            case dbByte:
            case dbInteger:
            case dbLong:
                return Variant(static_cast<int>(stored.AsInt64()));
            case dbBigInt:
                return Variant(stored.AsInt64());
            case dbCurrency:
                return Variant(TCurrency::FromDouble(stored.AsDouble()));
            case dbSingle:
            case dbDouble:
            case dbDecimal:
            case dbNumeric:
            case dbFloat:
                return Variant(stored.AsDouble());
            case dbDate:
            case dbTime:
            case dbTimeStamp: {
                if (stored.Type() == TVarType::String) {
                    if (const auto d = StorageToDateTime(stored.StringValue()))
                        return Variant::FromDate(*d);
                    return stored;  // not written by this engine: shown as it is
                }
                return Variant::FromDate(stored.AsDouble());
            }
            case dbGUID:
                return Variant("{guid " + stored.AsString() + "}");
            case dbText:
            case dbChar:
            case dbMemo:
                return Variant(stored.AsString());
            default: {
                const std::string text = stored.AsString();
                return Variant(TBytes(text.begin(), text.end()));
            }
        }
    } catch (const Exception&) {
        return stored;  // a value of another type, stored by another tool
    }
}

bool GivenAsStored(const TTypeInfo& type, const Variant& stored) {
    switch (type.Type) {
        case dbText:
        case dbChar:
        case dbMemo:
            return stored.Type() == TVarType::String;
        case dbBoolean:
        case dbByte:
        case dbInteger:
        case dbLong:
        case dbBigInt:
        case dbCurrency:
        case dbSingle:
        case dbDouble:
        case dbDecimal:
        case dbNumeric:
        case dbFloat:
        case dbDate:
        case dbTime:
        case dbTimeStamp:
        case dbGUID:
            return false;
        default:
            return stored.Type() == TVarType::Bytes;
    }
}

std::string DefaultValueText(const TTypeInfo& type, std::string_view stored) {
    std::string_view text = stored;
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')')
        text = text.substr(1, text.size() - 2);
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        std::string inner;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            inner += text[i];
            if (text[i] == '\'' && text[i + 1] == '\'') ++i;
        }
        if (type.Type == dbDate || type.Type == dbTime || type.Type == dbTimeStamp) {
            if (const auto date = StorageToDateTime(inner)) {
                const TDateParts parts = DecodeDate(*date);
                const int year = parts.Year, month = parts.Month, day = parts.Day;
                const double time = std::fabs(*date - std::trunc(*date));
                std::string result = "#" + std::to_string(month) + "/" + std::to_string(day) + "/" +
                                     std::to_string(year);
                if (time > 0) result += " " + TimeToStr(time);
                return result + "#";
            }
        }
        return "\"" + inner + "\"";
    }
    if (AsciiUpperCase(std::string(text)) == "NULL") return "Null";
    return std::string(text);
}

}  // namespace zalvert::engine
