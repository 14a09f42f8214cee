#include "dao/SearchCriteria.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <tuple>
#include <utility>

#include "dataset/DatabaseError.h"
#include "dataset/DbConsts.h"
#include "rtl/FormatSettings.h"
#include "rtl/Guid.h"
#include "rtl/TextCase.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr char kQuote = '"';

bool IsTextType(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftBlob || type == TFieldType::ftMemo;
}

bool IsNumberType(TFieldType type) {
    switch (type) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftWord:
        case TFieldType::ftBoolean:
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
        case TFieldType::ftBCD:
        case TFieldType::ftAutoInc:
            return true;
        default:
            return false;
    }
}

bool IsDateType(TFieldType type) {
    return type == TFieldType::ftDate || type == TFieldType::ftTime ||
           type == TFieldType::ftDateTime;
}

bool IsBytesType(TFieldType type) {
    return type == TFieldType::ftBytes || type == TFieldType::ftVarBytes ||
           type == TFieldType::ftGuid;
}

std::string Quoted(std::string_view text) {
    return std::string(1, kQuote) + QuoteEscaped(text) + kQuote;
}

bool IsNumberLiteral(std::string_view text) {
    size_t i = 0;
    const auto digits = [&] {
        const size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

// A number as the criteria take it: only a number literal (or True/False for a
// yes/no field) goes into the text, anything else is refused.
std::string NumberComparison(std::string_view value, const std::string& field, TFieldType type) {
    if (value.empty()) return " IS NULL";
    const std::string number = NormalizedNumber(value);
    const std::string word = LowerCase(number);
    if (type == TFieldType::ftBoolean && (word == "true" || word == "false")) return " = " + number;
    if (!IsNumberLiteral(number)) {
        const char* message = type == TFieldType::ftBoolean ? dbconsts::SInvalidBoolValue
                                                            : dbconsts::SInvalidFloatValue;
        DatabaseError(dbconsts::Format(message, {std::string(value), field}));
    }
    return " = " + number;
}

std::string DateComparison(TDateTime value, TFieldType type) {
    if (type == TFieldType::ftDate) return " = #" + CriteriaDateText(value) + "#";
    if (type == TFieldType::ftTime) return " = #" + CriteriaTimeText(value) + "#";
    return " = #" + CriteriaDateText(value) + " " + CriteriaTimeText(value) + "#";
}

std::string GuidComparison(std::string_view text, const std::string& field) {
    auto bytes = TextToGuid(text);
    if (!bytes) DatabaseError(dbconsts::Format(dbconsts::SFieldValueError, {field}));
    return " = {guid " + *GuidToText(*bytes) + "}";
}

// The comparison of the exact key criteria, or empty for a type they cannot express.
std::string ExactComparison(const TCriteriaField& field, const std::string& value) {
    if (value == kNullKeyText) return "IS NULL";
    if (IsTextType(field.Type)) return " = " + Quoted(value);
    if (IsNumberType(field.Type)) return NumberComparison(value, field.Name, field.Type);
    if (IsDateType(field.Type)) return DateComparison(CriteriaDateTimeOf(value), field.Type);
    if (IsBytesType(field.Type))
        return field.Guid ? GuidComparison(value, field.Name) : " = " + Quoted(value);
    return {};
}

std::string TextWithOptions(std::string value, int options) {
    const bool caseless = options & loCaseInsensitive;
    const bool partial = options & loPartialKey;
    if (caseless) value = LowerCase(value);
    if (!partial) {
        const std::string quoted = Quoted(value);
        return caseless ? " = LCASE(" + quoted + ")" : " = " + quoted;
    }
    const std::string literal = kQuote + PatternEscaped(QuoteEscaped(value)) + "*" + kQuote;
    return caseless ? " LIKE LCASE(" + literal + ")" : " LIKE " + literal;
}

// A zero byte can stand in no criteria text: the engine would read the text only up to it.
void CheckNoZeroByte(const std::string& value, const std::string& field) {
    if (value.find('\0') != std::string::npos)
        DatabaseError(dbconsts::Format(dbconsts::SFieldValueError, {field}));
}

std::string Condition(const std::string& name, bool brackets, const std::string& comparison) {
    return "(" + CriteriaFieldName(name, brackets) + " " + comparison + ")";
}

std::string Joined(const std::vector<std::string>& conditions) {
    std::string text;
    for (const std::string& condition : conditions) {
        if (!text.empty()) text += " AND ";
        text += condition;
    }
    return text;
}

std::string MasterComparison(TField& master, bool guid) {
    const TFieldType type = master.DataType();
    if (master.IsNull()) return "IS NULL";
    if (IsTextType(type)) return " = " + Quoted(master.AsString());
    if (type == TFieldType::ftBoolean) return master.AsBoolean() ? " = True" : " = False";
    if (IsNumberType(type)) return NumberComparison(master.AsString(), master.FieldName(), type);
    if (IsDateType(type)) return DateComparison(master.AsDateTime(), type);
    if (IsBytesType(type)) {
        const Variant value = master.AsVariant();
        if (!guid) return " = " + Quoted(master.AsString());
        if (value.Type() == TVarType::Bytes) {
            const auto text = GuidToText(value.AsBytes());
            if (!text)
                DatabaseError(dbconsts::Format(dbconsts::SFieldValueError, {master.FieldName()}));
            return " = {guid " + *text + "}";
        }
        return GuidComparison(master.AsString(), master.FieldName());
    }
    return {};
}

}  // namespace

bool SameFieldName(std::string_view a, std::string_view b) {
    return AsciiLowerCase(a) == AsciiLowerCase(b);
}

// --- key lists ---------------------------------------------------------------------------

std::vector<std::string> SplitKeyList(std::string_view text) {
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find(';', start), text.size());
        std::string_view piece = text.substr(start, end - start);
        while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
        names.emplace_back(piece);
        if (end == text.size()) break;
        start = end + 1;
    }
    return names;
}

std::vector<std::string> KeyValueTexts(const Variant& values) {
    const auto text = [](const Variant& value) {
        return value.IsNull() ? std::string(kNullKeyText) : value.AsString();
    };
    std::vector<std::string> texts;
    if (values.Type() != TVarType::Array) return {text(values)};
    for (const Variant& item : values.AsArray().Items) texts.push_back(text(item));
    return texts;
}

void CheckKeyCounts(size_t fields, size_t values) {
    if (fields != values)
        DatabaseError(
            "Number of elements in the KeyValues array must be equal to the number of fields.");
}

// --- escapes -------------------------------------------------------------------------------

std::string CriteriaFieldName(std::string_view name, bool brackets) {
    if (!brackets) return std::string(name);
    std::string text = "[";
    for (char c : name) text += c == '.' ? std::string("].[") : std::string(1, c);
    return text + "]";
}

std::string QuoteEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == kQuote) out += kQuote;
    }
    return out;
}

std::string PatternEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    // Outside a list only these stand for something else; "]", "!" and "-" are
    // themselves there.
    for (char c : text) {
        if (std::string_view("#*?[").find(c) != std::string_view::npos)
            out += std::string("[") + c + "]";
        else
            out += c;
    }
    return out;
}

std::string NormalizedNumber(std::string_view text) {
    const TFormatSettings& settings = FormatSettings();
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == settings.DecimalSeparator)
            out += '.';
        else if (c != settings.ThousandSeparator)
            out += c;
    }
    return out;
}

// --- dates ---------------------------------------------------------------------------------

TDateTime CriteriaDateTimeOf(std::string_view text) {
    const TFormatSettings& settings = FormatSettings();
    std::string cleaned(text);
    if (const size_t mark = cleaned.find("\xE3."); mark != std::string::npos)
        cleaned.erase(mark, 2);
    std::string spaced;
    for (char c : cleaned) {
        const bool keep = std::isdigit(static_cast<unsigned char>(c)) || c == '/' ||
                          c == settings.DateSeparator || c == settings.TimeSeparator;
        const char out = keep ? c : ' ';
        if (out == ' ' && (spaced.empty() || spaced.back() == ' ')) continue;
        spaced += out;
    }
    while (!spaced.empty() && spaced.back() == ' ') spaced.pop_back();
    // One blank stays: the last one before the time.
    const size_t time = spaced.find(settings.TimeSeparator);
    const size_t keep = time == std::string::npos ? std::string::npos : spaced.rfind(' ', time);
    std::string compact;
    for (size_t i = 0; i < spaced.size(); ++i)
        if (spaced[i] != ' ' || i == keep) compact += spaced[i];
    const auto value = TryStrToDateTime(compact);
    if (!value) throw EConvertError("'" + std::string(text) + "' ist kein gültiges Datum");
    return *value;
}

std::string CriteriaDateText(TDateTime value) {
    const TDateParts date = DecodeDate(value);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.Month, date.Day, date.Year);
    return text;
}

std::string CriteriaTimeText(TDateTime value) {
    const auto split = SplitDateTime(value);
    const long seconds = split ? split->Millisecond / 1000 : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// --- builders ------------------------------------------------------------------------------

std::string ExactKeyCriteria(const std::vector<TCriteriaField>& fields,
                             const std::vector<std::string>& values, bool brackets) {
    std::vector<std::string> conditions;
    for (size_t i = 0; i < fields.size(); ++i) {
        CheckNoZeroByte(values.at(i), fields[i].Name);
        const std::string comparison = ExactComparison(fields[i], values.at(i));
        if (comparison.empty()) DatabaseError("Unable to build Key SQL!");
        conditions.push_back(Condition(fields[i].Name, brackets, comparison));
    }
    return Joined(conditions);
}

std::string OptionKeyCriteria(const std::vector<TCriteriaField>& fields,
                              const std::vector<std::string>& values, int options, bool brackets) {
    std::vector<std::string> conditions;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& value = values.at(i);
        CheckNoZeroByte(value, fields[i].Name);
        const std::string comparison = value != kNullKeyText && IsTextType(fields[i].Type)
                                           ? TextWithOptions(value, options)
                                           : ExactComparison(fields[i], value);
        if (comparison.empty()) DatabaseError("Unable to build Lookup Key SQL!");
        conditions.push_back(Condition(fields[i].Name, brackets, comparison));
    }
    return Joined(conditions);
}

std::string MasterDetailCriteria(const std::vector<std::string>& detailNames,
                                 const std::vector<TField*>& masterFields,
                                 const std::vector<bool>& masterGuid, bool brackets) {
    if (detailNames.size() != masterFields.size())
        DatabaseError("The number of Master and Detail fields must be equal!");
    std::vector<std::string> conditions;
    for (size_t i = 0; i < detailNames.size(); ++i) {
        const bool guid = i < masterGuid.size() && masterGuid[i];
        const std::string comparison = MasterComparison(*masterFields[i], guid);
        if (comparison.empty()) DatabaseError("Unable to build Master/Detail SQL Relationship!");
        conditions.push_back(Condition(detailNames[i], brackets, comparison));
    }
    return Joined(conditions);
}

// --- index choice --------------------------------------------------------------------------

std::string IndexForKey(std::string_view keyFields, const TIndexDefs& indexes) {
    const bool exact = !keyFields.empty() && keyFields.front() == '!';
    if (exact) keyFields.remove_prefix(1);
    const std::vector<std::string> keys = SplitKeyList(keyFields);
    const auto isKey = [&](const std::string& name) {
        return std::any_of(keys.begin(), keys.end(),
                           [&](const std::string& key) { return SameFieldName(key, name); });
    };
    for (int i = 0; i < indexes.Count(); ++i) {
        const TIndexDef& index = indexes.Items(i);
        const std::vector<std::string> fields = SplitFieldNames(index.Fields);
        if (exact ? fields.size() != keys.size() : fields.size() < keys.size()) continue;
        if (fields.empty() || (!exact && !isKey(fields.front()))) continue;
        const bool holdsAll = std::all_of(keys.begin(), keys.end(), [&](const std::string& key) {
            return std::any_of(fields.begin(), fields.end(),
                               [&](const std::string& field) { return SameFieldName(key, field); });
        });
        if (holdsAll) return index.Name;
    }
    return {};
}

namespace {

using TWide = __int128;

std::string WideText(TWide value) {
    return std::to_string(static_cast<std::int64_t>(value));  // within the field's range
}

}  // namespace

// Beginning with "3" are 3, 30 to 39, 300 to 399 and so on up to the field's
// largest value; with "-3" the same below zero. A shown integer has no leading zero
// and no separators.
std::string ShownIntegerCriteria(std::string_view name, std::string_view prefix, std::int64_t low,
                                 std::int64_t high, bool brackets) {
    const bool negative = prefix.starts_with('-');
    const std::string_view digits = prefix.substr(negative ? 1 : 0);
    const std::string field = CriteriaFieldName(name, brackets);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) return {};
    if (digits.empty()) return negative && low < 0 ? field + " < 0" : std::string();
    if (digits[0] == '0')
        return !negative && digits.size() == 1 && low <= 0 && high >= 0 ? field + " = 0"
                                                                        : std::string();
    if (digits.size() > 19) return {};
    TWide start = 0;
    for (char c : digits) start = start * 10 + (c - '0');
    std::string criteria;
    constexpr TWide kLargestScale = static_cast<TWide>(10'000'000'000'000'000'000ULL);
    for (TWide scale = 1; scale <= kLargestScale; scale *= 10) {
        TWide from = start * scale, to = (start + 1) * scale - 1;
        if (negative) std::tie(from, to) = std::pair<TWide, TWide>(-to, -from);
        if (negative ? to < low : from > high) break;
        from = std::max<TWide>(from, low);
        to = std::min<TWide>(to, high);
        if (from > to) continue;
        if (!criteria.empty()) criteria += " OR ";
        criteria += from == to ? field + " = " + WideText(from)
                               : field + " BETWEEN " + WideText(from) + " AND " + WideText(to);
    }
    return criteria;
}

}  // namespace zalvert
