#pragma once
// The run-time's variant: the values that cross between the engine, the dataset
// layer and the program. Conversions follow the regional settings.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "rtl/DateTime.h"

namespace zalvert {

enum class TVarType {
    Empty,
    Null,
    Boolean,
    Integer,
    Int64,
    Double,
    Currency,
    Date,
    String,
    Bytes,
    Array
};

// Fixed point with four decimals, held as an integer count of ten-thousandths.
struct TCurrency {
    std::int64_t Scaled = 0;
    static TCurrency FromDouble(double value);
    double ToDouble() const { return static_cast<double>(Scaled) / 10000.0; }
    bool operator==(const TCurrency&) const = default;
};

using TBytes = std::vector<std::uint8_t>;

class Variant;
struct TVariantArray {
    int LowBound = 0;
    std::vector<Variant> Items;
};

class Variant {
  public:
    Variant() = default;  // empty
    static Variant Null();
    Variant(bool value) : value_(value) {}
    Variant(int value) : value_(static_cast<std::int32_t>(value)) {}
    Variant(std::int64_t value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(TCurrency value) : value_(value) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(TBytes value) : value_(std::move(value)) {}
    static Variant FromDate(TDateTime value);
    static Variant Array(int lowBound, std::vector<Variant> items);
    // Makes this a string variant of `text`, reusing the memory of a text it holds.
    void AssignText(std::string_view text);

    TVarType Type() const { return static_cast<TVarType>(value_.index()); }
    bool IsEmpty() const { return Type() == TVarType::Empty; }
    bool IsNull() const { return Type() == TVarType::Null; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }

    // Conversions raise EVariantError for values of no such form; Null converts only
    // to text (never) and raises like the run-time.
    std::string AsString() const;
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    double AsDouble() const;
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    TCurrency AsCurrency() const;
    const TBytes& AsBytes() const;
    // The text of a string variant, without a copy.
    const std::string& StringValue() const;
    const TVariantArray& AsArray() const;

    bool operator==(const Variant& other) const;

  private:
    struct TNull {
        bool operator==(const TNull&) const = default;
    };
    struct TDate {
        TDateTime Value = 0;
        bool operator==(const TDate&) const = default;
    };
    using TValue =
        std::variant<std::monostate, TNull, bool, std::int32_t, std::int64_t, double, TCurrency,
                     TDate, std::string, TBytes, std::shared_ptr<TVariantArray>>;
    explicit Variant(TValue value) : value_(std::move(value)) {}

    TValue value_;
};

// Text forms of the run-time, in the regional settings.
std::string FloatToStr(double value);
std::string CurrToStr(TCurrency value);
// Day.month.year, with the time only when it is not midnight.
std::string DateTimeToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// Numbers written with the regional decimal separator; raises EConvertError.
double StrToFloat(std::string_view text);
std::optional<double> TryStrToFloat(std::string_view text);
std::optional<std::int64_t> TryStrToInt64(std::string_view text);
// A date, a time, or both, in the regional settings.
std::optional<TDateTime> TryStrToDateTime(std::string_view text);

}  // namespace zalvert
