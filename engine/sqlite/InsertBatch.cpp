#include "engine/sqlite/InsertBatch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/core/ValuesRows.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

// Rows to a statement: beyond about a hundred the gain is gone.
constexpr size_t kRowsPerStatement = 100;
// Statements to a hand-over to the writing thread: waking it costs more than a row.
constexpr size_t kStatementsPerSend = 10;

// Binds `count` values from `first` on to `stmt` and runs it once.
void StepRows(TStatement& stmt, const THeldValues& values, size_t first, size_t count) {
    try {
        for (size_t i = 0; i < count; ++i) values.Bind(stmt, static_cast<int>(i + 1), first + i);
        stmt.Step();
    } catch (...) {
        stmt.Reset();
        throw;
    }
    stmt.Reset();
}

// Whether SQLite could read `text` as a number (and store it as one).
bool LooksNumeric(const std::string& text) {
    // Stored dates ("2018-12-03 00:00:00") and most texts fail here, before strtod.
    const auto numberChar = [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' ||
               c == ' ' || (c >= '\t' && c <= '\r');
    };
    if (!std::all_of(text.begin(), text.end(), numberChar)) return false;
    const size_t start = text.find_first_not_of(" \t\n\r\f\v");
    if (start == std::string::npos) return false;
    const char first = text[start];
    if (!(first >= '0' && first <= '9') && first != '+' && first != '-' && first != '.')
        return false;
    char* end = nullptr;
    std::strtod(text.c_str() + start, &end);
    return end != text.c_str() + start &&
           text.find_first_not_of(" \t\n\r\f\v", static_cast<size_t>(end - text.c_str())) ==
               std::string::npos;
}

constexpr double kTwoTo63 = 9223372036854775808.0;

}  // namespace

// SQLite's rules, in their order.
TAffinity AffinityOf(std::string_view declaredType) {
    const std::string type = AsciiUpperCase(std::string(declaredType));
    if (type.find("INT") != std::string::npos) return TAffinity::Integer;
    if (type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
        type.find("TEXT") != std::string::npos)
        return TAffinity::Text;
    if (type.empty() || type.find("BLOB") != std::string::npos) return TAffinity::Blob;
    if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
        type.find("DOUB") != std::string::npos)
        return TAffinity::Real;
    return TAffinity::Numeric;
}

bool AssignStoredValue(TAffinity affinity, const Variant& value, Variant& stored) {
    switch (value.Type()) {
        case TVarType::Null:
            stored = value;
            return true;
        case TVarType::Bytes:
            // No bytes are bound as no pointer, which SQLite stores as NULL.
            if (value.AsBytes().empty()) return false;
            stored = value;
            return true;
        case TVarType::String:
            if (affinity != TAffinity::Text && affinity != TAffinity::Blob &&
                LooksNumeric(value.StringValue()))
                return false;
            stored.AssignText(value.StringValue());
            return true;
        case TVarType::Integer:
        case TVarType::Int64:
            if (affinity == TAffinity::Text) return false;
            stored = affinity == TAffinity::Real ? Variant(static_cast<double>(value.AsInt64()))
                                                 : Variant(value.AsInt64());
            return true;
        case TVarType::Double: {
            const double n = value.AsDouble();
            if (affinity == TAffinity::Text) return false;
            const bool whole = n > -kTwoTo63 && n < kTwoTo63 && n == std::trunc(n);
            if ((affinity == TAffinity::Numeric || affinity == TAffinity::Integer) && whole)
                stored = Variant(static_cast<std::int64_t>(n));
            else
                stored = value;
            return true;
        }
        default:
            // Values of other kinds are bound as numbers; the stored form is read back.
            return false;
    }
}

std::optional<Variant> StoredValue(TAffinity affinity, const Variant& value) {
    Variant stored;
    if (!AssignStoredValue(affinity, value, stored)) return std::nullopt;
    return stored;
}

TInsertBatch::TInsertBatch() = default;
TInsertBatch::~TInsertBatch() = default;

std::optional<std::int64_t> TInsertBatch::Reserve(TSqliteConnection& connection,
                                                  const std::string& table, bool autoIncrement) {
    ThrowFailure();
    if (reserved_ && table_ == table) return (*reserved_)++;
    if (Active()) Flush(connection);
    const std::string largest = "(SELECT max(rowid) FROM " + QuoteIdentifier(table) + ")";
    TStatement ask(connection, autoIncrement
                                   ? "SELECT max(ifnull((SELECT seq FROM sqlite_sequence WHERE "
                                     "name = ?1 COLLATE NOCASE), 0), ifnull(" +
                                         largest + ", 0))"
                                   : "SELECT ifnull(" + largest + ", 0)");
    if (autoIncrement) ask.Bind(1, Variant(table));
    if (!ask.Step()) return std::nullopt;
    const std::int64_t last = ask.ColumnInt64(0);
    if (last == std::numeric_limits<std::int64_t>::max()) return std::nullopt;
    if (table != table_) {
        Discard();
        table_ = table;
    }
    reserved_ = last + 2;
    return last + 1;
}

void TInsertBatch::Add(TSqliteConnection& connection, const std::string& columns, std::int64_t id,
                       const std::vector<const Variant*>& values) {
    ThrowFailure();
    if (columns != columns_ || values.size() + 1 != width_) {
        if (held_ > 0) WriteHeld(connection);
        Settle();
        ThrowFailure();
        columns_ = columns;
        width_ = values.size() + 1;
        const int limit = sqlite3_limit(connection.Handle(), SQLITE_LIMIT_VARIABLE_NUMBER, -1);
        chunk_ =
            std::max<size_t>(1, std::min(kRowsPerStatement, static_cast<size_t>(limit) / width_));
        chunkStatement_.reset();
        rowStatement_.reset();
    }
    values_.AddRow(id, values);
    if (++held_ == chunk_ * kStatementsPerSend) Send(connection);
}

void TInsertBatch::Flush(TSqliteConnection& connection) {
    Settle();
    ThrowFailure();
    reserved_.reset();
    if (held_ > 0) WriteHeld(connection);
}

void TInsertBatch::Settle() {
    try {
        writer_.Wait();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

void TInsertBatch::Discard() {
    Settle();
    reserved_.reset();
    failure_ = nullptr;
    values_.Clear();
    sending_.Clear();
    held_ = 0;
    columns_.clear();
    width_ = 0;
    chunkStatement_.reset();
    rowStatement_.reset();
    leftover_.reset();
}

void TInsertBatch::ThrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

void TInsertBatch::Send(TSqliteConnection& connection) {
    Settle();
    ThrowFailure();
    TStatement& stmt = StatementFor(connection, chunk_);
    // The rows written last come back emptied, their memory kept for the next ones.
    sending_.Swap(values_);
    held_ = 0;
    writer_.Start([&stmt, &rows = sending_, width = chunk_ * width_] {
        for (size_t first = 0; first < rows.Size(); first += width)
            StepRows(stmt, rows, first, width);
        rows.Clear();
    });
}

void TInsertBatch::WriteHeld(TSqliteConnection& connection) {
    Settle();
    ThrowFailure();
    struct TDone {
        TInsertBatch& Batch;
        ~TDone() {
            Batch.values_.Clear();
            Batch.held_ = 0;
        }
    } done{*this};
    try {
        for (size_t row = 0; row < held_;) {
            const size_t rows = std::min(chunk_, held_ - row);
            StepRows(StatementFor(connection, rows), values_, row * width_, rows * width_);
            row += rows;
        }
    } catch (...) {
        failure_ = std::current_exception();
        throw;
    }
}

TStatement& TInsertBatch::StatementFor(TSqliteConnection& connection, size_t rows) {
    std::unique_ptr<TStatement>& slot = rows == chunk_ ? chunkStatement_
                                        : rows == 1    ? rowStatement_
                                                       : leftover_;
    if (!slot || &slot == &leftover_)
        slot = std::make_unique<TStatement>(connection, "INSERT INTO " + QuoteIdentifier(table_) +
                                                            " (" + columns_ + ") VALUES " +
                                                            ValuesRows(rows, width_));
    return *slot;
}

}  // namespace zalvert::engine
