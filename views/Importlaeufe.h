#pragma once
// The import runs window: the run log, newest first, with "Anzeigen" (the billing
// window shows only the run's records) and "Rückgängig machen" (the run's records
// deleted after a confirmation, the log entry marked).

#include <QWidget>
#include <functional>
#include <memory>

class QPushButton;

namespace zalvert {

class TData;
class TDataSource;
class TDBGrid;
class TZedaDaoTable;
class IUserInteraction;

class TFimportlaeufe : public QWidget {
    Q_OBJECT
  public:
    TFimportlaeufe(TData& data, IUserInteraction& ui, QWidget* parent = nullptr);
    ~TFimportlaeufe() override;

    // Shows the billing records of a run; the main window connects it.
    std::function<void(int importId)> OnShowRun;

    TDBGrid* Grid() const { return grid_; }
    QPushButton* Anzeigen() const { return show_; }
    QPushButton* Rueckgaengig() const { return undo_; }
    QPushButton* Bericht() const { return report_; }
    QPushButton* Abgelehnte() const { return refused_; }
    TZedaDaoTable& Runs() const { return *runs_; }

    void AnzeigenClick();
    void RueckgaengigClick();
    // The selected run's report as a PDF the user names.
    void BerichtClick();
    // The selected run's refused lines in the desktop's program for them.
    void AbgelehnteClick();
    // The selected run's number; 0 for none.
    int CurrentRun() const;
    // Reads the log (again), keeping the current run where it can.
    void Reload();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void UpdateButtons();

    TData& data_;
    IUserInteraction& ui_;
    std::unique_ptr<TZedaDaoTable> runs_;
    std::unique_ptr<TDataSource> source_;
    TDBGrid* grid_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* report_ = nullptr;
    QPushButton* refused_ = nullptr;
};

}  // namespace zalvert
