#include "engine/sqlite/RowSets.h"

#include <algorithm>

#include "engine/core/StorageFormat.h"
#include "engine/sqlite/GermanText.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

constexpr const char* kSource = "DAO.Recordset";

TFieldMeta DescribeColumn(TSqliteState& db, const TStatement& stmt, int index) {
    TFieldMeta meta;
    meta.Name = stmt.ColumnName(index);
    meta.SourceTable = stmt.ColumnTableName(index);
    meta.SourceField = stmt.ColumnOriginName(index);
    const TTableInfo* table = meta.SourceTable.empty() ? nullptr : db.Table(meta.SourceTable);
    const TColumnInfo* column = table ? table->Column(meta.SourceField) : nullptr;
    if (column) {
        meta.Type = column->Type;
        meta.AutoIncrement = column->AutoIncrement;
        meta.Required = column->Required;
        meta.DefaultValue = column->DefaultValue;
        meta.Updatable = !column->AutoIncrement;
    } else {
        const std::string declared = stmt.ColumnDeclType(index);
        meta.Type = declared.empty() ? TTypeInfo{dbText, 255, false} : MapDeclaredType(declared);
    }
    return meta;
}

// Computed columns take the type of the first row's value.
void RefineComputedTypes(std::vector<TFieldMeta>& fields, const std::vector<Variant>& row) {
    for (size_t i = 0; i < fields.size() && i < row.size(); ++i) {
        if (!fields[i].SourceField.empty()) continue;
        switch (row[i].Type()) {
            case TVarType::Int64:
                fields[i].Type = {dbLong, 4, true};
                break;
            case TVarType::Double:
                fields[i].Type = {dbDouble, 8, true};
                break;
            case TVarType::Bytes:
                fields[i].Type = {dbLongBinary, 0, false};
                break;
            case TVarType::String:
                // Max(Datumvon), Datumvon + 1: a date in the stored form stays a date.
                if (const auto date = StorageToDateTime(row[i].StringValue());
                    date && DateTimeToStorage(*date) == row[i].StringValue())
                    fields[i].Type = {dbDate, 8, true};
                break;
            default:
                break;
        }
    }
}

template <class Work>
auto Guarded(TSqliteState& db, const std::string& context, Work&& work) {
    try {
        return work();
    } catch (const ESqlite& e) {
        FailSqlite(db.Engine(), e, kSource, context);
    }
}

std::vector<Variant> ReadColumns(const TStatement& stmt, int count = -1) {
    if (count < 0) count = stmt.ColumnCount();
    std::vector<Variant> row;
    row.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) row.push_back(stmt.Column(i));
    return row;
}

}  // namespace

// Fields of the same name (SELECT * over a join: both tables' ID) are named
// table.field, as the dialect's users know them, so that each keeps its own value.
void NameDuplicatesByTable(std::vector<TFieldMeta>& fields) {
    std::vector<bool> duplicate(fields.size());
    for (size_t i = 0; i < fields.size(); ++i)
        for (size_t j = i + 1; j < fields.size(); ++j)
            if (AsciiUpperCase(fields[i].Name) == AsciiUpperCase(fields[j].Name))
                duplicate[i] = duplicate[j] = true;
    for (size_t i = 0; i < fields.size(); ++i)
        if (duplicate[i] && !fields[i].SourceTable.empty())
            fields[i].Name = fields[i].SourceTable + "." + fields[i].Name;
}

std::vector<TFieldMeta> DescribeColumns(TSqliteState& db, const TStatement& stmt) {
    std::vector<TFieldMeta> fields;
    for (int i = 0; i < stmt.ColumnCount(); ++i) fields.push_back(DescribeColumn(db, stmt, i));
    NameDuplicatesByTable(fields);
    return fields;
}

TRowSet::TRowSet(TSqliteRef db, TRecordSource source)
    : db_(std::move(db)), source_(std::move(source)), id_(db_->NewRowSetId()) {}

void TRowSet::BindParameters(TStatement& stmt) const {
    for (size_t i = 0; i < source_.Parameters.size(); ++i)
        stmt.Bind(static_cast<int>(i + 1), source_.Parameters[i]);
}

void TRowSet::UpdateRow(size_t, const TChanges&) {
    Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
}
size_t TRowSet::InsertRow(const TChanges&, std::vector<Variant>*) {
    Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
}
void TRowSet::DeleteRow(size_t) {
    Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
}

// --- keyset -----------------------------------------------------------------

TKeysetRowSet::TKeysetRowSet(TSqliteRef db, TRecordSource source)
    : TRowSet(std::move(db), std::move(source)) {
    Guarded(*db_, source_.Name, [&] {
        TSqliteConnection& connection = db_->Connection(kSource);
        const std::string rowSql = "SELECT " + source_.SelectList + " FROM " + source_.From +
                                   " WHERE " + source_.TableRef + ".rowid = ?" +
                                   std::to_string(source_.Parameters.size() + 1);
        rowStatement_ = std::make_unique<TStatement>(connection, rowSql);
        fields_ = DescribeColumns(*db_, *rowStatement_);
        LoadKeys();
        loadedKeys_ = keys_.size();
        std::vector<Variant> first;
        if (!keys_.empty() && Read(0, first)) RefineComputedTypes(fields_, first);
        return 0;
    });
}

namespace {

// Whether SQLite's plan for `sql` sorts its rows in a temporary tree.
bool SortsWithoutIndex(TSqliteConnection& connection, const std::string& sql) {
    TStatement plan(connection, "EXPLAIN QUERY PLAN " + sql);
    while (plan.Step())
        for (int column = 0; column < plan.ColumnCount(); ++column)
            if (plan.ColumnView(column).find("TEMP B-TREE FOR ") != std::string_view::npos)
                return true;
    return false;
}

}  // namespace

// The source's rows in the keys' order, each with the columns given.
std::string TKeysetRowSet::OrderedSql(const std::string& columns) const {
    std::string sql = "SELECT " + columns + " FROM " + source_.From;
    if (!source_.Where.empty()) sql += " WHERE " + source_.Where;
    sql += " ORDER BY " + (keyOrder_.empty() ? "" : keyOrder_ + ", ") + source_.TableRef + ".rowid";
    if (source_.Top) sql += " LIMIT " + std::to_string(*source_.Top);
    return sql;
}

void TKeysetRowSet::LoadKeys() {
    if (WholeTable()) {
        const TSqliteSnapshot view(db_);
        keys_.OpenTable([this]() -> TSqliteConnection& { return db_->Connection(kSource); },
                        source_.From);
        deleted_.assign(keys_.size(), false);
        return;
    }
    keyOrder_ = source_.OrderBy;
    // Where SQLite would sort the rows itself rather than read them in an index's
    // order, texts sort by their keys: a comparison through ICU for every pair
    // compared costs many times more than a key for every row.
    const std::string rowid = source_.TableRef + ".rowid";
    if (!source_.OrderBy.empty() && SortsWithoutIndex(db_->Connection(kSource), OrderedSql(rowid)))
        keyOrder_ = SortKeyOrder(source_.OrderBy);
    TStatement stmt(db_->Connection(kSource), OrderedSql(rowid));
    BindParameters(stmt);
    while (stmt.Step()) keys_.Append(stmt.ColumnInt64(0));
    keys_.Shrink();
    deleted_.assign(keys_.size(), false);
}

// A whole table in row-id order: its ids are read as far as they are asked for.
bool TKeysetRowSet::WholeTable() const {
    return source_.Where.empty() && source_.OrderBy.empty() && !source_.Top &&
           source_.Parameters.empty() && source_.From == source_.TableRef;
}

std::int64_t TKeysetRowSet::RowId(size_t pos) const {
    return Guarded(*db_, source_.Name, [&] { return keys_.At(pos); });
}

bool TKeysetRowSet::Updatable() const {
    return !db_->ReadOnly() && std::any_of(fields_.begin(), fields_.end(),
                                           [](const TFieldMeta& f) { return f.Updatable; });
}

bool TKeysetRowSet::Read(size_t pos, std::vector<Variant>& row) {
    if (deleted_[pos]) return false;
    return Guarded(*db_, source_.Name, [&] {
        db_->Connection(kSource);  // rows held back are written first
        if (ReadStreamed(pos, row)) return true;
        TStatement& stmt = *rowStatement_;
        stmt.Reset();
        BindParameters(stmt);
        stmt.BindInt64(static_cast<int>(source_.Parameters.size() + 1), keys_.At(pos));
        const bool found = stmt.Step();
        if (found) row = ReadColumns(stmt);
        stmt.Reset();
        return found;
    });
}

// Reads one after another under a held snapshot (an export through a clone) are
// served by one statement over the source in the keys' order: in a sorted set each
// lookup by row id would visit pages all over the table, and a million of them cost
// twice the reading. A row the statement does not have where the keys expect it
// (changed or added by another user) is looked up as before.
bool TKeysetRowSet::ReadStreamed(size_t pos, std::vector<Variant>& row) {
    const bool follows = lastRead_ < pos && pos - lastRead_ <= 8;
    readsInOrder_ = follows ? readsInOrder_ + 1 : 0;
    lastRead_ = pos;
    if (streamSnapshot_ != db_->SnapshotsEnded) {
        // A snapshot ended: its statement was reset with it.
        stream_.reset();
        streamGivenUp_ = false;
        streamSnapshot_ = db_->SnapshotsEnded;
    }
    if (!db_->SnapshotHeld || pos >= loadedKeys_ || streamGivenUp_) return false;
    if (!stream_) {
        if (readsInOrder_ < kStreamAfterReads) return false;
        if (!StartStream(pos)) return false;
    }
    const int rowidColumn = static_cast<int>(fields_.size());
    if (!streamOnRow_ || stream_->ColumnInt64(rowidColumn) != keys_.At(pos)) {
        if (++streamMisses_ > kStreamMisses) GiveUpStream();
        return false;
    }
    streamMisses_ = 0;
    row = ReadColumns(*stream_, rowidColumn);
    streamOnRow_ = stream_->Step();
    return true;
}

// Starts the statement and steps it to the row of `pos`.
bool TKeysetRowSet::StartStream(size_t pos) {
    stream_ = std::make_shared<TStatement>(
        db_->Connection(kSource),
        OrderedSql(source_.SelectList + ", " + source_.TableRef + ".rowid"));
    BindParameters(*stream_);
    db_->SnapshotStatements.push_back(stream_);
    const int rowidColumn = static_cast<int>(fields_.size());
    streamMisses_ = 0;
    for (size_t stepped = 0; (streamOnRow_ = stream_->Step()); ++stepped) {
        if (stream_->ColumnInt64(rowidColumn) == keys_.At(pos)) return true;
        if (stepped > pos + kStreamMisses) break;
    }
    GiveUpStream();
    return false;
}

void TKeysetRowSet::GiveUpStream() {
    stream_.reset();
    streamOnRow_ = false;
    streamGivenUp_ = true;
}

void TKeysetRowSet::UpdateRow(size_t pos, const TChanges& changes) {
    if (!Updatable()) Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
    std::string sql;
    std::vector<const Variant*> values;
    for (size_t i = 0; i < changes.size(); ++i) {
        if (!changes[i]) continue;
        sql += (sql.empty() ? "" : ", ") + QuoteIdentifier(fields_[i].SourceField) + " = ?";
        values.push_back(changes[i]);
    }
    if (sql.empty()) return;
    const std::int64_t changed = Guarded(*db_, source_.Name, [&] {
        TSqliteConnection& connection = db_->Connection(kSource);
        TStatement& stmt = db_->Prepared("UPDATE " + QuoteIdentifier(source_.Table) + " SET " +
                                         sql + " WHERE rowid = ?");
        for (size_t i = 0; i < values.size(); ++i)
            stmt.BindKept(static_cast<int>(i + 1), *values[i]);
        stmt.BindInt64(static_cast<int>(values.size() + 1), keys_.At(pos));
        stmt.StepKept();
        return connection.Changes();
    });
    if (changed == 0) {
        MarkGone(pos);
        Fail(db_->Engine(), TDaoErr::RecordDeleted, kSource);
    }
}

size_t TKeysetRowSet::InsertRow(const TChanges& values, std::vector<Variant>* stored) {
    if (!Updatable()) Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
    return Guarded(*db_, source_.Name, [&] {
        if (const auto key = DeferInsert(values, stored)) return AddKey(*key);
        const std::int64_t key = InsertNow(values);
        const size_t pos = AddKey(key);
        // The row as stored (defaults, key, the column affinities applied), read at
        // once while its page is at hand, for the read that follows every insert.
        // (RETURNING would cost SQLite a temporary table per row.)
        if (stored && !Read(pos, *stored)) stored->clear();
        return pos;
    });
}

std::int64_t TKeysetRowSet::InsertNow(const TChanges& values) {
    const auto written = [&](size_t i) { return values[i] != nullptr && fields_[i].Updatable; };
    bool same = !insertSql_.empty() && insertColumns_.size() == values.size();
    for (size_t i = 0; same && i < values.size(); ++i) same = insertColumns_[i] == written(i);
    if (!same) {
        insertColumns_.resize(values.size());
        for (size_t i = 0; i < values.size(); ++i) insertColumns_[i] = written(i);
        std::string names, marks;
        for (size_t i = 0; i < values.size(); ++i) {
            if (!insertColumns_[i]) continue;
            names += (names.empty() ? "" : ", ") + QuoteIdentifier(fields_[i].SourceField);
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string table = QuoteIdentifier(source_.Table);
        insertSql_ = names.empty()
                         ? "INSERT INTO " + table + " DEFAULT VALUES"
                         : "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
    }
    TSqliteConnection& connection = db_->Connection(kSource);
    TStatement& stmt = db_->Prepared(insertSql_);
    int index = 0;
    for (size_t i = 0; i < values.size(); ++i)
        if (insertColumns_[i]) stmt.BindKept(++index, *values[i]);
    stmt.StepKept();
    return connection.LastInsertRowid();
}

size_t TKeysetRowSet::AddKey(std::int64_t key) {
    keys_.Append(key);
    deleted_.push_back(false);
    lookup_.clear();
    if (!direct_.empty() && key >= 0 && static_cast<std::uint64_t>(key) < 2 * keys_.size() + 4096) {
        // The new row joins the table by row id in place.
        if (static_cast<size_t>(key) >= direct_.size())
            direct_.resize(static_cast<size_t>(key) + 1, kNoPosition);
        direct_[static_cast<size_t>(key)] = static_cast<std::uint32_t>(keys_.size() - 1);
    } else {
        direct_.clear();
    }
    return keys_.size() - 1;
}

// Inside a transaction a new row of a table with a row id column waits to be
// written with others; the row as stored is known without reading it: the values
// as SQLite's column affinities keep them, the id, and no default left to SQLite.
std::optional<std::int64_t> TKeysetRowSet::DeferInsert(const TChanges& values,
                                                       std::vector<Variant>* stored) {
    if (db_->TransactionDepth == 0 || source_.From != source_.TableRef) return std::nullopt;
    const auto writes = [&](size_t i) { return values[i] != nullptr && fields_[i].Updatable; };
    bool samePlan = deferral_ && deferral_->Written.size() == values.size();
    for (size_t i = 0; samePlan && i < values.size(); ++i)
        samePlan = (deferral_->Written[i] != 0) == writes(i);
    if (!samePlan) {
        std::vector<char> written(values.size());
        for (size_t i = 0; i < values.size(); ++i) written[i] = writes(i);
        deferral_ = PlanDeferral(std::move(written));
    }
    const TDeferral& plan = *deferral_;
    if (!plan.Possible) return std::nullopt;
    // The row as stored, written over the caller's vector; the batch copies the
    // values written from it.
    std::vector<Variant> scratch;
    std::vector<Variant>& kept = stored ? *stored : scratch;
    kept.resize(fields_.size());
    std::vector<const Variant*>& row = deferredRow_;
    row.clear();
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (!plan.Written[i]) {
            kept[i] = Variant::Null();
        } else if (AssignStoredValue(plan.Affinities[i], *values[i], kept[i])) {
            row.push_back(&kept[i]);
        } else {
            kept.clear();
            return std::nullopt;
        }
    }
    const auto id = db_->DeferInsert(plan.Table, plan.AutoIncrement, plan.Columns, row);
    if (!id) {
        kept.clear();
        return std::nullopt;
    }
    for (size_t i : plan.KeyFields) kept[i] = Variant(*id);
    return id;
}

// Whether rows written to these fields can wait, and how they are written.
TKeysetRowSet::TDeferral TKeysetRowSet::PlanDeferral(std::vector<char> written) const {
    TDeferral plan;
    plan.Written = std::move(written);
    const TTableInfo* table = db_->Table(source_.Table);
    const TColumnInfo* key = nullptr;
    if (table)
        for (const TColumnInfo& column : table->Columns)
            if (column.PrimaryKey && AsciiUpperCase(column.DeclaredType) == "INTEGER")
                key = &column;
    if (!key) return plan;
    plan.Table = table->Name;
    plan.AutoIncrement = key->AutoIncrement;
    plan.Columns = QuoteIdentifier(key->Name);
    plan.Width = 1;
    plan.Affinities.resize(fields_.size(), TAffinity::Blob);
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TColumnInfo* column =
            fields_[i].SourceField.empty() ? nullptr : table->Column(fields_[i].SourceField);
        if (!column) return plan;  // a computed field: only a read tells its value
        if (column == key) {
            if (plan.Written[i]) return plan;
            plan.KeyFields.push_back(i);
        } else if (plan.Written[i]) {
            plan.Affinities[i] = AffinityOf(column->DeclaredType);
            plan.Columns += ", " + QuoteIdentifier(column->Name);
            ++plan.Width;
        } else if (!column->DefaultValue.empty()) {
            return plan;  // SQLite's default: only a read tells its value
        }
    }
    plan.Possible = true;
    return plan;
}

void TKeysetRowSet::DeleteRow(size_t pos) {
    if (!Updatable()) Fail(db_->Engine(), TDaoErr::ReadOnly, kSource);
    if (deleted_[pos]) Fail(db_->Engine(), TDaoErr::RecordDeleted, kSource);
    const std::int64_t changed = Guarded(*db_, source_.Name, [&] {
        TSqliteConnection& connection = db_->Connection(kSource);
        TStatement& stmt =
            db_->Prepared("DELETE FROM " + QuoteIdentifier(source_.Table) + " WHERE rowid = ?1");
        stmt.BindInt64(1, keys_.At(pos));
        stmt.Step();
        stmt.Reset();
        return connection.Changes();
    });
    MarkGone(pos);
    if (changed == 0) Fail(db_->Engine(), TDaoErr::RecordDeleted, kSource);
}

void TKeysetRowSet::MarkGone(size_t pos) {
    if (deleted_[pos]) return;
    deleted_[pos] = true;
    ++deletedCount_;
}

// Row ids of a table are mostly dense: a table by row id costs four bytes a row
// and no sorting. Sparse ones are sorted with their positions.
void TKeysetRowSet::BuildLookup() const {
    const TRowIds& ids = keys_.All();
    const std::int64_t highest = ids.Max();
    if (highest >= 0 && static_cast<std::uint64_t>(highest) < 2 * ids.size() + 4096) {
        direct_.assign(static_cast<size_t>(highest) + 1, kNoPosition);
        for (size_t i = 0; i < ids.size(); ++i)
            if (ids[i] >= 0) direct_[static_cast<size_t>(ids[i])] = static_cast<std::uint32_t>(i);
        return;
    }
    lookup_.reserve(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        lookup_.emplace_back(ids[i], static_cast<std::uint32_t>(i));
    std::sort(lookup_.begin(), lookup_.end());
}

std::optional<size_t> TKeysetRowSet::Learn(std::int64_t rowid) {
    if (const auto known = PositionOf(rowid)) return known;
    const int slot = static_cast<int>(source_.Parameters.size() + 1);
    const bool exists = Guarded(*db_, source_.Name, [&] {
        db_->Connection(kSource);  // rows held back are written first
        TStatement& stmt =
            db_->Prepared("SELECT 1 FROM " + source_.From + " WHERE " +
                          Condition(source_.TableRef + ".rowid = ?" + std::to_string(slot)));
        stmt.Reset();
        BindParameters(stmt);
        stmt.BindInt64(slot, rowid);
        const bool found = stmt.Step();
        stmt.Reset();
        return found;
    });
    if (!exists) return std::nullopt;
    return AddKey(rowid);
}

std::optional<size_t> TKeysetRowSet::PositionOf(std::int64_t rowid) const {
    if (keys_.Ascending()) {
        const auto pos = Guarded(*db_, source_.Name, [&] { return keys_.FindAscending(rowid); });
        // Reading the middle may have found rows gone since the open: no longer in order.
        if (keys_.Ascending()) return pos;
    }
    if (lookup_.empty() && direct_.empty() && !keys_.empty())
        Guarded(*db_, source_.Name, [&] {
            BuildLookup();  // reads the ids not read yet
            return 0;
        });
    if (!direct_.empty()) {
        if (rowid < 0 || static_cast<std::uint64_t>(rowid) >= direct_.size()) return std::nullopt;
        const std::uint32_t pos = direct_[static_cast<size_t>(rowid)];
        if (pos == kNoPosition) return std::nullopt;
        return pos;
    }
    const auto it =
        std::lower_bound(lookup_.begin(), lookup_.end(), std::make_pair(rowid, std::uint32_t{0}));
    if (it == lookup_.end() || it->first != rowid) return std::nullopt;
    return it->second;
}

std::string TKeysetRowSet::Condition(const std::string& criteria) const {
    return source_.Where.empty() ? "(" + criteria + ")"
                                 : "(" + source_.Where + ") AND (" + criteria + ")";
}

std::optional<size_t> TKeysetRowSet::Find(const std::string& criteria, TFindKind kind,
                                          std::optional<size_t> current) {
    const bool forward = kind == TFindKind::First || kind == TFindKind::Next;
    const bool relative = kind == TFindKind::Next || kind == TFindKind::Previous;
    const std::string rowid = source_.TableRef + ".rowid";
    std::string sql = "SELECT " + rowid + " FROM " + source_.From + " WHERE " + Condition(criteria);
    const bool bounded = keys_.Ascending() && relative && current;
    if (bounded)
        sql += " AND " + rowid + (forward ? " > ?" : " < ?") +
               std::to_string(source_.Parameters.size() + 1);
    sql += " ORDER BY " + rowid + (forward ? "" : " DESC");
    return Guarded(*db_, criteria, [&]() -> std::optional<size_t> {
        TStatement stmt(db_->Connection(kSource), sql);
        BindParameters(stmt);
        if (bounded)
            stmt.BindInt64(static_cast<int>(source_.Parameters.size() + 1), keys_.At(*current));
        std::optional<size_t> best;
        while (stmt.Step()) {
            const auto pos = PositionOf(stmt.ColumnInt64(0));
            if (!pos || deleted_[*pos]) continue;
            if (keys_.Ascending()) return pos;  // rows come in keyset order
            if (relative && current && (forward ? *pos <= *current : *pos >= *current)) continue;
            if (!best || (forward ? *pos < *best : *pos > *best)) best = pos;
        }
        return best;
    });
}

std::optional<size_t> TKeysetRowSet::FirstWhere(const std::string& condition,
                                                const std::string& orderBy,
                                                const std::vector<Variant>& values) {
    const std::string sql = "SELECT rowid FROM " + source_.From + " WHERE " + condition +
                            " ORDER BY " + orderBy + " LIMIT 1";
    return Guarded(*db_, condition, [&]() -> std::optional<size_t> {
        db_->Connection(kSource);  // rows held back are written first
        TStatement& stmt = db_->Prepared(sql);
        for (size_t i = 0; i < values.size(); ++i) stmt.Bind(static_cast<int>(i + 1), values[i]);
        const bool found = stmt.Step();
        const std::int64_t rowid = found ? stmt.ColumnInt64(0) : 0;
        stmt.Reset();
        if (!found) return std::nullopt;
        const auto pos = PositionOf(rowid);
        if (!pos || deleted_[*pos]) return std::nullopt;
        return pos;
    });
}

// --- static copy ------------------------------------------------------------

TStaticRowSet::TStaticRowSet(TSqliteRef db, TRecordSource source)
    : TRowSet(std::move(db), std::move(source)) {
    Guarded(*db_, source_.Name, [&] {
        TStatement stmt(db_->Connection(kSource), source_.Sql);
        BindParameters(stmt);
        fields_ = DescribeColumns(*db_, stmt);
        for (TFieldMeta& f : fields_) f.Updatable = false;
        while (stmt.Step()) rows_.push_back(ReadColumns(stmt));
        if (!rows_.empty()) RefineComputedTypes(fields_, rows_.front());
        return 0;
    });
}

bool TStaticRowSet::Read(size_t pos, std::vector<Variant>& row) {
    row = rows_[pos];
    return true;
}

// Evaluates the criteria on each copied row, with the row's values standing in
// for the field names.
std::optional<size_t> TStaticRowSet::Find(const std::string& criteria, TFindKind kind,
                                          std::optional<size_t> current) {
    if (rows_.empty()) return std::nullopt;
    std::string columns;
    for (size_t i = 0; i < fields_.size(); ++i)
        columns +=
            (i ? ", ?" : "?") + std::to_string(i + 1) + " AS " + QuoteIdentifier(fields_[i].Name);
    const std::string sql = "SELECT 1 FROM (SELECT " + columns + ") WHERE " + criteria;
    return Guarded(*db_, criteria, [&]() -> std::optional<size_t> {
        TStatement stmt(db_->Connection(kSource), sql);
        const bool forward = kind == TFindKind::First || kind == TFindKind::Next;
        long long pos = kind == TFindKind::First ? 0
                        : kind == TFindKind::Last
                            ? static_cast<long long>(rows_.size()) - 1
                            : static_cast<long long>(current.value_or(forward ? rows_.size() : 0)) +
                                  (forward ? 1 : -1);
        for (; pos >= 0 && pos < static_cast<long long>(rows_.size()); pos += forward ? 1 : -1) {
            stmt.Reset();
            const auto& row = rows_[static_cast<size_t>(pos)];
            for (size_t i = 0; i < row.size(); ++i) stmt.Bind(static_cast<int>(i + 1), row[i]);
            if (stmt.Step()) return static_cast<size_t>(pos);
        }
        return std::nullopt;
    });
}

// --- forward-only stream ------------------------------------------------------

TForwardRowSet::TForwardRowSet(TSqliteRef db, TRecordSource source)
    : TRowSet(std::move(db), std::move(source)) {
    Guarded(*db_, source_.Name, [&] {
        statement_ = std::make_unique<TStatement>(db_->Connection(kSource), source_.Sql);
        BindParameters(*statement_);
        fields_ = DescribeColumns(*db_, *statement_);
        for (TFieldMeta& f : fields_) f.Updatable = false;
        return 0;
    });
}

bool TForwardRowSet::Has(size_t pos) {
    while (!done_ && pos >= fetched_) {
        Guarded(*db_, source_.Name, [&] {
            db_->Connection(kSource);  // rows held back are written first
            if (statement_->Step()) {
                current_ = ReadColumns(*statement_);
                if (fetched_ == 0) RefineComputedTypes(fields_, current_);
                ++fetched_;
            } else {
                done_ = true;
            }
            return 0;
        });
    }
    return pos < fetched_;
}

void TForwardRowSet::FetchAll() {
    while (!done_) Has(fetched_);
}

bool TForwardRowSet::Read(size_t pos, std::vector<Variant>& row) {
    if (pos + 1 != fetched_) Fail(db_->Engine(), TDaoErr::NotSupported, kSource);
    row = current_;
    return true;
}

std::optional<size_t> TForwardRowSet::Find(const std::string&, TFindKind, std::optional<size_t>) {
    Fail(db_->Engine(), TDaoErr::NotSupported, kSource);
}

}  // namespace zalvert::engine
