#include "engine/odbc/OdbcBatch.h"

#include <algorithm>

#include "engine/core/ValuesRows.h"
#include "engine/odbc/OdbcArrays.h"

namespace zalvert::engine::odbc {

namespace {

// The rows' columns as parameters: an array literal each, or for a column of
// texts the separated texts and NULL, or NULL and the literal where they cannot go
// so.
void MakeColumns(std::vector<Variant>& columns, const std::vector<Variant>& values, size_t rows,
                 size_t width, const std::vector<char>& texts) {
    columns.resize(width + static_cast<size_t>(std::count(texts.begin(), texts.end(), 1)));
    size_t parameter = 0;
    std::string text;
    for (size_t column = 0; column < width; ++column) {
        text.clear();
        const bool separated = column < texts.size() && texts[column];
        if (separated && AppendSeparatedTexts(text, values.data(), rows, width, column)) {
            columns[parameter++].AssignText(text);
            columns[parameter++] = Variant::Null();
            continue;
        }
        if (separated) columns[parameter++] = Variant::Null();
        AppendArrayLiteral(text, values.data(), rows, width, column);
        columns[parameter++].AssignText(text);
    }
}

// Binds and runs `stmt` for `rows` rows of `values`, in the form it was prepared for.
void Run(TOdbcStatement& stmt, const TBatchInsert& insert, const std::vector<Variant>& values,
         size_t rows, size_t width, std::vector<Variant>& columns) {
    if (!insert.Arrays.empty()) {
        MakeColumns(columns, values, rows, width, insert.Texts);
        stmt.Bind(columns);
    } else {
        stmt.Bind(values.data(), rows * width);
    }
    stmt.Execute();
}

}  // namespace

TOdbcBatch::TOdbcBatch() = default;
TOdbcBatch::~TOdbcBatch() = default;

void TOdbcBatch::Start(TBatchInsert insert, size_t width) {
    Settle();
    if (!Matches(insert)) full_.reset();
    insert_ = std::move(insert);
    width_ = width;
    rows_ = 0;
    values_.clear();
}

void TOdbcBatch::Add(std::vector<Variant> values) {
    for (auto& value : values) values_.push_back(std::move(value));
    ++rows_;
}

void TOdbcBatch::PrepareFull(TOdbcConnection& connection) {
    if (full_) return;
    full_ = std::make_unique<TOdbcStatement>(connection);
    full_->Prepare(insert_.Arrays.empty() ? insert_.Values + " " + ValuesRows(kValuesRows, width_)
                                          : insert_.Arrays);
}

void TOdbcBatch::SendFull(TOdbcConnection& connection) {
    Settle();
    ThrowFailure();
    const bool arrays = !insert_.Arrays.empty();
    if (!arrays && !generic_) {
        // The connection plans each statement's run anew, so that keys are found
        // by index at any table size; planning an insert of thousands of
        // parameters costs the server more than writing its rows.
        connection.Exec("SET plan_cache_mode = force_generic_plan");
        generic_ = true;
    }
    PrepareFull(connection);
    // The batch sent last comes back to be emptied here, where it was made.
    sending_.swap(values_);
    values_.clear();
    const size_t rows = rows_;
    rows_ = 0;
    sender_.Start([&connection, &stmt = *full_, &insert = insert_, &values = sending_, rows,
                   width = width_, &columns = columns_] {
        const std::lock_guard lock(connection.Busy());
        Run(stmt, insert, values, rows, width, columns);
    });
}

void TOdbcBatch::Flush(TOdbcConnection& connection) {
    Settle();
    ThrowFailure();
    const size_t rows = rows_;
    rows_ = 0;
    try {
        if (rows > 0) {
            const bool arrays = !insert_.Arrays.empty();
            if (arrays) {
                PrepareFull(connection);
                Run(*full_, insert_, values_, rows, width_, columns_);
            } else {
                TOdbcStatement stmt(connection);
                stmt.Prepare(insert_.Values + " " + ValuesRows(rows, width_));
                Run(stmt, insert_, values_, rows, width_, columns_);
            }
        }
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
        if (sequence_.empty()) {
            TOdbcStatement stmt(connection);
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
        Reserve(connection);
    }
    TRun& run = reserved_.front();
    const std::int64_t key = run.First;
    if (run.First++ == run.Last) reserved_.pop_front();
    return key;
}

// A block of numbers, each block a larger one up to a limit: a long run of rows
// waits for fewer blocks, and a short one leaves few numbers unused. The server
// sends them as runs of consecutive numbers, mostly one: reading thirty thousand
// rows of one number each cost more than the rows they were for.
void TKeyReserve::Reserve(TOdbcConnection& connection) {
    TOdbcStatement stmt(connection);
    stmt.Prepare(
        "SELECT min(v), max(v) FROM (SELECT v, v - row_number() OVER (ORDER BY v) AS run "
        "FROM (SELECT nextval(CAST(? AS regclass)) AS v FROM generate_series(1, ?)) AS taken) "
        "AS runs GROUP BY run ORDER BY 1");
    stmt.Bind({Variant(sequence_), Variant(static_cast<std::int64_t>(block_))});
    block_ = std::min(block_ * 2, kLargestBlock);
    stmt.Execute();
    while (stmt.Fetch()) reserved_.push_back({stmt.Get(0).AsInt64(), stmt.Get(1).AsInt64()});
    stmt.CloseCursor();
    if (reserved_.empty()) throw EOdbc{"HY000", "no numbers from " + sequence_};
}

}  // namespace zalvert::engine::odbc
