#pragma once
// Text as German users compare, sort and change it, through ICU: comparison
// without regard to case (ä after a, ß as ss), Unicode upper and lower case and
// case folding. Registered with SQLite as the collation "zi_de" and the functions
// zi_upper, zi_lower and zi_sortkey; private to the engine.

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace zalvert::engine {

constexpr const char* kGermanCollation = "zi_de";

// A field reference as it compares and sorts: a text field (engine type dbText,
// dbMemo, dbChar) in the German collation, any other as it is.
std::string GermanCollated(const std::string& reference, int type);

// Negative, zero or positive as `a` sorts before, with or after `b`; letter case
// makes no difference.
int CompareGerman(std::string_view a, std::string_view b);
// The general way, through ICU; CompareGerman takes it for all but the texts below.
int CompareGermanByIcu(std::string_view a, std::string_view b);
// The same for texts of ASCII letters and digits only; none for any other text.
std::optional<int> CompareAsciiAlphanumeric(std::string_view a, std::string_view b);
// The German order as bytes: keys compare byte by byte as CompareGerman compares
// the texts, so that sorting many rows asks ICU once a row, not once a comparison.
std::string GermanSortKey(std::string_view text);
// An ORDER BY term that is a text field in the German collation, as the same order
// by its sort keys (zi_sortkey); none for any other term.
std::optional<std::string> SortKeyTerm(std::string_view term);
// An ORDER BY list with every such term by its sort keys.
std::string SortKeyOrder(std::string_view order);
std::string GermanUpperCase(std::string_view text);
std::string GermanLowerCase(std::string_view text);
// A character folded for comparisons without regard to case.
char32_t FoldUnicodeCase(char32_t c);

void RegisterGermanText(sqlite3* db);

}  // namespace zalvert::engine
