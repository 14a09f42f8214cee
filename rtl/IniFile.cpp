#include "rtl/IniFile.h"

#include <cstdint>

#include "rtl/Exceptions.h"
#include "rtl/TextFileReader.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Unquote(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

// Cuts to at most `count` characters, never inside a character.
std::string_view Truncate(std::string_view text, size_t count) {
    size_t pos = 0;
    for (size_t n = 0; pos < text.size() && n < count; ++n) NextCodePoint(text, pos);
    return text.substr(0, pos);
}

std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + d;
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return value;
}

}  // namespace

bool SameText(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (FoldCase(NextCodePoint(a, i)) != FoldCase(NextCodePoint(b, j))) return false;
    return i == a.size() && j == b.size();
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::optional<std::uint64_t> value;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        value = ParseDigits(text.substr(2), 16);
    } else if (text.starts_with("$")) {
        value = ParseDigits(text.substr(1), 16);
    } else {
        value = ParseDigits(text, 10);
        // Decimal numbers must fit; hexadecimal ones wrap into the sign bit.
        if (value && *value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    }
    if (!value) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(negative ? 0 - *value : *value);
    return static_cast<int>(static_cast<std::int32_t>(bits));
}

TIniFile::TIniFile(const std::string& path) {
    try {
        TTextFileReader reader(path);
        std::string_view line;
        while (reader.ReadLine(line)) {
            line = Trim(line);
            if (line.starts_with('[')) {
                const size_t close = line.find(']');
                sections_.emplace_back(
                    Trim(line.substr(1, close == line.npos ? line.npos : close - 1)));
                continue;
            }
            const size_t equals = line.find('=');
            if (sections_.empty() || equals == line.npos) continue;
            entries_.push_back({sections_.size() - 1, std::string(Trim(line.substr(0, equals))),
                                std::string(line.substr(equals + 1))});
        }
    } catch (const EInOutError&) {
        // A missing or unreadable file gives every value its default.
    }
}

// The first matching key in file order counts, also across repeated sections.
std::optional<std::string> TIniFile::Find(std::string_view section, std::string_view key) const {
    for (const TEntry& entry : entries_)
        if (SameText(entry.Key, key) && SameText(sections_[entry.Section], section))
            return std::string(Truncate(Unquote(Trim(entry.Value)), kMaxValueLength));
    return std::nullopt;
}

std::vector<std::string> TIniFile::Sections() const {
    std::vector<std::string> names;
    for (const std::string& section : sections_) {
        bool seen = false;
        for (const std::string& name : names) seen = seen || SameText(name, section);
        if (!seen) names.push_back(section);
    }
    return names;
}

std::vector<std::string> TIniFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    for (const TEntry& entry : entries_)
        if (SameText(sections_[entry.Section], section)) keys.push_back(entry.Key);
    return keys;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& defaultValue) const {
    return Find(section, key).value_or(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const auto text = Find(section, key);
    if (!text) return defaultValue;
    return ParseProfileInteger(*text).value_or(defaultValue);
}

}  // namespace zalvert
