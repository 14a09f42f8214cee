// Editing and searching a server recordset.

#include <unordered_set>

#include "engine/core/SqlTokenizer.h"
#include "engine/odbc/OdbcArrays.h"
#include "engine/odbc/OdbcDialect.h"
#include "engine/odbc/OdbcRecordset.h"

namespace zalvert::engine::odbc {
namespace {

bool IsLob(int type) {
    return type == dbMemo || type == dbLongBinary;
}

// "null value in column "x" of relation ..." names the column.
std::string ColumnOfMessage(const std::string& message) {
    const size_t open = message.find('"');
    const size_t close = open == std::string::npos ? open : message.find('"', open + 1);
    return close == std::string::npos ? std::string() : message.substr(open + 1, close - open - 1);
}

}  // namespace

Variant TOdbcRecordset::Converted(const TFieldMeta& meta, const Variant& value) const {
    if (value.IsEmptyOrNull()) return Variant::Null();
    try {
        switch (meta.Type.Type) {
            case dbText: {
                std::string text = value.AsString();
                if (LongerThanTextSize(text, meta.Type.Size)) Raise(TDaoErr::FieldTooSmall);
                return Variant(std::move(text));
            }
            case dbBoolean:
                return Variant(value.AsBoolean());
            case dbByte:
            case dbInteger:
            case dbLong:
                return Variant(static_cast<int>(value.AsInteger()));
            case dbBigInt:
                return Variant(value.AsInt64());
            case dbCurrency:
                return Variant(value.AsCurrency());
            case dbSingle:
            case dbDouble:
                return Variant(value.AsDouble());
            case dbDate:
                return Variant::FromDate(value.AsDateTime());
            case dbBinary:
            case dbLongBinary:
                if (value.Type() == TVarType::Bytes) return value;
                {
                    const std::string text = value.AsString();
                    return Variant(TBytes(text.begin(), text.end()));
                }
            default:
                return Variant(value.AsString());
        }
    } catch (const EDaoError&) {
        throw;
    } catch (const std::exception&) {
        Raise(TDaoErr::ConversionError);
    }
}

void TOdbcRecordset::SetFieldValue(size_t field, const Variant& value) {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    if (!fields_[field].Updatable) Raise(TDaoErr::FieldNotUpdatable);
    edit_.Set(field, [&](Variant& stored) { AssignConverted(fields_[field], value, stored); });
}

// A text is written in place: a new record's values overwrite the last one's,
// and most of them are texts.
void TOdbcRecordset::AssignConverted(const TFieldMeta& meta, const Variant& value,
                                     Variant& stored) const {
    if (meta.Type.Type != dbText || value.Type() != TVarType::String) {
        stored = Converted(meta, value);
        return;
    }
    const std::string& text = value.StringValue();
    if (LongerThanTextSize(text, meta.Type.Size)) Raise(TDaoErr::FieldTooSmall);
    stored.AssignText(text);
}

// Constant defaults of the table's columns, read once from the server.
const std::vector<Variant>& TOdbcRecordset::DefaultValues() {
    if (!defaults_) {
        defaults_.emplace(fields_.size(), Variant::Null());
        std::string list;
        std::vector<size_t> slots;
        for (size_t i = 0; i < fields_.size(); ++i) {
            if (fields_[i].DefaultValue.empty() || fields_[i].AutoIncrement) continue;
            list += (list.empty() ? "" : ", ") + fields_[i].DefaultValue;
            slots.push_back(i);
        }
        if (!slots.empty()) {
            try {
                TOdbcStatement stmt(db_->Connection("DAO.Recordset"));
                stmt.ExecDirect("SELECT " + list);
                if (stmt.Fetch())
                    for (size_t k = 0; k < slots.size(); ++k) (*defaults_)[slots[k]] = stmt.Get(k);
            } catch (const EOdbc&) {
                // A default the server computes at insert time shows as Null here.
            }
        }
    }
    return *defaults_;
}

void TOdbcRecordset::AddNew() {
    CheckOpen();
    if (!Updatable()) Raise(TDaoErr::ReadOnly);
    if (edit_.Active()) CancelUpdate();
    edit_.BeginAdd(fields_.size(),
                   [this](std::vector<Variant>& values) { values = DefaultValues(); });
}

void TOdbcRecordset::Edit() {
    CheckOpen();
    if (!Updatable()) Raise(TDaoErr::ReadOnly);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (rows_->IsDeleted(static_cast<size_t>(cursor_.Position()))) Raise(TDaoErr::RecordDeleted);
    const auto* row = Row(static_cast<size_t>(cursor_.Position()));
    if (!row) {
        rows_->MarkDeleted(static_cast<size_t>(cursor_.Position()));
        Raise(TDaoErr::RecordDeleted);
    }
    edit_.BeginEdit(*row);
}

void TOdbcRecordset::CancelUpdate() {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    edit_.Cancel();
}

void TOdbcRecordset::Update() {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    if (edit_.Mode() == dbEditAdd) {
        WriteNew();
    } else {
        try {
            WriteEdit();
        } catch (const EDaoError& e) {
            // Changed or deleted by another user: the edit is over, as the record
            // has to be read again before it can be changed.
            if (e.Is(TDaoErr::WriteConflict) || e.Is(TDaoErr::RecordDeleted)) CancelUpdate();
            throw;
        }
    }
    edit_.Written();
}

// Written only where the row still holds what this recordset read (memos and
// binary values aside): else another user changed it in between.
void TOdbcRecordset::WriteEdit() {
    std::string set, unchanged;
    std::vector<Variant> values, originals;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TFieldMeta& f = fields_[i];
        if (f.SourceTable.empty()) continue;
        if (edit_.Edited(i) && f.Updatable) {
            set += (set.empty() ? "" : ", ") + ServerName(f.Name) + " = ?";
            values.push_back(edit_.Value(i));
        }
        if (!IsLob(f.Type.Type)) {
            unchanged += " AND " + ServerName(f.Name) + " IS NOT DISTINCT FROM ?";
            originals.push_back(edit_.Original()[i]);
        }
    }
    const size_t pos = static_cast<size_t>(cursor_.Position());
    lastModified_ = pos;
    if (set.empty()) return;
    values.push_back(rows_->Keys().At(pos));
    values.insert(values.end(), originals.begin(), originals.end());
    const std::string table = ServerName(source_.Table);
    const std::string key = ServerName(source_.Key);
    try {
        TOdbcStatement stmt(db_->Connection("DAO.Recordset"));
        stmt.Prepare("UPDATE " + table + " SET " + set + " WHERE " + key + " = ?" + unchanged);
        stmt.Bind(values);
        stmt.Execute();
        if (stmt.RowsAffected() > 0) {
            page_.clear();
            added_.clear();
            return;
        }
        stmt.Prepare("SELECT 1 FROM " + table + " WHERE " + key + " = ?");
        stmt.Bind({rows_->Keys().At(pos)});
        stmt.Execute();
        if (stmt.Fetch()) Raise(TDaoErr::WriteConflict);
        rows_->MarkDeleted(pos);
        Raise(TDaoErr::RecordDeleted);
    } catch (const EOdbc& e) {
        if (e.NotNullViolation()) Raise(TDaoErr::NullNotAllowed, ColumnOfMessage(e.Message));
        Raise(e);
    }
}

// Inside a transaction on PostgreSQL a new row of a whole-row recordset with a
// serial key takes its key from the sequence and goes out with others; the
// recordset knows the row as written (the server fills the columns not set).
std::optional<size_t> TOdbcRecordset::BatchKeyField() const {
    if (!db_->PostgreSql() || db_->TransactionDepth == 0 || !rows_->Keys().Numeric() ||
        source_.SelectList != "*")
        return std::nullopt;
    for (size_t i = 0; i < fields_.size(); ++i)
        if (SameName(fields_[i].Name, source_.Key))
            return fields_[i].AutoIncrement && !edit_.Edited(i) ? std::optional<size_t>(i)
                                                                : std::nullopt;
    return std::nullopt;
}

// The INSERT of the key and the fields given, in both forms.
const TBatchInsert& TOdbcRecordset::BatchInsert() {
    bool same = batchGiven_.size() == fields_.size();
    for (size_t i = 0; same && i < fields_.size(); ++i)
        same = batchGiven_[i] == (edit_.Edited(i) && fields_[i].Updatable);
    if (same) return batchInsert_;
    batchGiven_.assign(fields_.size(), false);
    std::string columns = ServerName(source_.Key);
    std::vector<int> types{0};  // the key's first; none where it is not a field
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (SameName(fields_[i].Name, source_.Key)) types.front() = fields_[i].Type.Type;
        if (!edit_.Edited(i) || !fields_[i].Updatable) continue;
        batchGiven_[i] = true;
        columns += ", " + ServerName(fields_[i].Name);
        types.push_back(fields_[i].Type.Type);
    }
    const std::string into = "INSERT INTO " + ServerName(source_.Table) + " (" + columns + ")";
    batchInsert_.Values = into + " VALUES";
    std::string arrays;
    batchInsert_.Texts.clear();
    for (const int type : types) {
        const std::string_view element = ArrayElementType(type);
        if (element.empty()) {
            arrays.clear();
            batchInsert_.Texts.clear();
            break;
        }
        (arrays += arrays.empty() ? "" : ", ") += UnnestedColumn(element);
        batchInsert_.Texts.push_back(TakesSeparatedTexts(element));
    }
    batchInsert_.Arrays = arrays.empty() ? "" : into + " SELECT " + arrays;
    return batchInsert_;
}

void TOdbcRecordset::WriteNewInBatch(size_t keyField) {
    const std::int64_t key = db_->ReserveKey(source_.Table, source_.Key, "DAO.Recordset");
    const TBatchInsert& insert = BatchInsert();
    std::vector<Variant> values;
    values.reserve(fields_.size() + 1);
    values.emplace_back(key);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (batchGiven_[i]) values.push_back(edit_.Value(i));
    db_->QueueInsert(insert, std::move(values), "DAO.Recordset");
    std::vector<Variant> row = edit_.Values();
    row[keyField] =
        fields_[keyField].Type.Type == dbBigInt ? Variant(key) : Variant(static_cast<int>(key));
    rows_->AddKey(Variant(key));
    KeepNewRow(std::move(row));
    lastModified_ = rows_->KnownSize() - 1;
}

// The new row's key comes back with the insert; the row joins the keyset at its end.
void TOdbcRecordset::WriteNew() {
    if (const auto keyField = BatchKeyField()) return WriteNewInBatch(*keyField);
    std::string columns, sql;
    std::vector<Variant> values;
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!edit_.Edited(i) || !fields_[i].Updatable) continue;
        columns += (columns.empty() ? "" : ", ") + ServerName(fields_[i].Name);
        values.push_back(edit_.Value(i));
    }
    const std::string table = ServerName(source_.Table);
    std::string marks;
    for (size_t i = 0; i < values.size(); ++i) marks += i ? ",?" : "?";
    sql = columns.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                          : "INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")";
    // A recordset of the whole rows gets the stored row back with its key, as a
    // page would read it: the caller reads the new record next, as a rule.
    const bool wholeRows = source_.SelectList == "*";
    sql += " RETURNING " + std::string(wholeRows ? "*, " : "") + ServerName(source_.Key);
    try {
        TOdbcConnection& connection = db_->Connection("DAO.Recordset");
        if (!insert_ || insertSql_ != sql) {
            insert_ = std::make_unique<TOdbcStatement>(connection);
            insert_->Prepare(sql);
            insertSql_ = sql;
        }
        insert_->Bind(values);
        insert_->Execute();
        if (!insert_->Fetch()) Raise(TDaoErr::OdbcCallFailed, "no key returned");
        std::vector<Variant> row;
        if (wholeRows) {
            row.reserve(fields_.size());
            for (size_t i = 0; i < fields_.size(); ++i) row.push_back(insert_->Get(i));
        }
        rows_->AddKey(insert_->Get(wholeRows ? fields_.size() : 0));
        insert_->CloseCursor();
        if (wholeRows) KeepNewRow(std::move(row));
    } catch (const EOdbc& e) {
        insert_.reset();
        if (e.NotNullViolation()) Raise(TDaoErr::NullNotAllowed, ColumnOfMessage(e.Message));
        Raise(e);
    }
    lastModified_ = rows_->KnownSize() - 1;
}

void TOdbcRecordset::Delete() {
    CheckOpen();
    if (!Updatable()) Raise(TDaoErr::ReadOnly);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    const size_t pos = static_cast<size_t>(cursor_.Position());
    if (rows_->IsDeleted(pos)) Raise(TDaoErr::RecordDeleted);
    if (edit_.Active()) CancelUpdate();
    try {
        TOdbcStatement stmt(db_->Connection("DAO.Recordset"));
        stmt.Prepare("DELETE FROM " + ServerName(source_.Table) + " WHERE " +
                     ServerName(source_.Key) + " = ?");
        stmt.Bind({rows_->Keys().At(pos)});
        stmt.Execute();
        if (stmt.RowsAffected() == 0) {
            rows_->MarkDeleted(pos);
            Raise(TDaoErr::RecordDeleted);
        }
    } catch (const EOdbc& e) {
        Raise(e);
    }
    rows_->MarkDeleted(pos);
}

// --- index order and searches --------------------------------------------------------

void TOdbcRecordset::SetIndex(const std::string& name) {
    CheckOpen();
    if (type_ != dbOpenTable || !Keyset()) Raise(TDaoErr::NotSupported);
    const TTableInfo* table = db_->Table(source_.Table);
    std::string order;
    if (!name.empty()) {
        const TIndexInfo* index = table ? table->Index(name) : nullptr;
        if (!index) Raise(TDaoErr::NotAnIndex, name);
        for (const auto& [column, descending] : index->Columns)
            order += ServerName(column) + (descending ? " DESC, " : ", ");
    }
    std::optional<Variant> current;
    if (cursor_.HasCurrent()) current = rows_->Keys().At(static_cast<size_t>(cursor_.Position()));
    if (edit_.Active()) CancelUpdate();
    source_.OrderBy = order + KeyColumn();
    index_ = name;
    LoadKeys();
    // The same record in the new order, else the first.
    if (const auto at = current ? rows_->Keys().Find(*current) : std::nullopt) cursor_.LandOn(*at);
}

void TOdbcRecordset::Seek(const std::string& comparison, const std::vector<Variant>& keys) {
    CheckOpen();
    if (type_ != dbOpenTable) Raise(TDaoErr::NotSupported);
    if (index_.empty()) Raise(TDaoErr::NoCurrentIndex);
    const TIndexInfo* index = db_->Table(source_.Table)->Index(index_);
    if (!index || keys.empty() || keys.size() > index->Columns.size())
        Raise(TDaoErr::InvalidArgument);
    const bool backwards = comparison == "<" || comparison == "<=";
    if (comparison != "=" && comparison != ">=" && comparison != ">" && !backwards)
        Raise(TDaoErr::InvalidArgument);
    std::string left, right, order;
    for (size_t i = 0; i < keys.size(); ++i) {
        left += (i ? ", " : "") + ServerName(index->Columns[i].Name);
        right += i ? ", ?" : "?";
    }
    for (const auto& column : index->Columns)
        order += ServerName(column.Name) + (backwards ? " DESC, " : ", ");
    const std::string op = comparison == "=" ? "=" : comparison;
    std::string sql = "SELECT " + KeyColumn() + " FROM " + source_.From + " WHERE (" + left + ") " +
                      op + " (" + right + ") ORDER BY " + order + KeyColumn() +
                      (backwards ? " DESC" : "") + " LIMIT 1";
    std::optional<size_t> found;
    try {
        TOdbcStatement stmt(db_->Connection("DAO.Recordset"));
        stmt.Prepare(sql);
        stmt.Bind(keys);
        stmt.Execute();
        if (stmt.Fetch()) found = rows_->Keys().Find(stmt.Get(0));
    } catch (const EOdbc& e) {
        Raise(e);
    }
    noMatch_ = !found;
    if (!found) return;
    if (edit_.Active()) CancelUpdate();
    cursor_.LandOn(*found);
}

// The server says which keys meet the criteria; the keyset's order says which of
// them comes first, last, next or before.
void TOdbcRecordset::Find(const std::string& criteria, int kind) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly || type_ == dbOpenTable) Raise(TDaoErr::NotSupported);
    if (!Keyset()) Raise(TDaoErr::NotSupported);
    std::string condition;
    try {
        condition = ToServerSql(criteria);
    } catch (const ESqlSyntax& e) {
        Raise(TDaoErr::SyntaxError, e.Text);
    }
    std::unordered_set<std::string> matches;
    std::string sql =
        "SELECT " + KeyColumn() + " FROM " + source_.From + " WHERE (" + condition + ")";
    if (!source_.Where.empty()) sql += " AND (" + source_.Where + ")";
    try {
        TOdbcStatement stmt(db_->Connection("DAO.Recordset"));
        stmt.ExecDirect(sql);
        while (stmt.Fetch()) matches.insert(stmt.Get(0).AsString());
    } catch (const EOdbc& e) {
        Raise(e);
    }
    const long size = static_cast<long>(rows_->Keys().Size());
    const bool forward = kind == 0 || kind == 2;
    long from = kind == 0              ? -1
                : kind == 1            ? size
                : cursor_.HasCurrent() ? cursor_.Position()
                                       : (forward ? -1 : size);
    std::optional<long> found;
    for (long pos = from + (forward ? 1 : -1); pos >= 0 && pos < size; pos += forward ? 1 : -1)
        if (!rows_->IsDeleted(static_cast<size_t>(pos)) &&
            matches.count(KeyText(static_cast<size_t>(pos)))) {
            found = pos;
            break;
        }
    noMatch_ = !found;
    if (!found) return;
    if (edit_.Active()) CancelUpdate();
    cursor_.LandOn(static_cast<size_t>(*found));
}

}  // namespace zalvert::engine::odbc
