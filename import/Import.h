#pragma once
// The import window: tool bar with "Öffnen", "Importieren", "Beenden" and the
// import year, the progress bar and labels, and the import grid.

#include <QWidget>
#include <functional>
#include <string>

#include "import/ImportView.h"
#include "import/Importer.h"

class QLabel;
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
    // `terminate` ends the program at once ("Beenden"). The creation handler runs
    // at the end of construction; its errors are shown and construction goes on.
    Tfimport(TData& data, IUserInteraction& ui, std::function<void()> terminate,
             QWidget* parent = nullptr);
    ~Tfimport() override;

    void FormCreate();
    void LoadFile(const std::string& path);
    void btopenClick();
    void btdbClick();
    void ToolButton3Click();

    TImporter& Importer() { return importer_; }
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
    QTableView* Gitter() const { return gitter_; }

    // What the import run shows and reads.
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;
    void ShowImportId(const std::string& text) override;
    void ShowSummary(const std::string& text) override;
    std::string ImportYear() const override;

  private:
    void BuildToolBar();
    QWidget* BuildYearPanel();
    QWidget* BuildProgressPanel();
    void BuildGrid();
    QToolButton* AddButton(const char* name, const QString& caption, int image,
                           void (Tfimport::*handler)());
    // Grid changes are shown when the handler ends, whether it failed or not.
    template <class Work>
    void ShowingGrid(Work&& work);

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
    int shownPermille_ = -1;
};

}  // namespace zalvert
