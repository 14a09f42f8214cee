#include "views/RecordForm.h"

#include <QFormLayout>
#include <QLabel>

#include "dataset/DataSource.h"
#include "widgets/DBCheckBox.h"
#include "widgets/DBEdit.h"
#include "widgets/DBMemo.h"

namespace zalvert {
namespace {

template <class Control>
Control* Bound(TDataSource* source, const TField& field) {
    auto* control = new Control;
    control->setObjectName(QString::fromStdString("Feld" + field.FieldName()));
    control->SetDataSource(source);
    control->SetDataField(field.FieldName());
    return control;
}

}  // namespace

TRecordForm::TRecordForm(TDataSource* source, QWidget* parent) : QWidget(parent), source_(source) {
    setObjectName("RecordForm");
    auto* layout = new QFormLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setHorizontalSpacing(12);
    layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
}

void TRecordForm::Build() {
    auto* layout = static_cast<QFormLayout*>(this->layout());
    while (layout->rowCount() > 0) layout->removeRow(0);
    TDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    if (!dataSet) return;
    // In the table's column order, whatever order the field objects have.
    for (int i = 0; i < dataSet->FieldDefs().Count(); ++i) {
        const TField* found = dataSet->FindField(dataSet->FieldDefs().Items(i).Name);
        if (!found) continue;
        const TField& field = *found;
        QWidget* control = nullptr;
        if (field.DataType() == TFieldType::ftBoolean) {
            control = Bound<TDBCheckBox>(source_, field);
        } else if (field.DataType() == TFieldType::ftMemo) {
            auto* memo = Bound<TDBMemo>(source_, field);
            memo->setMinimumHeight(120);
            control = memo;
        } else {
            auto* edit = Bound<TDBEdit>(source_, field);
            edit->SetReadOnlyControl(field.DataType() == TFieldType::ftAutoInc || field.ReadOnly());
            edit->setMaximumWidth(field.DataType() == TFieldType::ftString ? 420 : 200);
            control = edit;
        }
        auto* label = new QLabel(QString::fromStdString(field.FieldName()));
        label->setBuddy(control);
        layout->addRow(label, control);
    }
}

QWidget* TRecordForm::Control(const std::string& fieldName) const {
    return findChild<QWidget*>(QString::fromStdString("Feld" + fieldName));
}

}  // namespace zalvert
