#include "dataset/DataSet.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "dataset/DataSource.h"
#include "dataset/DbConsts.h"
#include "rtl/Utf8.h"

namespace zalvert {

using dbconsts::Format;

// --- fields ---------------------------------------------------------------------

TField& TFields::operator[](int index) const {
    if (index < 0 || index >= Count()) throw EDatabaseError(dbconsts::SFieldIndexError);
    return *items_[static_cast<size_t>(index)];
}

TField* TFields::FindField(const std::string& name) const {
    const std::string wanted = AsciiUpperCase(name);
    for (TField* field : items_)
        if (AsciiUpperCase(field->FieldName()) == wanted) return field;
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    const auto it = std::find(items_.begin(), items_.end(), field);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TFields::Add(TField* field) {
    if (IndexOf(field) < 0) items_.push_back(field);
}

void TFields::Remove(TField* field) {
    std::erase(items_, field);
}

// --- life ---------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

// A concrete dataset closes itself in its own destructor: its operations are gone
// by the time this one runs.
TDataSet::~TDataSet() {
    ending_ = true;
    buffers_.clear();
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->SetDataSet(nullptr);
    // Fields must not reach back into a dataset that is gone.
    while (fields_.Count() > 0) fields_[0].SetDataSet(nullptr);
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(dbconsts::SDataSetClosed, Name());
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError(dbconsts::SDataSetOpen, Name());
}

TField& TDataSet::FieldByName(const std::string& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseError(Format(dbconsts::SFieldNotFound, {name}), Name());
    return *field;
}

void TDataSet::Loaded() {
    if (streamedActive_) {
        streamedActive_ = false;
        Open();
    }
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState);
}

// --- open and close -------------------------------------------------------------------

void TDataSet::SetActive(bool active) {
    if (Loading()) {
        streamedActive_ = active;
        return;
    }
    if (active == Active()) return;
    if (active) {
        Notify(BeforeOpen);
        try {
            OpenCursor();
        } catch (...) {
            try {
                CloseCursor();
            } catch (...) {
            }
            state_ = TDataSetState::dsInactive;
            throw;
        }
        SetState(TDataSetState::dsBrowse);
        ClearBuffers();
        if (GetNextRecord()) GetNextRecords();
        bof_ = true;
        eof_ = recordCount_ == 0;
        DataEvent(TDataEvent::deDataSetChange);
        Notify(AfterOpen);
        if (!IsEmpty()) Notify(AfterScroll);
    } else {
        Notify(BeforeClose);
        SetState(TDataSetState::dsInactive);
        CloseCursor();
        Notify(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    state_ = TDataSetState::dsOpening;
    defaultFields_ = fields_.Count() == 0;
    InternalOpen();
    AssignCalcOffsets();
    UpdateBufferCount();
}

void TDataSet::CloseCursor() {
    if (IsCursorOpen()) InternalClose();
    buffers_.clear();
    bufferCount_ = recordCount_ = activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
    if (defaultFields_) {
        std::vector<TField*> owned;
        for (int i = 0; i < fields_.Count(); ++i)
            if (fields_[i].Owner() == this) owned.push_back(&fields_[i]);
        for (TField* field : owned) delete field;
        defaultFields_ = false;
    }
    fieldDefs_.Invalidate();
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_.Count(); ++i) fieldDefs_.Items(i).CreateField(this, this);
}

void TDataSet::BindFields(bool binding) {
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& field = fields_[i];
        if (!binding || field.FieldKind() != TFieldKind::fkData) {
            if (!binding) field.SetFieldNo(0);
            continue;
        }
        const TFieldDef* def = fieldDefs_.Find(field.FieldName());
        if (!def) DatabaseError(Format(dbconsts::SFieldNotFound, {field.FieldName()}), Name());
        field.SetFieldNo(def->FieldNo);
    }
}

void TDataSet::AssignCalcOffsets() {
    calcFieldCount_ = 0;
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& field = fields_[i];
        field.SetCalcOffset(field.Calculated() || field.Lookup() ? calcFieldCount_++ : -1);
    }
}

// --- buffers ----------------------------------------------------------------------------

void TDataSet::AddDataLink(TDataLink* link) {
    dataLinks_.push_back(link);
    UpdateBufferCount();
}

void TDataSet::RemoveDataLink(TDataLink* link) {
    std::erase(dataLinks_, link);
    UpdateBufferCount();
}

void TDataSet::UpdateBufferCount() {
    // A data source letting go of a dataset in its destructor must not size buffers.
    if (ending_ || !IsCursorOpen()) return;
    int count = 1;
    for (TDataLink* link : dataLinks_) count = std::max(count, link->BufferCount());
    SetBufferCount(count);
    for (TDataLink* link : dataLinks_) link->UpdateFirstRecord();
}

void TDataSet::SetBufferCount(int count) {
    if (count == bufferCount_ && !buffers_.empty()) return;
    if (count < bufferCount_ && recordCount_ > count) {
        // Keep the active record: drop buffers from the front first, then the back.
        const int dropFront = std::max(0, activeRecord_ - (count - 1));
        std::rotate(buffers_.begin(), buffers_.begin() + dropFront,
                    buffers_.begin() + recordCount_);
        activeRecord_ -= dropFront;
        recordCount_ = std::min(recordCount_ - dropFront, count);
        currentRecord_ = -1;
    }
    while (static_cast<int>(buffers_.size()) < count + 1) {
        buffers_.push_back(AllocRecordBuffer());
        buffers_.back()->Calc.assign(static_cast<size_t>(calcFieldCount_), std::nullopt);
    }
    buffers_.resize(static_cast<size_t>(count) + 1);
    const bool grew = count > bufferCount_;
    bufferCount_ = count;
    if (grew && Active() && recordCount_ > 0) {
        GetNextRecords();
        activeRecord_ += GetPriorRecords();
    }
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

TRecordBuffer* TDataSet::ActiveBuffer() const {
    if (buffers_.empty() || activeRecord_ >= recordCount_) return nullptr;
    return buffers_[static_cast<size_t>(activeRecord_)].get();
}

TRecordBuffer* TDataSet::BufferForState() const {
    switch (state_) {
        case TDataSetState::dsBrowse:
        case TDataSetState::dsBlockRead:
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
        case TDataSetState::dsNewValue:
        case TDataSetState::dsCurValue:
        case TDataSetState::dsOldValue:
            return ActiveBuffer();
        case TDataSetState::dsCalcFields:
        case TDataSetState::dsInternalCalc:
            return calcBuffer_;
        case TDataSetState::dsFilter:
            return filterBuffer_;
        default:
            return nullptr;
    }
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    TRecordBuffer& buffer = *buffers_[static_cast<size_t>(index)];
    if (GetBookmarkFlag(buffer) == TBookmarkFlag::bfCurrent) InternalSetToRecord(buffer);
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = TGetMode::gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        if (state_ == TDataSetState::dsInsert && currentRecord_ == activeRecord_ &&
            GetBookmarkFlag(*ActiveBuffer()) == TBookmarkFlag::bfCurrent)
            mode = TGetMode::gmCurrent;
    }
    TRecordBuffer& target = *buffers_[static_cast<size_t>(recordCount_)];
    if (GetRecord(target, mode, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    CalculateFields(target);
    if (recordCount_ < bufferCount_)
        ++recordCount_;
    else
        std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.end());
    currentRecord_ = recordCount_ - 1;
    bof_ = eof_ = false;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    TRecordBuffer& target = *buffers_[static_cast<size_t>(recordCount_)];
    if (GetRecord(target, TGetMode::gmPrior, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    CalculateFields(target);
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_,
                buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < bufferCount_) ++recordCount_;
    currentRecord_ = 0;
    bof_ = eof_ = false;
    return true;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++count;
    return count;
}

// --- navigation ---------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    Notify(BeforeScroll);
    ClearBuffers();
    try {
        InternalFirst();
        if (GetNextRecord()) GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(TDataEvent::deDataSetChange);
        throw;
    }
    bof_ = true;
    eof_ = recordCount_ == 0;
    DataEvent(TDataEvent::deDataSetChange);
    Notify(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    Notify(BeforeScroll);
    ClearBuffers();
    try {
        InternalLast();
        if (GetPriorRecord()) GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(TDataEvent::deDataSetChange);
        throw;
    }
    activeRecord_ = std::max(0, recordCount_ - 1);
    eof_ = true;
    bof_ = recordCount_ == 0;
    DataEvent(TDataEvent::deDataSetChange);
    Notify(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    Notify(BeforeScroll);
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = eof_ = false;
        const int oldRecordCount = recordCount_;
        int scrolled = 0;
        while (distance > 0) {
            if (activeRecord_ < recordCount_ - 1) {
                ++activeRecord_;
            } else {
                const int before = recordCount_;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                if (recordCount_ == before) ++scrolled;
                activeRecord_ = recordCount_ - 1;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (activeRecord_ > 0) {
                --activeRecord_;
            } else {
                const int before = recordCount_;
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                if (recordCount_ == before) --scrolled;
                activeRecord_ = 0;
            }
            ++distance;
            --moved;
        }
        if (recordCount_ != oldRecordCount)
            DataEvent(TDataEvent::deDataSetChange);
        else
            DataEvent(TDataEvent::deDataSetScroll, scrolled);
        Notify(AfterScroll);
    }
    return moved;
}

void TDataSet::Resync(int modes) {
    TRecordBuffer& spare = *buffers_[static_cast<size_t>(recordCount_)];
    if (modes & rmExact) {
        CursorPosChanged();
        if (GetRecord(spare, TGetMode::gmCurrent, true) != TGetResult::grOK)
            DatabaseError("Datensatz nicht gefunden", Name());
    } else if (GetRecord(spare, TGetMode::gmCurrent, false) != TGetResult::grOK &&
               GetRecord(spare, TGetMode::gmNext, false) != TGetResult::grOK &&
               GetRecord(spare, TGetMode::gmPrior, false) != TGetResult::grOK) {
        ClearBuffers();
        DataEvent(TDataEvent::deDataSetChange);
        return;
    }
    CalculateFields(spare);
    int before = (modes & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_,
                buffers_.begin() + recordCount_ + 1);
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
    while (before > 0 && GetPriorRecord()) {
        --before;
        ++activeRecord_;
    }
    GetNextRecords();
    activeRecord_ += GetPriorRecords();
    DataEvent(TDataEvent::deDataSetChange);
}

bool TDataSet::IsEmpty() const {
    return activeRecord_ >= recordCount_;
}

// --- editing -------------------------------------------------------------------------------

void TDataSet::CheckOperation(const std::function<void()>& operation, const TErrorEvent& onError) {
    if (HandlesErrorEvents()) return operation();
    for (;;) {
        try {
            operation();
            return;
        } catch (Exception& error) {
            if (dynamic_cast<EAbort*>(&error)) throw;
            TDataAction action = TDataAction::daFail;
            if (onError) onError(*this, error, action);
            if (action == TDataAction::daFail) throw;
            if (action == TDataAction::daAbort) throw EAbort();
        }
    }
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TDataSet::UpdateRecord() {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert &&
        state_ != TDataSetState::dsSetKey)
        DatabaseError(dbconsts::SNotEditing, Name());
    DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::Edit() {
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    CheckActive();
    if (!CanModify()) DatabaseError(dbconsts::SDataSetReadOnly, Name());
    if (IsEmpty()) return Append();
    CheckBrowseMode();
    Notify(BeforeEdit);
    UpdateCursorPos();
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange);
    Notify(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(dbconsts::SDataSetReadOnly, Name());
    Notify(BeforeInsert);
    Notify(BeforeScroll);
}

void TDataSet::InitRecord(TRecordBuffer& buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

// Puts a fresh buffer at the active record (insert) or after the last one (append).
void TDataSet::MakeRoomForInsert(bool append) {
    if (append) {
        ClearBuffers();
        InternalLast();
        while (recordCount_ < bufferCount_ - 1 && GetPriorRecord()) {
        }
        activeRecord_ = recordCount_;
    } else {
        UpdateCursorPos();
    }
    std::rotate(buffers_.begin() + activeRecord_, buffers_.begin() + recordCount_,
                buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < bufferCount_) ++recordCount_;
    activeRecord_ = std::min(activeRecord_, recordCount_ - 1);
    InternalInsert();
    InitRecord(*ActiveBuffer());
    if (append) {
        SetBookmarkFlag(*ActiveBuffer(), TBookmarkFlag::bfEOF);
        bof_ = false;
        eof_ = true;
    }
    CursorPosChanged();
}

void TDataSet::EndInsertAppend() {
    SetState(TDataSetState::dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        Cancel();
        throw;
    }
    modified_ = false;
    DataEvent(TDataEvent::deDataSetChange);
    Notify(AfterInsert);
    Notify(AfterScroll);
}

void TDataSet::Insert() {
    BeginInsertAppend();
    MakeRoomForInsert(false);
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    MakeRoomForInsert(true);
    EndInsertAppend();
}

void TDataSet::DoOnNewRecord() {
    Notify(OnNewRecord);
}

void TDataSet::InternalPost() {
    for (int i = 0; i < fields_.Count(); ++i) {
        TField& field = fields_[i];
        if (field.Required() && !field.ReadOnly() && field.FieldKind() == TFieldKind::fkData &&
            field.IsNull())
            DatabaseError(Format(dbconsts::SFieldRequired, {field.DisplayName()}));
    }
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode);
    Notify(BeforePost);
    CheckOperation([this] { InternalPost(); }, OnPostError);
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    Notify(AfterPost);
}

void TDataSet::Cancel() {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode);
    Notify(BeforeCancel);
    const bool wasInsert = state_ == TDataSetState::dsInsert;
    UpdateCursorPos();
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    Notify(AfterCancel);
    if (wasInsert) Notify(AfterScroll);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == TDataSetState::dsInsert) return Cancel();
    if (!CanModify()) DatabaseError(dbconsts::SDataSetReadOnly, Name());
    if (IsEmpty()) DatabaseError(dbconsts::SDataSetEmpty, Name());
    DataEvent(TDataEvent::deCheckBrowseMode);
    Notify(BeforeDelete);
    Notify(BeforeScroll);
    UpdateCursorPos();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(TDataSetState::dsBrowse);
    Resync(0);
    Notify(AfterDelete);
    Notify(AfterScroll);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    Notify(BeforeRefresh);
    UpdateCursorPos();
    InternalRefresh();
    Resync(0);
    Notify(AfterRefresh);
}

void TDataSet::AssignValue(TField& field, const Variant& value) {
    switch (value.Type()) {
        case TVarType::Empty:
            return;  // leaves the field untouched
        case TVarType::Null:
            return field.Clear();
        case TVarType::Integer:
            return field.SetAsInteger(value.AsInteger());
        case TVarType::Boolean:
            return field.SetAsBoolean(value.AsBoolean());
        case TVarType::Double:
        case TVarType::Date:
            return field.SetAsFloat(value.AsDouble());
        case TVarType::String:
            return field.SetAsString(value.StringValue());
        case TVarType::Currency:
            return field.SetAsCurrency(value.AsCurrency().ToDouble());
        case TVarType::Int64:
        case TVarType::Bytes:
            return field.SetAsVariant(value);
        case TVarType::Array:
            if (dynamic_cast<TBinaryField*>(&field)) return field.SetAsVariant(value);
            break;
    }
    DatabaseError(Format(dbconsts::SFieldValueError, {field.DisplayName()}));
}

// The framework's positional insert: a new record whose fields take the values in
// field order, stored at once.
void TDataSet::AddFromValues(const std::vector<Variant>& values, bool append) {
    BeginInsertAppend();
    UpdateCursorPos();
    DisableControls();
    try {
        MakeRoomForInsert(append);
        SetState(TDataSetState::dsInsert);
        try {
            DoOnNewRecord();
            Notify(AfterInsert);
            for (size_t i = 0; i < values.size(); ++i) {
                if (static_cast<int>(i) >= fields_.Count())
                    DatabaseError(dbconsts::SFieldIndexError, Name());
                AssignValue(fields_[static_cast<int>(i)], values[i]);
            }
            Notify(BeforePost);
            InternalAddRecord(*ActiveBuffer(), append);
            SetState(TDataSetState::dsBrowse);
            modified_ = false;
        } catch (...) {
            SetState(TDataSetState::dsBrowse);
            modified_ = false;
            Resync(0);
            throw;
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
    Resync(0);
    Notify(AfterPost);
}

// --- bookmarks ------------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() {
    TRecordBuffer* buffer = ActiveBuffer();
    if (bookmarkSize_ == 0 || !buffer || GetBookmarkFlag(*buffer) != TBookmarkFlag::bfCurrent)
        return {};
    return GetBookmarkData(*buffer);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    Notify(BeforeScroll);
    InternalGotoBookmark(bookmark);
    Resync(rmExact | rmCenter);
    Notify(AfterScroll);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a == b) return 0;
    if (a.empty()) return -1;
    if (b.empty()) return 1;
    return a < b ? -1 : 1;
}

bool TDataSet::Locate(const std::string&, const Variant&, int) {
    return false;
}

Variant TDataSet::Lookup(const std::string&, const Variant&, const std::string&) {
    return Variant::Null();
}

// --- controls and events ----------------------------------------------------------------------

void TDataSet::DisableControls() {
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ > 0) return;
    DataEvent(TDataEvent::deUpdateState);
    if (Active()) DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == TDataEvent::deFieldChange) {
        const auto* field = reinterpret_cast<const TField*>(info);
        if (field && field->FieldKind() == TFieldKind::fkData &&
            state_ != TDataSetState::dsSetKey) {
            if (calcFieldCount_ > 0 && AutoCalcFields && ActiveBuffer())
                CalculateFields(*ActiveBuffer());
            modified_ = true;
        }
    }
    if (disableCount_ > 0 && event != TDataEvent::deUpdateState) return;
    // A source may leave the list while it handles the event, so the event goes to
    // the sources as they were; most datasets have one or two, copied without
    // allocating for every field change and post.
    constexpr size_t kFew = 4;
    if (dataSources_.size() <= kFew) {
        std::array<TDataSource*, kFew> sources{};
        const size_t count = dataSources_.size();
        std::copy(dataSources_.begin(), dataSources_.end(), sources.begin());
        for (size_t i = 0; i < count; ++i) sources[i]->DataEvent(event, info);
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_))
        source->DataEvent(event, info);
}

bool TDataSet::IsLinkedTo(TDataSource* source) const {
    int guard = 0;
    for (TDataSet* ds = source ? source->DataSet() : nullptr; ds && guard < 1000; ++guard) {
        if (ds == this) return true;
        TDataSource* master = ds->GetDataSource();
        ds = master ? master->DataSet() : nullptr;
    }
    return false;
}

void TDataSet::InternalHandleException() {}

// --- calculated fields and filters ------------------------------------------------------------

void TDataSet::ClearCalcFields(TRecordBuffer& buffer) {
    buffer.Calc.assign(static_cast<size_t>(calcFieldCount_), std::nullopt);
}

void TDataSet::CalculateFields(TRecordBuffer& buffer) {
    if (calcFieldCount_ == 0) return;
    WithCalcBuffer(buffer, [&] {
        ClearCalcFields(buffer);
        for (int i = 0; i < fields_.Count(); ++i) {
            TField& field = fields_[i];
            if (!field.Lookup() || !field.LookupDataSet) continue;
            std::vector<Variant> keys;
            for (const std::string& name : SplitFieldNames(field.KeyFields))
                keys.push_back(FieldByName(name).AsVariant());
            field.SetAsVariant(field.LookupValue(keys));
        }
        if (AutoCalcFields) Notify(OnCalcFields);
    });
}

void TDataSet::WithCalcBuffer(TRecordBuffer& buffer, const std::function<void()>& work) {
    const TDataSetState saved = state_;
    TRecordBuffer* savedBuffer = calcBuffer_;
    calcBuffer_ = &buffer;
    state_ = TDataSetState::dsCalcFields;
    try {
        work();
    } catch (...) {
        state_ = saved;
        calcBuffer_ = savedBuffer;
        throw;
    }
    state_ = saved;
    calcBuffer_ = savedBuffer;
}

bool TDataSet::FilterAccepts(TRecordBuffer& buffer) {
    if (!OnFilterRecord) return true;
    const TDataSetState saved = state_;
    TRecordBuffer* savedBuffer = filterBuffer_;
    filterBuffer_ = &buffer;
    state_ = TDataSetState::dsFilter;
    bool accept = true;
    try {
        OnFilterRecord(*this, accept);
    } catch (...) {
        state_ = saved;
        filterBuffer_ = savedBuffer;
        throw;
    }
    state_ = saved;
    filterBuffer_ = savedBuffer;
    return accept;
}

// --- field data ----------------------------------------------------------------------------------

bool TDataSet::GetFieldData(const TField& field, TFieldData* buffer) const {
    if (field.Calculated() || field.Lookup()) {
        TRecordBuffer* record = BufferForState();
        const int offset = field.CalcOffset();
        if (!record || offset < 0 || offset >= static_cast<int>(record->Calc.size())) return false;
        const auto& slot = record->Calc[static_cast<size_t>(offset)];
        if (!slot) return false;
        if (buffer) *buffer = *slot;
        return true;
    }
    return DoGetFieldData(field, buffer);
}

void TDataSet::SetFieldData(TField& field, const TFieldData* buffer) {
    if (field.Calculated() || field.Lookup()) {
        TRecordBuffer* record = BufferForState();
        const int offset = field.CalcOffset();
        if (!record || offset < 0 || offset >= static_cast<int>(record->Calc.size())) return;
        auto& slot = record->Calc[static_cast<size_t>(offset)];
        if (buffer)
            slot = *buffer;
        else
            slot.reset();
        return;
    }
    field.Validate(buffer);
    DoSetFieldData(field, buffer);
    if (state_ != TDataSetState::dsCalcFields && state_ != TDataSetState::dsFilter) {
        if (field.OnChange) field.OnChange(field);
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<std::intptr_t>(&field));
    }
}

}  // namespace zalvert
