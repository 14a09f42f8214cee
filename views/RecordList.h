#pragma once
// The shown billing records as a printed list: landscape A4, a title with the
// filter in words and the day printed, the column titles on every page, German
// numbers and dates, "Seite 3 von 12" under each page, and the count and the sum
// of Netto at the end. Painted on a printer or a PDF writer alike.

#include <QString>
#include <functional>

class QPagedPaintDevice;

namespace zalvert {

struct TShownRecords;

// Lays the device out (A4 landscape) and paints the list on it; false when
// `progress(done, total)` answered false. Raises the engine's errors.
bool PaintRecordList(const TShownRecords& shown, QPagedPaintDevice& device,
                     const std::function<bool(long done, long total)>& progress);

// The pages a list of `records` records takes.
int RecordListPages(long records);

}  // namespace zalvert
