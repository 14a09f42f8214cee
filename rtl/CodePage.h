#pragma once
// Conversion of 8-bit Windows code page text into UTF-8 through iconv.

#include <string>
#include <string_view>

namespace zalvert {

class TCodePageDecoder {
  public:
    // `codePage` is an iconv name such as "CP1252" (ANSI) or "CP850" (OEM).
    explicit TCodePageDecoder(const char* codePage);
    ~TCodePageDecoder();
    TCodePageDecoder(const TCodePageDecoder&) = delete;
    TCodePageDecoder& operator=(const TCodePageDecoder&) = delete;

    // Appends the UTF-8 form of `in`. Bytes the code page leaves undefined are kept
    // as the control characters of the same number, so nothing is lost.
    void AppendDecoded(std::string_view in, std::string& out);

  private:
    void* handle_;
};

// UTF-8 text into a single-byte code page, for files written for Windows programs.
class TCodePageEncoder {
  public:
    explicit TCodePageEncoder(const char* codePage);
    ~TCodePageEncoder();
    TCodePageEncoder(const TCodePageEncoder&) = delete;
    TCodePageEncoder& operator=(const TCodePageEncoder&) = delete;
    // Appends `in` in the code page; false, and `out` as it was, when a character
    // has no place in it.
    bool AppendEncoded(std::string_view in, std::string& out);

  private:
    void* handle_;
};

// Appends the UTF-8 form of text in any encoding iconv knows (such as "UTF-16LE");
// false when the text is not well-formed in it, and `out` is then unspecified.
bool DecodeStrict(std::string_view in, const char* encoding, std::string& out);

std::string AnsiToUtf8(std::string_view text);
// Text of a single-byte code page as UTF-8, and back; characters the code page
// lacks become "?". Back works for any encoding iconv knows, of any width
// ("CP850", "UTF-16LE").
std::string CodePageToUtf8(std::string_view text, const char* codePage);
std::string Utf8ToCodePage(std::string_view text, const char* codePage);

}  // namespace zalvert
