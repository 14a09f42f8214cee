#pragma once
// A check box bound to a yes/no field: ticking it puts the record into edit mode
// and writes the field at once.

#include <QCheckBox>

#include "dataset/FieldDataLink.h"

namespace zalvert {

class TDBCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit TDBCheckBox(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    void SetDataField(const std::string& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }

  private:
    void ShowField();
    void UserToggled();

    TFieldDataLink link_;
    bool showing_ = false;
};

}  // namespace zalvert
