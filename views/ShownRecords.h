#pragma once
// The records a table shows, read for an export or a printed list: in the table's
// order and through its filter, on a clone of its recordset, so that the window
// over the table keeps its record and does not repaint.

#include <functional>
#include <string>
#include <vector>

#include "rtl/Variant.h"

namespace zalvert {

class TZedaDaoTable;

// How a column's values are written: as text, as numbers, as amounts of money,
// as dates or as yes/no.
enum class TCellKind { Text, Integer, Number, Currency, DateTime, YesNo };

struct TShownColumn {
    std::string Field;
    std::string Title;
    TCellKind Kind = TCellKind::Text;
};

// The columns of `shown` (field names and titles, in the window's order), then
// the table's other fields (the remark) under their own names.
std::vector<TShownColumn> ShownColumns(
    TZedaDaoTable& table, const std::vector<std::pair<std::string, std::string>>& shown);

// Hands each record's values, column by column, to `row`. `progress(done, total)`
// is asked every few hundred records; when it answers false the reading stops and
// false is returned. Raises the engine's errors.
bool ReadShownRecords(TZedaDaoTable& table, const std::vector<TShownColumn>& columns,
                      const std::function<void(const std::vector<Variant>&)>& row,
                      const std::function<bool(long done, long total)>& progress);

// The text of a value as the grid shows it ("1.234,50 €", "31.03.2024", "Wahr").
std::string ShownText(const Variant& value, TCellKind kind);

}  // namespace zalvert
