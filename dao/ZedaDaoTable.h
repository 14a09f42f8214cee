#pragma once
// The table dataset: one recordset of the engine behind the generic dataset, read
// from a stored table, a stored query or SQL text. Values live in the record
// buffers as texts; the engine's cursor is moved as the dataset asks for rows.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dao/BookmarkRegistry.h"
#include "dao/DaoEncrypter.h"
#include "dao/DaoRecordBuffer.h"
#include "dao/SearchCriteria.h"
#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoIndexDefs.h"
#include "dataset/DataSet.h"
#include "dataset/DataSource.h"
#include "dataset/Params.h"
#include "dataset/Strings.h"

namespace zalvert {

enum class TOO {
    dbDenyWrite,
    dbDenyRead,
    dbReadOnly,
    dbAppendOnly,
    dbInconsistent,
    dbConsistent,
    dbSQLPassThrough,
    dbFailOnError,
    dbForwardOnly,
    dbSeeChanges,
    dbRunAsync,
    dbExecDirect
};
using TOOSet = std::set<TOO>;
// The engine's options integer of a set of open options.
int OpenOptionsValue(const TOOSet& options);

enum class TExportMethod { VisibleFields, AllFields };

class TZedaDaoTable : public TDataSet, public IDaoActiveTable {
  public:
    explicit TZedaDaoTable(TComponent* owner = nullptr);
    ~TZedaDaoTable() override;

    // --- sources -------------------------------------------------------------------
    TZedaDaoDatabase* Database() const { return database_; }
    void F_Set_Database(TZedaDaoDatabase* database);
    const std::string& TableName() const { return tableName_; }
    void F_Set_TableName(const std::string& name);
    TStrings& SQL() { return sql_; }
    void SetSQL(const std::string& text);
    const std::string& QueryDefName() const { return queryDefName_; }
    void F_Set_QueryDefName(const std::string& name);
    TStrings& QueryDefSQLText() { return queryDefSQLText_; }
    void SetQueryDefSQLText(const std::string& text);
    TStrings& QueryDefParameters() { return queryDefParameters_; }
    TStrings& QueryDefParametersText() { return queryDefParameters_; }
    void SetQueryDefParameters(const std::string& text) { queryDefParameters_.SetText(text); }
    bool QueryDefSQLModify = false;
    int QueryDefODBCMaxRecords = 0;
    std::string QueryDefType();
    TParams& Params() { return params_; }
    void SetParams(const TParams& params) { params_.AssignValues(params); }
    bool ParamCheck = true;
    // What a stored query with parameters gave back in its output parameters.
    const Variant& QueryDefOutputValues() const { return outputValues_; }

    // --- how the recordset is opened -------------------------------------------------
    int TableType() const { return tableType_; }
    void F_Set_TableType(int type);
    int LockType() const { return lockType_; }
    void F_Set_LockType(int type);
    const TOOSet& OpenOptions() const { return openOptions_; }
    void SetOpenOptions(const TOOSet& options);
    int OpenOptionsInUse() const { return openOptionsValue_; }
    TStrings& SortedBy() { return sortedBy_; }
    TStrings& SortedByText() { return sortedBy_; }
    void SetSortedBy(const std::string& text);
    const std::string& CurrentSort() const { return currentSort_; }
    const std::string& IndexName() const { return indexName_; }
    void F_Set_IndexName(const std::string& name);
    int IndexFieldCount();
    void SetIndexFieldCount(int) {}
    TZedaDaoIndexDefs& IndexDefs() { return indexDefs_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool LockEdits();
    void SetLockEdits(bool) {}
    std::string TableDateCreated();
    std::string TableLastUpdated();
    void SetTableDateCreated(const std::string& text) { tableDateCreated_ = text; }
    void SetTableLastUpdated(const std::string& text) { tableLastUpdated_ = text; }

    // --- settings that reopen the whole table -------------------------------------------
    bool CacheBlobs() const { return cacheBlobs_; }
    void SetCacheBlobs(bool value) { SetReopening(cacheBlobs_, value); }
    bool CacheMemos() const { return cacheMemos_; }
    void SetCacheMemos(bool value) { SetReopening(cacheMemos_, value); }
    bool CacheLookups() const { return cacheLookups_; }
    void SetCacheLookups(bool value) { SetReopening(cacheLookups_, value); }
    bool ShowGUID() const { return showGUID_; }
    void SetShowGUID(bool value) { SetReopening(showGUID_, value); }
    TComponent* Encrypter() const { return encrypter_; }
    void SetEncrypter(TComponent* encrypter);

    // --- searching (ZedaDaoSearch.cpp) -------------------------------------------------------
    bool Locate(const std::string& keyFields, const Variant& keyValues, int options) override;
    Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                   const std::string& resultFields) override;
    bool FindFirstByKey(const std::string& keyFields, const Variant& keyValues, int options) {
        return FindByKey(TFindKind::First, keyFields, keyValues, options);
    }
    bool FindLastByKey(const std::string& keyFields, const Variant& keyValues, int options) {
        return FindByKey(TFindKind::Last, keyFields, keyValues, options);
    }
    bool FindNextByKey(const std::string& keyFields, const Variant& keyValues, int options) {
        return FindByKey(TFindKind::Next, keyFields, keyValues, options);
    }
    bool FindPriorByKey(const std::string& keyFields, const Variant& keyValues, int options) {
        return FindByKey(TFindKind::Prior, keyFields, keyValues, options);
    }
    // The first, next or prior record whose text shown for `fieldName` (its display
    // text, as a grid shows it: numbers and dates in their German form) begins with
    // `prefix`, letter case aside; made current.
    bool FindFirstShown(const std::string& fieldName, const std::string& prefix) {
        return FindShown(TFindKind::First, fieldName, prefix);
    }
    bool FindNextShown(const std::string& fieldName, const std::string& prefix) {
        return FindShown(TFindKind::Next, fieldName, prefix);
    }
    bool FindPriorShown(const std::string& fieldName, const std::string& prefix) {
        return FindShown(TFindKind::Prior, fieldName, prefix);
    }

    // --- filtering, master link (ZedaDaoMasterDetail.cpp) -------------------------------------
    void SetFiltered(bool filtered) override;
    void SetFilter(const std::string& text) override;
    void SetOnFilterRecord(std::function<void(TDataSet&, bool&)> handler);
    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    void SetMasterSource(TDataSource* source);
    TStrings& MasterFields() { return masterFields_; }
    void SetMasterFields(const std::string& text) { masterFields_.SetText(text); }
    bool MasterAutoActivate = true;
    TDataSource* GetDataSource() const override { return MasterSource(); }

    // --- plain settings --------------------------------------------------------------------
    std::string ComponentVersion() const { return "9.10"; }
    void SetComponentVersion(const std::string&) {}
    bool AutoFindIndex = true;
    TExportMethod ExportMethod = TExportMethod::VisibleFields;
    bool RefreshSorted = false;
    bool Translation = false;
    bool DatabaseAutoActivate = false;
    bool UseBrackets = true;
    bool UseCaptions = false;
    bool UseDaoProperties = true;
    bool UseGetRecNo = true;
    bool UseRecordCount = true;
    bool WarnOnBadDatabase = false;
    bool ProcessMessages = false;
    std::function<void(TDataSet&, int)> OnExportProgress, OnImportProgress;

    // --- objects and per-table lists -------------------------------------------------------
    engine::Recordset* Recordset() const { return recordset_.get(); }
    bool Bookmarkable() const { return bookmarkable_; }
    long long RecordsAffected() const { return recordsAffected_; }
    const TStrings& FieldNames() const { return fieldNames_; }
    const TStrings& NonBlobFields() const { return nonBlobFields_; }
    const TStrings& FieldTypeNames() const { return typeNames_; }
    const TStrings& NonFtBlobFields() const { return nonFtBlobFields_; }
    const std::vector<std::string>& DefaultValues() const { return defaultValues_; }
    const std::vector<bool>& Updatable() const { return updatable_; }
    const TStrings& Captions() const { return captions_; }
    const TBookmarkRegistry& Bookmarks() const { return registry_; }
    // The 32-bit value a bookmark of this table stands for.
    static std::int32_t BookmarkValue(const TBookmark& bookmark);

    // --- the dataset contract --------------------------------------------------------------
    bool CanModify() const override { return cursorOpen_ && !readOnly_; }
    std::string BookmarkStr() override;
    void SetBookmarkStr(const std::string& text) override;
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
    bool GetCurrentRecord(TRecordBuffer& buffer) override;
    void UpdateIndexDefs() override;
    std::string Translate(const std::string& text, bool toOem) override;
    // A TZedaBlobStream over a memo or blob field of the current record.
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    int GetRecordSize() const override { return recordSize_; }
    TRecordBuffer* BufferForState() const override;
    // Re-reads the field and index definitions (from a closed table too).
    void InitFieldDefs() { InternalInitFieldDefs(); }
    // The framework's post, then a requery of a sorted table when asked for.
    void Post() override;

    // --- the connection closing its tables -------------------------------------------------
    void SetClosedByDatabase(bool closed) override { closedByDatabase_ = closed; }
    void CloseTable() override { Close(); }

  protected:
    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmark GetBookmarkData(TRecordBuffer& buffer) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer& buffer) override;
    void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) override;
    void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return cursorOpen_; }
    void InternalInitFieldDefs() override;
    void InternalAddRecord(TRecordBuffer& buffer, bool append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalEdit() override;
    void InternalCancel() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    bool HandlesErrorEvents() const override { return true; }
    bool DoGetFieldData(const TField& field, TFieldData* buffer) const override;
    void DoSetFieldData(TField& field, const TFieldData* buffer) override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoValue(int value) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    bool FindRecord(bool restart, bool goForward) override;
    void DoOnNewRecord() override;

  private:
    enum class TFindKind { First, Last, Next, Prior };
    // Key fields and their value texts, checked to match in number.
    struct TKeySearch {
        std::vector<std::string> Fields;
        std::vector<std::string> Values;
    };

    friend class TZedaDaoIndexDefs;
    friend class TZedaBlobStream;

    // How record loading takes each field definition's value; prepared at open.
    enum class TLoadKind : std::uint8_t { Skip, Text, DateTime, Boolean, BlobBytes, BlobSize };
    struct TFieldLoad {
        TField* Field = nullptr;
        TLoadKind Kind = TLoadKind::Skip;
        bool Encrypted = false;
    };

    // --- searching (ZedaDaoSearch.cpp) ---
    bool FindByKey(TFindKind kind, const std::string& keyFields, const Variant& keyValues,
                   int options);
    bool FindShown(TFindKind kind, const std::string& fieldName, const std::string& prefix);
    bool FindWhere(TFindKind kind, const std::string& criteria);
    static std::optional<std::pair<std::int64_t, std::int64_t>> ShownAsPlainInteger(
        const TField& field);
    static void StartAt(engine::Recordset& clone, TFindKind kind, std::int32_t here);
    TKeySearch KeyLists(const std::string& keyFields, const Variant& keyValues) const;
    std::vector<TCriteriaField> CriteriaFields(const std::vector<std::string>& names) const;
    void CursorToCurrentRecord();
    std::string IndexForLocate(const std::string& keyFields) const;
    // Closes the clone kept for Locate: its keys no longer stand for the table.
    void DropSeekClone();
    std::shared_ptr<engine::Recordset> SeekOnClone(const std::string& index, const TKeySearch& key,
                                                   int options);
    bool SeekFoundKey(engine::Recordset& clone, const TKeySearch& key, int options) const;
    void MakeFoundCurrent(engine::Recordset& clone, int resyncModes);
    bool LocateByScan(const TKeySearch& key, int options);
    bool ScanRowMatches(const TKeySearch& key, int options);
    Variant LookupIn(engine::Recordset& snapshot, const std::vector<TField*>& results,
                     bool calculated);

    // --- master link (ZedaDaoMasterDetail.cpp) ---
    void ParseMasterFields();
    std::string MasterCondition();
    bool PrepareMasterLink();
    std::string MasterStatement();
    void NarrowToMaster();
    void MasterChanged();
    void RefreshDetail();
    void MasterValuesToParams();

    // --- opening (ZedaDaoTableOpen.cpp) ---
    void OpenDaoRecordset();
    void SetUpOpenedCursor();
    void CheckOpenGuards();
    std::string SourceText();
    void FillQueryDefParameters(engine::QueryDef& query);
    void OpenStoredQuery();
    void CollectOutputValues(engine::QueryDef& query);
    void ReadFieldProperties();
    void ApplySortAndFilter();
    std::string SortText() const;
    void ReplaceRecordset(std::shared_ptr<engine::Recordset> next);
    void ResetNavigation();
    void PrepareFields();
    void CheckEncrypter();
    void RegisterWithDatabase();
    void ReopenRecordset();
    void ReopenOrUndo(const std::function<void()>& undo);
    void ReopenTable();
    std::string TableTimeStamp(TDateTime (engine::TableDef::*ofTable)() const,
                               TDateTime (engine::QueryDef::*ofQuery)() const);
    void SetReopening(bool& member, bool value);
    // --- field definitions (ZedaDaoFieldDefs.cpp) ---
    void BuildFieldDefs();
    void AddFieldDef(int index, engine::Field& field);
    void ReadIndexDefs();

    // --- navigation (ZedaDaoNavigation.cpp) ---
    bool RsEmpty() const;
    bool ForwardOnly() const { return tableType_ == engine::dbOpenForwardOnly; }
    bool FilterActive() const { return Filtered() && static_cast<bool>(OnFilterRecord); }
    TGetResult FetchOnce(TGetMode mode);
    bool LoadRecord(TDaoRecordBuffer& buffer);
    bool LoadValues(const std::vector<std::shared_ptr<engine::Field>>& fields,
                    TDaoRecordBuffer& buffer);
    bool LoadValue(const engine::Field& field, size_t index, TDaoValue& entry);
    void LoadValueFrom(size_t index, const Variant& value, TDaoValue& entry);
    void DecryptLoaded(const TFieldLoad& load, TDaoValue& entry);
    void AssignValueText(size_t index, const Variant& value, std::string& text) const;
    TFieldLoad LoadPlan(TField& field) const;
    std::int32_t CurrentBookmarkValue();
    void PositionByBookmark(std::int32_t bookmark);
    void GotoFirstPosition();
    int VerifiedTableCount(int daoCount);
    std::int32_t BookmarkHere() const;
    int CountAccepted();
    void PutCursorBack(int count);
    int RecNoWithFilter();
    void RecomputePosition(TDaoRecordBuffer& buffer);
    int PositionSearch();
    bool AcceptRecord(TDaoRecordBuffer& buffer);
    TDaoRecordBuffer* StateBuffer() const;

    // --- field data and editing (ZedaDaoFieldData.cpp, ZedaDaoEditing.cpp) ---
    bool IsGuidField(const TField& field) const;
    void WriteModifiedValues(const TDaoRecordBuffer& buffer);
    void WriteValue(size_t index, const TField& field, const std::string& text);
    void StartDaoEdit();
    void WriteAndUpdate(bool inserting);
    void DropEdit();
    void DropAddition();
    void AfterInsertPosted();
    void MoveToWrittenRecord(bool inserting);
    TDataAction AskErrorEvent(Exception& error, const TErrorEvent& handler);
    void RefreshOrReopen();
    // The record now current as the old values; `setOver`, a buffer whose every
    // value the caller sets next, gives its values up instead of a copy.
    void KeepOldValues(TDaoRecordBuffer* setOver = nullptr);
    void FreeOldValues() {
        if (oldValues_) spareOldValues_ = std::move(oldValues_);
    }

    // --- published state ---
    TZedaDaoDatabase* database_ = nullptr;
    std::string tableName_;
    TStringList sql_;
    std::string queryDefName_;
    TStringList queryDefSQLText_;
    TStringList queryDefParameters_;
    std::string queryDefTypeName_;
    int queryDefTypeValue_ = -1;
    TParams params_;
    int tableType_ = engine::dbOpenDynaset;
    int lockType_ = engine::dbOptimistic;
    TOOSet openOptions_;
    TStringList sortedBy_;
    std::string indexName_;
    TZedaDaoIndexDefs indexDefs_;
    bool readOnly_ = false;
    std::string tableDateCreated_, tableLastUpdated_;
    bool cacheBlobs_ = false, cacheMemos_ = false, cacheLookups_ = false, showGUID_ = false;
    TComponent* encrypter_ = nullptr;
    TStringList masterFields_;
    TMasterDataLink masterLink_;
    bool masterInactive_ = true;
    std::vector<std::string> detailNames_, masterNames_;
    // The search find record repeats: the last key find's.
    std::string findKeyFields_;
    Variant findKeyValues_ = Variant::Null();
    int findOptions_ = 0;

    // --- open state ---
    std::shared_ptr<engine::Recordset> recordset_;
    // The clone a Locate on a standard table sought in another index, and that index.
    std::shared_ptr<engine::Recordset> seekClone_;
    std::string seekCloneIndex_;
    std::shared_ptr<engine::Recordset> detailBase_;
    bool cursorOpen_ = false;
    bool opening_ = false;
    bool closedByDatabase_ = false;
    bool comInitialized_ = false;
    bool bookmarkable_ = false;
    long long recordsAffected_ = 0;
    int openOptionsValue_ = 0;
    std::string currentSort_;
    std::vector<std::shared_ptr<engine::Field>> fieldCache_;
    TStringList fieldNames_, nonBlobFields_, typeNames_, nonFtBlobFields_, captions_;
    std::vector<std::string> defaultValues_;
    std::vector<bool> updatable_;
    std::vector<TFieldLoad> loads_;
    Variant outputValues_;
    IDaoEncrypter* encrypterObject_ = nullptr;
    int recordSize_ = 0;

    // --- navigation state ---
    std::int32_t position_ = -1;
    std::int32_t step_ = -1;
    std::int32_t highestSeen_ = -1;
    std::int32_t cachedCount_ = -1;
    bool countInvalid_ = true;
    bool positionInvalid_ = false;
    TBookmarkRegistry registry_;
    std::unique_ptr<TDaoRecordBuffer> oldValues_;
    std::unique_ptr<TDaoRecordBuffer> spareOldValues_;  // released, kept for the next copy
    Variant textValue_;  // a text on its way to a DAO field (WriteValue)
};

}  // namespace zalvert
