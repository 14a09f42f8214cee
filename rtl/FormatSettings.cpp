#include "rtl/FormatSettings.h"

#include <cctype>
#include <cmath>

namespace zalvert {

TDateOrder TFormatSettings::DateOrder() const {
    for (char c : ShortDateFormat) {
        switch (std::tolower(static_cast<unsigned char>(c))) {
            case 'd':
                return TDateOrder::DMY;
            case 'm':
                return TDateOrder::MDY;
            case 'y':
                return TDateOrder::YMD;
            default:
                break;
        }
    }
    return TDateOrder::DMY;
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = TFormatSettings::German();
    return settings;
}

std::string GroupedNumber(long long value) {
    const unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                   : static_cast<unsigned long long>(value);
    std::string text = std::to_string(magnitude);
    for (int i = static_cast<int>(text.size()) - 3; i > 0; i -= 3)
        text.insert(static_cast<size_t>(i), 1, FormatSettings().ThousandSeparator);
    return (value < 0 ? "-" : "") + text;
}

std::string CurrencyText(double value) {
    const TFormatSettings& fs = FormatSettings();
    const auto cents = static_cast<long long>(std::llround(std::fabs(value) * 100.0));
    const std::string fraction = std::to_string(100 + cents % 100).substr(1);
    return (value < 0 && cents != 0 ? "-" : "") + GroupedNumber(cents / 100) + fs.DecimalSeparator +
           fraction + " " + fs.CurrencyString;
}

}  // namespace zalvert
