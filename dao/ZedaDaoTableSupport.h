#pragma once
// Small pieces the table component's files share: its failures, the engine
// errors it steps over, the field attribute bits and the date text of a value.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/DatabaseError.h"
#include "dataset/FieldTypes.h"
#include "rtl/LastConversion.h"
#include "rtl/Variant.h"

namespace zalvert::daotable {

constexpr long kAttrDescending = 1;
constexpr long kAttrAutoIncrement = 16;
constexpr long kAttrUpdatable = 32;
constexpr long kAttrSystem = 8192;
constexpr int kGuidMark = 47554944;  // precision that marks a GUID field definition

// Recordset types whose engine position is the record's position.
inline bool PositionFromEngine(int tableType) {
    return tableType == 2 || tableType == 4 || tableType == 16;  // dynaset, snapshot, dynamic
}

[[noreturn]] inline void Fail(const std::string& message) {
    throw EDatabaseError(message);
}

// Runs `call`; a failure of it is stepped over.
template <class Call>
void IgnoringErrors(Call&& call) {
    try {
        call();
    } catch (const std::exception&) {
    }
}

// Runs `call`; a failure of the engine is stepped over, the table's own pass on.
template <class Call>
void IgnoringEngineErrors(Call&& call) {
    try {
        call();
    } catch (const EDatabaseError&) {
        throw;
    } catch (const std::exception&) {
    }
}

// One leading and one trailing "'" removed, each when present: the text of a
// field's default expression.
inline std::string WithoutSingleQuotes(std::string text) {
    if (!text.empty() && text.front() == '\'') text.erase(0, 1);
    if (!text.empty() && text.back() == '\'') text.pop_back();
    return text;
}

// The value text of a date-time: day number, one blank, milliseconds.
inline std::string DateTimeText(std::int64_t day, std::int64_t milliseconds) {
    char text[48];
    char* end = std::to_chars(text, text + 20, day).ptr;
    *end++ = ' ';
    end = std::to_chars(end, text + sizeof text, milliseconds).ptr;
    return std::string(text, end);
}

// Day number and milliseconds of a value text ("738976 43200000"); none without
// a blank or when a part is no integer.
inline std::optional<TDateTimeRec> DateTimeOfText(std::string_view text) {
    thread_local TLastConversions<std::string, std::optional<TDateTimeRec>> last;
    return last.Get(text, [](std::string_view t) -> std::optional<TDateTimeRec> {
        const auto blank = t.find(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        const auto date = TryStrToInt64(t.substr(0, blank));
        const auto time = TryStrToInt64(t.substr(blank + 1));
        if (!date || !time) return std::nullopt;
        return TDateTimeRec{static_cast<std::int32_t>(*date), static_cast<std::int32_t>(*time)};
    });
}

}  // namespace zalvert::daotable
