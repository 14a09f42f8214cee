#include "dao/ZedaDaoTable.h"
#include "dao/ZedaBlobStream.h"
#include "dao/ZedaDaoTableSupport.h"

#include "dao/SqlParameterText.h"
#include "dataset/DatabaseError.h"
#include "rtl/CodePage.h"
#include "rtl/ComInit.h"
#include "rtl/DateTime.h"
#include "rtl/Interaction.h"

namespace zalvert {
using namespace daotable;
namespace {

std::string QueryTypeName(int type) {
    switch (type) {
        case 0:
            return "dbQSelect";
        case 16:
            return "dbQCrosstab";
        case 32:
            return "dbQDelete";
        case 48:
            return "dbQUpdate";
        case 64:
            return "dbQAppend";
        case 80:
            return "dbQMakeTable";
        case 96:
            return "dbQDDL";
        case 112:
            return "dbQSQLPassThrough";
        case 128:
            return "dbQSetOperation";
        case 144:
            return "dbQSPTBulk";
        case 160:
            return "dbQCompound";
        case 224:
            return "dbQProcedure";
        case 240:
            return "dbQAction";
        default:
            return {};
    }
}

}  // namespace

int OpenOptionsValue(const TOOSet& options) {
    int value = 0;
    for (TOO option : options) value |= 1 << static_cast<int>(option);
    return value;
}

// --- life ---------------------------------------------------------------------------

TZedaDaoTable::TZedaDaoTable(TComponent* owner) : TDataSet(owner), indexDefs_(this) {
    sql_.OnChange = [this] {
        if (Loading() || !(ParamCheck || Designing())) return;
        TParams parsed;
        parsed.ParseSQL(sql_.Text());
        parsed.AssignValues(params_);
        params_ = parsed;
    };
    masterFields_.OnChange = [this] {
        if (!Loading() && cursorOpen_ && MasterSource()) ReopenRecordset();
    };
    masterLink_.OnMasterChange = [this] { MasterChanged(); };
    masterLink_.OnMasterDisable = [this] {
        if (Active()) CheckBrowseMode();
        masterInactive_ = true;
    };
    if (ComInitialize() == TComInitResult::Failed) Fail("Unable to init OLE objects!");
    comInitialized_ = true;
}

TZedaDaoTable::~TZedaDaoTable() {
    try {
        Close();
    } catch (const std::exception&) {
        // a table going away is closed as far as it can be
    }
    fieldCache_.clear();
    recordset_.reset();
    if (database_) database_->RemoveFreeNotification(this);
    if (encrypter_) encrypter_->RemoveFreeNotification(this);
    if (comInitialized_) ComUninitialize();
}

void TZedaDaoTable::Loaded() {
    RunGuarded(ApplicationInteraction(), [this] { TDataSet::Loaded(); });
}

void TZedaDaoTable::Notification(TComponent* component, TOperation operation) {
    if (operation != TOperation::Remove) return;
    if (component == database_) {
        // The connection closes its tables before it goes.
        if (Active()) IgnoringErrors([this] { Close(); });
        database_ = nullptr;
    }
    if (component == encrypter_) {
        if (Active()) Close();
        encrypter_ = nullptr;
        encrypterObject_ = nullptr;
    }
}

void TZedaDaoTable::InternalHandleException() {
    ShowException(ApplicationInteraction(), std::current_exception());
}

// --- source setters --------------------------------------------------------------------

void TZedaDaoTable::F_Set_Database(TZedaDaoDatabase* database) {
    if (Active()) Fail("TZedaDaoTable.F_Set_Database: Cannot set Database while Table is Active!");
    if (database_ == database) return;
    if (database_) database_->RemoveFreeNotification(this);
    database_ = database;
    if (database_) database_->FreeNotification(this);
}

void TZedaDaoTable::F_Set_TableName(const std::string& name) {
    if (Active())
        Fail("TZedaDaoTable.F_Set_TableName: Cannot set TableName while Table is active!");
    tableName_ = name;
    if (name.empty()) return;
    indexName_.clear();
    sql_.Clear();
    queryDefName_.clear();
    queryDefSQLText_.Clear();
    queryDefParameters_.Clear();
    sortedBy_.Clear();
    captions_.Clear();
    FieldDefs().Clear();
    indexDefs_.Clear();
}

void TZedaDaoTable::SetSQL(const std::string& text) {
    sql_.SetText(text);
    if (text.empty()) return;
    queryDefParameters_.Clear();
    queryDefSQLText_.Clear();
    queryDefName_.clear();
    indexName_.clear();
    tableName_.clear();
    captions_.Clear();
    FieldDefs().Clear();
    indexDefs_.Clear();
}

void TZedaDaoTable::F_Set_QueryDefName(const std::string& name) {
    if (cursorOpen_)
        Fail("TZedaDaoTable.F_Set_QueryDefName: Cannot set QueryDefName while Table is Active!");
    if (database_ && database_->Connected())
        IgnoringErrors([&] { queryDefSQLText_.SetText(database_->GetQueryDefSQL(name)); });
    queryDefName_ = name;
    QueryDefType();
    if (name.empty()) return;
    indexName_.clear();
    tableName_.clear();
    sql_.Clear();
    queryDefParameters_.Clear();
    masterFields_.Clear();
    captions_.Clear();
    FieldDefs().Clear();
    indexDefs_.Clear();
    if (tableType_ == engine::dbOpenTable || tableType_ == engine::dbOpenDynamic)
        tableType_ = engine::dbOpenDynaset;
}

void TZedaDaoTable::SetQueryDefSQLText(const std::string& text) {
    if (!database_ || !database_->Connected() || cursorOpen_ || queryDefName_.empty() ||
        !QueryDefSQLModify || Loading())
        return;
    const std::string sql = ParamCheck ? SubstituteParams(text, params_) : text;
    if (database_->QueryDefNames().IndexOf(queryDefName_) < 0)
        database_->CreateQueryDef(queryDefName_, sql);
    else
        database_->SetQueryDefSQL(queryDefName_, sql);
    database_->RefreshDefinitions();
    F_Set_QueryDefName(queryDefName_);
}

// --- recordset setters -----------------------------------------------------------------

void TZedaDaoTable::F_Set_TableType(int type) {
    if (Active())
        Fail("TZedaDaoTable.F_Set_TableType: Cannot set TableType while Table is active!");
    tableType_ = type;
    if (type == engine::dbOpenTable) {
        sortedBy_.Clear();
        return;
    }
    indexName_.clear();
    indexDefs_.Clear();
    if (type == engine::dbOpenForwardOnly) sortedBy_.Clear();
}

void TZedaDaoTable::F_Set_LockType(int type) {
    if (Active()) Fail("TZedaDaoTable.F_Set_LockType: Cannot set LockType while Table is active!");
    lockType_ = type;
}

void TZedaDaoTable::SetOpenOptions(const TOOSet& options) {
    openOptions_ = options;
    if (cursorOpen_) ReopenRecordset();
}

void TZedaDaoTable::SetSortedBy(const std::string& text) {
    sortedBy_.SetText(text);
    indexName_.clear();
    if (cursorOpen_) ReopenRecordset();
}

void TZedaDaoTable::F_Set_IndexName(const std::string& name) {
    constexpr const char* kOnlyTables =
        "TZedaDaoTable.F_Set_IndexName: Indexes can be set only on Standard Tables!";
    const bool tableType = tableType_ == engine::dbOpenTable;
    if (!tableType && !name.empty()) Fail(kOnlyTables);
    if (Active() && tableType) {
        sortedBy_.Clear();
        IgnoringErrors([&] { recordset_->SetIndex(name); });
        indexName_ = name;
        CheckBrowseMode();
        countInvalid_ = true;
        First();
        return;
    }
    if (tableType && !name.empty()) sortedBy_.Clear();
    indexName_ = name;
}

void TZedaDaoTable::SetReadOnly(bool value) {
    readOnly_ = value || (database_ && database_->Connected() && database_->ReadOnly());
}

void TZedaDaoTable::SetReopening(bool& member, bool value) {
    member = value;
    if (!Loading() && cursorOpen_) ReopenTable();
}

void TZedaDaoTable::SetEncrypter(TComponent* encrypter) {
    if (encrypter_ != encrypter) {
        if (encrypter_) encrypter_->RemoveFreeNotification(this);
        if (encrypter) encrypter->FreeNotification(this);
    }
    encrypter_ = encrypter;
    if (!Loading() && cursorOpen_) ReopenTable();
}

void TZedaDaoTable::SetFiltered(bool filtered) {
    const bool old = Filtered();
    TDataSet::SetFiltered(filtered);
    if (filtered != old && cursorOpen_) ReopenOrUndo([&] { TDataSet::SetFiltered(old); });
}

void TZedaDaoTable::SetFilter(const std::string& text) {
    const std::string old = Filter();
    TDataSet::SetFilter(text);
    if (cursorOpen_ && Filtered()) ReopenOrUndo([&] { TDataSet::SetFilter(old); });
}

void TZedaDaoTable::SetOnFilterRecord(std::function<void(TDataSet&, bool&)> handler) {
    auto old = std::move(OnFilterRecord);
    OnFilterRecord = std::move(handler);
    if (cursorOpen_ && Filtered()) ReopenOrUndo([&] { OnFilterRecord = std::move(old); });
}

// The recordset opened again in place: same table, first record.
void TZedaDaoTable::ReopenRecordset() {
    CheckBrowseMode();
    if (recordset_) IgnoringErrors([this] { recordset_->Close(); });
    recordset_.reset();
    OpenDaoRecordset();
    First();
}

// A reopen that fails puts the old setting back and opens with it again, so the
// dataset stays usable; the failure passes on.
void TZedaDaoTable::ReopenOrUndo(const std::function<void()>& undo) {
    try {
        ReopenRecordset();
    } catch (...) {
        undo();
        try {
            ReopenRecordset();
        } catch (...) {
            IgnoringErrors([this] { Close(); });
        }
        throw;
    }
}

void TZedaDaoTable::ReopenTable() {
    Close();
    Open();
    First();
}

// --- readers ---------------------------------------------------------------------------

std::string TZedaDaoTable::QueryDefType() {
    queryDefTypeName_.clear();
    queryDefTypeValue_ = -1;
    if (!database_ || !database_->Connected() || queryDefName_.empty()) return {};
    try {
        queryDefTypeValue_ = database_->DatabaseObject()->QueryDefs().Item(queryDefName_)->Type();
        queryDefTypeName_ = QueryTypeName(queryDefTypeValue_);
    } catch (const std::exception&) {
    }
    return queryDefTypeName_;
}

// A time stamp of the table, or of the stored query it was opened from.
std::string TZedaDaoTable::TableTimeStamp(TDateTime (engine::TableDef::*ofTable)() const,
                                          TDateTime (engine::QueryDef::*ofQuery)() const) {
    if (!cursorOpen_) return {};
    try {
        engine::Database& db = *database_->DatabaseObject();
        if (tableType_ == engine::dbOpenTable)
            return DateTimeToStr((*db.TableDefs().Item(tableName_).*ofTable)());
        if (!queryDefName_.empty())
            return DateTimeToStr((*db.QueryDefs().Item(queryDefName_).*ofQuery)());
    } catch (const std::exception&) {
    }
    return {};
}

std::string TZedaDaoTable::TableDateCreated() {
    return TableTimeStamp(&engine::TableDef::DateCreated, &engine::QueryDef::DateCreated);
}

std::string TZedaDaoTable::TableLastUpdated() {
    return TableTimeStamp(&engine::TableDef::LastUpdated, &engine::QueryDef::LastUpdated);
}

int TZedaDaoTable::IndexFieldCount() {
    if (tableType_ != engine::dbOpenTable || !database_ || !database_->Connected() ||
        tableName_.empty() || indexName_.empty())
        return 0;
    try {
        auto table = database_->DatabaseObject()->TableDefs().Item(tableName_);
        return table->Indexes().Item(indexName_)->Fields().Count();
    } catch (const std::exception&) {
        return 0;
    }
}

bool TZedaDaoTable::LockEdits() {
    if (!Active() || !database_ || database_->DatabaseType() == "ODBC" || database_->ReadOnly() ||
        readOnly_ || (tableType_ != engine::dbOpenTable && tableType_ != engine::dbOpenDynaset))
        return false;
    // The engine locks pessimistically exactly when the recordset was opened so.
    return lockType_ == engine::dbPessimistic;
}

// --- blob streams ----------------------------------------------------------------------

std::unique_ptr<TStream> TZedaDaoTable::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    auto* blob = dynamic_cast<TBlobField*>(&field);
    if (!blob) throw EInvalidCast();
    return std::make_unique<TZedaBlobStream>(*blob, mode);
}

// --- character sets --------------------------------------------------------------------

std::string TZedaDaoTable::Translate(const std::string& text, bool toOem) {
    if (!Translation) return TDataSet::Translate(text, toOem);
    return toOem ? Utf8ToCodePage(text, "CP850") : CodePageToUtf8(text, "CP850");
}

}  // namespace zalvert
