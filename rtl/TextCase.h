#pragma once
// Letter case of UTF-8 text by Unicode's rules in the German locale (ICU): what
// users expect of "Straße", "ÄRGER" or "İ", which byte-wise changes get wrong.

#include <string>
#include <string_view>

namespace zalvert {

std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
// Full case folding, for comparisons without regard to case ("ß" folds to "ss").
std::string FoldedCase(std::string_view text);

}  // namespace zalvert
