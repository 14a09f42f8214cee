#include "import/FolderScan.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "rtl/FileErrors.h"
#include "rtl/Paths.h"
#include "rtl/Utf8.h"
#include "rtl/Wildcard.h"

namespace zalvert {
namespace {

bool MatchesWildcards(std::string_view name, std::string_view mask) {
    return MatchWildcards(DecodeUtf8(name), DecodeUtf8(mask),
                          [](std::u32string_view pattern, size_t& p, char32_t c) {
                              const char32_t element = pattern[p++];
                              return element == U'?' || FoldCase(element) == FoldCase(c);
                          });
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (MatchesWildcards(name, mask)) return true;
    return mask.ends_with(".*") && name.find('.') == std::string_view::npos &&
           MatchesWildcards(name, mask.substr(0, mask.size() - 2));
}

std::vector<std::string> FindAllMatches(const std::string& pattern) {
    const std::string mask = ExtractFileName(pattern);
    if (mask.empty()) return {};
    const std::string path = ExtractFilePath(pattern);
    const std::string folder = path.empty() ? std::string(".") : path;

    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    std::vector<std::string> names;
    for (; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (MatchesMask(name, mask)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    if (error) {
        const int code = error.value();
        const bool missing = code == ENOENT || code == ENOTDIR;
        throw EInOutError(
            "Der Importordner \"" + folder + "\" kann nicht gelesen werden: " +
                (missing ? std::string("Ordner nicht gefunden") : FileErrorText(code)) + ".",
            code);
    }
    return names;
}

}  // namespace zalvert
