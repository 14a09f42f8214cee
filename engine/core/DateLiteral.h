#pragma once
// The dialect's date literals (#...#), read once for both back ends.

#include <string>
#include <string_view>

namespace zalvert::engine {

// An engine date literal's text (mm/dd/yyyy with time and AM/PM, or yyyy-mm-dd)
// in the stored form ("yyyy-mm-dd hh:nn:ss"); empty when it is no date.
std::string DateLiteralToStorage(std::string_view text);

}  // namespace zalvert::engine
