#pragma once
// Reading of an INI file with the semantics of the Windows profile functions:
// section and key names without regard to case, blanks trimmed, one enclosing pair
// of quotes removed, at most 2047 characters of a value. Missing or unreadable
// files read as empty. Nothing is ever written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zalvert {

class TIniFile {
  public:
    explicit TIniFile(const std::string& path);

    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "0x", "0X" or "$";
    // anything else gives the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // Section names in file order, each once.
    std::vector<std::string> Sections() const;
    // Key names of a section in file order.
    std::vector<std::string> Keys(std::string_view section) const;

    static constexpr size_t kMaxValueLength = 2047;

  private:
    struct TEntry {
        size_t Section;  // index into sections_
        std::string Key;
        std::string Value;  // as written, untrimmed
    };
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    std::vector<std::string> sections_;
    std::vector<TEntry> entries_;
};

// The profile's integer syntax on its own; empty when the text is no integer.
std::optional<int> ParseProfileInteger(std::string_view text);
// Equal without regard to letter case (A-Z and the Latin-1 letters).
bool SameText(std::string_view a, std::string_view b);

}  // namespace zalvert
