#include "engine/sqlite/AsideRowReader.h"

#include <atomic>

#include "engine/core/BackgroundJob.h"
#include "engine/core/StorageFormat.h"

namespace zalvert::engine {
namespace {

constexpr int kRowsPerLock = 256;

// The row a statement stands on, its values as SQLite holds them. The reading holds
// the connection's lock around every row, so each column's value is taken once and
// read without the lock that every column call would take again.
class TStatementRow : public RowValues {
  public:
    explicit TStatementRow(const TStatement& statement) : statement_(statement) {}

    bool IsNull(int column) const override {
        return sqlite3_value_type(statement_.ColumnValue(column)) == SQLITE_NULL;
    }
    std::string_view Text(int column) const override {
        return TStatement::ValueView(statement_.ColumnValue(column));
    }
    std::optional<TDateTime> Date(int column) const override {
        sqlite3_value* value = statement_.ColumnValue(column);
        switch (sqlite3_value_type(value)) {
            case SQLITE_TEXT:
                return StorageToDateTime(TStatement::ValueView(value));
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                return sqlite3_value_double(value);
            default:
                return std::nullopt;
        }
    }
    long long Integer(int column) const override {
        return sqlite3_value_int64(statement_.ColumnValue(column));
    }

  private:
    const TStatement& statement_;
};

class TAsideRowReader : public RowReader {
  public:
    TAsideRowReader(TSqliteRef db, std::unique_ptr<TStatement> statement, RowHandler each,
                    std::function<void()> done)
        : db_(std::move(db)),
          statement_(std::move(statement)),
          each_(std::move(each)),
          done_(std::move(done)) {
        job_.Start([this] { Read(); });
    }
    // The job ends at its next row; the statement goes after it.
    ~TAsideRowReader() override { stop_ = true; }

    void Wait() override {
        try {
            job_.Wait();
        } catch (const ESqlite& e) {
            FailSqlite(db_->Engine(), e, "DAO.Database", db_->Name());
        }
    }

  private:
    void Read() {
        const TStatementRow row(*statement_);
        try {
            bool more = true;
            while (more && !stop_) more = ReadSome(row);
        } catch (...) {
            if (!stop_ && done_) done_();  // a caller may be waiting for the end
            throw;
        }
        if (!stop_ && done_) done_();
    }

    // A few hundred rows under the connection's lock, held once for all their
    // column calls; other users of the connection wait no longer than that.
    bool ReadSome(const TStatementRow& row) {
        sqlite3_mutex* lock = statement_->ConnectionLock();
        sqlite3_mutex_enter(lock);
        struct TLeave {
            sqlite3_mutex* Lock;
            ~TLeave() { sqlite3_mutex_leave(Lock); }
        } leave{lock};
        for (int i = 0; i < kRowsPerLock; ++i) {
            if (!statement_->Step()) return false;
            each_(row);
        }
        return true;
    }

    TSqliteRef db_;  // keeps the connection while the statement is stepped
    std::unique_ptr<TStatement> statement_;
    RowHandler each_;
    std::function<void()> done_;
    std::atomic<bool> stop_ = false;
    TBackgroundJob job_;  // last: ends before what its job uses goes
};

}  // namespace

std::unique_ptr<RowReader> ReadRowsAside(TSqliteRef db, std::unique_ptr<TStatement> statement,
                                         RowHandler each, std::function<void()> done) {
    return std::make_unique<TAsideRowReader>(std::move(db), std::move(statement), std::move(each),
                                             std::move(done));
}

}  // namespace zalvert::engine
