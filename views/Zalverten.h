#pragma once
// The billing records window: the billing table in a data grid, with a record
// navigator and a search line above it, on the first of two pages.

#include <QWidget>

class QPushButton;
class QTabWidget;

namespace zalvert {

class TData;
class TDBGrid;
class TDBNavigator;
class TSearchLine;
class TRecordForm;

class TFzalverten : public QWidget {
    Q_OBJECT
  public:
    // The creation handler runs at the end of construction; its errors are shown
    // and construction goes on.
    explicit TFzalverten(TData& data, QWidget* parent = nullptr);

    void FormCreate();
    // Only the records of one import run, until "Alle anzeigen".
    void ShowRun(int importId);
    void ShowAll();
    void SortByColumn(int column);
    QPushButton* AlleAnzeigen() const { return showAll_; }

    // The components, by their names in the window.
    QWidget* Panel1() const { return panel1_; }
    TDBNavigator* DBNavigator1() const { return navigator_; }
    QTabWidget* PageControl1() const { return pages_; }
    TDBGrid* DBGrid1() const { return grid_; }
    TSearchLine* SearchLine() const { return search_; }
    TRecordForm* RecordForm() const { return form_; }

  private:
    void BuildGrid();
    void BuildSearchLine();

    TData& data_;
    QWidget* panel1_ = nullptr;
    TDBNavigator* navigator_ = nullptr;
    QTabWidget* pages_ = nullptr;
    TDBGrid* grid_ = nullptr;
    TSearchLine* search_ = nullptr;
    TRecordForm* form_ = nullptr;
    QPushButton* showAll_ = nullptr;
};

}  // namespace zalvert
