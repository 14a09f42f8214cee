#pragma once
// The text form of a GUID's 16 bytes: braced, upper-case, 8-4-4-4-12.

#include <optional>
#include <string>
#include <string_view>

#include "rtl/Variant.h"

namespace zalvert {

// Empty when there are not exactly 16 bytes. The first three groups are stored
// little-endian, as the platform keeps GUIDs.
std::optional<std::string> GuidToText(const TBytes& bytes);
// The 16 bytes of a braced GUID text (either letter case); empty when the text
// is no GUID.
std::optional<TBytes> TextToGuid(std::string_view text);

}  // namespace zalvert
