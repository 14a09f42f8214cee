#include "rtl/TextCase.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace zalvert {
namespace {

icu::UnicodeString Unicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
}

std::string Utf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

std::string LowerCase(std::string_view text) {
    return Utf8(Unicode(text).toLower(icu::Locale::getGerman()));
}

std::string UpperCase(std::string_view text) {
    return Utf8(Unicode(text).toUpper(icu::Locale::getGerman()));
}

std::string FoldedCase(std::string_view text) {
    return Utf8(Unicode(text).foldCase(U_FOLD_CASE_DEFAULT));
}

}  // namespace zalvert
