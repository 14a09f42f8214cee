#pragma once
// A one-line edit bound to a field: shows the field's text, puts the record into
// edit mode on the first change, and writes its text into the field when the
// user leaves it or the record is stored. Escape drops the change.

#include <QLineEdit>

#include "dataset/FieldDataLink.h"

namespace zalvert {

class TDBEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TDBEdit(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    void SetDataField(const std::string& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }
    // A control that never writes, whatever the field allows.
    void SetReadOnlyControl(bool readOnly);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void ShowField();
    void UserEdited();

    TFieldDataLink link_;
    bool showing_ = false;
};

}  // namespace zalvert
