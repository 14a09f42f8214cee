#pragma once
// Field data types and the native data that fields and their dataset exchange.

#include <cstdint>
#include <string>
#include <variant>

#include "rtl/DateTime.h"
#include "rtl/Variant.h"

namespace zalvert {

enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftLargeint,
    ftGuid
};

const char* FieldTypeName(TFieldType type);
bool IsBlobType(TFieldType type);

enum class TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// A date-time as the dataset keeps it: Date is the day number counted from
// 1 January of year 1 (that day is 1), Time the milliseconds since midnight.
struct TDateTimeRec {
    std::int32_t Date = 0;
    std::int32_t Time = 0;
    bool operator==(const TDateTimeRec&) const = default;
};

// Days between 1 January of year 1 (day 1) and the TDateTime day 0, 30 December 1899.
constexpr std::int32_t kDateDelta = 693594;

TDateTimeRec DateTimeToRec(TDateTime value);
TDateTime RecToDateTime(const TDateTimeRec& rec);

// The native value of a field: text for strings and memos, 32- or 64-bit
// integers, a boolean, a double for floats, currency and BCD, a date-time
// record for dates and times, bytes for binary fields.
using TFieldData = std::variant<std::monostate, std::string, std::int32_t, std::int64_t, bool,
                                double, TDateTimeRec, TBytes>;

}  // namespace zalvert
