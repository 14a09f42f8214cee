#include "app/Main.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QWindow>

#include "import/Import.h"
#include "rtl/Interaction.h"
#include "views/Importlaeufe.h"
#include "views/Zalverten.h"
#include "widgets/DesignFont.h"

namespace zalvert {
namespace {

constexpr int kMaxExposeWaitMs = 1000;

// Child windows stay alive once created: closing one only minimises it.
class TMdiChild : public QMdiSubWindow {
  public:
    using QMdiSubWindow::QMdiSubWindow;

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        showMinimized();
    }
};

// The window system shows a new window a little later; until then nothing of it
// can be painted. Clicks and keys wait.
void PaintUntilExposed(QWidget* window) {
    if (!window->isVisible()) return;
    QElapsedTimer waited;
    waited.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    } while (!(window->windowHandle() && window->windowHandle()->isExposed()) &&
             waited.elapsed() < kMaxExposeWaitMs);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

Tfmain::Tfmain(TData& data, IUserInteraction& ui, std::function<void()> terminate, QWidget* parent)
    : QMainWindow(parent),
      data_(data),
      ui_(ui),
      terminate_(std::move(terminate)),
      mdiArea_(new QMdiArea(this)) {
    setObjectName("fmain");
    setWindowTitle("Import Zalverten");
    setFont(DesignFont());
    resize(1234, 633);
    mdiArea_->setObjectName("MdiArea");
    // Each child keeps the window state it was given: the billing records window
    // opens at its normal size beside a maximised import window.
    mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    setCentralWidget(mdiArea_);
    BuildMenu();
    BuildStatusBar();
}

QAction* Tfmain::AddMenuItem(QMenu* menu, const char* name, const QString& caption,
                             void (Tfmain::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this,
            [this, handler] { RunGuarded(ui_, [&] { (this->*handler)(); }); });
    return action;
}

void Tfmain::BuildMenu() {
    QMenu* datei = menuBar()->addMenu("&Datei");
    datei->setObjectName("Datei1");
    exportieren1_ = AddMenuItem(datei, "Exportieren1", "&Exportieren…", &Tfmain::Exportieren1Click);
    drucken1_ = AddMenuItem(datei, "Drucken1", "&Drucken…", &Tfmain::Drucken1Click);
    alsPdf1_ = AddMenuItem(datei, "AlsPdf1", "Als &PDF speichern…", &Tfmain::AlsPdf1Click);
    datei->addSeparator();
    beenden1_ = AddMenuItem(datei, "Beenden1", "&Beenden", &Tfmain::Beenden1Click);
    QMenu* formulare = menuBar()->addMenu("&Formulare");
    formulare->setObjectName("Formulare1");
    import1_ = AddMenuItem(formulare, "Import1", "&Import", &Tfmain::Import1Click);
    ourenListe1_ = AddMenuItem(formulare, "ourenListe1", "&Zalverten", &Tfmain::ourenListe1Click);
    importlaeufe1_ =
        AddMenuItem(formulare, "Importlaeufe1", "Import&läufe", &Tfmain::Importlaeufe1Click);
}

void Tfmain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setFixedHeight(19);
    bar->setSizeGripEnabled(false);
    auto* panel0 = new QLabel("Zalvert Importer", bar);
    panel0->setObjectName("Panel0");
    panel0->setFixedWidth(115);
    auto* panel1 = new QLabel(bar);
    panel1->setObjectName("Panel1");
    panel1->setFixedWidth(50);
    bar->addWidget(panel0);
    bar->addWidget(panel1);
}

QMdiSubWindow* Tfmain::AddChild(QWidget* child) {
    auto* frame = new TMdiChild(mdiArea_);
    frame->setWidget(child);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    mdiArea_->addSubWindow(frame);
    return frame;
}

Tfimport* Tfmain::CreateImportWindow() {
    fimport_ = new Tfimport(data_, ui_, terminate_, Tfimport::TCreateHandler::ByCreator);
    AddChild(fimport_)->showMaximized();
    PaintUntilExposed(this);
    RunGuarded(ui_, [this] { fimport_->FormCreate(); });
    return fimport_;
}

void Tfmain::closeEvent(QCloseEvent* event) {
    if (fimport_ && fimport_->Busy())
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}

void Tfmain::Beenden1Click() {
    close();
}

// The records of the billing window, opened for it when it is not.
void Tfmain::Exportieren1Click() {
    ourenListe1Click();
    fzalverten_->Exportieren();
}

void Tfmain::Drucken1Click() {
    ourenListe1Click();
    fzalverten_->Drucken();
}

void Tfmain::AlsPdf1Click() {
    ourenListe1Click();
    fzalverten_->AlsPdfSpeichern();
}

void Tfmain::Import1Click() {
    if (fimport_ == nullptr) CreateImportWindow();
    QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(fimport_->parentWidget());
    if (frame->isMinimized()) frame->showMaximized();
    frame->show();
    mdiArea_->setActiveSubWindow(frame);
}

// Created on first use, centred and not maximised; afterwards the same window.
void Tfmain::ourenListe1Click() {
    if (fzalverten_ == nullptr) {
        fzalverten_ = new TFzalverten(data_);
        ShowCentred(fzalverten_);
    } else {
        ShowAgain(fzalverten_);
    }
}

void Tfmain::Importlaeufe1Click() {
    if (fimportlaeufe_ == nullptr) {
        fimportlaeufe_ = new TFimportlaeufe(data_, ui_);
        fimportlaeufe_->OnShowRun = [this](int importId) {
            ourenListe1Click();
            fzalverten_->ShowRun(importId);
        };
        ShowCentred(fimportlaeufe_);
    } else {
        ShowAgain(fimportlaeufe_);
    }
}

// A new child window in its designed size, in the middle of the frame.
void Tfmain::ShowCentred(QWidget* child) {
    const QSize design = child->size();
    QMdiSubWindow* frame = AddChild(child);
    frame->showNormal();
    frame->resize(design);
    const QSize size = frame->size();
    frame->move(std::max(0, (mdiArea_->width() - size.width()) / 2),
                std::max(0, (mdiArea_->height() - size.height()) / 2));
    mdiArea_->setActiveSubWindow(frame);
}

// A child window made before comes back as it was.
void Tfmain::ShowAgain(QWidget* child) {
    auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    if (frame->isMinimized()) frame->showNormal();
    frame->show();
    mdiArea_->setActiveSubWindow(frame);
}

}  // namespace zalvert
