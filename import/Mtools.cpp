#include "import/Mtools.h"

namespace zalvert {
namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimField(std::string_view raw) {
    while (!raw.empty() && IsBlankOrControl(raw.front())) raw.remove_prefix(1);
    while (!raw.empty() && IsBlankOrControl(raw.back())) raw.remove_suffix(1);
    if (!raw.empty() && raw.back() == '"') raw.remove_suffix(1);
    return raw;
}

std::string_view TakeQuoted(std::string_view& rest, char separator) {
    rest.remove_prefix(1);
    const char closing[] = {'"', separator};
    const size_t found = rest.find(std::string_view(closing, 2));
    std::string_view raw;
    if (found != std::string_view::npos) {
        raw = rest.substr(0, found);
        rest.remove_prefix(found + 2);
        return raw;
    }
    raw = !rest.empty() && rest.back() == '"' ? rest.substr(0, rest.size() - 1) : rest;
    rest = {};
    return raw;
}

std::string_view TakePlain(std::string_view& rest, char separator) {
    const size_t found = rest.find(separator);
    std::string_view raw = rest.substr(0, found);
    rest = found == std::string_view::npos ? std::string_view() : rest.substr(found + 1);
    return raw;
}

}  // namespace

std::string_view NextField(std::string_view& rest, char separator) {
    if (rest.empty()) return {};
    return TrimField(rest.front() == '"' ? TakeQuoted(rest, separator)
                                         : TakePlain(rest, separator));
}

std::string FieldText(std::string_view field, char separator) {
    const bool quoted = field.starts_with('"') || field.find(separator) != std::string_view::npos;
    // NextField trims blanks off the end and then takes one quote off it.
    const bool guarded = !field.empty() && (field.back() == '"' || IsBlankOrControl(field.back()));
    std::string text;
    text.reserve(field.size() + 3);
    if (quoted) text += '"';
    text += field;
    if (guarded) text += '"';
    if (quoted) text += '"';
    return text;
}

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() == 1 ? "0" + text : text;
}

}  // namespace zalvert
