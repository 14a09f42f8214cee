#include "engine/odbc/OdbcBatch.h"

#include "engine/core/ValuesRows.h"

namespace zalvert::engine::odbc {

void TOdbcBatch::Start(std::string sql, size_t width) {
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

void TOdbcBatch::Send(TOdbcConnection& connection) {
    if (rows_ == 0) return;
    std::vector<Variant> values = std::move(values_);
    const size_t rows = rows_;
    values_.clear();
    rows_ = 0;
    if (rows == kRows) {
        if (!full_) {
            full_ = std::make_unique<TOdbcStatement>(connection);
            full_->Prepare(sql_ + " " + ValuesRows(kRows, width_));
        }
        full_->Bind(values);
        full_->Execute();
        return;
    }
    TOdbcStatement stmt(connection);
    stmt.Prepare(sql_ + " " + ValuesRows(rows, width_));
    stmt.Bind(values);
    stmt.Execute();
}

void TOdbcBatch::Drop() {
    values_.clear();
    rows_ = 0;
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
        stmt.Prepare("SELECT nextval(CAST(? AS regclass)) FROM generate_series(1, 1000)");
        stmt.Bind({Variant(sequence_)});
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
