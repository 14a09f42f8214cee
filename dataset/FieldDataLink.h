#pragma once
// The link of a control that shows and edits one field of the current record:
// it finds the field by name, tells the control when the value or the editing
// state changes, and asks the control for its value before the record is stored.

#include <functional>
#include <string>

#include "dataset/DataSource.h"

namespace zalvert {

class TFieldDataLink : public TDataLink {
  public:
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);
    TField* Field() const { return field_; }
    // Whether the control may change the field now, putting the record into edit
    // mode first when needed.
    bool Edit();
    bool CanModify() const;
    // The control's text differs from the field; it is written before the post.
    void Modified() { modified_ = true; }
    bool IsModified() const { return modified_; }
    // Shows the field's value again, dropping the control's change.
    void Reset();
    // A control's first change: the record into edit mode and the change marked;
    // when the field cannot change, the control shows its value again and false.
    // Entering edit mode shows the record again: the control puts its change back.
    bool BeginChange();

    std::function<void()> OnDataChange;     // show the field's value
    std::function<void()> OnEditingChange;  // the record entered or left edit mode
    std::function<void()> OnUpdateData;     // write the control's value into the field
    std::function<void()> OnActiveChange;   // the dataset opened or closed

  protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

  private:
    void UpdateField();

    std::string fieldName_;
    TField* field_ = nullptr;
    bool modified_ = false;
};

}  // namespace zalvert
