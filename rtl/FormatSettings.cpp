#include "rtl/FormatSettings.h"

#include <cctype>

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

}  // namespace zalvert
