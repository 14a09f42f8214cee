// Numbers and dates written as texts and read back: a float's text reads back to
// fifteen digits, a date-time's text to the second; any text converts or refuses.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"
#include "rtl/Variant.h"

namespace {

void FloatRoundTrip(double value) {
    if (!std::isfinite(value)) return;
    const auto back = zalvert::TryStrToFloat(zalvert::FloatToStr(value));
    if (!back) std::abort();
    if (std::fabs(*back - value) > std::fabs(value) * 1e-14 + 1e-300) std::abort();
}

void DateTimeRoundTrip(double value) {
    const auto split = zalvert::SplitDateTime(value);
    if (!split) return;
    const auto back = zalvert::TryStrToDateTime(zalvert::DateTimeToStr(value));
    if (!back) std::abort();
    const auto again = zalvert::SplitDateTime(*back);
    if (!again || again->Day != split->Day ||
        again->Millisecond != split->Millisecond / 1000 * 1000)
        std::abort();
}

void AnyText(std::string_view text) {
    const zalvert::Variant v{std::string(text)};
    try {
        v.AsInteger();
    } catch (const zalvert::Exception&) {
    }
    try {
        v.AsDouble();
    } catch (const zalvert::Exception&) {
    }
    try {
        v.AsCurrency();
    } catch (const zalvert::Exception&) {
    }
    try {
        v.AsDateTime();
    } catch (const zalvert::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    zalvert::FormatSettings() = zalvert::TFormatSettings::German();
    if (size >= 8) {
        double value = 0;
        std::memcpy(&value, data, 8);
        FloatRoundTrip(value);
        DateTimeRoundTrip(value);
        DateTimeRoundTrip(std::fmod(value, 3e6));  // most doubles lie outside the years 1..9999
    }
    AnyText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
