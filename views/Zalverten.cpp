#include "views/Zalverten.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "data/Daten.h"
#include "rtl/Interaction.h"
#include "views/BillingTotals.h"
#include "views/ColumnFilter.h"
#include "views/ColumnSort.h"
#include "views/RecordForm.h"
#include "views/RecordsOutput.h"
#include "views/SearchLine.h"
#include "widgets/DBGrid.h"
#include "widgets/DBNavigator.h"
#include "widgets/DesignFont.h"

namespace zalvert {

TFzalverten::TFzalverten(TData& data, QWidget* parent) : QWidget(parent), data_(data) {
    setObjectName("Fzalverten");
    setWindowTitle("Zalverten");
    setFont(DesignFont());
    resize(1395, 750);

    panel1_ = new QWidget(this);
    panel1_->setObjectName("Panel1");
    panel1_->setFixedHeight(31);
    navigator_ = new TDBNavigator(panel1_);
    navigator_->setObjectName("DBNavigator1");
    navigator_->setGeometry(5, 5, 115, 18);
    navigator_->SetDataSource(data_.Zalvert1);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    pages_->setTabPosition(QTabWidget::South);
    BuildGrid();
    BuildSearchLine();
    auto* editPage = new QScrollArea;
    editPage->setObjectName("TabSheet2");
    editPage->setWidgetResizable(true);
    editPage->setFrameShape(QFrame::NoFrame);
    form_ = new TRecordForm(data_.Zalvert1);
    editPage->setWidget(form_);
    pages_->addTab(editPage, "Bearbeiten");
    pages_->setCurrentIndex(0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel1_);
    layout->addWidget(pages_);
    totals_ = new QLabel(this);
    totals_->setObjectName("Summen");
    totals_->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(totals_);
    totalsLink_ = std::make_unique<TTotalsLink>([this] { ShowTotals(); });
    totalsLink_->SetDataSource(data_.Zalvert1);

    RunGuarded(ApplicationInteraction(), [this] { FormCreate(); });
}

TFzalverten::~TFzalverten() {
    totalsLink_->SetDataSource(nullptr);
}

// A status line that cannot be counted stays empty rather than interrupt the work.
void TFzalverten::ShowTotals() {
    std::string text;
    try {
        if (data_.Zalvert->Active()) text = BillingTotalsText(ReadBillingTotals(*data_.Zalvert));
    } catch (const std::exception&) {
        text.clear();
    }
    totals_->setText(QString::fromStdString(text));
}

void TFzalverten::BuildGrid() {
    auto* page = new QWidget;
    page->setObjectName("TabSheet1");
    grid_ = new TDBGrid(page);
    grid_->setObjectName("DBGrid1");
    grid_->setFont(DesignFont());
    static constexpr std::pair<const char*, int> kColumns[] = {
        {"ID", 54},
        {"Recvon", 100},
        {"Recan", 100},
        {"Datumvon", 100},
        {"Datumbis", 100},
        {"Tour", 100},
        {"erstelltvon", 100},
        {"Netto", 100},
        {"Recdatum", 100},
        {"Recnr", 100},
        {"Gutschrift", 100},
        {"erledigt", 100},
        {"ImportID", TDBGrid::kDefaultColWidth},
    };
    for (const auto& [field, width] : kColumns) grid_->AddColumn(field, width);
    grid_->SetDataSource(data_.Zalvert1);
    connect(grid_, &TDBGrid::TitleClicked, this, &TFzalverten::SortByColumn);
    grid_->SetFilterRow(true);
    connect(grid_, &TDBGrid::FilterChanged, this, [this] { ApplyFilters(); });
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    const auto action = [this](const char* name, const char* caption, void (TFzalverten::*work)()) {
        auto* item = new QAction(caption, grid_);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, work);
        grid_->addAction(item);
    };
    action("Exportieren1", "Exportieren…", &TFzalverten::Exportieren);
    action("Drucken1", "Drucken…", &TFzalverten::Drucken);
    action("AlsPdf1", "Als PDF speichern…", &TFzalverten::AlsPdfSpeichern);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    pages_->addTab(page, "Tabelle");
}

// Right of the navigator; Ctrl+F, F3 and Shift+F3 reach it from anywhere in the window.
void TFzalverten::BuildSearchLine() {
    search_ = new TSearchLine(
        *data_.Zalvert,
        [this] {
            const auto& columns = grid_->Columns();
            const auto column = static_cast<size_t>(grid_->SelectedColumn());
            return column < columns.size() ? columns[column].FieldName : std::string();
        },
        panel1_);
    search_->setGeometry(130, 3, 520, 24);
    const auto shortcut = [this](const char* name, QKeySequence keys, void (TSearchLine::*call)()) {
        auto* item = new QShortcut(keys, this);
        item->setObjectName(name);
        item->setContext(Qt::WidgetWithChildrenShortcut);
        connect(item, &QShortcut::activated, search_, call);
    };
    shortcut("SuchenKuerzel", QKeySequence::Find, &TSearchLine::StartSearch);
    shortcut("WeitersuchenKuerzel", QKeySequence(Qt::Key_F3), &TSearchLine::FindNext);
    shortcut("RueckwaertsKuerzel", QKeySequence(Qt::SHIFT | Qt::Key_F3),
             &TSearchLine::FindPrevious);
    clearFilters_ = new QPushButton("Filter leeren", panel1_);
    clearFilters_->setObjectName("btFilterLeeren");
    clearFilters_->setGeometry(860, 3, 110, 24);
    connect(clearFilters_, &QPushButton::clicked, grid_, &TDBGrid::ClearFilters);
    showAll_ = new QPushButton("Alle anzeigen", panel1_);
    showAll_->setObjectName("btAlleAnzeigen");
    showAll_->setGeometry(660, 3, 190, 24);
    showAll_->hide();
    connect(showAll_, &QPushButton::clicked, this, &TFzalverten::ShowAll);
}

void TFzalverten::ShowRun(int importId) {
    std::string before = std::exchange(runFilter_, "ImportID = " + std::to_string(importId));
    if (!ApplyFilters()) {
        runFilter_ = std::move(before);
        return;
    }
    showAll_->setText(QString("Alle anzeigen (nur Import %1)").arg(importId));
    showAll_->show();
}

// The run shown and the filter fields together; the record shown stays the current
// one when it passes. False, the records as they were, when a field's text is no
// value of its column.
bool TFzalverten::ApplyFilters() {
    TZedaDaoTable& table = *data_.Zalvert;
    bool applied = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunGuarded(ApplicationInteraction(), [&] {
        std::string criteria = runFilter_;
        const auto& columns = grid_->Columns();
        const std::vector<std::string> texts = grid_->FilterTexts();
        for (size_t c = 0; c < texts.size() && c < columns.size(); ++c) {
            const std::string& field = columns[c].FieldName;
            const std::string one =
                ColumnFilterCriteria(field, table.FieldByName(field).DataType(), texts[c]);
            if (one.empty()) continue;
            criteria += (criteria.empty() ? "" : " AND ") + one;
        }
        const Variant current =
            table.Active() && !table.IsEmpty() ? table.FieldByName("ID").Value() : Variant::Null();
        table.SetFilter(criteria);
        table.SetFiltered(!criteria.empty());
        if (!current.IsNull()) table.Locate("ID", current, 0);
        applied = true;
    });
    QApplication::restoreOverrideCursor();
    return applied;
}

TShownRecords TFzalverten::Shown() const {
    TShownRecords shown{*data_.Zalvert, {}, {}, {}, "Zalverten"};
    std::vector<std::string> words;
    if (!runFilter_.empty()) {
        const std::string run = runFilter_.substr(runFilter_.find('=') + 2);
        words.push_back("Import " + run);
        shown.FileStem += "-Import-" + run;
    }
    const std::vector<std::string> texts = grid_->FilterTexts();
    for (size_t c = 0; c < grid_->Columns().size(); ++c) {
        const TDBGrid::TColumn& column = grid_->Columns()[c];
        shown.Columns.emplace_back(column.FieldName, column.Title);
        shown.Widths.push_back(column.Width);
        if (c < texts.size() && !texts[c].empty()) words.push_back(column.Title + ": " + texts[c]);
    }
    if (words.size() > (runFilter_.empty() ? 0u : 1u)) shown.FileStem += "-gefiltert";
    for (const std::string& word : words)
        shown.FilterWords += (shown.FilterWords.empty() ? "" : " \xC2\xB7 ") + word;
    if (shown.FilterWords.empty()) shown.FilterWords = "alle Datensätze";
    return shown;
}

void TFzalverten::Exportieren() {
    ExportShownRecords(Shown(), ApplicationInteraction(), this);
}

void TFzalverten::Drucken() {
    PrintShownRecords(Shown(), ApplicationInteraction(), this);
}

void TFzalverten::AlsPdfSpeichern() {
    SaveShownRecordsAsPdf(Shown(), ApplicationInteraction(), this);
}

// The record shown last stays the current one.
void TFzalverten::ShowAll() {
    runFilter_.clear();
    showAll_->hide();
    ApplyFilters();
}

// A click on a column's title sorts the records by it, a second one the other way;
// the record shown stays the current one.
void TFzalverten::SortByColumn(int column) {
    SortByColumnTitle(*grid_, *data_.Zalvert, column, "ID", ApplicationInteraction());
}

void TFzalverten::FormCreate() {
    data_.Zalvert->Open();
    form_->Build();
}

}  // namespace zalvert
