#pragma once
// The current record of a data source as a form: one labelled control per field
// in the table's column order (a check box for yes/no fields, a multi-line editor for memos,
// a one-line edit for the rest; counters read-only).

#include <QWidget>
#include <string>

namespace zalvert {

class TDataSource;

class TRecordForm : public QWidget {
    Q_OBJECT
  public:
    explicit TRecordForm(TDataSource* source, QWidget* parent = nullptr);
    // Lays out the controls for the fields the dataset has now.
    void Build();
    // The control of a field, by the field's name; null when there is none.
    QWidget* Control(const std::string& fieldName) const;

  private:
    TDataSource* source_;
};

}  // namespace zalvert
