#pragma once
// What the objects of one server database share: the engine, the connection, the
// server's table descriptions, and turning the driver's failures into engine errors.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/EngineState.h"
#include "engine/core/Metadata.h"
#include "engine/odbc/OdbcApi.h"
#include "engine/odbc/OdbcBatch.h"

namespace zalvert::engine::odbc {

class TOdbcState {
  public:
    TOdbcState(TEngineRef engine, std::string name, std::string connect, bool readOnly);

    TEngineState& Engine() const { return *engine_; }
    const TEngineRef& EngineRef() const { return engine_; }
    // The connection, with the rows added in batches sent first; ObjectClosed once the
    // database is closed.
    TOdbcConnection& Connection(const char* source);
    // Queues a row of an INSERT for a batch.
    void QueueInsert(const TBatchInsert& insert, std::vector<Variant> values, const char* source);
    // Rolled back: rows not sent yet, and a failure of rows sent, are dropped.
    void DropQueued();
    // The next number of a serial key column, reserved beforehand in blocks.
    std::int64_t ReserveKey(const std::string& table, const std::string& column,
                            const char* source);
    const std::string& Name() const { return name_; }
    bool ReadOnly() const { return readOnly_; }
    bool Closed() const { return connection_ == nullptr; }
    void Close();
    bool PostgreSql() const { return postgres_; }

    // Tables and views of the server, by name without regard to case.
    std::vector<std::string> TableNames(bool views);
    const TTableInfo* Table(std::string_view name);
    void SchemaChanged() { tables_.clear(); }

    // Raises the engine error that stands for a failure of the driver.
    [[noreturn]] void Fail(const EOdbc& error, const char* source);

    int TransactionDepth = 0;
    long long RecordsAffected = 0;
    int QueryTimeout = 60;
    std::uint32_t NextFamily = 1;

  private:
    TTableInfo Load(const std::string& name, bool view);

    TEngineRef engine_;
    std::string name_;
    std::unique_ptr<TOdbcConnection> connection_;
    bool readOnly_;
    bool postgres_ = false;
    std::map<std::string, std::optional<TTableInfo>> tables_;
    std::map<std::string, TKeyReserve> reserves_;
    TOdbcBatch batch_;  // after the connection: its sending ends before the connection goes
};
using TOdbcRef = std::shared_ptr<TOdbcState>;

}  // namespace zalvert::engine::odbc
