#pragma once
// A file read or written whole, with the German file errors that name it.

#include <string>
#include <string_view>

namespace zalvert {

// Raises EInOutError ("… kann nicht gelesen werden: …").
std::string ReadWholeFile(const std::string& path);
// Raises EInOutError ("… kann nicht geschrieben werden: …") naming `shownPath`, or
// `path` when none is given; what was written so far stays for the caller.
void WriteWholeFile(const std::string& path, std::string_view bytes,
                    const std::string& shownPath = {});

}  // namespace zalvert
