#pragma once
// Rows added inside a transaction, held back and written many to a statement. A
// statement per row costs SQLite more than the row itself: each one reads and
// writes the table's AUTOINCREMENT counter again. The rows take their ids from a
// reservation made under the transaction's write lock; anything else done on the
// connection writes the held rows first and ends the reservation. Full statements
// of rows are written on a thread of their own while the next rows are built;
// the connection is never used by both threads at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/BackgroundJob.h"
#include "engine/sqlite/HeldValues.h"
#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {

enum class TAffinity { Text, Numeric, Integer, Real, Blob };
// The affinity SQLite gives a column of `declaredType`.
TAffinity AffinityOf(std::string_view declaredType);
// What SQLite stores for `value` bound to a column of that affinity; nullopt where
// SQLite might store it otherwise than given.
std::optional<Variant> StoredValue(TAffinity affinity, const Variant& value);
// The same into `stored` (its text keeps its memory); false, `stored` unchanged,
// where StoredValue gives none.
bool AssignStoredValue(TAffinity affinity, const Variant& value, Variant& stored);

class TInsertBatch {
  public:
    TInsertBatch();
    ~TInsertBatch();
    TInsertBatch(const TInsertBatch&) = delete;
    TInsertBatch& operator=(const TInsertBatch&) = delete;

    // Whether rows are held or being written, ids reserved, or held rows failed.
    bool Active() const {
        return held_ > 0 || writer_.Started() || reserved_.has_value() || failure_ != nullptr;
    }
    // The id for a new row of `table`, which `Add` writes with that id: what SQLite
    // would choose itself (past the AUTOINCREMENT counter where the table has one).
    // Nullopt when SQLite would choose at random (the largest id is taken).
    std::optional<std::int64_t> Reserve(TSqliteConnection& connection, const std::string& table,
                                        bool autoIncrement);
    // Holds a row of the table just reserved for, copying its values: `columns` the
    // quoted column names, the row id column first, then those of `values` in their
    // order. Hands the held rows to the other thread once they fill several
    // statements.
    void Add(TSqliteConnection& connection, const std::string& columns, std::int64_t id,
             const std::vector<const Variant*>& values);
    // Writes the held rows and ends the reservation. Held rows that failed fail
    // every call here (and so every other use of the connection) until `Discard`:
    // rows reported as added are missing, so their transaction must not commit.
    // A failure of rows written on the other thread is thrown by the next call.
    void Flush(TSqliteConnection& connection);
    // Waits until rows being written on the other thread are written, for a use of
    // the connection that need not see the rows still held.
    void Settle();
    // Drops the held rows and a failure (their transaction is rolled back) and the
    // statements.
    void Discard();

  private:
    void ThrowFailure() const;
    // Hands the held rows, whole statements of them, to the other thread.
    void Send(TSqliteConnection& connection);
    // Writes the held rows here and now.
    void WriteHeld(TSqliteConnection& connection);
    TStatement& StatementFor(TSqliteConnection& connection, size_t rows);

    std::string table_;
    std::string columns_;
    size_t width_ = 0;
    std::optional<std::int64_t> reserved_;
    std::exception_ptr failure_;
    THeldValues values_;   // the held rows, one after the other
    THeldValues sending_;  // the rows being written on the other thread
    size_t held_ = 0;
    size_t chunk_ = 1;
    std::unique_ptr<TStatement> chunkStatement_, rowStatement_, leftover_;
    TBackgroundJob writer_;  // last: ends before what its job uses goes
};

}  // namespace zalvert::engine
