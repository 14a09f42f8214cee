#pragma once
// GUID fields of the table component: the characters they accept, the text form
// their values take in a record buffer ("{guid {...}}"), and the handlers that
// show and take them as 38-character text.

#include <bitset>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/Field.h"

namespace zalvert {

// '-', the digits, A to F, a to f and the two braces.
const std::bitset<256>& GuidChars();
// The buffer text of 16 GUID bytes; empty for the all-zero GUID.
std::string GuidValueText(const TBytes& bytes);
// The braced 38-character GUID of a buffer text: "{guid " and one of two closing
// braces removed.
std::string GuidDisplayText(std::string_view valueText);
// The 16 bytes of a buffer text; raises EConvertError when the text is no GUID.
TBytes GuidBytesOf(std::string_view valueText);
// Shows the field as its braced GUID and takes entered texts of exactly 38 characters.
void InstallGuidTextHandlers(TField& field);

}  // namespace zalvert
