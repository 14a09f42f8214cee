#pragma once
// The start-up scan's directory search: the entries matching a path whose last
// part is a mask with * and ?.

#include <string>
#include <string_view>
#include <vector>

namespace zalvert {

// Matches `name` against `mask` without regard to letter case; a mask ending in
// ".*" also matches names without extension, as "*.*" matches every name.
bool MatchesMask(std::string_view name, std::string_view mask);

// The names of the entries of the folder part of `pattern` that match its last
// part, in byte order. Entries of every kind count, hidden ones and folders too.
// Empty when nothing matches; a folder that cannot be read raises EInOutError
// naming it.
std::vector<std::string> FindAllMatches(const std::string& pattern);

}  // namespace zalvert
