#include "dataset/DataSource.h"

#include <algorithm>

#include "dataset/DbConsts.h"

namespace zalvert {

// --- data source ------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet && dataSet->IsLinkedTo(this)) DatabaseError(dbconsts::SCircularDataLink, Name());
    if (dataSet_) {
        std::erase(dataSet_->dataSources_, this);
        for (TDataLink* link : links_) dataSet_->RemoveDataLink(link);
        RemoveFreeNotification(dataSet_);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->dataSources_.push_back(this);
        FreeNotification(dataSet_);
    }
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
    if (dataSet_)
        for (TDataLink* link : links_) dataSet_->AddDataLink(link);
    DataEvent(TDataEvent::deUpdateState, 0);
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
}

TDataSetState TDataSource::State() const {
    return dataSet_ && enabled_ ? dataSet_->State() : TDataSetState::dsInactive;
}

void TDataSource::AddLink(TDataLink* link) {
    links_.push_back(link);
    if (dataSet_) dataSet_->AddDataLink(link);
}

void TDataSource::RemoveLink(TDataLink* link) {
    std::erase(links_, link);
    if (dataSet_) dataSet_->RemoveDataLink(link);
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::Remove && component == dataSet_) {
        // The dataset is going: forget it without calling back into it.
        dataSet_ = nullptr;
        for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deUpdateState) {
        if (State() != lastState_) {
            lastState_ = State();
            for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
            if (OnStateChange) OnStateChange(*this);
        }
        return;
    }
    if (!enabled_) return;
    if (event == TDataEvent::deUpdateRecord && OnUpdateData) OnUpdateData(*this);
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->DataEvent(event, info);
    if ((event == TDataEvent::deFieldChange || event == TDataEvent::deRecordChange ||
         event == TDataEvent::deDataSetChange || event == TDataEvent::deDataSetScroll ||
         event == TDataEvent::deLayoutChange) &&
        OnDataChange)
        OnDataChange(
            *this, event == TDataEvent::deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
}

// --- data link --------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    if (dataSource_) dataSource_->RemoveLink(this);
    dataSource_ = source;
    if (dataSource_) dataSource_->AddLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::UpdateState() {
    const bool active = dataSource_ && dataSource_->Enabled() && DataSet() && DataSet()->Active();
    SetActive(active);
    const TDataSetState state = active ? DataSet()->State() : TDataSetState::dsInactive;
    SetEditing((state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) && !ReadOnly);
}

void TDataLink::SetActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    if (active)
        UpdateFirstRecord();
    else
        firstRecord_ = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool editing) {
    if (editing_ == editing) return;
    editing_ = editing;
    EditingChanged();
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(1, count);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (TDataSet* ds = DataSet()) ds->UpdateBufferCount();
}

// The link's window of buffers always holds the dataset's active record.
void TDataLink::UpdateFirstRecord() {
    TDataSet* ds = DataSet();
    if (!ds || !active_) return;
    const int active = ds->ActiveRecordIndex();
    if (active < firstRecord_) firstRecord_ = active;
    if (active >= firstRecord_ + bufferCount_) firstRecord_ = active - bufferCount_ + 1;
    firstRecord_ = std::clamp(firstRecord_, 0, std::max(0, ds->BufferedRecordCount() - 1));
    if (active < firstRecord_) firstRecord_ = active;
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    return ds && active_ ? ds->ActiveRecordIndex() - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int index) {
    if (TDataSet* ds = DataSet(); ds && active_) ds->MoveBy(index - ActiveRecord());
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !active_) return 0;
    return std::clamp(ds->BufferedRecordCount() - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
    if (!ReadOnly && DataSet() && active_) DataSet()->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

int TDataLink::MoveBy(int distance) {
    return DataSet() && active_ ? DataSet()->MoveBy(distance) : 0;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deUpdateState) return UpdateState();
    if (!active_) return;
    switch (event) {
        case TDataEvent::deFieldChange:
        case TDataEvent::deRecordChange:
            if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
            break;
        case TDataEvent::deDataSetChange:
            UpdateFirstRecord();
            DataSetChanged();
            break;
        case TDataEvent::deDataSetScroll: {
            // The buffers moved by `info`; keep the window on the same records where possible.
            const int oldActive = ActiveRecord();
            firstRecord_ -= static_cast<int>(info);
            UpdateFirstRecord();
            DataSetScrolled(ActiveRecord() - oldActive + static_cast<int>(info));
            break;
        }
        case TDataEvent::deLayoutChange:
            UpdateFirstRecord();
            LayoutChanged();
            break;
        case TDataEvent::deUpdateRecord:
            UpdateRecord();
            break;
        case TDataEvent::deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case TDataEvent::deFocusControl:
            FocusControl(reinterpret_cast<TField*>(info));
            break;
        default:
            break;
    }
}

// --- master link -----------------------------------------------------------------------

std::vector<TField*> TMasterDataLink::Fields() const {
    std::vector<TField*> fields;
    TDataSet* ds = DataSet();
    if (!ds || !Active()) return fields;
    for (const std::string& name : SplitFieldNames(FieldNames))
        fields.push_back(&ds->FieldByName(name));
    return fields;
}

void TMasterDataLink::ActiveChanged() {
    if (Active()) {
        if (OnMasterChange) OnMasterChange();
    } else if (OnMasterDisable) {
        OnMasterDisable();
    }
}

void TMasterDataLink::RecordChanged(TField* field) {
    if (!OnMasterChange) return;
    if (field == nullptr) return OnMasterChange();
    for (TField* master : Fields())
        if (master == field) return OnMasterChange();
}

}  // namespace zalvert
