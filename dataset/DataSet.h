#pragma once
// The generic dataset: states, a ring of record buffers sized by its data links,
// navigation, editing with events, bookmarks, calculated fields, and the virtual
// operations a concrete dataset supplies to reach its rows.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/Component.h"
#include "dataset/DatabaseError.h"
#include "dataset/Field.h"
#include "dataset/FieldDefs.h"
#include "dataset/Stream.h"

namespace zalvert {

class TDataLink;
class TDataSource;

enum class TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
enum class TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum class TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    deFocusControl,
    deDisabledStateChange
};
enum class TDataAction { daFail, daAbort, daRetry };
enum TResyncMode { rmExact = 1, rmCenter = 2 };
enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };

using TBookmark = std::vector<std::uint8_t>;

// One record buffer. A concrete dataset derives its own; the base keeps the values
// of calculated and lookup fields here.
struct TRecordBuffer {
    virtual ~TRecordBuffer() = default;
    std::vector<std::optional<TFieldData>> Calc;
};

// The fields of a dataset, in field order.
class TFields {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    TField& operator[](int index) const;
    TField* FindField(const std::string& name) const;
    int IndexOf(const TField* field) const;
    void Add(TField* field);
    void Remove(TField* field);
    void Clear() { items_.clear(); }

  private:
    std::vector<TField*> items_;
};

class TDataSet : public TComponent {
  public:
    using TEvent = std::function<void(TDataSet&)>;
    using TErrorEvent = std::function<void(TDataSet&, Exception&, TDataAction&)>;

    explicit TDataSet(TComponent* owner = nullptr);
    // Concrete datasets call Close in their destructor.
    ~TDataSet() override;

    // --- state -------------------------------------------------------------------
    TDataSetState State() const { return state_; }
    bool Active() const {
        return state_ != TDataSetState::dsInactive && state_ != TDataSetState::dsOpening;
    }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const;
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    virtual bool CanModify() const { return true; }

    // --- navigation --------------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    void Resync(int modes);
    void CheckBrowseMode();

    // --- editing -----------------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    void Cancel();
    void Delete();
    void Refresh();
    void InsertRecord(const std::vector<Variant>& values) { AddFromValues(values, false); }
    void AppendRecord(const std::vector<Variant>& values) { AddFromValues(values, true); }
    void InsertFromValues(const std::vector<Variant>& values) { AddFromValues(values, false); }
    void UpdateRecord();

    // --- fields ------------------------------------------------------------------
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    TIndexDefs& IndexDefs() { return indexDefs_; }
    int FieldCount() const { return fields_.Count(); }
    TField* FindField(const std::string& name) const { return fields_.FindField(name); }
    TField& FieldByName(const std::string& name) const;
    bool DefaultFields() const { return defaultFields_; }

    // --- counts and positions ------------------------------------------------------
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }
    void SetRecNo(int value) { SetRecNoValue(value); }

    // --- bookmarks ---------------------------------------------------------------
    TBookmark GetBookmark();
    TBookmark Bookmark() { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& /*bookmark*/) { return false; }
    // The bookmark as text, and back, for callers that keep it as a string.
    virtual std::string BookmarkStr() {
        const TBookmark bookmark = GetBookmark();
        return std::string(bookmark.begin(), bookmark.end());
    }
    virtual void SetBookmarkStr(const std::string& text) {
        GotoBookmark(TBookmark(text.begin(), text.end()));
    }
    // Copies the current record into `buffer`; false when there is none to copy.
    virtual bool GetCurrentRecord(TRecordBuffer& /*buffer*/) { return false; }
    // Reads the index definitions anew.
    virtual void UpdateIndexDefs() {}
    // Character set translation of a text, towards the OEM set or back from it.
    virtual std::string Translate(const std::string& text, bool /*toOem*/) { return text; }
    virtual int GetRecordSize() const { return 0; }
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
    int BookmarkSize() const { return bookmarkSize_; }

    // --- searching and filtering ---------------------------------------------------
    // Key values: one value, or an array of one value per key field.
    virtual bool Locate(const std::string& keyFields, const Variant& keyValues, int options);
    virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                           const std::string& resultFields);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    const std::string& Filter() const { return filterText_; }
    virtual void SetFilter(const std::string& text) { filterText_ = text; }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool filtered) { filtered_ = filtered; }

    // --- controls ----------------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    void DataEvent(TDataEvent event, std::intptr_t info = 0);
    // Whether `source` leads back to this dataset through master links.
    bool IsLinkedTo(TDataSource* source) const;
    virtual TDataSource* GetDataSource() const { return nullptr; }

    // A stream over a blob or memo field of the current record; none by default.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& /*field*/, TBlobStreamMode /*mode*/) {
        return nullptr;
    }

    // --- calculated fields -------------------------------------------------------
    bool AutoCalcFields = true;
    void CalculateFields(TRecordBuffer& buffer);

    // --- field data (used by the fields) --------------------------------------------
    bool GetFieldData(const TField& field, TFieldData* buffer) const;
    void SetFieldData(TField& field, const TFieldData* buffer);
    // The buffer the current state reads and writes; null when there is none.
    TRecordBuffer* ActiveBuffer() const;
    virtual TRecordBuffer* BufferForState() const;

    // --- events ------------------------------------------------------------------
    TEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit,
        AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete,
        BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh, OnNewRecord, OnCalcFields;
    std::function<void(TDataSet&, bool& accept)> OnFilterRecord;
    TErrorEvent OnEditError, OnPostError, OnDeleteError;

    // Data links register here; their buffer counts size the buffer ring.
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);
    void UpdateBufferCount();
    int BufferCount() const { return bufferCount_; }
    int BufferedRecordCount() const { return recordCount_; }
    int ActiveRecordIndex() const { return activeRecord_; }
    // Makes the buffered record `index` the active one without moving the cursor,
    // so that a grid can read its fields for painting. Returns the index to set back
    // as soon as the reading is done.
    int SetTempActiveRecord(int index) {
        const int old = activeRecord_;
        activeRecord_ = index;
        return old;
    }
    TRecordBuffer* Buffer(int index) const { return buffers_.at(static_cast<size_t>(index)).get(); }

  protected:
    // --- the operations a concrete dataset supplies ---------------------------------
    virtual std::unique_ptr<TRecordBuffer> AllocRecordBuffer() = 0;
    virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer& buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual TBookmark GetBookmarkData(TRecordBuffer& buffer) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer& buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) = 0;
    virtual void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalAddRecord(TRecordBuffer& buffer, bool append) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalPost();
    virtual void InternalEdit() {}
    virtual void InternalCancel() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual void InternalHandleException();
    // A dataset that calls OnEditError, OnPostError and OnDeleteError itself.
    virtual bool HandlesErrorEvents() const { return false; }
    virtual bool DoGetFieldData(const TField& field, TFieldData* buffer) const = 0;
    virtual void DoSetFieldData(TField& field, const TFieldData* buffer) = 0;
    virtual void ClearCalcFields(TRecordBuffer& buffer);
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoValue(int /*value*/) {}
    virtual void DoOnNewRecord();
    virtual bool FindRecord(bool /*restart*/, bool /*goForward*/) { return false; }
    // The base keeps the buffers fresh: a dataset may not need to do anything here.
    virtual void InitRecord(TRecordBuffer& buffer);

    void Loaded() override;

    // --- helpers for concrete datasets -------------------------------------------
    void SetState(TDataSetState state);
    // A state taken for a moment, without events; RestoreState ends it.
    TDataSetState SetTempState(TDataSetState state) {
        const TDataSetState old = state_;
        state_ = state;
        return old;
    }
    void RestoreState(TDataSetState state) { state_ = state; }
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    void CreateFields();
    // Ties each data field to the field definition of its name (its field number);
    // unbinding clears the numbers.
    void BindFields(bool binding);
    void CheckActive() const;
    void CheckInactive() const;
    void CursorPosChanged() { currentRecord_ = -1; }
    void UpdateCursorPos();
    // Runs the filter event on a buffer: whether it accepts the record.
    bool FilterAccepts(TRecordBuffer& buffer);
    // Runs `work` with `buffer` as the record of the calculated-fields state.
    void WithCalcBuffer(TRecordBuffer& buffer, const std::function<void()>& work);
    TRecordBuffer* CalcBuffer() const { return calcBuffer_; }

  private:
    void OpenCursor();
    void CloseCursor();
    void SetBufferCount(int count);
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index);
    void BeginInsertAppend();
    void EndInsertAppend();
    void AddFromValues(const std::vector<Variant>& values, bool append);
    void AssignValue(TField& field, const Variant& value);
    void CheckOperation(const std::function<void()>& operation, const TErrorEvent& onError);
    void Notify(const TEvent& event) {
        if (event) event(*this);
    }
    void AssignCalcOffsets();
    void MakeRoomForInsert(bool append);

    TDataSetState state_ = TDataSetState::dsInactive;
    TFields fields_;
    TFieldDefs fieldDefs_;
    TIndexDefs indexDefs_;
    bool defaultFields_ = false;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    std::string filterText_;
    bool filtered_ = false;
    int bookmarkSize_ = 0;

    std::vector<std::unique_ptr<TRecordBuffer>> buffers_;  // bufferCount_ + 1, the last spare
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    TRecordBuffer* calcBuffer_ = nullptr;
    TRecordBuffer* filterBuffer_ = nullptr;
    int disableCount_ = 0;
    int calcFieldCount_ = 0;
    bool streamedActive_ = false;
    bool ending_ = false;  // set while the base destructor runs
    std::vector<TDataLink*> dataLinks_;
    std::vector<TDataSource*> dataSources_;
    friend class TDataSource;
};

}  // namespace zalvert
