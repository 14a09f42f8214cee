#include "engine/sqlite/SqliteDatabase.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/sqlite/AsideRowReader.h"
#include "engine/sqlite/LogCheckpoint.h"
#include "engine/sqlite/SqlFunctions.h"
#include "engine/sqlite/SqliteRecordset.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

constexpr const char* kSource = "DAO.Database";

template <class T>
class TNamed : public T {
  public:
    explicit TNamed(std::string name) : name_(std::move(name)) {}
    std::string Name() const override { return name_; }

  private:
    std::string name_;
};

class TQueryDefList : public TListCollection<QueryDef, QueryDefCollection> {
  public:
    TQueryDefList(TSqliteRef db, TLoader loader)
        : TListCollection(db->EngineRef(), "DAO.QueryDefs", std::move(loader)),
          db_(std::move(db)) {}

    void Delete(std::string_view name) override {
        if (!Find(name)) Fail(Engine(), TDaoErr::ItemNotFound, Source());
        try {
            TSqliteConnection& connection = db_->Connection(Source());
            TStatement stmt(connection,
                            std::string("DELETE FROM ") + kQueriesTable + " WHERE Name = ?1");
            stmt.Bind(1, Variant(std::string(name)));
            stmt.Step();
            ForgetObject(connection, name);
        } catch (const ESqlite& e) {
            FailSqlite(Engine(), e, Source(), std::string(name));
        }
        Remove(name);
    }

  private:
    TSqliteRef db_;
};

std::string PragmaText(TSqliteConnection& connection, const std::string& pragma) {
    TStatement stmt(connection, pragma);
    return stmt.Step() ? stmt.ColumnText(0) : std::string();
}

// How long a call waits for a lock another connection holds.
constexpr int kBusyTimeoutMs = 2000;

// Switching to WAL writes the file's header: a damaged file must be found out
// before, so that it is left as it was. Files in WAL mode are switched already.
// Two programs opening a file in rollback mode at once both switch it, and the
// one that comes second is refused at once (SQLite calls no busy handler for
// it): it tries again until the other's switch is done or the busy timeout ends.
void SwitchToWal(TSqliteConnection& connection) {
    if (AsciiLowerCase(PragmaText(connection, "PRAGMA journal_mode")) == "wal") return;
    const std::string check = PragmaText(connection, "PRAGMA quick_check(1)");
    if (check != "ok")
        throw ESqlite(SQLITE_CORRUPT, check, sqlite3_db_filename(connection.Handle(), "main"));
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            connection.Exec("PRAGMA journal_mode=WAL");
            return;
        } catch (const ESqlite& e) {
            if (e.PrimaryCode() != SQLITE_BUSY || std::chrono::steady_clock::now() >= until) throw;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void Configure(TSqliteConnection& connection, bool readOnly) {
    RegisterSqlFunctions(connection.Handle());
    // 8 MB of pages at hand: browsing and seeking touch few pages even in tables of
    // millions of rows, and a long import's changed pages go to the log beyond it
    // instead of staying in memory (16 MB cost an import 10 to 20 bytes a line at
    // its peak and saved no time).
    connection.Exec("PRAGMA cache_size=-8192");
    // Fewer, larger checkpoints: each one waits for the disk. Writable connections
    // run theirs aside at the same size (TLogCheckpoint).
    sqlite3_wal_autocheckpoint(connection.Handle(), TLogCheckpoint::kPages);
    if (!readOnly) {
        SwitchToWal(connection);
        // Each commit flushes the log before it returns: what the program does next
        // (an import archives its file) must not outlive the records on a power failure.
        connection.Exec("PRAGMA synchronous=FULL");
    }
}

}  // namespace

TSqliteDatabase::TSqliteDatabase(TSqliteRef state, std::string connect)
    : state_(std::move(state)), connect_(std::move(connect)) {
    const TEngineRef& engine = state_->EngineRef();
    tableDefs_ = std::make_unique<TListCollection<TableDef>>(engine, "DAO.TableDefs", [this] {
        std::vector<std::shared_ptr<TableDef>> list;
        try {
            for (const std::string& name : ReadTableNames(state_->Connection(kSource)))
                if (auto info = ReadTable(state_->Connection(kSource), name))
                    list.push_back(std::make_shared<TSqliteTableDef>(state_, std::move(*info)));
        } catch (const ESqlite& e) {
            FailSqlite(state_->Engine(), e, kSource);
        }
        return list;
    });
    queryDefs_ = std::make_unique<TQueryDefList>(state_, [this] {
        std::vector<std::shared_ptr<QueryDef>> list;
        TSqliteConnection& connection = state_->Connection(kSource);
        if (!HasTable(connection, kQueriesTable)) return list;
        TStatement stmt(connection, std::string("SELECT Name, SQL FROM ") + kQueriesTable +
                                        " ORDER BY Name COLLATE NOCASE");
        while (stmt.Step())
            list.push_back(std::make_shared<TSqliteQueryDef>(state_, stmt.ColumnText(0),
                                                             stmt.ColumnText(1), true));
        return list;
    });
    containers_ = std::make_unique<TListCollection<Container>>(engine, "DAO.Containers", [] {
        std::vector<std::shared_ptr<Container>> list;
        for (const char* name : {"Databases", "Tables", "Relationships"})
            list.push_back(std::make_shared<TNamed<Container>>(name));
        return list;
    });
    relations_ = std::make_unique<TListCollection<Relation>>(engine, "DAO.Relations");
    recordsets_ = std::make_unique<TListCollection<Recordset>>(engine, "DAO.Recordsets", [this] {
        std::vector<std::shared_ptr<Recordset>> list;
        std::erase_if(opened_, [](const auto& weak) { return weak.expired(); });
        for (const auto& weak : opened_) list.push_back(weak.lock());
        return list;
    });
    properties_ = std::make_unique<TPropertyList>(engine, kSource, [this] {
        return std::vector<std::shared_ptr<Property>>{
            std::make_shared<TPlainProperty>("Name", dbText, Variant(Name())),
            std::make_shared<TPlainProperty>("Connect", dbText, Variant(connect_)),
            std::make_shared<TPlainProperty>("Version", dbText, Variant(Version())),
            std::make_shared<TPlainProperty>("CollatingOrder", dbLong, Variant(CollatingOrder())),
            std::make_shared<TPlainProperty>("QueryTimeout", dbInteger, Variant(QueryTimeout())),
            std::make_shared<TPlainProperty>("Updatable", dbBoolean, Variant(Updatable()))};
    });
}

std::shared_ptr<Recordset> TSqliteDatabase::OpenRecordset(const std::string& source, int type,
                                                          int options, int lockEdit) {
    TSqliteState& db = *state_;
    db.Connection(kSource);
    std::shared_ptr<Recordset> recordset;
    if (const TTableInfo* table = db.Table(source)) {
        TRecordSource s;
        s.Name = table->Name;
        s.SingleTable = true;
        s.Table = table->Name;
        s.TableRef = QuoteIdentifier(table->Name);
        s.SelectList = std::string(1, '*');
        s.From = s.TableRef;
        s.Sql = ComposeSql(s);
        recordset = OpenSource(state_, std::move(s), type == 0 ? dbOpenTable : type, options,
                               lockEdit, table);
    } else {
        std::string sql = source;
        if (auto stored = StoredQuerySql(db, source))
            sql = *stored;
        else if (source.find_first_of(" \t\r\n") == std::string::npos)
            Fail(db.Engine(), TDaoErr::TableNotFound, kSource, source);
        const TTranslation t = Translate(db, sql, kSource);
        if (t.Kind != TStatementKind::Select) Fail(db.Engine(), TDaoErr::InvalidOperation, kSource);
        if (!t.Parameters.empty())
            Fail(db.Engine(), TDaoErr::TooFewParameters, kSource,
                 std::to_string(t.Parameters.size()));
        recordset = OpenSource(state_, SourceOf(t, source, {}), type == 0 ? dbOpenDynaset : type,
                               options, lockEdit, nullptr);
    }
    opened_.push_back(recordset);
    return recordset;
}

void TSqliteDatabase::Execute(const std::string& sql, int) {
    std::string text = sql;
    if (auto stored = StoredQuerySql(*state_, sql)) text = *stored;
    const TTranslation t = Translate(*state_, text, kSource);
    if (!t.Parameters.empty())
        Fail(state_->Engine(), TDaoErr::TooFewParameters, kSource,
             std::to_string(t.Parameters.size()));
    state_->RecordsAffected = ExecuteTranslated(state_, t, {}, kSource);
    tableDefs_->Refresh();
}

std::unique_ptr<RowReader> TSqliteDatabase::ReadRows(const std::string& sql, RowHandler each,
                                                     std::function<void()> done) {
    TSqliteState& db = *state_;
    // Rows held back are written first: the reading sees them, and the connection
    // is not used by the insert thread meanwhile.
    TSqliteConnection& connection = db.Connection(kSource);
    const TTranslation t = Translate(db, sql, kSource);
    if (t.Kind != TStatementKind::Select) Fail(db.Engine(), TDaoErr::InvalidOperation, kSource);
    if (!t.Parameters.empty())
        Fail(db.Engine(), TDaoErr::TooFewParameters, kSource, std::to_string(t.Parameters.size()));
    std::unique_ptr<TStatement> statement;
    try {
        statement = std::make_unique<TStatement>(connection, t.Sql);
    } catch (const ESqlite& e) {
        FailSqlite(db.Engine(), e, kSource, Name());
    }
    return ReadRowsAside(state_, std::move(statement), std::move(each), std::move(done));
}

std::shared_ptr<QueryDef> TSqliteDatabase::CreateQueryDef(const std::string& name,
                                                          const std::string& sql) {
    TSqliteState& db = *state_;
    auto query = std::make_shared<TSqliteQueryDef>(state_, name, sql, !name.empty());
    if (name.empty()) return query;
    if (db.ReadOnly()) Fail(db.Engine(), TDaoErr::ReadOnly, kSource);
    if (db.Table(name) || StoredQuerySql(db, name))
        Fail(db.Engine(), TDaoErr::ObjectExists, kSource, name);
    try {
        TSqliteConnection& connection = db.Connection(kSource);
        EnsureMetadataTables(connection);
        TStatement stmt(connection, std::string("INSERT INTO ") + kQueriesTable +
                                        " (Name, SQL, Type) VALUES (?1, ?2, ?3)");
        stmt.Bind(1, Variant(name));
        stmt.Bind(2, Variant(sql));
        stmt.Bind(3, Variant(query->Type()));
        stmt.Step();
        TouchObject(connection, name, 5, true);
    } catch (const ESqlite& e) {
        FailSqlite(db.Engine(), e, kSource, name);
    }
    queryDefs_->Refresh();
    return query;
}

std::unique_ptr<ReadSnapshot> TSqliteDatabase::HoldSnapshot() {
    try {
        return std::make_unique<TSqliteSnapshot>(state_);
    } catch (const ESqlite& e) {
        FailSqlite(state_->Engine(), e, kSource, Name());
    }
}

// The outermost level is an immediate transaction: it takes the write lock at its
// start (waiting for it as long as the busy timeout), inner levels are savepoints.
void TSqliteDatabase::BeginLevel(int level) {
    TSqliteConnection& connection = state_->Connection("DAO.Workspace");
    try {
        if (level == 1) state_->EndSnapshot();
        connection.Exec(level == 1 ? std::string("BEGIN IMMEDIATE")
                                   : "SAVEPOINT zi_level_" + std::to_string(level));
    } catch (const ESqlite& e) {
        FailSqlite(state_->Engine(), e, "DAO.Workspace", state_->Name());
    }
    state_->TransactionDepth = level;
}

void TSqliteDatabase::EndLevel(int level, bool rollback) {
    if (rollback) state_->DiscardInserts();
    TSqliteConnection& connection = state_->Connection("DAO.Workspace");
    try {
        // A full disk or a damaged file makes SQLite roll back by itself; the
        // rollback then only has to be recorded.
        if (rollback && sqlite3_get_autocommit(connection.Handle())) {
        } else if (level == 1) {
            connection.Exec(rollback ? "ROLLBACK" : "COMMIT");
        } else {
            const std::string savepoint = "zi_level_" + std::to_string(level);
            if (rollback) connection.Exec("ROLLBACK TO " + savepoint);
            connection.Exec("RELEASE " + savepoint);
        }
    } catch (const ESqlite& e) {
        FailSqlite(state_->Engine(), e, "DAO.Workspace", state_->Name());
    }
    state_->TransactionDepth = level - 1;
    if (rollback) state_->SchemaChanged();
}

void TSqliteDatabase::Close() {
    // Rows held back belong to a transaction that closing rolls back.
    state_->DiscardInserts();
    state_->Connection(kSource);
    state_->Close();
}

std::shared_ptr<TSqliteDatabase> OpenDatabaseFile(const TEngineRef& engine, const std::string& path,
                                                  bool exclusive, bool readOnly,
                                                  const std::string& connect) {
    constexpr const char* source = "DAO.Workspace";
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error))
        Fail(*engine, TDaoErr::FileNotFound, source, path);
    std::unique_ptr<TSqliteConnection> connection;
    try {
        connection = std::make_unique<TSqliteConnection>(
            path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
        // A lock another program holds for a moment (its switch to the write-ahead
        // log, a schema change) is waited for, as later calls wait; one that is
        // still held then (a user who opened the file exclusively) refuses the open.
        sqlite3_busy_timeout(connection->Handle(), kBusyTimeoutMs);
        if (exclusive) connection->Exec("PRAGMA locking_mode=EXCLUSIVE");
        connection->Exec("SELECT count(*) FROM sqlite_master");
        Configure(*connection, readOnly);
        if (exclusive) connection->Exec("BEGIN EXCLUSIVE; COMMIT");
    } catch (const ESqlite& e) {
        if (e.PrimaryCode() == SQLITE_BUSY || e.PrimaryCode() == SQLITE_LOCKED)
            Fail(*engine, TDaoErr::FileInUse, source, path);
        if (e.PrimaryCode() == SQLITE_NOTADB || e.PrimaryCode() == SQLITE_CORRUPT)
            Fail(*engine, TDaoErr::UnrecognizedFormat, source, path);
        FailSqlite(*engine, e, source, path);
    }
    auto state =
        std::make_shared<TSqliteState>(engine, std::move(connection), path, readOnly, exclusive);
    return std::make_shared<TSqliteDatabase>(std::move(state), connect);
}

std::shared_ptr<TSqliteDatabase> CreateDatabaseFile(const TEngineRef& engine,
                                                    const std::string& path) {
    constexpr const char* source = "DAO.DBEngine";
    std::error_code error;
    if (path.empty()) Fail(*engine, TDaoErr::FileNotFound, source, path);
    if (std::filesystem::exists(path, error)) Fail(*engine, TDaoErr::DatabaseExists, source, path);
    try {
        TSqliteConnection connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        Configure(connection, false);
        EnsureMetadataTables(connection);
    } catch (const ESqlite& e) {
        FailSqlite(*engine, e, source, path);
    }
    return OpenDatabaseFile(engine, path, false, false, {});
}

}  // namespace zalvert::engine
