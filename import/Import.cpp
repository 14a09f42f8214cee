#include "import/Import.h"

#include <algorithm>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/Daten.h"
#include "import/ImportGridModel.h"
#include "import/ImportRun.h"
#include "rtl/DateTime.h"
#include "rtl/VectorState.h"
#include "widgets/DesignFont.h"
#include "widgets/UpDown.h"

namespace zalvert {
namespace {

constexpr int kFirstYear = 2018;
constexpr int kIdLeft = 640;
constexpr int kPanel1Width = 676;
constexpr int kLabelGap = 10;
// Often enough to look alive, seldom enough to cost nothing next to the work.
constexpr int kPaintIntervalMs = 50;
constexpr int kRowsPerClockRead = 32;
// How often the import folder is looked at besides its change notices, and how
// long after a notice: a file is complete once unchanged for the settle time.
constexpr int kRescanMs = 3000;
constexpr int kAfterNoticeMs = 2200;
const int kErrorColumn = 5;

// Lets the window paint while a handler holds the user-interface thread; clicks
// and keys wait until the handler is done.
void PaintPending() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ClearUpperVectorState();
}
constexpr int kLastYear = 2200;
const char* const kYearHint = "Jahr für Datumvon und Datumbis einstellen";

QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

Tfimport::Tfimport(TData& data, IUserInteraction& ui, std::function<void()> terminate,
                   TCreateHandler createHandler, QWidget* parent)
    : QWidget(parent), ui_(ui), terminate_(std::move(terminate)), importer_(data.Settings(), ui) {
    setObjectName("fimport");
    setWindowTitle("Import");
    setFont(DesignFont());
    resize(1799, 796);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolBar();
    BuildGrid();
    // A line of its own under the tool bar, shown while files wait: the tool bar
    // has no room left beside the progress panel.
    waitingFiles_ = new QLabel(this);
    waitingFiles_->setObjectName("Warteschlange");
    waitingFiles_->setContentsMargins(6, 2, 6, 2);
    waitingFiles_->hide();
    layout->addWidget(toolBar_);
    layout->addWidget(waitingFiles_);
    layout->addWidget(gitter_);
    importer_.AttachData(data, *this);

    if (createHandler == TCreateHandler::AtConstruction) RunGuarded(ui_, [this] { FormCreate(); });
}

Tfimport::~Tfimport() {
    // A shown view still asks its model for header texts while the base class hides
    // the children, after the importer and its grid are gone.
    delete gitter_;
}

QToolButton* Tfimport::AddButton(const char* name, const QString& caption, int image,
                                 void (Tfimport::*handler)()) {
    static constexpr QStyle::StandardPixmap kImages[] = {
        QStyle::SP_DialogOpenButton, QStyle::SP_DialogSaveButton, QStyle::SP_DialogCloseButton};
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(style()->standardIcon(kImages[image]));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    toolBar_->addWidget(button);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { RunGuarded(ui_, [&] { (this->*handler)(); }); });
    return button;
}

void Tfimport::BuildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setFixedHeight(29);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(false);
    btopen_ = AddButton("btopen", "Öffnen", 0, &Tfimport::btopenClick);
    btdb_ = AddButton("btdb", "Importieren", 1, &Tfimport::btdbClick);
    toolButton3_ = AddButton("ToolButton3", "Beenden", 2, &Tfimport::ToolButton3Click);
    auto* separator = new QWidget(toolBar_);
    separator->setObjectName("ToolButton1");
    separator->setFixedWidth(8);
    toolBar_->addWidget(separator);
    toolBar_->addWidget(BuildYearPanel());
    toolBar_->addWidget(BuildProgressPanel());
}

QWidget* Tfimport::BuildYearPanel() {
    auto* panel = new QWidget(toolBar_);
    panel->setObjectName("Panel2");
    panel->setFixedSize(88, 22);
    auto* caption = PlaceLabel(panel, "Panel2Caption", "  Jahr", 0, 0);
    caption->setFixedHeight(22);
    importjahr_ = new QLineEdit("2018", panel);
    importjahr_->setObjectName("Importjahr");
    importjahr_->setGeometry(36, 0, 35, 22);
    // Hints are not switched on for this window: the hint is kept, not shown.
    importjahr_->setAccessibleDescription(kYearHint);
    importjahr1_ = new TUpDown(panel);
    importjahr1_->setObjectName("importjahr1");
    importjahr1_->setGeometry(71, 0, 16, 22);
    importjahr1_->SetRange(kFirstYear, kLastYear);
    importjahr1_->SetPosition(kFirstYear);
    importjahr1_->SetAssociate(importjahr_);
    return panel;
}

QWidget* Tfimport::BuildProgressPanel() {
    auto* panel = new QWidget(toolBar_);
    panel->setObjectName("Panel1");
    panel->setFixedSize(676, 22);
    progress_ = new QProgressBar(panel);
    progress_->setObjectName("Progress");
    progress_->setGeometry(5, 5, 220, 16);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    anzahlImport_ = PlaceLabel(panel, "Anzahl_import", "0 Datensätze importiert", 235, 5);
    id_ = PlaceLabel(panel, "ID", "ID", 640, 5);
    return panel;
}

void Tfimport::BuildGrid() {
    gitter_ = new QTableView(this);
    gitter_->setObjectName("Gitter");
    model_ = new TImportGridModel(importer_.Gitter(), this);
    gitter_->setModel(model_);
    gitter_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gitter_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    gitter_->setSelectionBehavior(QAbstractItemView::SelectItems);
    gitter_->setShowGrid(true);
    gitter_->setWordWrap(false);
    gitter_->verticalHeader()->hide();
    gitter_->verticalHeader()->setMinimumSectionSize(1);
    gitter_->verticalHeader()->setDefaultSectionSize(18);
    gitter_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    gitter_->horizontalHeader()->setDefaultSectionSize(150);
    gitter_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    gitter_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

template <class Work>
void Tfimport::ShowingGrid(Work&& work) {
    struct TShow {
        Tfimport& Window;
        ~TShow() {
            --Window.busy_;
            if (Window.runningSummary_) Window.ShowSummary(Window.summaryBeforeRun_);
            Window.model_->Reload();
        }
    } show{*this};
    ++busy_;
    ClearUpperVectorState();
    work();
}

void Tfimport::FormCreate() {
    importjahr1_->SetPosition(CurrentYear());
    WatchImportFolder();
    ShowingGrid([this] { importer_.ScanImportFolder(); });
}

void Tfimport::WatchImportFolder() {
    const QString folder = QString::fromStdString(importer_.Settings().pfad);
    if (folder.isEmpty() || watcher_) return;
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(folder);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            [this] { QTimer::singleShot(kAfterNoticeMs, this, &Tfimport::ImportArrivedFiles); });
    rescan_ = new QTimer(this);
    rescan_->setObjectName("Rescan");
    rescan_->setInterval(kRescanMs);
    connect(rescan_, &QTimer::timeout, this, &Tfimport::ImportArrivedFiles);
    rescan_->start();
}

void Tfimport::ImportArrivedFiles() {
    // Not beside a run, a question or a dialog of the user's.
    if (busy_ > 0 || importer_.ChainPaused() || QApplication::activeModalWidget()) return;
    const QString folder = QString::fromStdString(importer_.Settings().pfad);
    // A folder made again after it was gone is watched again.
    if (watcher_->directories().isEmpty() && QDir(folder).exists()) watcher_->addPath(folder);
    if (!importer_.HasArrivedFile()) return ShowWaitingFiles({}, importer_.WaitingFileCount());
    RunGuarded(ui_, [this] { ShowingGrid([this] { importer_.ImportArrivedFiles(); }); });
}

void Tfimport::LoadFile(const std::string& path) {
    ShowingGrid([&] { importer_.LoadFile(path); });
}

void Tfimport::btopenClick() {
    const auto path = ui_.ChooseFileToOpen({{"csv-Dateinen", "*.csv"}, {"Alle Dateien", "*.*"}},
                                           importer_.Settings().pfad);
    if (path) LoadFile(*path);
}

void Tfimport::btdbClick() {
    ShowingGrid([this] { importer_.btdbClick(); });
}

void Tfimport::ToolButton3Click() {
    terminate_();
}

void Tfimport::SetProgressMaximum(int maximum) {
    progress_->setRange(0, maximum);
    summaryBeforeRun_ = anzahlImport_->text().toStdString();
    sincePainted_.invalidate();
}

bool Tfimport::TimeToPaint() {
    if (sincePainted_.isValid() && sincePainted_.elapsed() < kPaintIntervalMs) return false;
    sincePainted_.start();
    return true;
}

void Tfimport::SetProgressPosition(int position, const TImportCounts& soFar) {
    // Called for every row: the clock is read every so many rows, reading it costs
    // more than a row's checks.
    const bool lastRow = position == progress_->maximum();
    if (!lastRow && sincePainted_.isValid() && ++rowsUnclocked_ < kRowsPerClockRead) return;
    rowsUnclocked_ = 0;
    if (!TimeToPaint() && !lastRow) return;
    progress_->setValue(position);
    runningSummary_ = true;
    anzahlImport_->setText(QString::fromStdString(ImportSummary(soFar)));
    ArrangeLabels();
    model_->ColumnChanged(kErrorColumn);
    PaintPending();
}

void Tfimport::ShowReading(int) {
    if (!TimeToPaint()) return;
    // Busy without a known end: the line count is known only at the end.
    progress_->setRange(0, 0);
    PaintPending();
}

void Tfimport::GridChanged() {
    if (progress_->maximum() == 0) progress_->setRange(0, 100);
    model_->Reload();
    sincePainted_.invalidate();
    PaintPending();
}

void Tfimport::ShowImportId(const std::string& text) {
    id_->setText(QString::fromStdString(text));
    ArrangeLabels();
}

void Tfimport::ShowWaiting(const std::string& text) {
    if (text.empty()) {
        if (textBeforeWaiting_) ShowSummary(textBeforeWaiting_->toStdString());
        textBeforeWaiting_.reset();
        return;
    }
    if (!textBeforeWaiting_) textBeforeWaiting_ = anzahlImport_->text();
    ShowSummary(text);
    PaintPending();
}

void Tfimport::ShowWaitingFiles(const std::string& current, int waiting) {
    QString text = QString::fromStdString(current);
    if (waiting > 0) {
        if (!text.isEmpty()) text += QString::fromUtf8(" · ");
        text += waiting == 1 ? QStringLiteral("Noch 1 Datei im Importordner")
                             : QStringLiteral("Noch %1 Dateien im Importordner").arg(waiting);
    }
    waitingFiles_->setText(text);
    waitingFiles_->setVisible(!text.isEmpty());
}

void Tfimport::ShowSummary(const std::string& text) {
    runningSummary_ = false;
    anzahlImport_->setText(QString::fromStdString(text));
    ArrangeLabels();
}

void Tfimport::ArrangeLabels() {
    anzahlImport_->adjustSize();
    id_->adjustSize();
    const int idLeft = std::max(kIdLeft, anzahlImport_->x() + anzahlImport_->width() + kLabelGap);
    id_->move(idLeft, id_->y());
    id_->parentWidget()->setFixedWidth(std::max(kPanel1Width, idLeft + id_->width() + kLabelGap));
}

std::string Tfimport::ImportYear() const {
    return importjahr_->text().toStdString();
}

}  // namespace zalvert
