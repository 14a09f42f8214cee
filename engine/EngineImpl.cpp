// The engine object, its workspaces, and the factory that creates it by ProgID.

#include <sqlite3.h>

#include <cctype>

#include "engine/Dao.h"
#include "engine/core/EngineState.h"
#include "engine/odbc/OdbcDatabase.h"
#include "engine/sqlite/SqliteDatabase.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

constexpr const char* kWorkspaceSource = "DAO.Workspace";
constexpr const char* kEngineSource = "DAO.DBEngine";
constexpr const char* kVersion = "3.6";
constexpr const char* kProgIds[] = {"DAO.DBEngine.36", "DAO.PrivateDBEngine.36"};

class TWorkspaceImpl : public Workspace {
  public:
    TWorkspaceImpl(TEngineRef engine, std::string name, std::string user, int type)
        : engine_(std::move(engine)),
          name_(std::move(name)),
          user_(std::move(user)),
          type_(type),
          databases_(engine_, "DAO.Databases", [this] {
              std::vector<std::shared_ptr<Database>> list;
              for (const auto& db : open_)
                  if (!db->Closed()) list.push_back(db);
              return list;
          }) {}

    std::string Name() const override { return name_; }
    std::string UserName() const override { return user_; }
    int Type() const override { return type_; }

    std::shared_ptr<Database> OpenDatabase(const std::string& name, const Variant& options,
                                           bool readOnly, const std::string& connect) override {
        CheckOpen();
        if (AsciiLowerCase(connect.substr(0, 5)) == "odbc;") {
            auto db = odbc::OpenOdbcDatabase(engine_, name, readOnly, connect);
            open_.push_back(db);
            databases_.Refresh();
            return db;
        }
        if (!connect.empty() && connect.front() != ';') {
            // Installable formats such as "Excel 8.0;..." have no driver here.
            const std::string kind = connect.substr(0, connect.find(';'));
            Fail(*engine_, TDaoErr::NoDriver, kWorkspaceSource, kind);
        }
        // ";UID=...;PWD=..." needs nothing more: files of this engine have no password
        // of their own, so a given one is ignored.
        bool exclusive = false;
        if (!options.IsEmptyOrNull()) exclusive = options.AsBoolean();
        auto db = OpenDatabaseFile(engine_, name, exclusive, readOnly, connect);
        open_.push_back(db);
        databases_.Refresh();
        return db;
    }

    std::shared_ptr<Database> OpenConnection(const std::string&, const Variant&, bool,
                                             const std::string&) override {
        Fail(*engine_, TDaoErr::NotSupported, kWorkspaceSource);
    }

    int DefaultCursorDriver() const override { return cursorDriver_; }
    void SetDefaultCursorDriver(int driver) override { cursorDriver_ = driver; }

    // A database that cannot begin (another user holds the write lock) leaves the
    // level unbegun everywhere.
    void BeginTrans() override {
        CheckOpen();
        const int level = level_ + 1;
        std::vector<TWorkspaceDatabase*> begun;
        try {
            for (const auto& db : open_) {
                if (db->Closed() || db->TransactionDepth() != level - 1) continue;
                db->BeginLevel(level);
                begun.push_back(db.get());
            }
        } catch (...) {
            for (TWorkspaceDatabase* db : begun) {
                try {
                    db->EndLevel(level, true);
                } catch (const EDaoError&) {
                }
            }
            throw;
        }
        level_ = level;
    }

    void CommitTrans() override { EndLevel(false); }
    void Rollback() override { EndLevel(true); }

    Collection<Database>& Databases() override { return databases_; }

    void Close() override {
        CheckOpen();
        while (level_ > 0) EndLevel(true);
        for (const auto& db : open_)
            if (!db->Closed()) db->Close();
        open_.clear();
        closed_ = true;
    }

  private:
    void CheckOpen() const {
        if (closed_) Fail(*engine_, TDaoErr::ObjectClosed, kWorkspaceSource);
    }

    void EndLevel(bool rollback) {
        CheckOpen();
        if (level_ == 0) Fail(*engine_, TDaoErr::NoTransaction, kWorkspaceSource);
        for (const auto& db : open_)
            if (!db->Closed() && db->TransactionDepth() == level_) db->EndLevel(level_, rollback);
        --level_;
    }

    TEngineRef engine_;
    std::string name_;
    std::string user_;
    int type_;
    int cursorDriver_ = -1;
    int level_ = 0;
    bool closed_ = false;
    std::vector<std::shared_ptr<TWorkspaceDatabase>> open_;
    TListCollection<Database> databases_;
};

class TWorkspaceList : public TListCollection<Workspace, WorkspaceCollection> {
  public:
    using TListCollection::TListCollection;
    void Append(std::shared_ptr<Workspace> workspace) override {
        if (Find(workspace->Name())) Fail(Engine(), TDaoErr::NameTaken, Source());
        Add(std::move(workspace));
    }
};

class TEngineImpl : public DBEngine {
  public:
    TEngineImpl()
        : state_(std::make_shared<TEngineState>()), workspaces_(state_, "DAO.Workspaces") {}

    std::string Version() const override { return kVersion; }
    std::string SystemDB() const override { return state_->SystemDB; }
    void SetSystemDB(const std::string& path) override { state_->SystemDB = path; }
    std::string DefaultUser() const override { return state_->DefaultUser; }
    void SetDefaultUser(const std::string& user) override { state_->DefaultUser = user; }
    std::string DefaultPassword() const override { return state_->DefaultPassword; }
    void SetDefaultPassword(const std::string& password) override {
        state_->DefaultPassword = password;
    }
    int DefaultType() const override { return state_->DefaultType; }
    void SetDefaultType(int type) override {
        if (type != dbUseJet && type != dbUseODBC)
            Fail(*state_, TDaoErr::InvalidArgument, kEngineSource);
        state_->DefaultType = type;
    }

    // Without a workgroup of its own, the engine knows one account: Admin with
    // the empty password.
    std::shared_ptr<Workspace> CreateWorkspace(const std::string& name, const std::string& userName,
                                               const std::string& password, int type) override {
        if (type == dbUseODBC) Fail(*state_, TDaoErr::NotSupported, kEngineSource);
        if (type != dbUseJet) Fail(*state_, TDaoErr::InvalidArgument, kEngineSource);
        if (!SameName(userName, "Admin") || !password.empty())
            Fail(*state_, TDaoErr::InvalidAccount, kEngineSource);
        return std::make_shared<TWorkspaceImpl>(state_, name, "admin", type);
    }

    WorkspaceCollection& Workspaces() override { return workspaces_; }
    int ErrorCount() const override { return static_cast<int>(state_->Log.Errors.size()); }
    EDaoError Error(int index) const override {
        if (index < 0 || index >= ErrorCount()) Fail(*state_, TDaoErr::ItemNotFound, kEngineSource);
        return state_->Log.Errors[static_cast<size_t>(index)];
    }

    // Nothing waits for locks here: SQLite takes no read locks outside statements and
    // reads the current state of the file at every statement.
    void Idle(int action) override {
        if ((action & ~(dbFreeLocks | dbRefreshCache)) != 0)
            Fail(*state_, TDaoErr::InvalidArgument, kEngineSource);
        // The rows a recordset keeps of its current position may be stale now.
        if (action & dbRefreshCache) ++state_->CacheGeneration;
    }

    std::shared_ptr<Database> CreateDatabase(const std::string& name, const std::string&,
                                             int) override {
        return CreateDatabaseFile(state_, name);
    }

    std::vector<std::string> IsamFormats() const override { return {}; }

  private:
    TEngineRef state_;
    TWorkspaceList workspaces_;
};

}  // namespace

bool IsProgIdRegistered(std::string_view progId) {
    for (const char* registered : kProgIds)
        if (SameName(progId, registered)) return true;
    return false;
}

std::shared_ptr<DBEngine> CreateDBEngine(std::string_view progId) {
    if (!IsProgIdRegistered(progId))
        throw EDaoError(TDaoErr::ClassNotRegistered, "DAO.DBEngine",
                        ErrorDescription(TDaoErr::ClassNotRegistered, std::string(progId)));
    // The engine keeps no memory statistics: they cost a global lock on every allocation.
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)configured;
    return std::make_shared<TEngineImpl>();
}

}  // namespace zalvert::engine
