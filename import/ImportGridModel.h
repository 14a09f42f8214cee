#pragma once
// Shows the import grid's cell store in a Qt table view: row 0 of the store is the
// header, rows 1 and on are the view's rows. No item objects per cell.

#include <QAbstractTableModel>

#include "import/ImportGrid.h"

namespace zalvert {

class TImportGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TImportGridModel(const TImportGrid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The store changed behind the model's back: show it anew.
    void Reload();
    // A run wrote into one column of the rows shown.
    void ColumnChanged(int column);

    // A cell shows at most this many bytes of its text, then "…": painting a
    // line of megabytes would freeze the window. The store keeps the whole text.
    static constexpr size_t kMaxShownBytes = 4096;

  private:
    const TImportGrid& grid_;
};

}  // namespace zalvert
