#pragma once
// The database object: recordsets, action statements and the catalogue of one file.

#include <memory>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "engine/core/WorkspaceDatabase.h"
#include "engine/sqlite/CatalogObjects.h"
#include "engine/sqlite/SqliteState.h"

namespace zalvert::engine {

class TSqliteDatabase : public TWorkspaceDatabase {
  public:
    TSqliteDatabase(TSqliteRef state, std::string connect);

    std::string Name() const override { return state_->Name(); }
    std::string Connect() const override { return connect_; }
    std::string Version() const override { return "4.0"; }
    int CollatingOrder() const override { return 1033; }
    int QueryTimeout() const override { return state_->QueryTimeout; }
    void SetQueryTimeout(int seconds) override { state_->QueryTimeout = seconds; }
    bool Updatable() const override { return !state_->ReadOnly(); }
    std::shared_ptr<Recordset> OpenRecordset(const std::string& source, int type, int options,
                                             int lockEdit) override;
    void Execute(const std::string& sql, int options) override;
    std::unique_ptr<ReadSnapshot> HoldSnapshot() override;
    std::unique_ptr<RowReader> ReadRows(const std::string& sql, RowHandler each,
                                        std::function<void()> done) override;
    long long RecordsAffected() const override { return state_->RecordsAffected; }
    Collection<TableDef>& TableDefs() override { return *tableDefs_; }
    QueryDefCollection& QueryDefs() override { return *queryDefs_; }
    std::shared_ptr<QueryDef> CreateQueryDef(const std::string& name,
                                             const std::string& sql) override;
    Collection<Container>& Containers() override { return *containers_; }
    Collection<Relation>& Relations() override { return *relations_; }
    Collection<Recordset>& Recordsets() override { return *recordsets_; }
    PropertyCollection& Properties() override { return *properties_; }
    void Close() override;

    const TSqliteRef& State() const { return state_; }
    bool Closed() const override { return state_->Closed(); }
    int TransactionDepth() const override { return state_->TransactionDepth; }
    void BeginLevel(int level) override;
    void EndLevel(int level, bool rollback) override;

  private:
    TSqliteRef state_;
    std::string connect_;
    std::vector<std::weak_ptr<Recordset>> opened_;
    std::unique_ptr<TListCollection<TableDef>> tableDefs_;
    std::unique_ptr<QueryDefCollection> queryDefs_;
    std::unique_ptr<TListCollection<Container>> containers_;
    std::unique_ptr<TListCollection<Relation>> relations_;
    std::unique_ptr<TListCollection<Recordset>> recordsets_;
    std::unique_ptr<TPropertyList> properties_;
};

// Opens a database file as the engine does; `exclusive` locks out every other user.
std::shared_ptr<TSqliteDatabase> OpenDatabaseFile(const TEngineRef& engine, const std::string& path,
                                                  bool exclusive, bool readOnly,
                                                  const std::string& connect);
// Creates a new database file with the engine's metadata tables.
std::shared_ptr<TSqliteDatabase> CreateDatabaseFile(const TEngineRef& engine,
                                                    const std::string& path);

}  // namespace zalvert::engine
