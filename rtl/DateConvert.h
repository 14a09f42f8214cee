#pragma once
// Conversion of a date text in the regional settings, as the run-time does it:
// two numbers (day and month, current year) or three numbers, optionally followed
// by one more separator. The whole text must be consumed.

#include <optional>
#include <string_view>

#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"

namespace zalvert {

std::optional<TDateTime> TryStrToDate(std::string_view text,
                                      const TFormatSettings& settings = FormatSettings());
// Raises EConvertError "'<text>' ist kein gültiges Datum".
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings = FormatSettings());

// A year written with one or two digits, placed into the window of a hundred years
// that starts `window` years before the current year.
int ExpandTwoDigitYear(int year, int currentYear, int window);

}  // namespace zalvert
