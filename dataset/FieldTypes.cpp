#include "dataset/FieldTypes.h"

#include <cmath>

#include "rtl/Exceptions.h"
#include "rtl/LastConversion.h"
#include "rtl/Variant.h"

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
    thread_local TLastConversions<TDateTime, TDateTimeRec> last;
    return last.Get(value, [](TDateTime v) -> TDateTimeRec {
        const auto split = SplitDateTime(v);
        if (!split) throw EConvertError(FloatToStr(v) + " ist kein gültiger Datums- und Zeitwert");
        return {static_cast<std::int32_t>(split->Day + kDateDelta),
                static_cast<std::int32_t>(split->Millisecond)};
    });
}

TDateTime RecToDateTime(const TDateTimeRec& rec) {
    const double days = static_cast<double>(rec.Date - kDateDelta);
    const double time = rec.Time / 86400000.0;
    return days < 0 ? days - time : days + time;
}

}  // namespace zalvert
