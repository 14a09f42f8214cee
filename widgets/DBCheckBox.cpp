#include "widgets/DBCheckBox.h"

#include "rtl/Interaction.h"

namespace zalvert {

TDBCheckBox::TDBCheckBox(QWidget* parent) : QCheckBox(parent) {
    link_.OnDataChange = [this] { ShowField(); };
    link_.OnEditingChange = [this] { setEnabled(link_.CanModify()); };
    link_.OnUpdateData = [this] { link_.Field()->SetAsBoolean(isChecked()); };
    connect(this, &QCheckBox::clicked, this, &TDBCheckBox::UserToggled);
    ShowField();
}

void TDBCheckBox::ShowField() {
    showing_ = true;
    TField* field = link_.Field();
    bool checked = false;
    RunGuarded(ApplicationInteraction(),
               [&] { checked = field && !field->IsNull() && field->AsBoolean(); });
    setChecked(checked);
    setEnabled(link_.CanModify());
    showing_ = false;
}

void TDBCheckBox::UserToggled() {
    if (showing_) return;
    const bool checked = isChecked();
    RunGuarded(ApplicationInteraction(), [&] {
        if (!link_.BeginChange()) return;
        setChecked(checked);  // entering edit mode showed the stored value again
        link_.UpdateRecord();
    });
}

}  // namespace zalvert
