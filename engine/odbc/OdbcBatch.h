#pragma once
// Rows added inside a transaction on a PostgreSQL server, sent many to a
// statement instead of one: each row's key is taken beforehand from the key's
// sequence (a block of numbers at a time), so the recordset knows it at once.
// The rows go out when the batch is full, before any other statement on the
// connection, and at commit; a rollback drops them. A failure of a batch thus
// shows at the statement or commit that sends it, and the transaction fails as
// a whole.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/odbc/OdbcApi.h"

namespace zalvert::engine::odbc {

class TOdbcBatch {
  public:
    // `sql` is "INSERT INTO t (k, a, b) VALUES": the rows' values follow.
    bool Matches(const std::string& sql) const { return sql == sql_; }
    bool Empty() const { return rows_ == 0; }
    void Start(std::string sql, size_t width);
    void Add(std::vector<Variant> values);
    bool Full() const { return rows_ >= kRows; }
    // Sends the rows; they are gone from the batch whether it works or not.
    void Send(TOdbcConnection& connection);
    void Drop();

  private:
    static constexpr size_t kRows = 500;
    std::string sql_;
    size_t width_ = 0;
    size_t rows_ = 0;
    std::vector<Variant> values_;
    std::unique_ptr<TOdbcStatement> full_;  // prepared for a full batch
};

// Numbers of a key's sequence, taken a block at a time.
class TKeyReserve {
  public:
    std::int64_t Next(TOdbcConnection& connection, const std::string& table,
                      const std::string& column);
    void Drop() { reserved_.clear(); }

  private:
    std::string sequence_;
    std::deque<std::int64_t> reserved_;
};

}  // namespace zalvert::engine::odbc
