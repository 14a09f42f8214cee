#pragma once
// Records as an Excel workbook with real cell types: dates as dates in a German
// date format, amounts as numbers in a currency format, yes/no as truth values,
// texts as texts; the titles bold in a frozen first row, the columns as wide as
// their contents. Written row by row, its memory independent of the count.

#include <functional>
#include <string>
#include <vector>

#include "views/ShownRecords.h"

namespace zalvert {

class TZedaDaoTable;

// The most records one sheet takes below its title row.
constexpr long kXlsxMaxRecords = 1048575;

// Writes the records the table shows to `path`, aside until complete: a cancel
// (progress answering false, then false returned) or a failure leaves no file
// under that name. Raises EInOutError naming the file, or Exception for more
// records than a sheet takes or a text longer than a cell takes.
bool ExportXlsx(const std::string& path, TZedaDaoTable& table,
                const std::vector<TShownColumn>& columns,
                const std::function<bool(long done, long total)>& progress);

}  // namespace zalvert
