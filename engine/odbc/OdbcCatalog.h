#pragma once
// The catalogue of a server database: its tables as table definitions (fields,
// indexes, record counts), its views as stored queries, and query definitions
// made in the program, which live as long as the connection.

#include <memory>
#include <string>

#include "engine/Dao.h"
#include "engine/core/EngineState.h"
#include "engine/odbc/OdbcState.h"

namespace zalvert::engine::odbc {

std::unique_ptr<TListCollection<TableDef>> MakeTableDefs(const TOdbcRef& db);

class TOdbcQueryDefs : public TListCollection<QueryDef, QueryDefCollection> {
  public:
    explicit TOdbcQueryDefs(TOdbcRef db);
    // A named one is kept in the collection; an unnamed one is temporary.
    std::shared_ptr<QueryDef> Create(const std::string& name, const std::string& sql);
    void Delete(std::string_view name) override;

  private:
    TOdbcRef db_;
    std::vector<std::shared_ptr<QueryDef>> created_;
};

inline std::unique_ptr<TOdbcQueryDefs> MakeQueryDefs(const TOdbcRef& db) {
    return std::make_unique<TOdbcQueryDefs>(db);
}

}  // namespace zalvert::engine::odbc
