#pragma once
// The criteria texts the table component's searches and master links give the
// engine: key lists, key value texts, the escapes, and the three builders (exact
// key, key with search options, master/detail). Every value reaches a criteria
// text only quoted and escaped, or checked to be a number, a date or a GUID.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/DataSet.h"
#include "dataset/FieldDefs.h"

namespace zalvert {

// The marker a Null key value becomes (and a text "NULL" is taken for).
inline constexpr const char* kNullKeyText = "NULL";

// Field names split at every ";", each trimmed of blanks.
std::vector<std::string> SplitKeyList(std::string_view text);
// One text per key value: the elements of an array, or the one value.
std::vector<std::string> KeyValueTexts(const Variant& values);
// Raises when the lists differ in length.
void CheckKeyCounts(size_t fields, size_t values);

std::string CriteriaFieldName(std::string_view name, bool brackets);
std::string QuoteEscaped(std::string_view text);
std::string PatternEscaped(std::string_view text);
// Decimal separator to ".", thousands separators dropped.
std::string NormalizedNumber(std::string_view text);
// A key value text read as a date-time after its separators are cleaned up.
TDateTime CriteriaDateTimeOf(std::string_view text);
std::string CriteriaDateText(TDateTime value);  // mm/dd/yyyy
std::string CriteriaTimeText(TDateTime value);  // hh:nn:ss

// A key field as the builders see it.
struct TCriteriaField {
    std::string Name;
    TFieldType Type = TFieldType::ftUnknown;
    bool Guid = false;
};

// For Lookup: each field equal to its value.
std::string ExactKeyCriteria(const std::vector<TCriteriaField>& fields,
                             const std::vector<std::string>& values, bool brackets);
// For Locate and the key finds: texts compared as the options say.
std::string OptionKeyCriteria(const std::vector<TCriteriaField>& fields,
                              const std::vector<std::string>& values, int options, bool brackets);
// Each detail field equal to the current value of its master field.
std::string MasterDetailCriteria(const std::vector<std::string>& detailNames,
                                 const std::vector<TField*>& masterFields,
                                 const std::vector<bool>& masterGuid, bool brackets);

// The values of an integer field in [low, high] whose shown text (plain digits, a
// leading "-") begins with `prefix`; empty when no such value can exist.
std::string ShownIntegerCriteria(std::string_view name, std::string_view prefix, std::int64_t low,
                                 std::int64_t high, bool brackets);

// Field names compare as the dataset finds its fields: A-Z without regard to case.
bool SameFieldName(std::string_view a, std::string_view b);

// The index for a key: with a leading "!" one of exactly the key's fields, else
// one that starts with a key field and holds them all. Empty when none fits.
std::string IndexForKey(std::string_view keyFields, const TIndexDefs& indexes);

}  // namespace zalvert
