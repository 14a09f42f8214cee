#pragma once
// How values are written into the database files: date-times as ISO-8601 text
// "YYYY-MM-DD HH:MM:SS" (with ".mmm" only when the milliseconds are not zero).

#include <optional>
#include <string>
#include <string_view>

#include "rtl/DateTime.h"

namespace zalvert::engine {

// Empty for a value outside the years 1 to 9999.
std::string DateTimeToStorage(TDateTime value);
// The same text written into `out`: its length, 0 outside the years 1 to 9999.
constexpr size_t kStorageDateSize = 24;
size_t DateTimeToStorage(TDateTime value, char (&out)[kStorageDateSize]);
std::optional<TDateTime> StorageToDateTime(std::string_view text);

}  // namespace zalvert::engine
