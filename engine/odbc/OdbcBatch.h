#pragma once
// Rows added inside a transaction on a PostgreSQL server, sent many to a
// statement instead of one: each row's key is taken beforehand from the key's
// sequence (a block of numbers at a time), so the recordset knows it at once.
// A full batch goes out on a thread of its own while the next one is built; the
// rest goes out before any other statement on the connection, and at commit; a
// rollback drops them. The connection is never used by both threads at once.
// A failed batch fails every later use of the connection until the rollback:
// rows reported as added are missing, so their transaction must not commit.

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/BackgroundJob.h"
#include "engine/odbc/OdbcApi.h"

namespace zalvert::engine::odbc {

// The two forms of a batch's INSERT.
struct TBatchInsert {
    // "INSERT INTO t (k, a, b) VALUES": the rows' values follow, one parameter each.
    std::string Values;
    // "INSERT INTO t (k, a, b) SELECT unnest(CAST(? AS bigint[])), ...": a
    // parameter a column (OdbcArrays.h), unnested side by side as the rows are
    // inserted (unnest in FROM would first copy every row into a row store);
    // empty where a column has no such type.
    std::string Arrays;
    // Which of those columns go as separated texts (OdbcArrays.h).
    std::vector<char> Texts;
};

class TOdbcBatch {
  public:
    TOdbcBatch();
    ~TOdbcBatch();
    TOdbcBatch(const TOdbcBatch&) = delete;
    TOdbcBatch& operator=(const TOdbcBatch&) = delete;

    bool Matches(const TBatchInsert& insert) const { return insert.Values == insert_.Values; }
    // Rows held or being sent, or a failure not yet dropped.
    bool Active() const { return rows_ > 0 || sender_.Started() || failure_ != nullptr; }
    // Begins batches of another statement; the rows before must have been flushed.
    void Start(TBatchInsert insert, size_t width);
    void Add(std::vector<Variant> values);
    bool Full() const { return rows_ >= (insert_.Arrays.empty() ? kValuesRows : kArrayRows); }
    // Hands the full batch to the sending thread, once the one before is sent.
    void SendFull(TOdbcConnection& connection);
    // Sends the held rows here and now, after those on the sending thread, and
    // throws the failure of any batch.
    void Flush(TOdbcConnection& connection);
    // Waits until the sending thread is done; a failure waits for Flush.
    void Settle();
    // Rolled back: held rows and a failure are dropped.
    void Drop();

  private:
    void ThrowFailure() const;
    // Prepares `full_` for full batches.
    void PrepareFull(TOdbcConnection& connection);

    // Rows to a statement of one parameter a value, and of one a column.
    static constexpr size_t kValuesRows = 500;
    static constexpr size_t kArrayRows = 2000;
    TBatchInsert insert_;
    size_t width_ = 0;
    size_t rows_ = 0;
    std::vector<Variant> values_;
    std::vector<Variant> sending_;  // the batch on the sending thread
    std::vector<Variant> columns_;  // its columns as arrays, made on that thread
    std::exception_ptr failure_;
    bool generic_ = false;                  // the connection keeps plans while full batches go out
    std::unique_ptr<TOdbcStatement> full_;  // prepared for a full batch
    TBackgroundJob sender_;                 // last: ends before what its job uses goes
};

// Numbers of a key's sequence, taken a block at a time; a number once taken is
// this connection's alone, whatever becomes of the transaction.
class TKeyReserve {
  public:
    std::int64_t Next(TOdbcConnection& connection, const std::string& table,
                      const std::string& column);
    // Whether the next number takes a new block from the server.
    bool Empty() const { return reserved_.empty(); }

  private:
    static constexpr size_t kLargestBlock = 32768;
    // Numbers taken and not handed out yet, as runs of consecutive ones.
    struct TRun {
        std::int64_t First = 0, Last = 0;
    };
    void Reserve(TOdbcConnection& connection);

    std::string sequence_;
    size_t block_ = 1000;
    std::deque<TRun> reserved_;
};

}  // namespace zalvert::engine::odbc
