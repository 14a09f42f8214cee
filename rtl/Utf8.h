#pragma once
// UTF-8 helpers: validation (also over a stream of chunks), character counts and
// the letter-case rules the program uses.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zalvert {

// Checks a byte stream fed in chunks of any size for well-formed UTF-8
// (no overlong forms, no surrogates, nothing above U+10FFFF).
class TUtf8Validator {
  public:
    bool Feed(std::string_view chunk);
    // True when the stream was valid and did not stop inside a character.
    bool Finish() const { return valid_ && pending_ == 0; }
    bool Valid() const { return valid_; }

  private:
    bool valid_ = true;
    int pending_ = 0;           // continuation bytes still expected
    unsigned char low_ = 0x80;  // allowed range of the next continuation byte
    unsigned char high_ = 0xBF;
};

bool IsValidUtf8(std::string_view text);
// Number of characters (code points) of a valid UTF-8 text.
size_t Utf8Length(std::string_view text);
void AppendUtf8(std::string& out, char32_t codePoint);
// The code points of a UTF-8 text; invalid bytes stand for themselves.
std::u32string DecodeUtf8(std::string_view text);

// Changes A-Z only; every other character stays as it is.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiLowerCase(std::string_view text);
// Changes a-z only.
std::string AsciiUpperCase(std::string_view text);
// Folds A-Z and the upper-case letters of Latin-1 (such as Ä, Ö, Ü) for comparisons
// of file names without regard to case.
char32_t FoldCase(char32_t c);
// Decodes the character at `pos` and advances past it; invalid bytes come back as
// themselves.
char32_t NextCodePoint(std::string_view text, size_t& pos);

}  // namespace zalvert
