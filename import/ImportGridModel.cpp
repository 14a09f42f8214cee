#include "import/ImportGridModel.h"

namespace zalvert {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Cut at a character boundary of the UTF-8 text.
QString Shown(std::string_view text) {
    if (text.size() <= TImportGridModel::kMaxShownBytes) return ToQString(text);
    size_t end = TImportGridModel::kMaxShownBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return ToQString(text.substr(0, end)) + QStringLiteral("…");
}

}  // namespace

TImportGridModel::TImportGridModel(const TImportGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {}

int TImportGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int TImportGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant TImportGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    return Shown(grid_.Cells(index.column(), index.row() + 1));
}

QVariant TImportGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return ToQString(grid_.Cells(section, 0));
}

Qt::ItemFlags TImportGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TImportGridModel::Reload() {
    beginResetModel();
    endResetModel();
}

void TImportGridModel::ColumnChanged(int column) {
    const int rows = rowCount();
    if (rows > 0) emit dataChanged(index(0, column), index(rows - 1, column), {Qt::DisplayRole});
}

}  // namespace zalvert
