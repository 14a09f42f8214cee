#pragma once
// One open database: its SQLite connection and what the objects opened from it
// share. Closing it leaves the objects in place but makes them refuse work.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/Dao.h"
#include "engine/core/EngineState.h"
#include "engine/sqlite/Catalog.h"
#include "engine/sqlite/InsertBatch.h"
#include "engine/sqlite/LogCheckpoint.h"
#include "engine/sqlite/SqliteErrors.h"

namespace zalvert::engine {

struct TNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

class TSqliteState {
  public:
    TSqliteState(TEngineRef engine, std::unique_ptr<TSqliteConnection> db, std::string name,
                 bool readOnly, bool exclusive);

    TEngineState& Engine() const { return *engine_; }
    const TEngineRef& EngineRef() const { return engine_; }
    // The connection; ObjectClosed once the database is closed.
    TSqliteConnection& Connection(const char* source);
    const std::string& Name() const { return name_; }
    bool ReadOnly() const { return readOnly_; }
    bool Exclusive() const { return exclusive_; }
    bool Closed() const { return db_ == nullptr; }
    void Close();

    // The schema of a table, cached until the schema changes; empty when missing.
    const TTableInfo* Table(const std::string& name);
    // The engine type of a field (0 when unknown), for the translation of SQL on
    // this database; `defaultTable` stands for the table of a criteria text.
    std::function<int(std::string_view, std::string_view)> ColumnTypes(
        std::string defaultTable = {});
    // The names of a table's fields in their order; empty for an unknown table.
    std::function<std::vector<std::string>(std::string_view)> ColumnOrder();
    void SchemaChanged() {
        tables_.clear();
        statements_.clear();
    }

    // Savepoints opened for the workspace's transactions.
    int TransactionDepth = 0;
    // A deferred transaction holding one view for reads, outside any BeginTrans.
    bool SnapshotHeld = false;
    // Statements that read under it, reset when it ends; counted ends.
    std::vector<std::weak_ptr<TStatement>> SnapshotStatements;
    unsigned SnapshotsEnded = 0;
    void EndSnapshot();
    long long RecordsAffected = 0;
    int QueryTimeout = 60;

    std::uint32_t NewRowSetId() { return engine_->NextRowSetId++; }

    // A prepared statement kept for reuse, reset; callers bind every parameter.
    // Rows held back may not be written yet: a statement that reads tables comes
    // after `Connection`.
    TStatement& Prepared(const std::string& sql);

    // A new row of `table` held back inside a transaction and written with others
    // before anything else runs on the connection: its row id, or nullopt when the
    // row has to be written at once. `columns` are the quoted names of the row id
    // column and then of `values`.
    std::optional<std::int64_t> DeferInsert(const std::string& table, bool autoIncrement,
                                            const std::string& columns,
                                            const std::vector<const Variant*>& values);
    // The rows held back are dropped: their transaction level is rolled back.
    void DiscardInserts() { inserts_.Discard(); }

  private:
    TEngineRef engine_;
    std::unique_ptr<TSqliteConnection> db_;
    std::unique_ptr<TLogCheckpoint> checkpoint_;  // none for read-only and exclusive use
    std::string name_;
    bool readOnly_;
    bool exclusive_;
    std::map<std::string, TTableInfo, TNameLess> tables_;
    std::map<std::string, std::unique_ptr<TStatement>> statements_;
    TInsertBatch inserts_;
};
using TSqliteRef = std::shared_ptr<TSqliteState>;

// A deferred transaction, begun where none is open: its first read fixes the view
// of the WAL that every later read shares, without a lock of its own. It ends when
// this goes, if this began it. Raises ESqlite when it cannot begin.
class TSqliteSnapshot : public ReadSnapshot {
  public:
    explicit TSqliteSnapshot(TSqliteRef db);
    ~TSqliteSnapshot() override;
    TSqliteSnapshot(const TSqliteSnapshot&) = delete;
    TSqliteSnapshot& operator=(const TSqliteSnapshot&) = delete;

  private:
    TSqliteRef db_;
    bool own_ = false;
};

}  // namespace zalvert::engine
