#include "views/Importlaeufe.h"

#include <QHBoxLayout>
#include <QPdfWriter>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "dao/ZedaDaoTable.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "import/RunUndo.h"
#include "rtl/Interaction.h"
#include "views/ColumnSort.h"
#include "views/RecordsOutput.h"
#include "views/RunReport.h"
#include "widgets/DBGrid.h"
#include "widgets/DesignFont.h"

namespace zalvert {

TFimportlaeufe::TFimportlaeufe(TData& data, IUserInteraction& ui, QWidget* parent)
    : QWidget(parent),
      data_(data),
      ui_(ui),
      runs_(std::make_unique<TZedaDaoTable>()),
      source_(std::make_unique<TDataSource>()) {
    setObjectName("Fimportlaeufe");
    setWindowTitle("Importläufe");
    setFont(DesignFont());
    resize(1040, 420);
    runs_->SetName("Laeufe");
    runs_->F_Set_Database(data_.Datenbank);
    runs_->F_Set_TableName(kRunLogTable);
    runs_->SetReadOnly(true);
    runs_->SetSortedBy("ImportID DESC");
    source_->SetDataSet(runs_.get());
    source_->OnDataChange = [this](TDataSource&, TField*) { UpdateButtons(); };

    auto* buttons = new QWidget(this);
    buttons->setObjectName("Panel1");
    show_ = new QPushButton("Anzeigen", buttons);
    show_->setObjectName("btAnzeigen");
    undo_ = new QPushButton("Rückgängig machen", buttons);
    undo_->setObjectName("btRueckgaengig");
    report_ = new QPushButton("Bericht…", buttons);
    report_->setObjectName("btBericht");
    refused_ = new QPushButton("Abgelehnte öffnen", buttons);
    refused_->setObjectName("btAbgelehnte");
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(5, 4, 5, 4);
    row->addWidget(show_);
    row->addWidget(undo_);
    row->addWidget(report_);
    row->addWidget(refused_);
    row->addStretch();
    connect(show_, &QPushButton::clicked, this, &TFimportlaeufe::AnzeigenClick);
    connect(undo_, &QPushButton::clicked, this, &TFimportlaeufe::RueckgaengigClick);
    connect(report_, &QPushButton::clicked, this, &TFimportlaeufe::BerichtClick);
    connect(refused_, &QPushButton::clicked, this, &TFimportlaeufe::AbgelehnteClick);

    grid_ = new TDBGrid(this);
    grid_->setObjectName("DBGrid1");
    static constexpr std::pair<const char*, int> kColumns[] = {
        {"ImportID", 60},    {"Zeit", 125},      {"Datei", 220},    {"Archivname", 220},
        {"Verarbeitet", 75}, {"Importiert", 70}, {"Abgelehnt", 70},
    };
    for (const auto& [field, width] : kColumns) grid_->AddColumn(field, width);
    grid_->AddColumn(kRunLogUndoField, 140, "Rückgängig gemacht");
    grid_->SetDataSource(source_.get());
    grid_->SetSortMarker(0, true);
    connect(grid_, &TDBGrid::TitleClicked, this,
            [this](int column) { SortByColumnTitle(*grid_, *runs_, column, "ImportID", ui_); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buttons);
    layout->addWidget(grid_);
}

TFimportlaeufe::~TFimportlaeufe() {
    grid_->SetDataSource(nullptr);
}

int TFimportlaeufe::CurrentRun() const {
    if (!runs_->Active() || runs_->IsEmpty()) return 0;
    return runs_->FieldByName("ImportID").AsInteger();
}

void TFimportlaeufe::Reload() {
    RunGuarded(ui_, [this] {
        const int current = CurrentRun();
        runs_->Close();
        runs_->Open();
        if (current != 0) runs_->Locate("ImportID", Variant(current), 0);
    });
}

// The log is read when the window is shown, so that runs imported since the
// window was last shown appear.
void TFimportlaeufe::showEvent(QShowEvent* event) {
    Reload();
    QWidget::showEvent(event);
}

void TFimportlaeufe::AnzeigenClick() {
    const int run = CurrentRun();
    if (run != 0 && OnShowRun) RunGuarded(ui_, [&] { OnShowRun(run); });
}

void TFimportlaeufe::RueckgaengigClick() {
    const int run = CurrentRun();
    if (run == 0) return;
    RunGuarded(ui_, [&] {
        TRunUndo undo(data_);
        const TRunState state = undo.State(run);
        if (state.Undone) {
            ui_.ShowMessage("Import " + std::to_string(run) + " wurde bereits am " +
                            state.UndoneAtText + " rückgängig gemacht.");
            return;
        }
        if (!ui_.Confirm(UndoQuestion(state))) return;
        const int deleted = undo.Undo(run);
        Reload();
        ui_.ShowMessage("Import " + std::to_string(run) +
                        " wurde rückgängig gemacht: " + std::to_string(deleted) +
                        (deleted == 1 ? " Datensatz gelöscht." : " Datensätze gelöscht."));
    });
}

void TFimportlaeufe::BerichtClick() {
    const int run = CurrentRun();
    if (run == 0) return;
    RunGuarded(ui_, [&] {
        const TRunReport report = ReadRunReport(*runs_, data_.Settings().archiv);
        const auto choice = ChooseOutputFile(ui_, {{"PDF-Dokument", "*.pdf"}},
                                             "Importlauf-" + std::to_string(run) + ".pdf", 0);
        if (!choice) return;
        WritePdf(choice->Path, QString("Importlauf %1").arg(run), [&](QPdfWriter& writer) {
            PaintRunReport(report, writer);
            return true;
        });
        ui_.ShowInformation("Der Bericht von Import " + std::to_string(run) + " steht in '" +
                            choice->Path + "'.");
    });
}

void TFimportlaeufe::AbgelehnteClick() {
    const int run = CurrentRun();
    if (run == 0) return;
    RunGuarded(ui_, [&] {
        // Only where the file is: the report reads it whole.
        const std::string path = RefusedLinesPath(*runs_, data_.Settings().archiv);
        if (!path.empty() && std::filesystem::is_regular_file(path))
            ui_.OpenDocument(path);
        else if (runs_->FieldByName("Abgelehnt").AsInteger() == 0)
            ui_.ShowInformation("Import " + std::to_string(run) + " hat keine Zeile abgelehnt.");
        else
            ui_.ShowMessage("Die abgelehnten Zeilen von Import " + std::to_string(run) +
                            " sind nicht mehr da: '" + path + "' fehlt.");
    });
}

// A run already undone cannot be undone again.
void TFimportlaeufe::UpdateButtons() {
    if (!undo_) return;
    int run = 0;
    bool undone = false;
    // Only the buttons' state: a record that cannot be read leaves them usable, and
    // the click says what is wrong.
    try {
        run = CurrentRun();
        const TField* undoneAt = runs_->FindField(kRunLogUndoField);
        undone = undoneAt && !undoneAt->IsNull();
    } catch (const std::exception&) {
        run = -1;
    }
    show_->setEnabled(run != 0);
    report_->setEnabled(run != 0);
    refused_->setEnabled(run != 0);
    undo_->setEnabled(run != 0 && !undone);
}

}  // namespace zalvert
