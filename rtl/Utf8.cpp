#include "rtl/Utf8.h"

#include "rtl/Wildcard.h"

#include <cstring>

namespace zalvert {

bool TUtf8Validator::Feed(std::string_view chunk) {
    const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
    const auto* end = p + chunk.size();
    while (valid_ && p < end) {
        if (pending_ == 0) {
            // Fast path over plain ASCII, eight bytes at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull) break;
                p += 8;
            }
            if (p == end) break;
            const unsigned char b = *p++;
            if (b < 0x80) continue;
            low_ = 0x80;
            high_ = 0xBF;
            if (b >= 0xC2 && b <= 0xDF) {
                pending_ = 1;
            } else if (b >= 0xE0 && b <= 0xEF) {
                pending_ = 2;
                if (b == 0xE0) low_ = 0xA0;
                if (b == 0xED) high_ = 0x9F;
            } else if (b >= 0xF0 && b <= 0xF4) {
                pending_ = 3;
                if (b == 0xF0) low_ = 0x90;
                if (b == 0xF4) high_ = 0x8F;
            } else {
                valid_ = false;
            }
            continue;
        }
        const unsigned char b = *p++;
        if (b < low_ || b > high_) {
            valid_ = false;
            break;
        }
        low_ = 0x80;
        high_ = 0xBF;
        --pending_;
    }
    return valid_;
}

bool IsValidUtf8(std::string_view text) {
    TUtf8Validator validator;
    validator.Feed(text);
    return validator.Finish();
}

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) out += NextCodePoint(text, pos);
    return out;
}

std::string AsciiUpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string AsciiLowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A' + 'a';
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    return c;
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
    const auto b = static_cast<unsigned char>(text[pos]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (pos + extra >= text.size()) extra = 0;
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    for (int i = 1; i <= extra; ++i) {
        const auto cont = static_cast<unsigned char>(text[pos + i]);
        if ((cont & 0xC0) != 0x80) {
            extra = 0;
            c = b;
            break;
        }
        c = (c << 6) | (cont & 0x3F);
    }
    pos += 1 + extra;
    return c;
}

}  // namespace zalvert
