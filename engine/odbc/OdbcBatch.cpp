#include "engine/odbc/OdbcBatch.h"

#include <algorithm>

#include "engine/core/ValuesRows.h"

namespace zalvert::engine::odbc {

namespace {

// Runs `sql` once on `rows` rows of `width` values from `values`.
void SendRows(TOdbcConnection& connection, const std::string& sql, const Variant* values,
              size_t rows, size_t width) {
    TOdbcStatement stmt(connection);
    stmt.Prepare(sql + " " + ValuesRows(rows, width));
    stmt.Bind(values, rows * width);
    stmt.Execute();
}

}  // namespace

TOdbcBatch::TOdbcBatch() = default;
TOdbcBatch::~TOdbcBatch() = default;

void TOdbcBatch::Start(std::string sql, size_t width) {
    Settle();
    if (sql != sql_) full_.reset();
    sql_ = std::move(sql);
    width_ = width;
    rows_ = 0;
    values_.clear();
}

void TOdbcBatch::Add(std::vector<Variant> values) {
    for (auto& value : values) values_.push_back(std::move(value));
    ++rows_;
}

void TOdbcBatch::SendFull(TOdbcConnection& connection) {
    Settle();
    ThrowFailure();
    if (!generic_) {
        // The connection plans each statement's run anew, so that keys are found
        // by index at any table size; planning a full batch's insert costs the
        // server more than writing its rows, and its plan never changes.
        connection.Exec("SET plan_cache_mode = force_generic_plan");
        generic_ = true;
    }
    if (!full_) {
        full_ = std::make_unique<TOdbcStatement>(connection);
        full_->Prepare(sql_ + " " + ValuesRows(kRows, width_));
    }
    // The batch sent last comes back to be emptied here, where it was made.
    sending_.swap(values_);
    values_.clear();
    rows_ = 0;
    sender_.Start([&connection, &stmt = *full_, &rows = sending_] {
        const std::lock_guard lock(connection.Busy());
        stmt.Bind(rows);
        stmt.Execute();
    });
}

void TOdbcBatch::Flush(TOdbcConnection& connection) {
    Settle();
    ThrowFailure();
    const size_t rows = rows_;
    rows_ = 0;
    try {
        if (rows > 0) SendRows(connection, sql_, values_.data(), rows, width_);
        if (generic_) connection.Exec("SET plan_cache_mode = force_custom_plan");
        generic_ = false;
    } catch (...) {
        failure_ = std::current_exception();
        values_.clear();
        throw;
    }
    values_.clear();
}

void TOdbcBatch::Settle() {
    try {
        sender_.Wait();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void TOdbcBatch::Drop() {
    Settle();
    // The rollback undoes the plan setting too.
    generic_ = false;
    failure_ = nullptr;
    values_.clear();
    sending_.clear();
    rows_ = 0;
}

void TOdbcBatch::ThrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

std::int64_t TKeyReserve::Next(TOdbcConnection& connection, const std::string& table,
                               const std::string& column) {
    if (reserved_.empty()) {
        TOdbcStatement stmt(connection);
        if (sequence_.empty()) {
            stmt.Prepare("SELECT pg_get_serial_sequence(?, ?)");
            stmt.Bind({Variant(table), Variant(column)});
            stmt.Execute();
            if (stmt.Fetch()) {
                const Variant name = stmt.Get(0);
                if (!name.IsNull()) sequence_ = name.AsString();
            }
            stmt.CloseCursor();
            if (sequence_.empty()) throw EOdbc{"42704", "no sequence for " + table + "." + column};
        }
        // Each block a larger one, up to a limit: a long run of rows waits for
        // fewer blocks, and a short one leaves few numbers unused.
        stmt.Prepare("SELECT nextval(CAST(? AS regclass)) FROM generate_series(1, ?)");
        stmt.Bind({Variant(sequence_), Variant(static_cast<std::int64_t>(block_))});
        block_ = std::min(block_ * 2, kLargestBlock);
        stmt.Execute();
        std::vector<std::int64_t> block;
        while (stmt.FetchNumbers(block))
            reserved_.insert(reserved_.end(), block.begin(), block.end());
    }
    const std::int64_t key = reserved_.front();
    reserved_.pop_front();
    return key;
}

}  // namespace zalvert::engine::odbc
