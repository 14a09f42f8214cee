#pragma once
// The import window: tool bar with "Öffnen", "Importieren", "Beenden" and the
// import year, the progress bar and labels, and the import grid.

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "import/ImportView.h"
#include "import/Importer.h"

class QFileSystemWatcher;
class QLabel;
class QTimer;
class QLineEdit;
class QProgressBar;
class QTableView;
class QToolBar;
class QToolButton;

namespace zalvert {

class TData;
class TImportGridModel;
class TUpDown;

class Tfimport : public QWidget, public IImportView {
    Q_OBJECT
  public:
    // When the creation handler runs: at the end of construction, or (for the
    // program) once the window is on screen, called by its creator.
    enum class TCreateHandler { AtConstruction, ByCreator };

    // `terminate` ends the program at once ("Beenden"). Errors of the creation
    // handler are shown and creation goes on.
    Tfimport(TData& data, IUserInteraction& ui, std::function<void()> terminate,
             TCreateHandler createHandler = TCreateHandler::AtConstruction,
             QWidget* parent = nullptr);
    ~Tfimport() override;

    void FormCreate();
    void LoadFile(const std::string& path);
    void btopenClick();
    void btdbClick();
    void ToolButton3Click();

    TImporter& Importer() { return importer_; }
    // While a file is read or imported; the program then refuses to close.
    bool Busy() const { return busy_ > 0; }
    const std::string& CurrentFile() const { return importer_.CurrentFile(); }

    // The components, by their names in the window.
    QToolButton* btopen() const { return btopen_; }
    QToolButton* btdb() const { return btdb_; }
    QToolButton* ToolButton3() const { return toolButton3_; }
    QLineEdit* Importjahr() const { return importjahr_; }
    TUpDown* importjahr1() const { return importjahr1_; }
    QProgressBar* Progress() const { return progress_; }
    QLabel* Anzahl_import() const { return anzahlImport_; }
    QLabel* ID() const { return id_; }
    // The file taken and how many more wait: "a.csv · Noch 2 Dateien im Importordner".
    QLabel* Warteschlange() const { return waitingFiles_; }
    QTimer* Rescan() const { return rescan_; }

    // Files that arrived in the import folder, imported once complete, when no run
    // is going on or waits for the user; called as the folder changes and every few
    // seconds (a network folder does not always tell).
    void ImportArrivedFiles();
    QTableView* Gitter() const { return gitter_; }

    // What the import run shows and reads.
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position, const TImportCounts& soFar) override;
    void ShowImportId(const std::string& text) override;
    void ShowSummary(const std::string& text) override;
    void ShowWaiting(const std::string& text) override;
    void ShowWaitingFiles(const std::string& current, int waiting) override;
    std::string ImportYear() const override;
    void ShowReading(int linesRead) override;
    void GridChanged() override;

  private:
    void BuildToolBar();
    QWidget* BuildYearPanel();
    QWidget* BuildProgressPanel();
    void BuildGrid();
    void WatchImportFolder();
    QToolButton* AddButton(const char* name, const QString& caption, int image,
                           void (Tfimport::*handler)());
    // Grid changes are shown when the handler ends, whether it failed or not; a
    // run that failed leaves the summary as it was before.
    template <class Work>
    void ShowingGrid(Work&& work);
    // The identifier keeps its place while the summary fits beside it, and moves
    // right (the panel growing) when it does not.
    void ArrangeLabels();
    // Whether enough time went by since the window was last painted during work.
    bool TimeToPaint();

    IUserInteraction& ui_;
    std::function<void()> terminate_;
    TImporter importer_;
    TImportGridModel* model_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QToolButton* btopen_ = nullptr;
    QToolButton* btdb_ = nullptr;
    QToolButton* toolButton3_ = nullptr;
    QLineEdit* importjahr_ = nullptr;
    TUpDown* importjahr1_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* anzahlImport_ = nullptr;
    QLabel* id_ = nullptr;
    QTableView* gitter_ = nullptr;
    QLabel* waitingFiles_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* rescan_ = nullptr;
    int busy_ = 0;
    QElapsedTimer sincePainted_;
    int rowsUnclocked_ = 0;  // rows shown since the clock was last read
    std::string summaryBeforeRun_;
    std::optional<QString> textBeforeWaiting_;
    bool runningSummary_ = false;
};

}  // namespace zalvert
