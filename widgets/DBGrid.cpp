#include "widgets/DBGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "rtl/Interaction.h"
#include "widgets/ScrollThumbStyle.h"

namespace zalvert {

class TDBGrid::TLink : public TDataLink {
  public:
    explicit TLink(TDBGrid& grid) : grid_(grid) {}

  protected:
    void ActiveChanged() override { grid_.DataChanged(); }
    void DataSetChanged() override { grid_.DataChanged(); }
    void DataSetScrolled(int) override { grid_.DataChanged(); }
    void EditingChanged() override { grid_.DataChanged(); }
    void RecordChanged(TField*) override { grid_.viewport()->update(); }
    void LayoutChanged() override { grid_.DataChanged(); }
    // The row is about to be stored or left: the cell being edited goes in first.
    void UpdateData() override { grid_.WriteEditor(); }

  private:
    TDBGrid& grid_;
};

namespace {

// Reads the fields of one buffered record, then makes the active record active again.
class TRowReader {
  public:
    TRowReader(TDataSet& data, int buffer) : data_(data), old_(data.SetTempActiveRecord(buffer)) {}
    ~TRowReader() { data_.SetTempActiveRecord(old_); }

  private:
    TDataSet& data_;
    int old_;
};

// A value that cannot be shown is marked instead of stopping the painting.
std::string DisplayTextOf(const TField& field) {
    try {
        return field.DisplayText();
    } catch (const std::exception&) {
        return "#Fehler";
    }
}

}  // namespace

TDBGrid::TDBGrid(QWidget* parent)
    : QAbstractScrollArea(parent), link_(std::make_unique<TLink>(*this)) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    rowHeight_ = std::max(18, fontMetrics().height() + 4);
    editor_ = new QLineEdit(viewport());
    editor_->setObjectName("InplaceEditor");
    editor_->setFrame(false);
    editor_->hide();
    editor_->installEventFilter(this);
    viewport()->setMouseTracking(true);  // the cursor shows the columns' edges
    // A filter applies once the typing pauses, as the search line's search does.
    filterPause_.setSingleShot(true);
    filterPause_.setInterval(400);
    connect(&filterPause_, &QTimer::timeout, this, [this] { emit FilterChanged(); });
    auto* thumbs = new TScrollThumbStyle;
    thumbs->setParent(this);
    verticalScrollBar()->setStyle(thumbs);
    horizontalScrollBar()->setStyle(thumbs);
    connect(editor_, &QLineEdit::textEdited, this, [this] { EditorChanged(); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { ScrollBarAction(action); });
}

TDBGrid::~TDBGrid() {
    link_->SetDataSource(nullptr);
}

TDataSource* TDBGrid::DataSource() const {
    return link_->DataSource();
}

void TDBGrid::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    UpdateRowCount();
    DataChanged();
}

void TDBGrid::AddColumn(const std::string& fieldName, int width, const std::string& title) {
    columns_.push_back({fieldName, title.empty() ? fieldName : title, width});
    UpdateScrollBars();
    viewport()->update();
}

TDataSet* TDBGrid::DataSet() const {
    return link_->Active() ? link_->DataSet() : nullptr;
}

TField* TDBGrid::ColumnField(int column) const {
    TDataSet* data = DataSet();
    if (!data || column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
    return data->FindField(columns_[static_cast<size_t>(column)].FieldName);
}

template <class Work>
void TDBGrid::Guarded(Work&& work) {
    RunGuarded(ApplicationInteraction(), std::forward<Work>(work));
    viewport()->update();
}

// --- what is shown ---------------------------------------------------------------------

int TDBGrid::VisibleRows() const {
    return std::max(1, viewport()->height() / rowHeight_ - HeaderRows());
}

int TDBGrid::ShownRows() const {
    return link_->RecordCount();
}

int TDBGrid::ActiveRow() const {
    return link_->ActiveRecord();
}

bool TDBGrid::Editing() const {
    return editor_->isVisible();
}

std::string TDBGrid::CellText(int row, int column) const {
    TDataSet* data = DataSet();
    TField* field = ColumnField(column);
    if (!data || !field || row < 0 || row >= ShownRows()) return {};
    TRowReader reader(*data, link_->FirstRecord() + row);
    return DisplayTextOf(*field);
}

void TDBGrid::SetSelectedColumn(int column) {
    column = std::clamp(column, 0, std::max(0, static_cast<int>(columns_.size()) - 1));
    if (column == column_) return;
    WriteEditor();
    HideEditor();
    column_ = column;
    // Keep the selected cell in sight.
    QScrollBar* bar = horizontalScrollBar();
    const int left = ColumnLeft(column) - kIndicatorWidth + bar->value();
    const int width = columns_.empty() ? 0 : columns_[static_cast<size_t>(column)].Width;
    const int room = viewport()->width() - kIndicatorWidth;
    if (left < bar->value()) bar->setValue(left);
    if (left + width > bar->value() + room) bar->setValue(left + width - room);
    viewport()->update();
}

int TDBGrid::ColumnLeft(int column) const {
    int x = kIndicatorWidth - horizontalScrollBar()->value();
    for (int c = 0; c < column && c < static_cast<int>(columns_.size()); ++c)
        x += columns_[static_cast<size_t>(c)].Width;
    return x;
}

QRect TDBGrid::CellRect(int row, int column) const {
    const int width = columns_[static_cast<size_t>(column)].Width;
    return QRect(ColumnLeft(column), (row + HeaderRows()) * rowHeight_, width, rowHeight_);
}

// --- painting --------------------------------------------------------------------------

void TDBGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PaintTitles(painter);
    TDataSet* data = DataSet();
    if (!data) return;
    const int active = ActiveRow();
    const auto [first, last] = SelectedRecords();
    const auto [left, right] = SelectedColumns();
    const int activeNumber = first <= last ? data->RecNo() : 0;
    for (int row = 0; row < ShownRows(); ++row) {
        const int number = activeNumber + (row - active);
        if (first <= number && number <= last && left <= right) {
            QRect band = CellRect(row, left).united(CellRect(row, right));
            if (wholeRows_) band.setRight(viewport()->width());
            band.setLeft(std::max(band.left(), kIndicatorWidth));
            painter.fillRect(band, palette().color(QPalette::Highlight).lighter(170));
        }
        TRowReader reader(*data, link_->FirstRecord() + row);
        PaintRow(painter, row, row == active);
        PaintIndicator(painter, row, row == active);
    }
}

void TDBGrid::PaintTitles(QPainter& painter) const {
    const QPalette& colors = palette();
    painter.fillRect(QRect(0, 0, viewport()->width(), rowHeight_), colors.button());
    painter.setPen(colors.color(QPalette::Mid));
    painter.drawLine(0, rowHeight_ - 1, viewport()->width(), rowHeight_ - 1);
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        const QRect cell(ColumnLeft(c), 0, columns_[static_cast<size_t>(c)].Width, rowHeight_);
        painter.setPen(colors.color(QPalette::Mid));
        painter.drawLine(cell.right(), 0, cell.right(), rowHeight_);
        painter.setPen(colors.color(QPalette::ButtonText));
        int arrow = 0;
        if (c == sortColumn_) {
            arrow = 10;
            PaintSortArrow(painter, QRect(cell.right() - arrow - 1, 0, arrow, rowHeight_));
        }
        painter.drawText(cell.adjusted(2, 0, -2 - arrow, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::fromStdString(columns_[static_cast<size_t>(c)].Title));
    }
    if (HeaderRows() == 2) {
        painter.fillRect(QRect(0, rowHeight_, viewport()->width(), rowHeight_), colors.base());
        painter.setPen(colors.color(QPalette::Mid));
        painter.drawLine(0, 2 * rowHeight_ - 1, viewport()->width(), 2 * rowHeight_ - 1);
    }
    painter.fillRect(QRect(0, 0, kIndicatorWidth, viewport()->height()), colors.button());
}

// Up for ascending, down for descending, as file managers and spreadsheets show it.
void TDBGrid::PaintSortArrow(QPainter& painter, QRect area) const {
    const QPoint c = area.center();
    const int h = sortDescending_ ? 3 : -3;
    const QPoint arrow[] = {{c.x() - 4, c.y() - h}, {c.x() + 4, c.y() - h}, {c.x(), c.y() + h}};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::ButtonText));
    painter.drawPolygon(arrow, 3);
    painter.restore();
}

void TDBGrid::PaintRow(QPainter& painter, int row, bool active) const {
    const QPalette& colors = palette();
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
        const QRect cell = CellRect(row, c);
        if (cell.right() < kIndicatorWidth || cell.left() > viewport()->width()) continue;
        const bool selected = active && c == column_;
        if (selected) painter.fillRect(cell, colors.highlight());
        painter.setPen(colors.color(QPalette::Midlight));
        painter.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
        painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
        TField* field = ColumnField(c);
        if (!field) continue;
        const bool numeric = dynamic_cast<TNumericField*>(field) != nullptr;
        painter.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(cell.adjusted(2, 0, -3, 0),
                         Qt::AlignVCenter | (numeric ? Qt::AlignRight : Qt::AlignLeft),
                         QString::fromStdString(DisplayTextOf(*field)));
    }
}

// The current record is marked: a triangle while browsing, a pencil mark while
// edited, a star for a new record.
void TDBGrid::PaintIndicator(QPainter& painter, int row, bool active) const {
    TDataSet* data = DataSet();
    const QRect cell(0, (row + HeaderRows()) * rowHeight_, kIndicatorWidth, rowHeight_);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(cell.left(), cell.bottom(), cell.right(), cell.bottom());
    if (!active || !data) return;
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.setBrush(palette().color(QPalette::ButtonText));
    const QPoint c = cell.center();
    switch (data->State()) {
        case TDataSetState::dsEdit:
            painter.drawText(cell, Qt::AlignCenter, "I");
            break;
        case TDataSetState::dsInsert:
            painter.drawText(cell, Qt::AlignCenter, "*");
            break;
        default: {
            const QPoint triangle[] = {
                {c.x() - 2, c.y() - 4}, {c.x() + 2, c.y()}, {c.x() - 2, c.y() + 4}};
            painter.drawPolygon(triangle, 3);
        }
    }
}

// --- following the dataset -------------------------------------------------------------

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Guarded([this] { UpdateRowCount(); });
    UpdateScrollBars();
    PlaceFilters();
    PlaceEditor();
}

void TDBGrid::UpdateRowCount() {
    if (link_->BufferCount() != VisibleRows()) link_->SetBufferCount(VisibleRows());
}

void TDBGrid::DataChanged() {
    TDataSet* data = DataSet();
    const bool editing = data && (data->State() == TDataSetState::dsEdit ||
                                  data->State() == TDataSetState::dsInsert);
    if (!editing) HideEditor();
    UpdateScrollBars();
    PlaceEditor();
    viewport()->update();
}

// The vertical bar stands for the record number against the record count.
void TDBGrid::UpdateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    const QSignalBlocker block(vertical);
    TDataSet* data = DataSet();
    int count = 0, number = 0;
    try {
        count = data ? data->RecordCount() : 0;
        number = count > 0 ? data->RecNo() : 0;
    } catch (const std::exception&) {
        // The bar only shows the position; a dataset that cannot tell leaves it at the top.
        count = 0;
    }
    if (count > 0) {
        vertical->setRange(0, count - 1);
        vertical->setPageStep(VisibleRows());
        vertical->setValue(number > 0 ? number - 1 : (data->Eof() ? count - 1 : 0));
    } else {
        vertical->setRange(0, 0);
    }
    int total = kIndicatorWidth;
    for (const TColumn& column : columns_) total += column.Width;
    horizontalScrollBar()->setRange(0, std::max(0, total - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TDBGrid::scrollContentsBy(int, int) {
    // The vertical bar moves the dataset (ScrollBarAction); only columns scroll.
    PlaceFilters();
    PlaceEditor();
    viewport()->update();
}

void TDBGrid::ScrollBarAction(int action) {
    TDataSet* data = DataSet();
    if (!data) return;
    QScrollBar* bar = verticalScrollBar();
    Guarded([&] {
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                return MoveRows(1);
            case QAbstractSlider::SliderSingleStepSub:
                return MoveRows(-1);
            case QAbstractSlider::SliderPageStepAdd:
                return MoveRows(VisibleRows());
            case QAbstractSlider::SliderPageStepSub:
                return MoveRows(-VisibleRows());
            case QAbstractSlider::SliderToMinimum:
                return data->First();
            case QAbstractSlider::SliderToMaximum:
                return data->Last();
            case QAbstractSlider::SliderMove:
                return data->SetRecNo(bar->sliderPosition() + 1);
            default:
                return;
        }
    });
    // The bar shows where the dataset is, not where the mouse left it.
    const int position = bar->sliderPosition();
    UpdateScrollBars();
    if (action == QAbstractSlider::SliderMove) bar->setSliderPosition(position);
}

// --- keys and mouse --------------------------------------------------------------------

// Tab moves between the cells, as in every data grid, before the toolkit takes it
// for the focus chain; Ctrl+Tab leaves the grid.
bool TDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (key->modifiers() & Qt::ControlModifier)
                focusNextPrevChild(!(key->modifiers() & Qt::ShiftModifier) &&
                                   key->key() == Qt::Key_Tab);
            else
                keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    Guarded([&] { handled = HandleKey(event); });
    if (!handled) QAbstractScrollArea::keyPressEvent(event);
}

bool TDBGrid::HandleKey(QKeyEvent* event) {
    TDataSet* data = DataSet();
    if (!data) return false;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (FollowSelection(*event)) {
        switch (event->key()) {
            case Qt::Key_Left:
                return SetSelectedColumn(column_ - 1), true;
            case Qt::Key_Right:
                return SetSelectedColumn(column_ + 1), true;
            case Qt::Key_Up:
                return MoveRows(-1), true;
            case Qt::Key_Down:
                return MoveRows(1), true;
            case Qt::Key_PageUp:
                return MoveRows(-VisibleRows()), true;
            default:
                return MoveRows(VisibleRows()), true;
        }
    }
    switch (event->key()) {
        case Qt::Key_Up:
            MoveRows(-1);
            return true;
        case Qt::Key_Down:
            MoveDown();
            return true;
        case Qt::Key_PageUp:
            MoveRows(-VisibleRows());
            return true;
        case Qt::Key_PageDown:
            MoveRows(VisibleRows());
            return true;
        case Qt::Key_Home:
            if (!ctrl) break;
            data->First();
            return true;
        case Qt::Key_End:
            if (!ctrl) break;
            data->Last();
            return true;
        case Qt::Key_Left:
            SetSelectedColumn(column_ - 1);
            return true;
        case Qt::Key_Right:
            SetSelectedColumn(column_ + 1);
            return true;
        case Qt::Key_Tab:
            TabToColumn(!(event->modifiers() & Qt::ShiftModifier));
            return true;
        case Qt::Key_Backtab:
            TabToColumn(false);
            return true;
        case Qt::Key_Escape:
            EndSelection();
            CancelEdit();
            return true;
        case Qt::Key_Delete:
            if (!ctrl) break;
            DeleteRecord();
            return true;
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ShowEditor(nullptr);
            return true;
        case Qt::Key_C:
            if (!ctrl) break;
            Copy();
            return true;
        case Qt::Key_F:
            if (!ctrl || !(event->modifiers() & Qt::ShiftModifier)) break;
            FocusFilter(column_);
            return true;
        default:
            break;
    }
    const QString typed = event->text();
    if (!ctrl && !typed.isEmpty() && typed.at(0).isPrint()) {
        ShowEditor(&typed);
        return true;
    }
    return false;
}

// Keys that leave the cell reach the grid from the editor too.
bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QAbstractScrollArea::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (const auto filter = std::find(filters_.begin(), filters_.end(), watched);
        filter != filters_.end())
        return FilterKey(static_cast<int>(filter - filters_.begin()), *key);
    if (watched != editor_) return QAbstractScrollArea::eventFilter(watched, event);
    switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            keyPressEvent(key);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Guarded([&] {
                WriteEditor();
                HideEditor();
            });
            return true;
        case Qt::Key_Delete:
            if (!(key->modifiers() & Qt::ControlModifier)) return false;
            keyPressEvent(key);
            return true;
        default:
            return false;
    }
}

// Whether a key moves the selection. Shift with Up, Down, Page Up or Page Down
// starts or extends a selection of whole records; Shift with Left or Right one of
// cells, as in the spreadsheets. Any other move ends it.
bool TDBGrid::FollowSelection(const QKeyEvent& event) {
    const int key = event.key();
    const bool across = key == Qt::Key_Left || key == Qt::Key_Right;
    const bool move = across || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                      key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
    if (!move) return false;
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    if (!shift || ctrl || key == Qt::Key_Home || key == Qt::Key_End) {
        EndSelection();
        return false;
    }
    if (anchorRecNo_ == 0) {
        anchorRecNo_ = std::max(1, DataSet()->RecNo());
        anchorColumn_ = column_;
        wholeRows_ = !across;
    } else if (across && wholeRows_) {
        anchorColumn_ = column_;
        wholeRows_ = false;
    }
    viewport()->update();
    return true;
}

void TDBGrid::EndSelection() {
    if (anchorRecNo_ != 0) viewport()->update();
    anchorRecNo_ = 0;
}

// The records from the anchor to the current one, in the grid's order.
std::pair<int, int> TDBGrid::SelectedRecords() const {
    if (anchorRecNo_ == 0 || !DataSet()) return {0, -1};
    const int current = DataSet()->RecNo();
    return {std::min(anchorRecNo_, current), std::max(anchorRecNo_, current)};
}

// The columns of the selection: all of them for whole records.
std::pair<int, int> TDBGrid::SelectedColumns() const {
    if (anchorRecNo_ == 0 || wholeRows_) return {0, static_cast<int>(columns_.size()) - 1};
    return {std::min(anchorColumn_, column_), std::max(anchorColumn_, column_)};
}

// The selected records with the column titles, the selected cells, or else the
// current cell, as the grid shows them: tab-separated lines that a spreadsheet
// pastes as a table.
void TDBGrid::Copy() {
    if (anchorRecNo_ != 0) return CopySelection();
    CopyCell();
}

namespace {

// A field as a spreadsheet reads it back: in quotes where it holds a tab, a line
// break or a quote.
QString TabField(const std::string& text) {
    QString field = QString::fromStdString(text);
    if (field.contains('\t') || field.contains('\n') || field.contains('\r') || field.contains('"'))
        field = '"' + field.replace("\"", "\"\"") + '"';
    return field;
}

}  // namespace

void TDBGrid::CopySelection() {
    TDataSet* data = DataSet();
    const auto [first, last] = SelectedRecords();
    const auto [left, right] = SelectedColumns();
    QStringList lines;
    if (wholeRows_) {
        QStringList titles;
        for (const TColumn& column : columns_) titles << TabField(column.Title);
        lines << titles.join('\t');
    }
    const TBookmark current = data->GetBookmark();
    data->DisableControls();
    struct TBack {
        TDataSet& Data;
        const TBookmark& Mark;
        ~TBack() {
            try {
                Data.GotoBookmark(Mark);
            } catch (const std::exception&) {
                // the grid shows wherever the dataset stands
            }
            Data.EnableControls();
        }
    } back{*data, current};
    data->SetRecNo(first);
    for (int number = first; number <= last && !data->Eof(); ++number, data->Next()) {
        QStringList cells;
        for (int c = left; c <= right; ++c) {
            TField* field = ColumnField(c);
            cells << TabField(field ? DisplayTextOf(*field) : std::string());
        }
        lines << cells.join('\t');
    }
    QGuiApplication::clipboard()->setText(lines.join('\n') + '\n');
}

// The current cell as shown, for pasting into a spreadsheet or a mail.
void TDBGrid::CopyCell() {
    if (ShownRows() == 0) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(CellText(ActiveRow(), column_)));
}

void TDBGrid::TabToColumn(bool forward) {
    const int last = static_cast<int>(columns_.size()) - 1;
    if (forward && column_ >= last) {
        WriteEditor();
        HideEditor();
        MoveRows(1);
        if (!DataSet()->Eof()) SetSelectedColumn(0);
    } else if (!forward && column_ <= 0) {
        WriteEditor();
        HideEditor();
        MoveRows(-1);
        if (!DataSet()->Bof()) SetSelectedColumn(last);
    } else {
        SetSelectedColumn(column_ + (forward ? 1 : -1));
    }
}

void TDBGrid::MoveRows(int distance) {
    WriteEditor();
    link_->MoveBy(distance);
}

// Down past the last record starts a new one.
void TDBGrid::MoveDown() {
    TDataSet* data = DataSet();
    if (data->State() == TDataSetState::dsInsert && !data->Modified() && !editorModified_) return;
    MoveRows(1);
    if (data->Eof() && data->CanModify()) data->Append();
}

void TDBGrid::DeleteRecord() {
    TDataSet* data = DataSet();
    if (data->IsEmpty() || !ApplicationInteraction().Confirm("Datensatz löschen?")) return;
    HideEditor();
    data->Delete();
}

void TDBGrid::CancelEdit() {
    HideEditor();
    if (TDataSet* data = DataSet()) data->Cancel();
}

// --- the filter row --------------------------------------------------------------------

void TDBGrid::SetFilterRow(bool shown) {
    if (shown == !filters_.empty()) return;
    for (QLineEdit* filter : filters_) delete filter;
    filters_.clear();
    if (shown) {
        for (size_t c = 0; c < columns_.size(); ++c) {
            auto* filter = new QLineEdit(viewport());
            filter->setObjectName(QString::fromStdString("Filter" + columns_[c].FieldName));
            filter->setPlaceholderText("Filter");
            filter->setAccessibleName(QString::fromStdString("Filter " + columns_[c].Title));
            filter->setFrame(false);
            filter->setToolTip(QString::fromStdString(
                "Filter für " + columns_[c].Title +
                ": Anfang des Werts, bei Zahlen und Daten auch >x, <x, >=x, <=x oder a..b "
                "(Strg+Umschalt+F)"));
            filter->installEventFilter(this);
            filter->show();
            connect(filter, &QLineEdit::textEdited, this, [this] { filterPause_.start(); });
            filters_.push_back(filter);
        }
    }
    Guarded([this] { UpdateRowCount(); });
    UpdateScrollBars();
    PlaceFilters();
    PlaceEditor();
}

std::vector<std::string> TDBGrid::FilterTexts() const {
    std::vector<std::string> texts;
    for (const QLineEdit* filter : filters_) texts.push_back(filter->text().toStdString());
    return texts;
}

void TDBGrid::ClearFilters() {
    bool any = false;
    for (QLineEdit* filter : filters_) {
        any = any || !filter->text().isEmpty();
        filter->clear();
    }
    if (any) emit FilterChanged();
}

// Ctrl+Shift+F in the grid goes to the current column's filter; there Tab and
// Shift+Tab go from filter to filter, and Return, Down or Escape back to the grid
// with the filter applied at once.
void TDBGrid::FocusFilter(int column) {
    if (filters_.empty()) return;
    column = std::clamp(column, 0, static_cast<int>(filters_.size()) - 1);
    SetSelectedColumn(column);
    filters_[static_cast<size_t>(column)]->setFocus(Qt::ShortcutFocusReason);
    filters_[static_cast<size_t>(column)]->selectAll();
}

bool TDBGrid::FilterKey(int column, const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const bool back = key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier);
            const int next = column + (back ? -1 : 1);
            if (next < 0 || next >= static_cast<int>(filters_.size())) return LeaveFilter(), true;
            FocusFilter(next);
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Down:
        case Qt::Key_Escape:
            LeaveFilter();
            return true;
        default:
            return false;
    }
}

void TDBGrid::LeaveFilter() {
    setFocus(Qt::OtherFocusReason);
    if (!filterPause_.isActive()) return;
    filterPause_.stop();
    emit FilterChanged();
}

void TDBGrid::PlaceFilters() {
    for (size_t c = 0; c < filters_.size(); ++c) {
        const int left = std::max(ColumnLeft(static_cast<int>(c)), kIndicatorWidth);
        const int right = ColumnLeft(static_cast<int>(c)) + columns_[c].Width - 1;
        filters_[c]->setGeometry(left, rowHeight_, std::max(0, right - left), rowHeight_ - 1);
        filters_[c]->setVisible(right > left);
    }
}

// --- column widths ---------------------------------------------------------------------

int TDBGrid::EdgeAt(QPoint pos) const {
    if (pos.y() < 0 || pos.y() >= rowHeight_) return -1;
    for (int c = static_cast<int>(columns_.size()) - 1; c >= 0; --c) {
        const int right = ColumnLeft(c) + columns_[static_cast<size_t>(c)].Width;
        if (std::abs(pos.x() - right) <= 3) return c;
    }
    return -1;
}

void TDBGrid::SetColumnWidth(int column, int width) {
    columns_[static_cast<size_t>(column)].Width = std::max(kMinColWidth, width);
    UpdateScrollBars();
    PlaceFilters();
    PlaceEditor();
    viewport()->update();
}

void TDBGrid::FitColumn(int column) {
    const QFontMetrics metrics = fontMetrics();
    int width = metrics.horizontalAdvance(
        QString::fromStdString(columns_[static_cast<size_t>(column)].Title));
    for (int row = 0; row < ShownRows(); ++row)
        width = std::max(width,
                         metrics.horizontalAdvance(QString::fromStdString(CellText(row, column))));
    SetColumnWidth(column, width + 6);  // the text's margins in the cell
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizing_ >= 0) return SetColumnWidth(resizing_, pos.x() - resizeFrom_);
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        const auto [row, column] = CellAt(pos);
        if (row >= 0 && (row != ActiveRow() || (column >= 0 && column != column_)))
            Guarded([&] { ClickCell(row, column, true); });
        return;
    }
    if (EdgeAt(pos) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void TDBGrid::mouseReleaseEvent(QMouseEvent*) {
    resizing_ = -1;
    dragging_ = false;
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    setFocus();
    if (const int edge = EdgeAt(event->position().toPoint()); edge >= 0) {
        resizing_ = edge;
        resizeFrom_ = event->position().toPoint().x() - columns_[static_cast<size_t>(edge)].Width;
        return;
    }
    const auto [row, column] = CellAt(event->position().toPoint());
    if (row == -1 && HeaderRows() == 2) return;  // the filter row's gaps
    if (row < -1 || (row == -1 && HeaderRows() == 1)) {
        if (column >= 0) emit TitleClicked(column);
        return;
    }
    Guarded([&] { ClickCell(row, column, event->modifiers() & Qt::ShiftModifier); });
    dragging_ = true;
}

// The shown row (negative in the titles) and the column at a point; column -1 in
// the indicator column.
std::pair<int, int> TDBGrid::CellAt(QPoint pos) const {
    const int row = pos.y() / rowHeight_ - HeaderRows();
    int column = -1;
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c)
        if (pos.x() >= ColumnLeft(c) &&
            pos.x() < ColumnLeft(c) + columns_[static_cast<size_t>(c)].Width)
            column = c;
    return {row, column};
}

// A click makes a cell current; on the indicator column it selects the record.
// With Shift it selects from where the selection began (or the current cell) to
// the cell or record clicked.
void TDBGrid::ClickCell(int row, int column, bool extend) {
    if (row >= ShownRows()) return;
    const bool record = column < 0;
    if (!extend) EndSelection();
    if (anchorRecNo_ == 0 && (extend || record)) {
        if (!record) anchorColumn_ = column_;
        anchorRecNo_ = std::max(1, DataSet()->RecNo());
    }
    if (anchorRecNo_ != 0 && wholeRows_ != record) {
        if (!record) anchorColumn_ = column_;
        wholeRows_ = record;
    }
    if (row != ActiveRow()) MoveRows(row - ActiveRow());
    if (!extend && record) anchorRecNo_ = std::max(1, DataSet()->RecNo());
    if (!record) SetSelectedColumn(column);
    viewport()->update();
}

void TDBGrid::SetSortMarker(int column, bool descending) {
    sortColumn_ = column;
    sortDescending_ = descending;
    viewport()->update();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (const int edge = EdgeAt(event->position().toPoint()); edge >= 0) {
        resizing_ = -1;
        return Guarded([&] { FitColumn(edge); });
    }
    Guarded([&] { ShowEditor(nullptr); });
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) Guarded([&] { MoveRows(-3 * steps); });
}

// --- the editor ------------------------------------------------------------------------

void TDBGrid::ShowEditor(const QString* typed) {
    TField* field = ColumnField(column_);
    TDataSet* data = DataSet();
    if (!field || !data || field->ReadOnly() || !data->CanModify()) return;
    if (!editor_->isVisible()) {
        const QSignalBlocker block(editor_);
        editor_->setText(QString::fromStdString(field->Text()));
        editorModified_ = false;
        editor_->show();
        PlaceEditor();
    }
    editor_->setFocus();
    if (typed) {
        editor_->setText(*typed);
        EditorChanged();
    } else {
        editor_->selectAll();
    }
}

// The first change of the text puts the record into edit mode.
void TDBGrid::EditorChanged() {
    editorModified_ = true;
    TDataSet* data = DataSet();
    if (data && data->State() == TDataSetState::dsBrowse) {
        updatingEditor_ = true;
        const QString text = editor_->text();
        Guarded([&] { link_->Edit(); });
        editor_->setText(text);
        editor_->show();
        updatingEditor_ = false;
        PlaceEditor();
    }
}

void TDBGrid::WriteEditor() {
    if (!editor_->isVisible() || !editorModified_ || updatingEditor_) return;
    TField* field = ColumnField(column_);
    if (!field) return;
    editorModified_ = false;
    field->SetText(editor_->text().toStdString());
}

void TDBGrid::HideEditor() {
    if (updatingEditor_ || !editor_->isVisible()) return;
    editorModified_ = false;
    editor_->hide();
    setFocus();
}

void TDBGrid::PlaceEditor() {
    if (!editor_->isVisible() || columns_.empty() || ShownRows() == 0) return;
    editor_->setGeometry(CellRect(ActiveRow(), column_).adjusted(1, 1, -1, -1));
}

}  // namespace zalvert
