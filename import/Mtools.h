#pragma once
// Small text helpers of the import: the CSV field splitter and two-digit numbers.

#include <string>
#include <string_view>

namespace zalvert {

// Takes the next field off the front of `rest` (which it shortens) and returns it.
// A field may be enclosed in double quotes to hold separators; there is no escaping
// of quotes inside a field. Characters with codes 0 to 32 are trimmed from both ends
// of the field, and then one trailing quote. The result views `rest`'s text.
std::string_view NextField(std::string_view& rest, char separator);

// The text that NextField reads back as `field`, for a field that does not start
// with a character of code 0 to 32 and holds no quote directly followed by the
// separator (NextField gives no other). A field is put in quotes when it holds
// the separator or starts with a quote; one more quote at its end keeps a
// trailing quote or blank. Quotes inside are written as they are: NextField knows
// no escape for them.
std::string FieldText(std::string_view field, char separator);

// The decimal form of `value`, with a "0" put in front when it has one character only.
std::string TwoDigits(int value);

}  // namespace zalvert
