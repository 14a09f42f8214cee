#include "rtl/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "rtl/Exceptions.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

// "?" in the encoding itself, so that UTF-16 gets its two bytes.
std::string EncodeQuestionMark(const char* encoding) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    char mark[] = "?";
    char buffer[8];
    char* src = mark;
    size_t srcLeft = 1;
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    return std::string(buffer, static_cast<size_t>(dst - buffer));
}

}  // namespace

TCodePageDecoder::TCodePageDecoder(const char* codePage) : handle_(iconv_open("UTF-8", codePage)) {
    if (handle_ == reinterpret_cast<void*>(-1))
        throw Exception(std::string("Code page not available: ") + codePage);
}

TCodePageDecoder::~TCodePageDecoder() {
    iconv_close(static_cast<iconv_t>(handle_));
}

void TCodePageDecoder::AppendDecoded(std::string_view in, std::string& out) {
    auto cd = static_cast<iconv_t>(handle_);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    const size_t start = out.size();
    // A single-byte code page never needs more than three UTF-8 bytes per byte.
    out.resize(start + in.size() * 3);
    char* dst = out.data() + start;
    size_t dstLeft = in.size() * 3;
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        std::string fallback;
        AppendUtf8(fallback, static_cast<unsigned char>(*src));
        for (char c : fallback) {
            *dst++ = c;
            --dstLeft;
        }
        ++src;
        --srcLeft;
    }
    out.resize(static_cast<size_t>(dst - out.data()));
}

TCodePageEncoder::TCodePageEncoder(const char* codePage) : handle_(iconv_open(codePage, "UTF-8")) {
    if (handle_ == reinterpret_cast<void*>(-1))
        throw Exception(std::string("Code page not available: ") + codePage);
}

TCodePageEncoder::~TCodePageEncoder() {
    iconv_close(static_cast<iconv_t>(handle_));
}

bool TCodePageEncoder::AppendEncoded(std::string_view in, std::string& out) {
    // Most values are ASCII, which every code page here keeps as it is.
    if (std::all_of(in.begin(), in.end(), [](char c) { return (c & 0x80) == 0; })) {
        out.append(in);
        return true;
    }
    auto cd = static_cast<iconv_t>(handle_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const size_t start = out.size();
    out.resize(start + in.size());  // a single-byte code page never needs more
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data() + start;
    size_t dstLeft = in.size();
    const bool ok =
        iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0;
    out.resize(ok ? static_cast<size_t>(dst - out.data()) : start);
    return ok;
}

bool DecodeStrict(std::string_view in, const char* encoding, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", encoding);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Exception(std::string("Code page not available: ") + encoding);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    const size_t start = out.size();
    // Two bytes of UTF-16 never need more than three of UTF-8.
    out.resize(start + in.size() * 2 + 4);
    char* dst = out.data() + start;
    size_t dstLeft = out.size() - start;
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    out.resize(static_cast<size_t>(dst - out.data()));
    return ok && srcLeft == 0;
}

std::string AnsiToUtf8(std::string_view text) {
    return CodePageToUtf8(text, "CP1252");
}

std::string CodePageToUtf8(std::string_view text, const char* codePage) {
    TCodePageDecoder decoder(codePage);
    std::string out;
    decoder.AppendDecoded(text, out);
    return out;
}

std::string Utf8ToCodePage(std::string_view text, const char* encoding) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Exception(std::string("Code page not available: ") + encoding);
    // Four bytes a character are the most any encoding here needs; the buffer grows
    // when one needs more.
    std::string out(text.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(text.data());
    size_t srcLeft = text.size();
    size_t written = 0;
    const std::string question = EncodeQuestionMark(encoding);
    while (srcLeft > 0) {
        char* dst = out.data() + written;
        size_t dstLeft = out.size() - written;
        const size_t result = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        written = static_cast<size_t>(dst - out.data());
        if (result != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        if (errno != EILSEQ && errno != EINVAL) break;
        // One "?" for the character that has no place in the encoding.
        if (out.size() - written < question.size()) out.resize(out.size() * 2);
        out.replace(written, question.size(), question);
        written += question.size();
        size_t skip = 1;
        while (skip < srcLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
        src += skip;
        srcLeft -= skip;
    }
    iconv_close(cd);
    out.resize(written);
    return out;
}

}  // namespace zalvert
