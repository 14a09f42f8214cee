#pragma once
// The program-wide regional settings. German by default; tests set them explicitly.

#include <string>

namespace zalvert {

enum class TDateOrder { DMY, MDY, YMD };

struct TFormatSettings {
    char DateSeparator = '.';
    char TimeSeparator = ':';
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    std::string ShortDateFormat = "dd.mm.yyyy";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string CurrencyString = "\xE2\x82\xAC";  // the euro sign
    int CurrencyDecimals = 2;
    // Two-digit years fall into the hundred years that start this many years
    // before the current year.
    int TwoDigitYearCenturyWindow = 50;

    static TFormatSettings German() { return {}; }
    // The order of day, month and year, read off ShortDateFormat.
    TDateOrder DateOrder() const;
};

TFormatSettings& FormatSettings();

// A whole number with thousands separated ("12.345").
std::string GroupedNumber(long long value);
// An amount with two decimals and the currency sign ("1.234,50 €").
std::string CurrencyText(double value);

}  // namespace zalvert
