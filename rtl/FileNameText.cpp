#include "rtl/FileNameText.h"

#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The length of the well-formed UTF-8 character at the start of `text`, or 0.
size_t CharacterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return 1;
    size_t length = 0;
    if (lead >= 0xC2 && lead < 0xE0)
        length = 2;
    else if (lead >= 0xE0 && lead < 0xF0)
        length = 3;
    else if (lead >= 0xF0 && lead < 0xF5)
        length = 4;
    if (length == 0 || length > text.size()) return 0;
    return IsValidUtf8(text.substr(0, length)) ? length : 0;
}

}  // namespace

std::string FileNameText(std::string_view name) {
    std::string text;
    text.reserve(name.size());
    size_t pos = 0;
    while (pos < name.size()) {
        const size_t length = CharacterLength(name.substr(pos));
        if (length == 0) {
            const auto byte = static_cast<unsigned char>(name[pos++]);
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        } else {
            if (name[pos] == '\\') text += '\\';
            text.append(name, pos, length);
            pos += length;
        }
    }
    return text;
}

std::string FileNameFromText(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size() && text[pos + 1] == '\\') {
            name += '\\';
            ++pos;
        } else if (text[pos] == '\\' && pos + 3 < text.size() && text[pos + 1] == 'x' &&
                   HexValue(text[pos + 2]) >= 0 && HexValue(text[pos + 3]) >= 0) {
            name += static_cast<char>(HexValue(text[pos + 2]) * 16 + HexValue(text[pos + 3]));
            pos += 3;
        } else {
            name += text[pos];
        }
    }
    return name;
}

}  // namespace zalvert
