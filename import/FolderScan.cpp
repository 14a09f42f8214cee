#include "import/FolderScan.h"

#include <filesystem>

#include "rtl/Paths.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

bool MatchesWildcards(std::string_view name, std::string_view mask) {
    size_t n = 0, m = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
            continue;
        }
        if (m < mask.size()) {
            size_t nextN = n, nextM = m;
            const char32_t nc = NextCodePoint(name, nextN);
            const char32_t mc = NextCodePoint(mask, nextM);
            if (mc == '?' || FoldCase(mc) == FoldCase(nc)) {
                n = nextN;
                m = nextM;
                continue;
            }
        }
        if (starMask == std::string_view::npos) return false;
        // Let the last star swallow one more character and try again.
        NextCodePoint(name, starName);
        n = starName;
        m = starMask;
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (MatchesWildcards(name, mask)) return true;
    return mask.ends_with(".*") && name.find('.') == std::string_view::npos &&
           MatchesWildcards(name, mask.substr(0, mask.size() - 2));
}

std::optional<std::string> FindFirstMatch(const std::string& pattern) {
    const std::string mask = ExtractFileName(pattern);
    if (mask.empty()) return std::nullopt;
    const std::string path = ExtractFilePath(pattern);
    const std::string folder = path.empty() ? std::string(".") : path;

    std::error_code error;
    std::filesystem::directory_iterator it(folder, error), end;
    std::optional<std::string> first;
    for (; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (MatchesMask(name, mask) && (!first || name < *first)) first = std::move(name);
    }
    return first;
}

}  // namespace zalvert
