#include "rtl/Guid.h"

namespace zalvert {
namespace {

// Byte index of each pair of hex digits in the text; -1 for a hyphen.
constexpr int kOrder[] = {3, 2, 1, 0, -1, 5, 4, -1, 7, 6, -1, 8, 9, -1, 10, 11, 12, 13, 14, 15};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<TBytes> TextToGuid(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
    TBytes bytes(16);
    size_t at = 1;
    for (int i : kOrder) {
        if (i < 0) {
            if (text[at++] != '-') return std::nullopt;
            continue;
        }
        const int high = HexValue(text[at]), low = HexValue(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(high * 16 + low);
        at += 2;
    }
    return bytes;
}

std::optional<std::string> GuidToText(const TBytes& b) {
    if (b.size() != 16) return std::nullopt;
    static const char* const kHex = "0123456789ABCDEF";
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
