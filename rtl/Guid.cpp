#include "rtl/Guid.h"

namespace zalvert {

std::optional<std::string> GuidToText(const TBytes& b) {
    if (b.size() != 16) return std::nullopt;
    static const char* const kHex = "0123456789ABCDEF";
    static constexpr int kOrder[] = {3,  2, 1, 0,  -1, 5,  4,  -1, 7,  6,
                                     -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};
    std::string text = "{";
    for (int i : kOrder) {
        if (i < 0) {
            text += '-';
            continue;
        }
        text += kHex[b[static_cast<size_t>(i)] >> 4];
        text += kHex[b[static_cast<size_t>(i)] & 15];
    }
    return text + "}";
}

}  // namespace zalvert
