#include "dataset/FieldDataLink.h"

namespace zalvert {

void TFieldDataLink::SetFieldName(const std::string& name) {
    fieldName_ = name;
    UpdateField();
}

void TFieldDataLink::UpdateField() {
    field_ =
        Active() && DataSet() && !fieldName_.empty() ? DataSet()->FindField(fieldName_) : nullptr;
    modified_ = false;
    if (OnDataChange) OnDataChange();
}

bool TFieldDataLink::CanModify() const {
    return !ReadOnly && field_ && !field_->ReadOnly() &&
           field_->FieldKind() == TFieldKind::fkData && DataSet() && DataSet()->CanModify();
}

bool TFieldDataLink::Edit() {
    if (!CanModify()) return false;
    return TDataLink::Edit();
}

void TFieldDataLink::Reset() {
    RecordChanged(nullptr);
}

bool TFieldDataLink::BeginChange() {
    if (!Edit()) {
        Reset();
        return false;
    }
    Modified();
    return true;
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
}

void TFieldDataLink::RecordChanged(TField* field) {
    if (field && field != field_) return;
    modified_ = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData() {
    if (!modified_) return;
    if (field_ && OnUpdateData) OnUpdateData();
    modified_ = false;
}

}  // namespace zalvert
