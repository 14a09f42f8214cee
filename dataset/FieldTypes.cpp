#include "dataset/FieldTypes.h"

#include <cmath>

namespace zalvert {

const char* FieldTypeName(TFieldType type) {
    static const char* const kNames[] = {"Unknown", "String",   "Smallint", "Integer",  "Word",
                                         "Boolean", "Float",    "Currency", "BCD",      "Date",
                                         "Time",    "DateTime", "Bytes",    "VarBytes", "AutoInc",
                                         "Blob",    "Memo",     "Graphic",  "Largeint", "Guid"};
    return kNames[static_cast<int>(type)];
}

bool IsBlobType(TFieldType type) {
    return type == TFieldType::ftBlob || type == TFieldType::ftMemo ||
           type == TFieldType::ftGraphic;
}

TDateTimeRec DateTimeToRec(TDateTime value) {
    const auto total = static_cast<long long>(std::llround(value * 86400000.0));
    long long days = total / 86400000;
    long long ms = total % 86400000;
    if (ms < 0) ms = -ms;  // the time of day of a negative date counts forwards
    return {static_cast<std::int32_t>(days + kDateDelta), static_cast<std::int32_t>(ms)};
}

TDateTime RecToDateTime(const TDateTimeRec& rec) {
    const double days = static_cast<double>(rec.Date - kDateDelta);
    const double time = rec.Time / 86400000.0;
    return days < 0 ? days - time : days + time;
}

}  // namespace zalvert
