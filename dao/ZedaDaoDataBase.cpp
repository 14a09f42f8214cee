#include "dao/ZedaDaoDataBase.h"

#include <filesystem>

#include "dao/DaoUtils.h"
#include "dataset/DatabaseError.h"
#include "rtl/ComInit.h"
#include "rtl/IniFile.h"
#include "rtl/Interaction.h"
#include "rtl/Paths.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr const char* kProgId36 = "DAO.DBEngine.36";
constexpr const char* kPrivateProgId36 = "DAO.PrivateDBEngine.36";
constexpr const char* kProgId35 = "DAO.DBEngine.35";
constexpr const char* kPrivateProgId35 = "DAO.PrivateDBEngine.35";
constexpr const char* kNoDao = "You does not have Microsoft DAO installed ot it is an OLD Version!";
constexpr const char* kLoginCancelled =
    "If You not enter Username and Password You may not gain access to your data!";

[[noreturn]] void Fail(const std::string& message) {
    throw EDatabaseError(message);
}

bool Exists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

std::string LoginValue(const TStrings& list, const char* name) {
    return list.Values(name);
}

}  // namespace

// --- life ---------------------------------------------------------------------------

TZedaDaoDatabase::TZedaDaoDatabase(TComponent* owner) : TComponent(owner) {
    InitCom();
    privateEngine_ = false;
    DetectDaoVersions();
    if (daoVersions_.Count() == 0) Fail("Cannot find DAO on your system!");
    version_ = daoVersions_.Strings(0) == "3.5" ? "3.5" : "3.6";
    CreateEngine(version_);
    // No workgroup information is registered on this platform.
    systemDatabase_.clear();
    engine_->SetDefaultUser("Admin");
    engine_->SetDefaultPassword("");
    engine_->SetDefaultType(engine::dbUseJet);
    versionDetails_ = engine_->Version();
    UpdateVersionInfo();
    FillDatabaseTypes();
    FillOdbcLists();
}

TZedaDaoDatabase::~TZedaDaoDatabase() {
    try {
        if (connected_) Disconnect();
        if (workspaceObject_) workspaceObject_->Close();
    } catch (...) {
        // going away regardless
    }
    databaseObject_.reset();
    workspaceObject_.reset();
    engine_.reset();
    if (comInitialized_) ComUninitialize();
}

void TZedaDaoDatabase::InitCom() {
    if (ComInitialize() == TComInitResult::Failed) Fail("Unable to init OLE objects!");
    comInitialized_ = true;
}

void TZedaDaoDatabase::DetectDaoVersions() {
    const char* progId = privateEngine_ ? kPrivateProgId36 : kProgId36;
    if (!engine::IsProgIdRegistered(progId)) return;
    try {
        engine::CreateDBEngine(progId);
        daoVersions_.Add("3.6");
    } catch (const std::exception&) {
        // an engine that cannot be created is no version
    }
}

void TZedaDaoDatabase::CreateEngine(const std::string& version) {
    const char* progId35 = privateEngine_ ? kPrivateProgId35 : kProgId35;
    const char* progId36 = privateEngine_ ? kPrivateProgId36 : kProgId36;
    usesDynaDao_ = true;
    engine_.reset();
    const auto create = [&](const char* progId, const char* newVersion) {
        try {
            engine_ = engine::CreateDBEngine(progId);
            version_ = newVersion;
            return true;
        } catch (const std::exception&) {
            return false;
        }
    };
    if (version == "3.5" && !create(progId35, "3.5") && !create(progId36, "3.6")) Fail(kNoDao);
    if (version == "3.6" && !create(progId36, "3.6")) Fail(kNoDao);
}

void TZedaDaoDatabase::UpdateVersionInfo() {
    if (versionDetails_.size() < 3) return;
    if (versionDetails_[2] == '5') versionInfo_ = "(In Access'97 mode)";
    if (versionDetails_[2] == '6') versionInfo_ = "(In Access'2000 mode)";
}

void TZedaDaoDatabase::FillDatabaseTypes() {
    databaseTypes_.Clear();
    if (engine_)
        for (const std::string& format : engine_->IsamFormats()) databaseTypes_.Add(format);
    databaseTypes_.Insert(0, "ODBC");
    databaseTypes_.Insert(0, "Access");
}

void TZedaDaoDatabase::FillOdbcLists() {
    odbcDrivers_.Clear();
    for (const std::string& driver : OdbcDrivers()) odbcDrivers_.Add(driver);
    systemDSNs_.Clear();
    for (const std::string& dsn : OdbcSystemDataSources()) systemDSNs_.Add(dsn);
    userDSNs_.Clear();
    for (const std::string& dsn : OdbcUserDataSources()) userDSNs_.Add(dsn);
    dsnFileMap_.Clear();
    for (int i = 0; i < userDSNs_.Count(); ++i)
        if (const std::string file = OdbcDataSourceFile(userDSNs_.Strings(i), true); !file.empty())
            dsnFileMap_.Add(userDSNs_.Strings(i) + "=" + file);
    for (int i = 0; i < systemDSNs_.Count(); ++i)
        if (const std::string file = OdbcDataSourceFile(systemDSNs_.Strings(i), false);
            !file.empty())
            dsnFileMap_.Add(systemDSNs_.Strings(i) + "=" + file);
}

void TZedaDaoDatabase::Loaded() {
    try {
        if (!connected_) RecreateEngineAndWorkspace();
    } catch (...) {
        // settings read from a form are checked again at connect
    }
}

void TZedaDaoDatabase::RecreateEngineAndWorkspace() {
    if (workspaceObject_) {
        try {
            workspaceObject_->Close();
        } catch (...) {
        }
        workspaceObject_.reset();
    }
    engine_.reset();
    if (comInitialized_) {
        ComUninitialize();
        comInitialized_ = false;
    }
    InitCom();
    const bool savedPrivate = privateEngine_;
    if (Designing() && engineType_ == engine::dbUseJet) privateEngine_ = true;
    try {
        CreateEngine(version_);
    } catch (...) {
        privateEngine_ = savedPrivate;
        throw;
    }
    privateEngine_ = savedPrivate;
    if (!engine_)
        Fail("TZedaDaoDatabase.RecreateEngineAndWorkspace: no DAO engine for version " + version_);
    engine_->SetSystemDB(systemDatabase_);
    versionDetails_ = engine_->Version();
    UpdateVersionInfo();
    engine_->SetDefaultUser(userName_);
    engine_->SetDefaultPassword(password_);
    workspaceObject_ = engine_->CreateWorkspace(workspace_, userName_, password_, engineType_);
    engine_->Workspaces().Append(workspaceObject_);
    if (engineType_ == engine::dbUseODBC)
        workspaceObject_->SetDefaultCursorDriver(defaultCursorDriver_);
    workspace_ = workspaceObject_->Name();
}

// --- setters -----------------------------------------------------------------------------

void TZedaDaoDatabase::Guard(const char* message) const {
    if (connected_) Fail(message);
}

void TZedaDaoDatabase::Rebuild() {
    if (!Loading()) RecreateEngineAndWorkspace();
}

template <class T>
void TZedaDaoDatabase::RebuildWithRollback(T& property, const T& oldValue) {
    if (Loading()) return;
    try {
        RecreateEngineAndWorkspace();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        property = oldValue;
        try {
            RecreateEngineAndWorkspace();
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
}

void TZedaDaoDatabase::F_Set_Exclusive(bool value) {
    Guard(
        "TZedaDaoDatabase.F_Set_Exclusive: Cannot change Exclusive mode while Database is "
        "connected!");
    exclusive_ = value;
}

void TZedaDaoDatabase::F_Set_DatabaseType(const std::string& value) {
    Guard(
        "TZedaDaoDatabase.F_Set_DatabaseType: Cannot set Database Type while Database is "
        "connected!");
    databaseType_ = value;
    database_.clear();
}

void TZedaDaoDatabase::F_Set_Database(const std::string& value) {
    Guard("TZedaDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!");
    database_ = value;
}

void TZedaDaoDatabase::F_Set_DatabaseParameters(const std::string& value) {
    Guard(
        "TZedaDaoDatabase.F_Set_DatabaseParameters: Cannot set DatabaseParameters while Database "
        "is "
        "connected!");
    databaseParameters_ = value;
}

void TZedaDaoDatabase::F_Set_ReadOnly(bool value) {
    Guard("TZedaDaoDatabase.F_Set_ReadOnly: Cannot change mode while Database is connected!");
    readOnly_ = value;
}

void TZedaDaoDatabase::F_Set_LoginPrompt(bool value) {
    Guard(
        "TZedaDaoDatabase.F_Set_LoginPrompt: Cannot change LoginPrompt while Database is "
        "connected!");
    loginPrompt_ = value;
}

void TZedaDaoDatabase::F_Set_UserName(const std::string& value) {
    Guard("TZedaDaoDatabase.F_Set_UserName: Cannot change User Name while Database is connected!");
    userName_ = value;
    try {
        Rebuild();
    } catch (...) {
        // a refused login shows at connect
    }
}

void TZedaDaoDatabase::F_Set_Password(const std::string& value) {
    Guard("TZedaDaoDatabase.F_Set_Password: Cannot change Password while Database is connected!");
    password_ = value;
    try {
        Rebuild();
    } catch (...) {
        // a refused login shows at connect
    }
}

void TZedaDaoDatabase::F_Set_DatabasePassword(const std::string& value) {
    Guard(
        "TZedaDaoDatabase.F_Set_DatabasePassword: Cannot change Database Password while Database "
        "is "
        "connected!");
    databasePassword_ = value;
}

void TZedaDaoDatabase::F_Set_SystemDatabase(const std::string& value) {
    Guard(
        "TZedaDaoDatabase.F_Set_SystemDatabase: Cannot set SystemDatabase while Database is "
        "connected!");
    const std::string old = systemDatabase_;
    // Empty means the registered one, and none is registered here.
    systemDatabase_ = value;
    RebuildWithRollback(systemDatabase_, old);
}

void TZedaDaoDatabase::F_Set_ShowSystemObjects(bool value) {
    showSystemObjects_ = value;
    if (connected_) RefreshDefinitions();
}

void TZedaDaoDatabase::F_Set_EngineType(int value) {
    Guard(
        "TZedaDaoDatabase.F_Set_EngineType: Cannot set EngineType Type while Database is "
        "connected!");
    const int old = engineType_;
    engineType_ = value;
    RebuildWithRollback(engineType_, old);
}

void TZedaDaoDatabase::F_Set_PrivateEngine(bool value) {
    Guard(
        "TZedaDaoDatabase.F_Set_EngineType: Cannot set PrivateEngine Type while Database is "
        "connected!");
    const bool old = privateEngine_;
    privateEngine_ = value;
    RebuildWithRollback(privateEngine_, old);
}

void TZedaDaoDatabase::F_Set_TrackTransactions(bool value) {
    Guard("Cannot set TrackTransactions property when Database is connected!");
    trackTransactions_ = value;
}

void TZedaDaoDatabase::F_Set_Version(const std::string& value) {
    Guard("TZedaDaoDatabase.F_Set_DaoVersion: Cannot set Dao Version while Database is connected!");
    const std::string old = version_;
    version_ = value.substr(0, 3);
    FillDatabaseTypes();
    RebuildWithRollback(version_, old);
    if (engine_) versionDetails_ = engine_->Version();
}

void TZedaDaoDatabase::F_Set_Workspace(const std::string& value) {
    Guard("TZedaDaoDatabase.F_Set_Workspace: Cannot set Workspace while Database is connected!");
    const std::string old = workspace_;
    workspace_ = value;
    RebuildWithRollback(workspace_, old);
}

void TZedaDaoDatabase::F_Set_DefaultCursorDriver(int value) {
    defaultCursorDriver_ = value;
    if (!Loading() && engineType_ == engine::dbUseODBC && workspaceObject_)
        workspaceObject_->SetDefaultCursorDriver(value);
}

// --- connect and disconnect ------------------------------------------------------------------

void TZedaDaoDatabase::SetConnected(bool connected) {
    if (connected == connected_) return;
    if (connected)
        Connect();
    else
        Disconnect();
}

void TZedaDaoDatabase::TakeLoginValues(const TStrings& values, bool onlyPresent) {
    const auto take = [&](const char* name, std::string& property) {
        if (!onlyPresent || values.IndexOfName(name) >= 0) property = LoginValue(values, name);
    };
    take("USER NAME", userName_);
    take("PASSWORD", password_);
    take("DBPASSWORD", databasePassword_);
}

// One pass of the login step; false when nothing was asked (no dialog, event or preset).
bool TZedaDaoDatabase::Login(bool& abort) {
    abort = false;
    if (OnLogin) {
        TStringList params;
        params.Add("USER NAME=" + userName_);
        params.Add("PASSWORD=" + password_);
        params.Add("DBPASSWORD=" + databasePassword_);
        OnLogin(*this, params);
        TakeLoginValues(params, false);
        return true;
    }
    if (loginPrompt_ && presetLoginParams_.Count() == 0) {
        const auto answer =
            ApplicationInteraction().Login(database_, SaveUserName ? userName_ : std::string());
        if (answer) {
            userName_ = answer->UserName;
            password_ = answer->Password;
            databasePassword_ = answer->DatabasePassword;
        } else {
            ApplicationInteraction().ShowMessage(kLoginCancelled);
            userName_.clear();
            password_.clear();
            databasePassword_.clear();
            abort = true;
        }
        return true;
    }
    if (presetLoginParams_.Count() > 0) {
        TakeLoginValues(presetLoginParams_, true);
        return true;
    }
    return false;
}

void TZedaDaoDatabase::Connect() {
    if (database_.empty()) Fail("TZedaDaoDatabase.F_Set_Active: Database property is not defined!");
    if (databaseType_.empty())
        Fail("TZedaDaoDatabase.F_Set_Active: DatabaseType property is not defined!");
    if (OnBeforeConnect) OnBeforeConnect(*this);
    for (;;) {
        bool abort = false;
        Login(abort);
        try {
            if (MdbVersionAutoDetect) DetectMdbVersion(database_);
            RecreateEngineAndWorkspace();
            break;
        } catch (const std::exception& e) {
            if (!loginPrompt_) throw;
            if (abort) return;
            ApplicationInteraction().ShowMessage(e.what());
        }
    }
    OpenDatabaseObject();
    if (QueryTimeout != 60) databaseObject_->SetQueryTimeout(QueryTimeout);
    if (databaseType_ != "ODBC") databaseVersionInfo_ = databaseObject_->Version();
    RefreshDefinitions();
    connected_ = true;
    Idle();
    if (OnAfterConnect) OnAfterConnect(*this);
}

void TZedaDaoDatabase::OpenDatabaseObject() {
    if (SameText(databaseType_, "Access")) {
        if (SmartOpen && !Exists(database_))
            database_ =
                (Designing() ? WorkingDirectory() : ExeDirectory()) + ExtractFileName(database_);
        if (!Exists(database_)) Fail("Cannot find Database:\r\n" + database_);
        if (engineType_ != engine::dbUseJet)
            Fail(
                "TZedaDaoDatabase.F_Set_Active: ODBC direct workspaces\r\nare NOT supported for MS "
                "Access "
                "Databases!");
        const std::string connect =
            ";UID=" + userName_ + ";PWD=" + databasePassword_ + ";" + databaseParameters_;
        databaseObject_ =
            workspaceObject_->OpenDatabase(database_, Variant(exclusive_), readOnly_, connect);
        return;
    }
    if (SameText(databaseType_, "ODBC")) {
        const std::string connect = AsciiLowerCase(database_).rfind("odbc;", 0) == 0
                                        ? database_ + ";" + databaseParameters_
                                        : databaseType_ + ";UID=" + userName_ +
                                              ";PWD=" + password_ + ";DSN=" + database_ + ";" +
                                              databaseParameters_;
        databaseObject_ =
            engineType_ == engine::dbUseJet
                ? workspaceObject_->OpenDatabase(database_, Variant(1), readOnly_, connect)
                : workspaceObject_->OpenConnection(database_, Variant(1), readOnly_, connect);
        return;
    }
    if (engineType_ != engine::dbUseJet)
        Fail("TZedaDaoDatabase.F_Set_Active: ODBC direct workspaces NOT supported!");
    const std::string connect =
        !password_.empty() && !userName_.empty()
            ? databaseType_ + ";UID=" + userName_ + ";PWD=" + password_ + ";" + databaseParameters_
            : databaseType_ + ";" + databaseParameters_;
    databaseObject_ =
        workspaceObject_->OpenDatabase(database_, Variant(exclusive_), readOnly_, connect);
}

void TZedaDaoDatabase::Disconnect() {
    if (OnBeforeDisconnect) OnBeforeDisconnect(*this);
    tableNames_.Clear();
    queryDefNames_.Clear();
    CloseActiveTables();
    // Levels still open are not taken as done.
    while (transactionLevels_.Count() > 0) {
        try {
            Rollback();
        } catch (...) {
            transactionLevels_.Clear();
        }
    }
    try {
        if (databaseObject_) databaseObject_->Close();
    } catch (...) {
    }
    databaseObject_.reset();
    transactionLevels_.Clear();
    connected_ = false;
    if (OnAfterDisconnect) OnAfterDisconnect(*this);
}

// --- tables --------------------------------------------------------------------------------------

void TZedaDaoDatabase::RegisterTable(const std::string& name, IDaoActiveTable* table) {
    activeTables_.AddObject(name, reinterpret_cast<TStrings::TObject>(table));
}

void TZedaDaoDatabase::UnregisterTable(IDaoActiveTable* table, bool closedByDatabase) {
    if (closedByDatabase) return table->SetClosedByDatabase(false);
    for (int i = 0; i < activeTables_.Count(); ++i)
        if (activeTables_.Objects(i) == reinterpret_cast<TStrings::TObject>(table))
            return activeTables_.Delete(i);
}

void TZedaDaoDatabase::CloseActiveTables() {
    for (int i = 0; i < activeTables_.Count(); ++i) {
        auto* table = reinterpret_cast<IDaoActiveTable*>(activeTables_.Objects(i));
        try {
            table->SetClosedByDatabase(true);
            table->CloseTable();
        } catch (...) {
            // a table that fails to close is closed all the same
        }
    }
    activeTables_.Clear();
}

// --- catalogue ------------------------------------------------------------------------

void TZedaDaoDatabase::RefreshDefinitions() {
    tableNames_.Clear();
    queryDefNames_.Clear();
    if (!databaseObject_) return;
    const auto guarded = [](auto&& call) {
        try {
            call();
        } catch (...) {
        }
    };
    const bool jet = engineType_ == engine::dbUseJet;
    if (jet) guarded([&] { databaseObject_->TableDefs().Refresh(); });
    guarded([&] { databaseObject_->QueryDefs().Refresh(); });
    if (databaseType_ == "Access") {
        guarded([&] { databaseObject_->Containers().Refresh(); });
        guarded([&] { databaseObject_->Relations().Refresh(); });
    }
    guarded([&] { databaseObject_->Recordsets().Refresh(); });
    if (jet) guarded([&] { databaseObject_->Properties().Refresh(); });
    guarded([&] { engine_->Workspaces().Refresh(); });
    guarded([&] { workspaceObject_->Databases().Refresh(); });
    if (jet) {
        try {
            auto& tables = databaseObject_->TableDefs();
            for (int i = 0; i < tables.Count(); ++i) {
                const auto table = tables.Item(i);
                if (showSystemObjects_ ||
                    (static_cast<unsigned long>(table->Attributes()) & 0x80000002ul) == 0)
                    tableNames_.Add(table->Name());
            }
        } catch (...) {
        }
    }
    try {
        auto& queries = databaseObject_->QueryDefs();
        for (int i = 0; i < queries.Count(); ++i) queryDefNames_.Add(queries.Item(i)->Name());
    } catch (...) {
    }
}

void TZedaDaoDatabase::Idle() {
    if (!engine_) return;
    engine_->Idle(engine::dbFreeLocks);
    engine_->Idle(engine::dbRefreshCache);
}

TDaoErrRec TZedaDaoDatabase::GetLastDaoError() const {
    TDaoErrRec record;
    if (!engine_ || engine_->ErrorCount() == 0) return record;
    const engine::EDaoError error = engine_->Error(0);
    record.Number = error.Number();
    record.Source = error.Source();
    record.Description = error.Description();
    record.HelpFile = error.HelpFile();
    record.HelpContext = error.HelpContext();
    return record;
}

std::string TZedaDaoDatabase::DatabaseLanguage() {
    if (!connected_ || !databaseObject_) return {};
    int code = -1;
    try {
        code = databaseObject_->CollatingOrder();
    } catch (...) {
    }
    return CollatingOrderName(code);
}

bool TZedaDaoDatabase::CreateQueryDef(const std::string& name, const std::string& sql) {
    if (!databaseObject_) Fail("TZedaDaoDatabase.CreateQueryDef: Database is not connected!");
    databaseObject_->CreateQueryDef(name, sql);
    RefreshDefinitions();
    return true;
}

void TZedaDaoDatabase::SetQueryDefSQL(const std::string& name, const std::string& sql) {
    if (!databaseObject_) Fail("TZedaDaoDatabase.SetQueryDefSQL: Database is not connected!");
    RefreshDefinitions();
    databaseObject_->QueryDefs().Item(name)->SetSQL(sql);
    RefreshDefinitions();
}

std::string TZedaDaoDatabase::GetQueryDefSQL(const std::string& name) {
    try {
        if (databaseObject_) return databaseObject_->QueryDefs().Item(name)->SQL();
    } catch (...) {
    }
    return {};
}

void TZedaDaoDatabase::DeleteIndex(const std::string& table, const std::string& index) {
    if (!databaseObject_) Fail("TZedaDaoDatabase.DeleteIndex: Database is not connected!");
    RefreshDefinitions();
    databaseObject_->TableDefs().Item(table)->Indexes().Delete(index);
    RefreshDefinitions();
}

void TZedaDaoDatabase::RecordTableInTransaction(const std::string& name, int value) {
    if (transactionLevels_.Count() == 0) return;
    try {
        const int last = transactionLevels_.Count() - 1;
        TStringList level;
        level.SetCommaText(transactionLevels_.Strings(last));
        const int index = level.IndexOfName(name);
        if (index >= 0)
            level.SetStrings(index, level.Names(index) + "=" + std::to_string(value));
        else
            level.Add(name + "=" + std::to_string(value));
        transactionLevels_.SetStrings(last, level.CommaText());
    } catch (...) {
    }
}

void TZedaDaoDatabase::StartTransaction() {
    if (!workspaceObject_ || !connected_)
        Fail("TZedaDaoDatabase.StartTransaction: Database is not connected!");
    workspaceObject_->BeginTrans();
    transactionLevels_.Add("");
}

void TZedaDaoDatabase::Commit() {
    if (!workspaceObject_) Fail("TZedaDaoDatabase.Commit: Database is not connected!");
    workspaceObject_->CommitTrans();
    if (transactionLevels_.Count() > 0) transactionLevels_.Delete(transactionLevels_.Count() - 1);
}

void TZedaDaoDatabase::Rollback() {
    if (!workspaceObject_) Fail("TZedaDaoDatabase.Rollback: Database is not connected!");
    if (transactionLevels_.Count() > 0) transactionLevels_.Delete(transactionLevels_.Count() - 1);
    workspaceObject_->Rollback();
}

void TZedaDaoDatabase::DetectMdbVersion(const std::string& fileName) {
    if (databaseType_ != "Access") return;
    const TMdbMark mark = ReadMdbMark(fileName);
    if (mark == TMdbMark::Unreadable) return;
    if (daoVersions_.IndexOf("3.5") >= 0) version_ = "3.5";
    if (mark == TMdbMark::Jet4 && version_ == "3.5" && usesDynaDao_) version_ = "3.6";
}

}  // namespace zalvert
