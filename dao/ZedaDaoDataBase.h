#pragma once
// The database connection component: it owns the engine, a workspace and, while
// connected, the open database; guards the properties that shape them; logs in;
// keeps the catalogue lists and the transaction levels; and closes the table
// components registered with it when it disconnects.

#include <functional>
#include <memory>
#include <string>

#include "dataset/Component.h"
#include "dataset/Strings.h"
#include "engine/Dao.h"

namespace zalvert {

// The engine's last error as the component hands it on.
struct TDaoErrRec {
    std::int32_t Number = 0;
    std::string Source;
    std::string Description;
    std::string HelpFile;
    std::int32_t HelpContext = 0;
    bool Is(engine::TDaoErr number) const { return Number == static_cast<std::int32_t>(number); }
};

// What a table component offers the connection that closes it.
class IDaoActiveTable {
  public:
    virtual ~IDaoActiveTable() = default;
    virtual void SetClosedByDatabase(bool closed) = 0;
    virtual void CloseTable() = 0;
};

class TZedaDaoDatabase : public TComponent {
  public:
    using TConnectEvent = std::function<void(TZedaDaoDatabase&)>;
    using TLoginEvent = std::function<void(TZedaDaoDatabase&, TStrings& loginParams)>;

    explicit TZedaDaoDatabase(TComponent* owner = nullptr);
    ~TZedaDaoDatabase() override;

    // --- connection ----------------------------------------------------------------
    bool Connected() const { return connected_; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // --- published properties ------------------------------------------------------
    std::string ComponentVersion() const { return "9.10"; }
    bool Exclusive() const { return exclusive_; }
    void F_Set_Exclusive(bool value);
    std::string DatabaseLanguage();
    const std::string& DatabaseType() const { return databaseType_; }
    void F_Set_DatabaseType(const std::string& value);
    const std::string& Database() const { return database_; }
    void F_Set_Database(const std::string& value);
    const std::string& DatabaseParameters() const { return databaseParameters_; }
    void F_Set_DatabaseParameters(const std::string& value);
    const std::string& DatabaseVersionInfo() const { return databaseVersionInfo_; }
    bool ReadOnly() const { return readOnly_; }
    void F_Set_ReadOnly(bool value);
    bool LoginPrompt() const { return loginPrompt_; }
    void F_Set_LoginPrompt(bool value);
    const std::string& UserName() const { return userName_; }
    void F_Set_UserName(const std::string& value);
    bool UseODBCDialog = true;
    const std::string& Password() const { return password_; }
    void F_Set_Password(const std::string& value);
    const std::string& DatabasePassword() const { return databasePassword_; }
    void F_Set_DatabasePassword(const std::string& value);
    const std::string& SystemDatabase() const { return systemDatabase_; }
    void F_Set_SystemDatabase(const std::string& value);
    bool SaveUserName = true;
    bool ShowSystemObjects() const { return showSystemObjects_; }
    void F_Set_ShowSystemObjects(bool value);
    bool SmartOpen = true;
    int EngineType() const { return engineType_; }
    void F_Set_EngineType(int value);
    bool PrivateEngine() const { return privateEngine_; }
    void F_Set_PrivateEngine(bool value);
    bool TrackTransactions() const { return trackTransactions_; }
    void F_Set_TrackTransactions(bool value);
    bool UsesDynaDao() const { return usesDynaDao_; }
    const std::string& Version() const { return version_; }
    void F_Set_Version(const std::string& value);
    const std::string& VersionDetails() const { return versionDetails_; }
    const std::string& VersionInfo() const { return versionInfo_; }
    const std::string& Workspace() const { return workspace_; }
    void F_Set_Workspace(const std::string& value);
    int DefaultCursorDriver() const { return defaultCursorDriver_; }
    void F_Set_DefaultCursorDriver(int value);
    int QueryTimeout = 60;
    bool MdbVersionAutoDetect = false;

    TLoginEvent OnLogin;
    TConnectEvent OnBeforeConnect, OnAfterConnect, OnBeforeDisconnect, OnAfterDisconnect;

    // --- objects and lists -------------------------------------------------------------
    engine::DBEngine* EngineObject() const { return engine_.get(); }
    engine::Workspace* WorkspaceObject() const { return workspaceObject_.get(); }
    engine::Database* DatabaseObject() const { return databaseObject_.get(); }
    TStrings& TableNames() { return tableNames_; }
    TStrings& QueryDefNames() { return queryDefNames_; }
    TStrings& TransactionLevels() { return transactionLevels_; }
    TStrings& DatabaseTypes() { return databaseTypes_; }
    TStrings& ODBCDrivers() { return odbcDrivers_; }
    TStrings& SystemDSNs() { return systemDSNs_; }
    TStrings& UserDSNs() { return userDSNs_; }
    TStrings& DSNFileMap() { return dsnFileMap_; }
    TStrings& DaoVersions() { return daoVersions_; }
    TStrings& PresetLoginParams() { return presetLoginParams_; }
    TStrings& ActiveTables() { return activeTables_; }

    // --- table registration -------------------------------------------------------------
    void RegisterTable(const std::string& name, IDaoActiveTable* table);
    void UnregisterTable(IDaoActiveTable* table, bool closedByDatabase);
    void CloseActiveTables();

    // --- catalogue, utilities and transactions ---------------------------------------------
    void RefreshDefinitions();
    void Idle();
    TDaoErrRec GetLastDaoError() const;
    bool CreateQueryDef(const std::string& name, const std::string& sql);
    void SetQueryDefSQL(const std::string& name, const std::string& sql);
    std::string GetQueryDefSQL(const std::string& name);
    void DeleteIndex(const std::string& table, const std::string& index);
    int TransactionLevelCount() const { return transactionLevels_.Count(); }
    void RecordTableInTransaction(const std::string& name, int value);
    void StartTransaction();
    void Commit();
    void Rollback();
    void DetectMdbVersion(const std::string& fileName);
    void RecreateEngineAndWorkspace();

  protected:
    void Loaded() override;

  private:
    void InitCom();
    void DetectDaoVersions();
    void CreateEngine(const std::string& version);
    void FillDatabaseTypes();
    void FillOdbcLists();
    void UpdateVersionInfo();
    void Guard(const char* message) const;
    void Rebuild();
    template <class T>
    void RebuildWithRollback(T& property, const T& oldValue);
    void Connect();
    void Disconnect();
    bool Login(bool& abort);
    void TakeLoginValues(const TStrings& values, bool onlyPresent);
    void OpenDatabaseObject();

    bool connected_ = false;
    bool comInitialized_ = false;
    bool exclusive_ = false;
    std::string databaseType_ = "Access";
    std::string database_;
    std::string databaseParameters_;
    std::string databaseVersionInfo_;
    bool readOnly_ = false;
    bool loginPrompt_ = false;
    std::string userName_ = "Admin";
    std::string password_;
    std::string databasePassword_;
    std::string systemDatabase_;
    bool showSystemObjects_ = false;
    int engineType_ = engine::dbUseJet;
    bool privateEngine_ = false;
    bool trackTransactions_ = true;
    bool usesDynaDao_ = true;
    std::string version_;
    std::string versionDetails_;
    std::string versionInfo_;
    std::string workspace_ = "DaoWorkspace";
    int defaultCursorDriver_ = -1;

    std::shared_ptr<engine::DBEngine> engine_;
    std::shared_ptr<engine::Workspace> workspaceObject_;
    std::shared_ptr<engine::Database> databaseObject_;
    TStringList tableNames_, queryDefNames_, transactionLevels_, databaseTypes_, odbcDrivers_,
        systemDSNs_, userDSNs_, dsnFileMap_, daoVersions_, presetLoginParams_, activeTables_;
};

}  // namespace zalvert
