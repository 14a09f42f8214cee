#include "engine/sqlite/TableKeys.h"

#include <algorithm>
#include <limits>

namespace zalvert::engine {
namespace {

// Stands for a row of the open's view that was gone when the middle was read
// (deleted by another program meanwhile): no row has it, so reading it finds the
// row deleted, as for any row another user deleted after the open.
constexpr std::int64_t kGone = std::numeric_limits<std::int64_t>::min();

std::optional<std::int64_t> AskOne(TSqliteConnection& connection, const std::string& sql) {
    TStatement stmt(connection, sql);
    if (!stmt.Step() || stmt.ColumnIsNull(0)) return std::nullopt;
    return stmt.ColumnInt64(0);
}

}  // namespace

void TTableKeys::OpenTable(TConnect connect, const std::string& table) {
    *this = TTableKeys();
    connect_ = std::move(connect);
    table_ = table;
    TSqliteConnection& connection = connect_();
    // Asked apart: together SQLite would read the whole table for the count.
    const auto count = AskOne(connection, "SELECT count(*) FROM " + table_);
    if (!count || *count == 0) return;
    const auto first = AskOne(connection, "SELECT min(rowid) FROM " + table_);
    const auto last = AskOne(connection, "SELECT max(rowid) FROM " + table_);
    if (!first || !last) return;
    const size_t rows = static_cast<size_t>(*count);
    if (*last - *first + 1 == *count) {
        ids_.AssignRange(*first, rows);
        return;
    }
    lazy_ = true;
    expected_ = rows;
    if (rows <= 2 * kEnds) {
        ReadBetween(true, rows);
        lazy_ = false;
        return;
    }
    ReadBetween(true, kEnds);
    ReadBetween(false, kEnds);
}

// Reads up to `count` ids between the head and the tail: upwards after the head,
// or downwards before the tail; how many came.
size_t TTableKeys::ReadBetween(bool upwards, size_t count) {
    std::string sql = "SELECT rowid FROM " + table_ + " WHERE 1";
    if (!ids_.empty()) sql += " AND rowid > ?1";
    if (!tail_.empty()) sql += " AND rowid < ?2";
    sql += std::string(" ORDER BY rowid") + (upwards ? "" : " DESC") + " LIMIT ?3";
    TStatement stmt(connect_(), sql);
    if (!ids_.empty()) stmt.BindInt64(1, ids_.back());
    if (!tail_.empty()) stmt.BindInt64(2, TailId(tail_.size() - 1));
    stmt.BindInt64(3, static_cast<std::int64_t>(count));
    size_t read = 0;
    for (; stmt.Step(); ++read) {
        const std::int64_t id = stmt.ColumnInt64(0);
        if (upwards)
            ids_.push_back(id);
        else
            tail_.push_back(~id);
    }
    return read;
}

// Reads from the nearer end until `pos` (a position of the middle) is known.
void TTableKeys::ReadMiddleUpTo(size_t pos) {
    const bool fromHead = pos - ids_.size() <= MiddleEnd() - 1 - pos;
    const size_t needed = fromHead ? pos + 1 - ids_.size() : MiddleEnd() - pos;
    const size_t known = fromHead ? ids_.size() : tail_.size();
    const size_t step = std::min(Missing(), needed + std::clamp(known, kEnds, kMaxStep));
    const size_t read = ReadBetween(fromHead, step);
    if (read < step) MarkMiddleGone();
    if (Missing() == 0) Merge();
}

void TTableKeys::MarkMiddleGone() {
    for (size_t n = Missing(); n > 0; --n) ids_.push_back(kGone);
    ascending_ = false;
}

void TTableKeys::Merge() {
    for (size_t k = tail_.size(); k > 0; --k) ids_.push_back(TailId(k - 1));
    for (size_t k = 0; k < added_.size(); ++k) ids_.push_back(added_[k]);
    tail_ = TRowIds();
    added_ = TRowIds();
    lazy_ = false;
    ids_.shrink_to_fit();
}

std::int64_t TTableKeys::At(size_t pos) {
    if (!lazy_) return ids_[pos];
    if (pos >= expected_) return added_[pos - expected_];
    if (pos >= ids_.size() && pos < MiddleEnd()) {
        ReadMiddleUpTo(pos);  // one of the ends now reaches it, or all is merged
        return At(pos);
    }
    return pos < ids_.size() ? ids_[pos] : TailId(expected_ - 1 - pos);
}

const TRowIds& TTableKeys::All() {
    if (!lazy_) return ids_;
    const size_t missing = Missing();
    if (ReadBetween(true, missing) < missing) MarkMiddleGone();
    Merge();
    return ids_;
}

std::int64_t TTableKeys::Last() const {
    if (!lazy_) return ids_.back();
    return added_.empty() ? TailId(0) : added_.back();
}

void TTableKeys::Append(std::int64_t id) {
    if (!empty() && id <= Last()) ascending_ = false;
    if (lazy_)
        added_.push_back(id);
    else
        ids_.push_back(id);
}

std::optional<size_t> TTableKeys::FindAscending(std::int64_t id) {
    if (!lazy_) return ids_.FindAscending(id);
    if (!ids_.empty() && id <= ids_.back()) return ids_.FindAscending(id);
    if (id > TailId(0)) {
        const auto k = added_.FindAscending(id);
        if (!k) return std::nullopt;
        return expected_ + *k;
    }
    if (id >= TailId(tail_.size() - 1)) {
        const auto k = tail_.FindAscending(~id);
        if (!k) return std::nullopt;
        return expected_ - 1 - *k;
    }
    All();
    return ascending_ ? FindAscending(id) : std::nullopt;
}

}  // namespace zalvert::engine
