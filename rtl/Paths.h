#pragma once
// Path helpers on plain strings, with "/" as the folder separator.

#include <string>
#include <string_view>

namespace zalvert {

// The folder part including its trailing separator ("" when there is none).
std::string ExtractFilePath(std::string_view path);
std::string ExtractFileName(std::string_view path);
// The file name's part from its last full stop on ("" when the name has none);
// a full stop in a folder name does not count.
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// The full path of the running executable.
std::string ExecutablePath();

}  // namespace zalvert
