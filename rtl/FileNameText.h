#pragma once
// File names as texts a database keeps. Names on this system are bytes and need
// not be UTF-8; a server refuses such a text, and a file shows it mangled. Each
// byte that is not part of a well-formed UTF-8 character is written as \xHH and a
// backslash as \\, so the text stays readable and gives back the very bytes.

#include <string>
#include <string_view>

namespace zalvert {

// "M\xFCller.csv" for the Latin-1 name "Müller.csv"; valid UTF-8 without a
// backslash comes back unchanged.
std::string FileNameText(std::string_view name);
// The bytes of a name written by FileNameText. A backslash not followed by a
// backslash or by x and two hex digits stands for itself.
std::string FileNameFromText(std::string_view text);

}  // namespace zalvert
