// The master link: the detail's condition built from the master's current values,
// the detail reopened when the master moves, master values into the parameters of
// the SQL text and into new detail records.

#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"

namespace zalvert {
using namespace daotable;
namespace {

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

void TZedaDaoTable::SetMasterSource(TDataSource* source) {
    if (source && IsLinkedTo(source)) Fail("Circular links not allowed!");
    if (!source) masterFields_.Clear();
    masterLink_.SetDataSource(source);
    if (cursorOpen_) ReopenRecordset();
}

// "Detail;Other" links fields of equal names; "Detail -> Master" lines link two.
void TZedaDaoTable::ParseMasterFields() {
    detailNames_.clear();
    masterNames_.clear();
    const auto arrow = std::string_view(" -> ");
    if (masterFields_.Count() == 1 && masterFields_.Strings(0).find(';') != std::string::npos) {
        for (const std::string& piece : SplitKeyList(masterFields_.Strings(0))) {
            if (piece.empty()) continue;
            detailNames_.push_back(piece);
            masterNames_.push_back(piece);
        }
    } else {
        for (int i = 0; i < masterFields_.Count(); ++i) {
            const std::string& line = masterFields_.Strings(i);
            const size_t at = line.find(arrow);
            if (at == std::string::npos) continue;
            detailNames_.push_back(Trimmed(std::string_view(line).substr(0, at)));
            masterNames_.push_back(Trimmed(std::string_view(line).substr(at + arrow.size())));
        }
    }
    std::string names;
    for (const std::string& name : masterNames_) names += (names.empty() ? "" : ";") + name;
    masterLink_.FieldNames = names;
}

// The detail condition, joined with the filter when one is on.
std::string TZedaDaoTable::MasterCondition() {
    TDataSet& master = *masterLink_.DataSet();
    std::vector<TField*> fields;
    std::vector<bool> guids;
    for (const std::string& name : masterNames_) {
        TField& field = master.FieldByName(name);
        fields.push_back(&field);
        const int def = master.FieldDefs().IndexOf(field.FieldName());
        guids.push_back(def >= 0 && master.FieldDefs().Items(def).Precision == kGuidMark);
    }
    const std::string criteria = MasterDetailCriteria(detailNames_, fields, guids, UseBrackets);
    if (Filtered() && !Filter().empty()) return "(" + criteria + ") AND (" + Filter() + ")";
    return criteria;
}

// At open: the master opened when asked for, the link's fields read; true when
// the detail is to be narrowed to the master's current record.
bool TZedaDaoTable::PrepareMasterLink() {
    TDataSet* master = masterLink_.DataSet();
    masterInactive_ = !masterLink_.Active();
    if (master && !master->Active() && MasterAutoActivate) {
        master->Open();
        masterInactive_ = !masterLink_.Active();
    }
    if (!master || masterInactive_ || !MasterSource()->Enabled()) return false;
    ParseMasterFields();
    return !detailNames_.empty();
}

// A detail of a stored table reads only the master's records, in the sort order.
std::string TZedaDaoTable::MasterStatement() {
    std::string sql = "Select * From [" + tableName_ + "] Where " + MasterCondition();
    if (!currentSort_.empty()) sql += " Order By " + currentSort_;
    return sql + ";";
}

// A detail of SQL text or a stored query: its recordset narrowed by a filter.
void TZedaDaoTable::NarrowToMaster() {
    recordset_->SetFilter(MasterCondition());
    detailBase_ = recordset_;
    recordset_ = detailBase_->OpenRecordset(tableType_, openOptionsValue_);
}

void TZedaDaoTable::MasterChanged() {
    if (!Active()) return;
    CheckBrowseMode();
    if (!masterLink_.Active() || masterLink_.FieldNames.empty()) return;
    if (sql_.Count() > 0) MasterValuesToParams();
    RefreshDetail();
}

void TZedaDaoTable::RefreshDetail() {
    if (Destroying()) return;
    masterInactive_ = !masterLink_.Active();
    TDataSet* master = masterLink_.DataSet();
    if (!MasterSource() || !master || ControlsDisabled() || master->ControlsDisabled() ||
        masterInactive_ || !MasterSource()->Enabled() || master->State() == TDataSetState::dsEdit ||
        masterNames_.empty())
        return;
    CheckBrowseMode();
    if (sql_.Count() > 0) {
        // New parameter values make a new statement: opened in full.
        Close();
        Open();
        return;
    }
    try {
        ReopenRecordset();
    } catch (const std::exception&) {
        Close();
        Open();
    }
}

void TZedaDaoTable::MasterValuesToParams() {
    TDataSet* master = MasterSource() ? MasterSource()->DataSet() : nullptr;
    if (!master || !master->Active() || master->State() == TDataSetState::dsSetKey || !ParamCheck ||
        params_.Count() == 0)
        return;
    for (int i = 0; i < master->FieldCount(); ++i) {
        TField& field = master->Fields()[i];
        TParam* param = params_.FindParam(field.FieldName());
        if (!param) continue;
        if (param->DataType == TFieldType::ftUnknown) param->DataType = field.DataType();
        param->Value = field.AsVariant();
    }
}

// A new detail record starts with its master's values.
void TZedaDaoTable::DoOnNewRecord() {
    if (masterLink_.Active() && !masterLink_.FieldNames.empty()) {
        TDataSet& master = *masterLink_.DataSet();
        for (size_t i = 0; i < detailNames_.size() && i < masterNames_.size(); ++i)
            FieldByName(detailNames_[i])
                .SetAsVariant(master.FieldByName(masterNames_[i]).AsVariant());
    }
    TDataSet::DoOnNewRecord();
}

}  // namespace zalvert
