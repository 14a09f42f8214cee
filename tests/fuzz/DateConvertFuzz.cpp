// Any text as a date of the import: either "kein gültiges Datum" or a date that
// exists, whose day, month and year are written in the text.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rtl/DateConvert.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto date = zalvert::TryStrToDate(text, zalvert::TFormatSettings::German());
    if (!date) return 0;
    const zalvert::TDateParts parts = zalvert::DecodeDate(*date);
    if (!zalvert::IsValidDate(parts.Year, parts.Month, parts.Day)) std::abort();
    if (text.find(std::to_string(parts.Day)) == std::string_view::npos) std::abort();
    return 0;
}
