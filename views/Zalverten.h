#pragma once
// The billing records window: the billing table in a data grid, with a record
// navigator and a search line above it, on the first of two pages.

#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTabWidget;

namespace zalvert {

class TData;
class TDBGrid;
class TDBNavigator;
class TSearchLine;
class TRecordForm;
class TTotalsLink;
struct TShownRecords;

class TFzalverten : public QWidget {
    Q_OBJECT
  public:
    // The creation handler runs at the end of construction; its errors are shown
    // and construction goes on.
    explicit TFzalverten(TData& data, QWidget* parent = nullptr);
    ~TFzalverten() override;

    void FormCreate();
    // Only the records of one import run, until "Alle anzeigen".
    void ShowRun(int importId);
    void ShowAll();
    void SortByColumn(int column);
    bool ApplyFilters();
    // What the window shows, for exporting and printing it.
    TShownRecords Shown() const;
    void Exportieren();
    void Drucken();
    void AlsPdfSpeichern();
    QPushButton* AlleAnzeigen() const { return showAll_; }
    QPushButton* FilterLeeren() const { return clearFilters_; }

    // The components, by their names in the window.
    QWidget* Panel1() const { return panel1_; }
    TDBNavigator* DBNavigator1() const { return navigator_; }
    QTabWidget* PageControl1() const { return pages_; }
    TDBGrid* DBGrid1() const { return grid_; }
    TSearchLine* SearchLine() const { return search_; }
    TRecordForm* RecordForm() const { return form_; }
    // "12.345 Datensätze · Netto 1.234.567,89 €" under the pages.
    QLabel* Totals() const { return totals_; }
    void ShowTotals();

  private:
    void BuildGrid();
    void BuildSearchLine();

    TData& data_;
    QWidget* panel1_ = nullptr;
    QLabel* totals_ = nullptr;
    QPushButton* clearFilters_ = nullptr;
    std::string runFilter_;  // "ImportID = 3" while one run is shown
    std::unique_ptr<TTotalsLink> totalsLink_;
    TDBNavigator* navigator_ = nullptr;
    QTabWidget* pages_ = nullptr;
    TDBGrid* grid_ = nullptr;
    TSearchLine* search_ = nullptr;
    TRecordForm* form_ = nullptr;
    QPushButton* showAll_ = nullptr;
};

}  // namespace zalvert
