// File names of any bytes kept as texts in the run log: the text is UTF-8 a server
// accepts, and it gives back the very bytes.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rtl/FileNameText.h"
#include "rtl/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string text = zalvert::FileNameText(name);
    if (!zalvert::IsValidUtf8(text)) std::abort();
    if (zalvert::FileNameFromText(text) != name) std::abort();
    // Valid UTF-8 without a backslash is kept as it is.
    if (zalvert::IsValidUtf8(name) && name.find('\\') == std::string_view::npos && text != name)
        std::abort();
    // Any text reads as some name without failing.
    (void)zalvert::FileNameFromText(name);
    return 0;
}
