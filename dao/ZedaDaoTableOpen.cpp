// Opening and closing the table: the recordset, the per-table lists prepared at
// open, the field objects and the registration with the connection.

#include <chrono>
#include <cstdlib>
#include <random>

#include "dao/FieldTypeMapping.h"
#include "dao/GuidFieldText.h"
#include "dao/SqlParameterText.h"
#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"
#include "rtl/Utf8.h"

namespace zalvert {
using namespace daotable;
namespace {

// One leading and one trailing character `quote` removed when both are there.
std::string Unquoted(const std::string& text, char quote) {
    if (text.size() > 1 && text.front() == quote && text.back() == quote)
        return text.substr(1, text.size() - 2);
    return text;
}

std::string GeneratedName() {
    static std::mt19937 random(std::random_device{}());
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    const long long value = static_cast<long long>(random() % 10000) + ticks;
    return "ZedaDaoTable_" + std::to_string(std::llabs(value));
}

}  // namespace

// --- open and close --------------------------------------------------------------------

void TZedaDaoTable::InternalOpen() {
    OpenDaoRecordset();
    try {
        SetUpOpenedCursor();
    } catch (...) {
        // A table that fails to open keeps no recordset.
        opening_ = false;
        loads_.clear();
        fieldCache_.clear();
        IgnoringErrors([this] { recordset_->Close(); });
        recordset_.reset();
        throw;
    }
}

void TZedaDaoTable::SetUpOpenedCursor() {
    if (Name().empty()) SetName(GeneratedName());
    opening_ = true;
    BuildFieldDefs();
    opening_ = false;
    if (DefaultFields()) CreateFields();
    BindFields(true);
    for (int i = 0; i < Fields().Count(); ++i) {
        TField& field = Fields()[i];
        if (cacheLookups_ && field.Lookup()) field.LookupCache = true;
        if (UseCaptions) {
            const int def = FieldDefs().IndexOf(field.FieldName());
            if (def >= 0 && def < captions_.Count()) field.SetDisplayLabel(captions_.Strings(def));
        }
    }
    SetBookmarkSize(bookmarkable_ ? 4 : 0);
    int calcFields = 0;
    for (int i = 0; i < Fields().Count(); ++i)
        if (Fields()[i].Calculated() || Fields()[i].Lookup()) ++calcFields;
    recordSize_ = kDaoRecordHeaderSize + calcFields * static_cast<int>(sizeof(TFieldData));
    PrepareFields();
    oldValues_.reset();
    spareOldValues_.reset();
    CheckEncrypter();
    cursorOpen_ = true;
    if (tableType_ == engine::dbOpenTable) IgnoringErrors([this] { GetRecordCount(); });
    GotoFirstPosition();
    RegisterWithDatabase();
    database_->Idle();
}

void TZedaDaoTable::InternalClose() {
    if (!cursorOpen_) return;
    if (State() == TDataSetState::dsEdit) IgnoringErrors([this] { recordset_->CancelUpdate(); });
    cursorOpen_ = false;
    openOptionsValue_ = 0;
    currentSort_.clear();
    // Default fields are freed by the dataset as it closes; persistent ones stay.
    BindFields(false);
    loads_.clear();
    fieldCache_.clear();
    DropSeekClone();
    if (recordset_) IgnoringErrors([this] { recordset_->Close(); });
    recordset_.reset();
    if (detailBase_) IgnoringErrors([this] { detailBase_->Close(); });
    detailBase_.reset();
    if (database_) database_->UnregisterTable(this, closedByDatabase_);
    closedByDatabase_ = false;
    oldValues_.reset();
    spareOldValues_.reset();
}

void TZedaDaoTable::RegisterWithDatabase() {
    database_->RegisterTable(Name(), this);
    if (database_->TrackTransactions() && database_->TransactionLevelCount() > 0)
        database_->RecordTableInTransaction(Name(), 1);
}

// --- the recordset ---------------------------------------------------------------------

void TZedaDaoTable::CheckOpenGuards() {
    if (!database_) Fail("TZedaDaoTable.OpenDaoRecordset: Missing Database Property");
    if (tableName_.empty() && sql_.Count() == 0 && queryDefName_.empty())
        Fail("TZedaDaoTable.OpenDaoRecordset: Missing TableName or QueryDefName, or SQL is empty!");
    if (!database_->Connected()) {
        if (!DatabaseAutoActivate)
            Fail("TZedaDaoTable.OpenDaoRecordset: Database is NOT connected");
        database_->SetConnected(true);
    }
    if (tableType_ == engine::dbOpenDynamic && database_->DatabaseType() != "ODBC")
        Fail("TZedaDaoTable.OpenDaoRecordset: DynamicTables are for ODBC connections only!");
}

void TZedaDaoTable::OpenDaoRecordset() {
    CheckOpenGuards();
    if (database_->ReadOnly() || tableType_ == engine::dbOpenForwardOnly ||
        tableType_ == engine::dbOpenSnapshot)
        readOnly_ = true;
    openOptionsValue_ = OpenOptionsValue(openOptions_);
    if (detailBase_) IgnoringErrors([this] { detailBase_->Close(); });
    detailBase_.reset();
    recordsAffected_ = 0;
    engine::Database& db = *database_->DatabaseObject();
    const bool linked = PrepareMasterLink();
    // A detail of a stored table opens on its master's records at once, rather
    // than on the whole table first.
    const bool linkedTable = linked && queryDefName_.empty() && sql_.Count() == 0;
    currentSort_ = SortText();
    if (!queryDefName_.empty())
        OpenStoredQuery();
    else if (linkedTable)
        recordset_ = db.OpenRecordset(MasterStatement(), tableType_, openOptionsValue_, lockType_);
    else
        recordset_ = db.OpenRecordset(SourceText(), tableType_, openOptionsValue_, lockType_);
    database_->Idle();
    if (!recordset_->Updatable()) readOnly_ = true;
    bookmarkable_ = recordset_->Bookmarkable();
    registry_.Clear();
    database_->RefreshDefinitions();
    recordsAffected_ = db.RecordsAffected();
    if (!indexName_.empty()) IgnoringErrors([this] { recordset_->SetIndex(indexName_); });
    ReadFieldProperties();
    if (!linkedTable) ApplySortAndFilter();
    if (linked && !linkedTable) NarrowToMaster();
    auto& fields = recordset_->Fields();
    fieldCache_.assign(static_cast<size_t>(fields.Count()), nullptr);
    for (int i = 0; i < fields.Count(); ++i) fieldCache_[static_cast<size_t>(i)] = fields.Item(i);
    ResetNavigation();
    database_->Idle();
}

std::string TZedaDaoTable::SourceText() {
    if (sql_.Count() == 0) return tableName_;
    MasterValuesToParams();
    const std::string text = sql_.Text();
    return ParamCheck ? SubstituteParams(text, params_) : text;
}

void TZedaDaoTable::FillQueryDefParameters(engine::QueryDef& query) {
    try {
        auto& parameters = query.Parameters();
        int line = 0;
        for (int i = 0; i < parameters.Count(); ++i) {
            auto parameter = parameters.Item(i);
            const int direction = parameter->Direction();
            if (direction != engine::dbParamInput && direction != engine::dbParamInputOutput)
                continue;
            const std::string& text = queryDefParameters_.Strings(line++);
            parameter->SetValue(text == "NULL" ? Variant::Null() : Variant(text));
        }
    } catch (const std::exception&) {
        Fail(
            "TZedaDaoTable.OpenDaoRecordset: Invalid number of QueryDef parameters or parameter is "
            "not in valid format!");
    }
}

void TZedaDaoTable::OpenStoredQuery() {
    auto query = database_->DatabaseObject()->QueryDefs().Item(queryDefName_);
    FillQueryDefParameters(*query);
    queryDefSQLText_.Clear();
    if (database_->Connected()) queryDefSQLText_.SetText(query->SQL());
    query->SetMaxRecords(QueryDefODBCMaxRecords);
    if (database_->QueryTimeout != 60) query->SetODBCTimeout(database_->QueryTimeout);
    recordset_ = query->OpenRecordset(tableType_, openOptionsValue_, lockType_);
    outputValues_ = Variant();
    IgnoringErrors([&] {
        if (query->Parameters().Count() > 0) CollectOutputValues(*query);
    });
}

void TZedaDaoTable::CollectOutputValues(engine::QueryDef& query) {
    std::vector<Variant> values;
    auto& parameters = query.Parameters();
    for (int i = 0; i < parameters.Count(); ++i) {
        auto parameter = parameters.Item(i);
        const int direction = parameter->Direction();
        if (direction == engine::dbParamOutput || direction == engine::dbParamInputOutput ||
            direction == engine::dbParamReturnValue)
            values.push_back(parameter->Value());
    }
    if (values.size() == 1)
        outputValues_ = values.front();
    else if (values.size() > 1)
        outputValues_ = Variant::Array(0, std::move(values));
}

// The updatable flags and default texts of the fields, once per open.
void TZedaDaoTable::ReadFieldProperties() {
    auto& fields = recordset_->Fields();
    const auto n = static_cast<size_t>(fields.Count());
    defaultValues_.assign(n, std::string());
    updatable_.assign(n, true);
    if (readOnly_ || !UseDaoProperties) return;
    defaultValues_.clear();
    updatable_.clear();
    const bool jet = database_->EngineType() == engine::dbUseJet;
    for (size_t i = 0; i < n; ++i) {
        std::string text;
        bool updatable = true;
        try {
            auto field = fields.Item(static_cast<int>(i));
            const long attributes = field->Attributes();
            updatable = (attributes & kAttrUpdatable) && !(attributes & kAttrAutoIncrement) &&
                        !(attributes & kAttrSystem);
            if (jet) text = field->DefaultValue();
            const int type = field->Type();
            if (type == engine::dbText || type == engine::dbMemo) text = Unquoted(text, '"');
            if (type == engine::dbDate) {
                const std::string inner = Unquoted(text, '#');
                text = inner.size() < text.size() ? DateDefaultText(inner) : std::string();
            }
            if (AsciiUpperCase(text) == "NULL") text.clear();
        } catch (const std::exception&) {
            text.clear();
        }
        defaultValues_.push_back(text);
        updatable_.push_back(updatable);
    }
}

// Each sort line followed by "," but the last, and every one by a blank.
std::string TZedaDaoTable::SortText() const {
    std::string text;
    for (int i = 0; i < sortedBy_.Count(); ++i) {
        text += sortedBy_.Strings(i);
        if (i + 1 < sortedBy_.Count()) text += ",";
        text += " ";
    }
    return text;
}

void TZedaDaoTable::ApplySortAndFilter() {
    if (!currentSort_.empty()) {
        recordset_->SetSort(currentSort_);
        ReplaceRecordset(recordset_->OpenRecordset(tableType_, openOptionsValue_));
    }
    if (Filtered() && !Filter().empty()) {
        recordset_->SetFilter(Filter());
        ReplaceRecordset(recordset_->OpenRecordset(tableType_, openOptionsValue_));
    }
}

void TZedaDaoTable::ReplaceRecordset(std::shared_ptr<engine::Recordset> next) {
    auto old = std::move(recordset_);
    recordset_ = std::move(next);
    IgnoringErrors([&] { old->Close(); });
}

void TZedaDaoTable::ResetNavigation() {
    countInvalid_ = true;
    cachedCount_ = -1;
    position_ = -1;
    highestSeen_ = -1;
}

// --- field objects -------------------------------------------------------------------

void TZedaDaoTable::PrepareFields() {
    fieldNames_.Clear();
    nonBlobFields_.Clear();
    nonFtBlobFields_.Clear();
    typeNames_.Clear();
    loads_.assign(static_cast<size_t>(FieldDefs().Count()), TFieldLoad{});
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const TFieldDef& def = FieldDefs().Items(i);
        TField* field = FindField(def.Name);
        if (!field) continue;
        const auto index = static_cast<size_t>(i);
        if (index < updatable_.size() && !updatable_[index]) field->SetReadOnly(true);
        if (!field->DefaultExpression().empty() && index < defaultValues_.size())
            defaultValues_[index] = WithoutSingleQuotes(field->DefaultExpression());
        const TFieldType type = field->DataType();
        fieldNames_.Add(def.Name);
        if (!IsBlobType(type)) nonBlobFields_.Add(def.Name);
        if (type != TFieldType::ftBlob) nonFtBlobFields_.Add(def.Name);
        typeNames_.Add(FieldTypeListName(type));
        const bool own = field->Owner() == this;
        if (type == TFieldType::ftDateTime && own)
            field->SetDisplayWidth(std::max(field->DisplayWidth(), 20));
        if (type == TFieldType::ftMemo && cacheMemos_) {
            if (own) field->SetDisplayWidth(std::max(field->DisplayWidth(), 30));
            field->OnGetText = [](TField& memo, std::string& text, bool) {
                std::string value = memo.AsString();
                text = value.substr(0, value.find('\r'));
            };
        }
        if (auto* floatField = dynamic_cast<TFloatField*>(field)) floatField->Precision = 7;
        if (def.Precision == kGuidMark && dynamic_cast<TBinaryField*>(field)) {
            field->SetValidChars(GuidChars());
            if (showGUID_) {
                if (own) field->SetDisplayWidth(std::max(field->DisplayWidth(), 38));
                InstallGuidTextHandlers(*field);
            }
        }
        loads_[index] = LoadPlan(*field);
    }
}

TZedaDaoTable::TFieldLoad TZedaDaoTable::LoadPlan(TField& field) const {
    TFieldLoad load{&field, TLoadKind::Text, false};
    const TFieldType type = field.DataType();
    const bool blob = dynamic_cast<TBlobField*>(&field) != nullptr;
    if (field.FieldKind() != TFieldKind::fkData) {
        load.Kind = TLoadKind::Skip;
    } else if (blob) {
        const bool cached = (type == TFieldType::ftMemo && cacheMemos_) ||
                            (type == TFieldType::ftBlob && cacheBlobs_);
        load.Kind = !cached                      ? TLoadKind::BlobSize
                    : type == TFieldType::ftBlob ? TLoadKind::BlobBytes
                                                 : TLoadKind::Text;
    } else if (type == TFieldType::ftDate || type == TFieldType::ftTime ||
               type == TFieldType::ftDateTime) {
        load.Kind = TLoadKind::DateTime;
    } else if (type == TFieldType::ftBoolean) {
        load.Kind = TLoadKind::Boolean;
    }
    load.Encrypted = load.Kind != TLoadKind::BlobSize && (type == TFieldType::ftString || blob);
    return load;
}

void TZedaDaoTable::CheckEncrypter() {
    encrypterObject_ = encrypter_ ? dynamic_cast<IDaoEncrypter*>(encrypter_) : nullptr;
}

}  // namespace zalvert
