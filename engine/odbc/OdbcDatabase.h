#pragma once
// A database on a server, reached through the ODBC driver manager: recordsets,
// statements in the engine's dialect (or passed through as written), the server's
// tables and views, and the workspace's transactions on its connection.

#include <memory>
#include <string>

#include "engine/core/WorkspaceDatabase.h"
#include "engine/odbc/OdbcState.h"

namespace zalvert::engine::odbc {

class TOdbcDatabase : public TWorkspaceDatabase {
  public:
    TOdbcDatabase(TOdbcRef state, std::string connect);
    ~TOdbcDatabase() override;

    std::string Name() const override { return state_->Name(); }
    std::string Connect() const override { return connect_; }
    std::string Version() const override;
    int CollatingOrder() const override { return 1033; }
    int QueryTimeout() const override { return state_->QueryTimeout; }
    void SetQueryTimeout(int seconds) override { state_->QueryTimeout = seconds; }
    bool Updatable() const override { return !state_->ReadOnly(); }
    std::shared_ptr<Recordset> OpenRecordset(const std::string& source, int type, int options,
                                             int lockEdit) override;
    void Execute(const std::string& sql, int options) override;
    long long RecordsAffected() const override { return state_->RecordsAffected; }
    Collection<TableDef>& TableDefs() override;
    QueryDefCollection& QueryDefs() override;
    std::shared_ptr<QueryDef> CreateQueryDef(const std::string& name,
                                             const std::string& sql) override;
    Collection<Container>& Containers() override;
    Collection<Relation>& Relations() override;
    Collection<Recordset>& Recordsets() override;
    PropertyCollection& Properties() override;
    void Close() override;

    bool Closed() const override { return state_->Closed(); }
    int TransactionDepth() const override { return state_->TransactionDepth; }
    void BeginLevel(int level) override;
    void EndLevel(int level, bool rollback) override;

  private:
    struct TCollections;
    TOdbcRef state_;
    std::string connect_;
    std::unique_ptr<TCollections> collections_;
};

// Opens the database a connect text names: "ODBC;DSN=...;UID=...;PWD=...;..."
// (the leading "ODBC;" is dropped, the rest goes to the driver manager as it is).
std::shared_ptr<TOdbcDatabase> OpenOdbcDatabase(const TEngineRef& engine, const std::string& name,
                                                bool readOnly, const std::string& connect);

}  // namespace zalvert::engine::odbc
