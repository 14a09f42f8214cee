#include "views/ColumnSort.h"

#include <QApplication>

#include "dao/ZedaDaoTable.h"
#include "rtl/Interaction.h"
#include "widgets/DBGrid.h"

namespace zalvert {

void SortByColumnTitle(TDBGrid& grid, TZedaDaoTable& table, int column, const std::string& keyField,
                       IUserInteraction& ui) {
    const auto& columns = grid.Columns();
    if (column < 0 || column >= static_cast<int>(columns.size())) return;
    const bool descending = grid.SortColumn() == column && !grid.SortDescending();
    const std::string& field = columns[static_cast<size_t>(column)].FieldName;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunGuarded(ui, [&] {
        const Variant current = table.Active() && !table.IsEmpty()
                                    ? table.FieldByName(keyField).Value()
                                    : Variant::Null();
        table.SetSortedBy("[" + field + "]" + (descending ? " DESC" : ""));
        grid.SetSortMarker(column, descending);
        if (!current.IsNull()) table.Locate(keyField, current, 0);
    });
    QApplication::restoreOverrideCursor();
}

}  // namespace zalvert
