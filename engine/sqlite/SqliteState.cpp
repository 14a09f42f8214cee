#include "engine/sqlite/SqliteState.h"

#include <cctype>

namespace zalvert::engine {

bool TNameLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) <
               std::toupper(static_cast<unsigned char>(y));
    });
}

TSqliteState::TSqliteState(TEngineRef engine, std::unique_ptr<TSqliteConnection> db,
                           std::string name, bool readOnly, bool exclusive)
    : engine_(std::move(engine)),
      db_(std::move(db)),
      name_(std::move(name)),
      readOnly_(readOnly),
      exclusive_(exclusive) {
    // An exclusive connection's log is its own: no second connection could copy it.
    if (db_ && !readOnly_ && !exclusive_)
        checkpoint_ = std::make_unique<TLogCheckpoint>(*db_, name_);
}

TSqliteConnection& TSqliteState::Connection(const char* source) {
    if (!db_) Fail(*engine_, TDaoErr::ObjectClosed, source);
    if (inserts_.Active()) {
        try {
            inserts_.Flush(*db_);
        } catch (const ESqlite& e) {
            FailSqlite(*engine_, e, "DAO.Recordset", name_);
        }
    }
    return *db_;
}

std::optional<std::int64_t> TSqliteState::DeferInsert(const std::string& table, bool autoIncrement,
                                                      const std::string& columns,
                                                      const std::vector<const Variant*>& values) {
    if (!db_ || TransactionDepth == 0) return std::nullopt;
    const auto id = inserts_.Reserve(*db_, table, autoIncrement);
    if (!id) return std::nullopt;
    inserts_.Add(*db_, columns, *id, values);
    return id;
}

TStatement& TSqliteState::Prepared(const std::string& sql) {
    auto& slot = statements_[sql];
    if (!slot) {
        if (statements_.size() > 64) {
            statements_.clear();
            return Prepared(sql);
        }
        slot = std::make_unique<TStatement>(Connection("DAO.Database"), sql);
    }
    // Not the rows still held: a caller that reads the tables asks for the connection.
    inserts_.Settle();
    slot->Reset();
    return *slot;
}

TSqliteSnapshot::TSqliteSnapshot(TSqliteRef db) : db_(std::move(db)) {
    TSqliteConnection& connection = db_->Connection("DAO.Database");
    if (db_->TransactionDepth > 0 || connection.InTransaction()) return;
    connection.Exec("BEGIN DEFERRED");
    db_->SnapshotHeld = own_ = true;
}

TSqliteSnapshot::~TSqliteSnapshot() {
    if (!own_) return;
    try {
        db_->EndSnapshot();
    } catch (const ESqlite&) {
        // a view that was only read loses nothing when its end fails
    }
}

// Raises ESqlite when the commit fails (what was written meanwhile is then lost).
void TSqliteState::EndSnapshot() {
    if (!SnapshotHeld) return;
    SnapshotHeld = false;
    ++SnapshotsEnded;
    for (const auto& weak : SnapshotStatements)
        if (const auto statement = weak.lock()) statement->Reset();
    SnapshotStatements.clear();
    if (db_ && db_->InTransaction()) db_->Exec("COMMIT");
}

void TSqliteState::Close() {
    try {
        EndSnapshot();
    } catch (const ESqlite&) {
        // closing ends the transaction anyway
    }
    inserts_.Discard();
    checkpoint_.reset();
    statements_.clear();
    tables_.clear();
    db_.reset();
}

const TTableInfo* TSqliteState::Table(const std::string& name) {
    const auto it = tables_.find(name);
    if (it != tables_.end()) return &it->second;
    auto info = ReadTable(Connection("DAO.Database"), name);
    if (!info) return nullptr;
    return &tables_.emplace(name, std::move(*info)).first->second;
}

std::function<int(std::string_view, std::string_view)> TSqliteState::ColumnTypes(
    std::string defaultTable) {
    return [this, defaultTable = std::move(defaultTable)](std::string_view table,
                                                          std::string_view column) {
        const TTableInfo* info = Table(std::string(table.empty() ? defaultTable : table));
        const TColumnInfo* field = info ? info->Column(column) : nullptr;
        return field ? field->Type.Type : 0;
    };
}

std::function<std::vector<std::string>(std::string_view)> TSqliteState::ColumnOrder() {
    return [this](std::string_view table) {
        std::vector<std::string> names;
        if (const TTableInfo* info = Table(std::string(table)))
            for (const TColumnInfo& column : info->Columns) names.push_back(column.Name);
        return names;
    };
}

}  // namespace zalvert::engine
