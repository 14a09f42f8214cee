#pragma once
// The main window: a multiple-document frame with the menu that brings up the child
// windows, and a status bar.

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

namespace zalvert {

class TData;
class Tfimport;
class TFzalverten;
class TFimportlaeufe;
class IUserInteraction;

class Tfmain : public QMainWindow {
    Q_OBJECT
  public:
    Tfmain(TData& data, IUserInteraction& ui, std::function<void()> terminate,
           QWidget* parent = nullptr);

    // Creates the import window as a maximised child (start-up and the menu). Its
    // creation handler, which may import a waiting file, runs once the frame and
    // the child are painted, so that the user sees the import happen.
    Tfimport* CreateImportWindow();

    void Beenden1Click();
    void Exportieren1Click();
    void Drucken1Click();
    void AlsPdf1Click();
    void Import1Click();
    void ourenListe1Click();
    void Importlaeufe1Click();

    Tfimport* fimport() const { return fimport_; }
    TFzalverten* Fzalverten() const { return fzalverten_; }
    TFimportlaeufe* Fimportlaeufe() const { return fimportlaeufe_; }
    QMdiArea* MdiArea() const { return mdiArea_; }
    QAction* Beenden1() const { return beenden1_; }
    QAction* Exportieren1() const { return exportieren1_; }
    QAction* Drucken1() const { return drucken1_; }
    QAction* AlsPdf1() const { return alsPdf1_; }
    QAction* Import1() const { return import1_; }
    QAction* ourenListe1() const { return ourenListe1_; }
    QAction* Importlaeufe1() const { return importlaeufe1_; }

  protected:
    // Refused while a file is read or imported: the import must end as a whole.
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu();
    void BuildStatusBar();
    QMdiSubWindow* AddChild(QWidget* child);
    void ShowCentred(QWidget* child);
    void ShowAgain(QWidget* child);
    QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption,
                         void (Tfmain::*handler)());

    TData& data_;
    IUserInteraction& ui_;
    std::function<void()> terminate_;
    QMdiArea* mdiArea_;
    QAction* beenden1_ = nullptr;
    QAction* exportieren1_ = nullptr;
    QAction* drucken1_ = nullptr;
    QAction* alsPdf1_ = nullptr;
    QAction* import1_ = nullptr;
    QAction* ourenListe1_ = nullptr;
    QAction* importlaeufe1_ = nullptr;
    Tfimport* fimport_ = nullptr;
    TFzalverten* fzalverten_ = nullptr;
    TFimportlaeufe* fimportlaeufe_ = nullptr;
};

}  // namespace zalvert
