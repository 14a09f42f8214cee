#pragma once
// The text form of a GUID's 16 bytes: braced, upper-case, 8-4-4-4-12.

#include <optional>
#include <string>

#include "rtl/Variant.h"

namespace zalvert {

// Empty when there are not exactly 16 bytes. The first three groups are stored
// little-endian, as the platform keeps GUIDs.
std::optional<std::string> GuidToText(const TBytes& bytes);

}  // namespace zalvert
