#pragma once
// A database on each engine, for tests that must hold on both: a file of the
// recordset engine, and the PostgreSQL database the ODBC connect text in
// ZALVERT_TEST_ODBC names (the test command starts one; without it the server's
// cases are skipped and say so).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "tests/support/TempDir.h"

namespace zalvert::testing {

enum class TEngineKind { File, Server };

std::string EngineKindName(const ::testing::TestParamInfo<TEngineKind>& info);

class TBothEngines {
  public:
    explicit TBothEngines(TEngineKind kind);
    // False (with the reason) when the kind cannot be reached here.
    bool Available(std::string& why) const;
    // The database setting a program's INI takes: the file path or the connect text.
    const std::string& Setting() const { return setting_; }
    bool Server() const { return kind_ == TEngineKind::Server; }
    // A connection of its own, as another user or program has it.
    std::shared_ptr<engine::Database> Connect();
    // Drops the tables if they are there (a server keeps them between runs).
    void DropTables(const std::vector<std::string>& tables);

  private:
    TEngineKind kind_;
    TTempDir dir_;
    std::string setting_;
    std::vector<std::shared_ptr<engine::DBEngine>> engines_;
};

}  // namespace zalvert::testing
