#include "rtl/Variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "rtl/DateConvert.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"

namespace zalvert {
namespace {

const char* TypeName(TVarType type) {
    switch (type) {
        case TVarType::Empty:
            return "Empty";
        case TVarType::Null:
            return "Null";
        case TVarType::Boolean:
            return "Boolean";
        case TVarType::Integer:
            return "Integer";
        case TVarType::Int64:
            return "Int64";
        case TVarType::Double:
            return "Double";
        case TVarType::Currency:
            return "Currency";
        case TVarType::Date:
            return "Date";
        case TVarType::String:
            return "String";
        case TVarType::Bytes:
            return "Array Byte";
        case TVarType::Array:
            return "Array Variant";
    }
    return "?";
}

[[noreturn]] void CannotConvert(TVarType from, const char* to) {
    throw EVariantError(std::string("Variante des Typs (") + TypeName(from) +
                        ") konnte nicht in Typ (" + to + ") konvertiert werden");
}

// Rounds half to even, as the run-time does.
std::int64_t RoundToInt64(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18))
        throw EVariantError("Überlauf bei Konvertierung oder arithmetischer Operation");
    return static_cast<std::int64_t>(rounded);
}

std::string LocalizeDecimal(std::string text) {
    for (char& c : text)
        if (c == '.') c = FormatSettings().DecimalSeparator;
    return text;
}

}  // namespace

TCurrency TCurrency::FromDouble(double value) {
    return {RoundToInt64(value * 10000.0)};
}

Variant Variant::Null() {
    return Variant(TValue(TNull{}));
}
Variant Variant::FromDate(TDateTime value) {
    return Variant(TValue(TDate{value}));
}
Variant Variant::Array(int lowBound, std::vector<Variant> items) {
    auto array = std::make_shared<TVariantArray>();
    array->LowBound = lowBound;
    array->Items = std::move(items);
    return Variant(TValue(std::move(array)));
}

bool Variant::operator==(const Variant& other) const {
    if (Type() == TVarType::Array && other.Type() == TVarType::Array) {
        const auto& a = AsArray();
        const auto& b = other.AsArray();
        return a.LowBound == b.LowBound && a.Items == b.Items;
    }
    return value_ == other.value_;
}

std::string Variant::AsString() const {
    switch (Type()) {
        case TVarType::Empty:
            return {};
        case TVarType::Boolean:
            return std::get<bool>(value_) ? "True" : "False";
        case TVarType::Integer:
            return std::to_string(std::get<std::int32_t>(value_));
        case TVarType::Int64:
            return std::to_string(std::get<std::int64_t>(value_));
        case TVarType::Double:
            return FloatToStr(std::get<double>(value_));
        case TVarType::Currency:
            return CurrToStr(std::get<TCurrency>(value_));
        case TVarType::Date:
            return DateTimeToStr(std::get<TDate>(value_).Value);
        case TVarType::String:
            return std::get<std::string>(value_);
        case TVarType::Bytes: {
            const TBytes& bytes = std::get<TBytes>(value_);
            return std::string(bytes.begin(), bytes.end());
        }
        default:
            CannotConvert(Type(), "String");
    }
}

std::int64_t Variant::AsInt64() const {
    switch (Type()) {
        case TVarType::Empty:
            return 0;
        case TVarType::Boolean:
            return std::get<bool>(value_) ? -1 : 0;
        case TVarType::Integer:
            return std::get<std::int32_t>(value_);
        case TVarType::Int64:
            return std::get<std::int64_t>(value_);
        case TVarType::Double:
            return RoundToInt64(std::get<double>(value_));
        case TVarType::Currency:
            return RoundToInt64(std::get<TCurrency>(value_).ToDouble());
        case TVarType::Date:
            return RoundToInt64(std::get<TDate>(value_).Value);
        case TVarType::String: {
            const std::string& text = std::get<std::string>(value_);
            if (auto n = TryStrToInt64(text)) return *n;
            if (auto f = TryStrToFloat(text)) return RoundToInt64(*f);
            CannotConvert(Type(), "Integer");
        }
        default:
            CannotConvert(Type(), "Integer");
    }
}

std::int32_t Variant::AsInteger() const {
    const std::int64_t value = AsInt64();
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw EVariantError("Überlauf bei Konvertierung oder arithmetischer Operation");
    return static_cast<std::int32_t>(value);
}

double Variant::AsDouble() const {
    switch (Type()) {
        case TVarType::Empty:
            return 0;
        case TVarType::Boolean:
            return std::get<bool>(value_) ? -1 : 0;
        case TVarType::Integer:
            return std::get<std::int32_t>(value_);
        case TVarType::Int64:
            return static_cast<double>(std::get<std::int64_t>(value_));
        case TVarType::Double:
            return std::get<double>(value_);
        case TVarType::Currency:
            return std::get<TCurrency>(value_).ToDouble();
        case TVarType::Date:
            return std::get<TDate>(value_).Value;
        case TVarType::String:
            if (auto f = TryStrToFloat(std::get<std::string>(value_))) return *f;
            CannotConvert(Type(), "Double");
        default:
            CannotConvert(Type(), "Double");
    }
}

bool Variant::AsBoolean() const {
    switch (Type()) {
        case TVarType::Boolean:
            return std::get<bool>(value_);
        case TVarType::String: {
            std::string text = std::get<std::string>(value_);
            for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (text == "true") return true;
            if (text == "false") return false;
            if (auto f = TryStrToFloat(text)) return *f != 0;
            CannotConvert(Type(), "Boolean");
        }
        case TVarType::Null:
        case TVarType::Bytes:
        case TVarType::Array:
            CannotConvert(Type(), "Boolean");
        default:
            return AsDouble() != 0;
    }
}

TDateTime Variant::AsDateTime() const {
    if (Type() == TVarType::String) {
        if (auto d = TryStrToDateTime(std::get<std::string>(value_))) return *d;
        CannotConvert(Type(), "Date");
    }
    if (Type() == TVarType::Null || Type() == TVarType::Bytes || Type() == TVarType::Array)
        CannotConvert(Type(), "Date");
    return AsDouble();
}

TCurrency Variant::AsCurrency() const {
    if (Type() == TVarType::Currency) return std::get<TCurrency>(value_);
    if (Type() == TVarType::Integer || Type() == TVarType::Int64) {
        const std::int64_t n = AsInt64();
        constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10000;
        if (n > kLimit || n < -kLimit)
            throw EVariantError("Überlauf bei Konvertierung oder arithmetischer Operation");
        return {n * 10000};
    }
    return TCurrency::FromDouble(AsDouble());
}

void Variant::AssignText(std::string_view text) {
    if (auto* held = std::get_if<std::string>(&value_))
        held->assign(text);
    else
        value_.emplace<std::string>(text);
}

const std::string& Variant::StringValue() const {
    if (Type() != TVarType::String) CannotConvert(Type(), "String");
    return std::get<std::string>(value_);
}

const TBytes& Variant::AsBytes() const {
    if (Type() != TVarType::Bytes) CannotConvert(Type(), "Array Byte");
    return std::get<TBytes>(value_);
}

const TVariantArray& Variant::AsArray() const {
    if (Type() != TVarType::Array) CannotConvert(Type(), "Array Variant");
    return *std::get<std::shared_ptr<TVariantArray>>(value_);
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    // Near the largest double, 15 digits round past it: such a text could not be
    // read back, so it takes the digits it needs.
    if (!std::isfinite(std::strtod(buffer, nullptr)))
        std::snprintf(buffer, sizeof buffer, "%.17G", value);
    std::string text = buffer;
    // The run-time writes exponents without plus sign and leading zeros: 1E20, 1E-5.
    const size_t e = text.find('E');
    if (e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        int exponent = std::atoi(text.c_str() + e + 1);
        text = mantissa + "E" + std::to_string(exponent);
    }
    return LocalizeDecimal(text);
}

std::string CurrToStr(TCurrency value) {
    const bool negative = value.Scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value.Scaled)
                                             : static_cast<std::uint64_t>(value.Scaled);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += FormatSettings().DecimalSeparator + fraction;
    return negative ? "-" + text : text;
}

std::string TimeToStr(TDateTime value) {
    const TFormatSettings& fs = FormatSettings();
    const long ms = SplitDateTime(value).value_or(TDateTimeSplit{}).Millisecond;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02ld%c%02ld%c%02ld", ms / 3600000, fs.TimeSeparator,
                  ms / 60000 % 60, fs.TimeSeparator, ms / 1000 % 60);
    return buffer;
}

std::string DateTimeToStr(TDateTime value) {
    const TFormatSettings& fs = FormatSettings();
    const TDateParts d = DecodeDate(value);
    char buffer[32];
    const char sep = fs.DateSeparator;
    switch (fs.DateOrder()) {
        case TDateOrder::DMY:
            std::snprintf(buffer, sizeof buffer, "%02d%c%02d%c%04d", d.Day, sep, d.Month, sep,
                          d.Year);
            break;
        case TDateOrder::MDY:
            std::snprintf(buffer, sizeof buffer, "%02d%c%02d%c%04d", d.Month, sep, d.Day, sep,
                          d.Year);
            break;
        case TDateOrder::YMD:
            std::snprintf(buffer, sizeof buffer, "%04d%c%02d%c%02d", d.Year, sep, d.Month, sep,
                          d.Day);
            break;
    }
    std::string text = buffer;
    if (SplitDateTime(value).value_or(TDateTimeSplit{}).Millisecond != 0)
        text += " " + TimeToStr(value);
    return text;
}

std::optional<std::int64_t> TryStrToInt64(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > (negative ? 9223372036854775808ull : 9223372036854775807ull)) return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::optional<double> TryStrToFloat(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    std::string plain;
    const char decimal = FormatSettings().DecimalSeparator;
    for (char c : text) {
        if (c == decimal)
            plain += '.';
        else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == 'e' || c == 'E')
            plain += c;
        else
            return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double StrToFloat(std::string_view text) {
    if (auto value = TryStrToFloat(text)) return *value;
    throw EConvertError("'" + std::string(text) + "' ist kein gültiger Gleitkommawert");
}

namespace {

std::optional<TDateTime> TryStrToTime(std::string_view text) {
    const char sep = FormatSettings().TimeSeparator;
    int parts[3] = {0, 0, 0};
    int count = 0, ms = 0;
    size_t pos = 0;
    while (count < 3) {
        int digits = 0, value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + (text[pos++] - '0');
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        parts[count++] = value;
        if (pos < text.size() && text[pos] == sep)
            ++pos;
        else
            break;
    }
    if (count == 3 && pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        int digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            ms = ms * 10 + (text[pos++] - '0');
            ++digits;
        }
        for (; digits < 3; ++digits) ms *= 10;
    }
    if (count < 2 || pos != text.size()) return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return EncodeTime(parts[0], parts[1], parts[2], ms);
}

}  // namespace

std::optional<TDateTime> TryStrToDateTime(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        if (text.find(FormatSettings().DateSeparator) != std::string_view::npos)
            return TryStrToDate(text);
        return TryStrToTime(text);
    }
    const auto date = TryStrToDate(text.substr(0, blank));
    auto rest = text.substr(blank);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const auto time = TryStrToTime(rest);
    if (!date || !time) return std::nullopt;
    return *date < 0 ? *date - *time : *date + *time;
}

}  // namespace zalvert
