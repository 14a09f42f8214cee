#pragma once
// A data grid bound to a data source: one row per record of the dataset's buffer
// window, an indicator column marking the current record, cells edited in place.
// It asks the dataset for as many buffered records as it shows rows, so a table of
// millions of records costs memory for the visible rows only.

#include <QAbstractScrollArea>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataset/DataSource.h"

class QLineEdit;

namespace zalvert {

class TDBGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kIndicatorWidth = 11;
    static constexpr int kMinColWidth = 8;

    struct TColumn {
        std::string FieldName;
        std::string Title;
        int Width = kDefaultColWidth;
    };

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    // The title is the field name unless one is given.
    void AddColumn(const std::string& fieldName, int width = kDefaultColWidth,
                   const std::string& title = {});
    const std::vector<TColumn>& Columns() const { return columns_; }
    int DefaultRowHeight() const { return rowHeight_; }

    // What the grid shows, for tests and for the painting.
    int VisibleRows() const;
    int SelectedColumn() const { return column_; }
    void SetSelectedColumn(int column);
    // Display text of a cell of the buffered rows (row 0 is the first shown).
    std::string CellText(int row, int column) const;
    int ShownRows() const;
    int ActiveRow() const;
    bool Editing() const;
    QLineEdit* Editor() const { return editor_; }
    // The arrow in a column's title: the records are sorted by it; -1 for none.
    void SetSortMarker(int column, bool descending);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return sortDescending_; }

    // A row of filter fields under the titles, one a column.
    void SetFilterRow(bool shown);
    std::vector<std::string> FilterTexts() const;
    void ClearFilters();
    const std::vector<QLineEdit*>& Filters() const { return filters_; }

  signals:
    // A click on a column's title, away from its edges.
    void TitleClicked(int column);
    // A filter field's text changed, and the typing paused.
    void FilterChanged();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class TLink;
    TDataSet* DataSet() const;
    TField* ColumnField(int column) const;
    bool HandleKey(QKeyEvent* event);
    void MoveRows(int distance);
    // Tab: the next column, past the last the next record's first; back with Shift.
    void TabToColumn(bool forward);
    void CopyCell();
    void CopySelection();
    void Copy();
    bool FollowSelection(const class QKeyEvent& event);
    void EndSelection();
    std::pair<int, int> SelectedRecords() const;
    std::pair<int, int> SelectedColumns() const;
    // The column whose right edge in the title row is at `pos`, or -1.
    int EdgeAt(QPoint pos) const;
    std::pair<int, int> CellAt(QPoint pos) const;
    void ClickCell(int row, int column, bool extend);
    int HeaderRows() const { return filters_.empty() ? 1 : 2; }
    void PlaceFilters();
    void FocusFilter(int column);
    bool FilterKey(int column, const QKeyEvent& key);
    void LeaveFilter();
    void SetColumnWidth(int column, int width);
    // As wide as its title and the values shown.
    void FitColumn(int column);
    void MoveDown();
    void DeleteRecord();
    void CancelEdit();
    void ShowEditor(const QString* typed);
    void HideEditor();
    void WriteEditor();
    void PlaceEditor();
    void EditorChanged();
    void ScrollBarAction(int action);
    void UpdateRowCount();
    void UpdateScrollBars();
    void DataChanged();
    QRect CellRect(int row, int column) const;
    int ColumnLeft(int column) const;
    void PaintTitles(class QPainter& painter) const;
    void PaintSortArrow(class QPainter& painter, QRect area) const;
    void PaintRow(class QPainter& painter, int row, bool active) const;
    void PaintIndicator(class QPainter& painter, int row, bool active) const;
    template <class Work>
    void Guarded(Work&& work);

    std::unique_ptr<TLink> link_;
    std::vector<TColumn> columns_;
    int rowHeight_ = 18;
    int column_ = 0;
    QLineEdit* editor_ = nullptr;
    bool editorModified_ = false;
    bool updatingEditor_ = false;
    std::vector<QLineEdit*> filters_;
    QTimer filterPause_;
    int anchorRecNo_ = 0;  // where a selection began; 0: none
    int anchorColumn_ = 0;
    bool wholeRows_ = true;  // a selection of whole records, else of cells
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    int resizing_ = -1;      // the column whose edge the mouse drags
    int resizeFrom_ = 0;     // where the drag began, less the column's width then
    bool dragging_ = false;  // the mouse button went down on a cell or record
};

}  // namespace zalvert
