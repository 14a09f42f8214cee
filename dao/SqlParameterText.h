#pragma once
// Parameter values put into SQL text at open: each ":Name" whole-word occurrence
// is replaced by the value in the engine's literal syntax.

#include <string>
#include <string_view>

#include "dataset/Params.h"

namespace zalvert {

// Identifier characters: "_" and every character of codes 32 to 255 of the
// Windows code page that is a letter or a digit.
bool IsIdentifierChar(char32_t c);

// The text that stands for a parameter: " IS NULL" for null; strings, blobs and
// memos in double quotes with inner quotes doubled; numbers with "." as decimal
// separator; dates as #mm/dd/yyyy#, times as #hh:nn:ss#, both as
// #mm/dd/yyyy hh:nn:ss#; GUID bytes as "{guid {...}}"; anything else as text.
std::string ParamValueText(const TParam& param);

// Replaces, left to right and without regard to case, every ":Name" that has no
// identifier character before or after it; replaced text is not scanned again.
std::string SubstituteParams(std::string_view sql, const TParams& params);

}  // namespace zalvert
