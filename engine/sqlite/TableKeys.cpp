#include "engine/sqlite/TableKeys.h"

#include <algorithm>
#include <limits>

namespace zalvert::engine {
namespace {

// Stands for a row of the open's view that was gone when its block was read
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
    blocks_.resize((rows + kBlock - 1) / kBlock);
    unread_ = blocks_.size();
    ReadBlocks(0, 1, true);
    if (lazy_) ReadBlocks(blocks_.size() - 1, 1, false);
    if (lazy_ && blocks_.size() >= kAnchorsFrom) StartAnchors(connection, *first);
}

void TTableKeys::StartAnchors(TSqliteConnection& connection, std::int64_t first) {
    const char* path = sqlite3_db_filename(connection.Handle(), "main");
    if (!path || !*path) return;  // a database in memory has no second connection
    anchors_ =
        std::make_unique<TBlockAnchors>(path, table_, first, blocks_.size(), kBlock, expected_);
}

std::optional<size_t> TTableKeys::KnownBelow(size_t block) const {
    while (block-- > 0)
        if (Known(block)) return block;
    return std::nullopt;
}

std::optional<size_t> TTableKeys::KnownAbove(size_t block) const {
    while (++block < blocks_.size())
        if (Known(block)) return block;
    return std::nullopt;
}

// The highest id read at or below `below`, the ids found gone passed over.
std::int64_t TTableKeys::LowerBound(std::optional<size_t> below) const {
    for (; below; below = KnownBelow(*below)) {
        const TRowIds& ids = blocks_[*below];
        for (size_t k = ids.size(); k > 0; --k)
            if (ids[k - 1] != kGone) return ids[k - 1];
    }
    return kGone;
}

// The lowest id read at or above `above`.
std::int64_t TTableKeys::UpperBound(std::optional<size_t> above) const {
    for (; above; above = KnownAbove(*above)) {
        const TRowIds& ids = blocks_[*above];
        for (size_t k = 0; k < ids.size(); ++k)
            if (ids[k] != kGone) return ids[k];
    }
    return kGone;
}

// Reads `count` blocks not read yet from `first` on, in one statement between the
// ids of the nearest blocks read on either side: upwards past the rows of the
// positions between the block below and `first`, or downwards past those between
// the block above and the last of them, whichever passes fewer unless `upwards`
// says. Positions whose rows were gone meanwhile are marked so.
void TTableKeys::ReadBlocks(size_t first, size_t count, std::optional<bool> upwards) {
    const size_t last = first + count - 1;
    const auto below = KnownBelow(first);
    const auto above = KnownAbove(last);
    const size_t begin = BlockBegin(first), end = BlockEnd(last);
    const size_t skipUp = begin - (below ? BlockEnd(*below) : 0);
    const size_t skipDown = (above ? BlockBegin(*above) : expected_) - end;
    bool up = upwards.value_or(skipUp <= skipDown);
    size_t skip = up ? skipUp : skipDown;
    std::int64_t low = LowerBound(below), high = UpperBound(above);
    const auto anchored =
        count == 1 && !upwards && skip > 0 ? AnchoredBounds(first, skip, low, high) : std::nullopt;
    const bool fromAnchor = anchored.has_value();
    if (anchored) {
        up = true;
        skip = 0;
        low = anchored->First;
        if (anchored->Next) high = *anchored->Next;
    }

    std::string sql = "SELECT rowid FROM " + table_ + " WHERE 1";
    if (low != kGone) sql += fromAnchor ? " AND rowid >= ?1" : " AND rowid > ?1";
    if (high != kGone) sql += " AND rowid < ?2";
    sql += std::string(" ORDER BY rowid") + (up ? "" : " DESC") + " LIMIT ?3 OFFSET ?4";
    TStatement stmt(connect_(), sql);
    if (low != kGone) stmt.BindInt64(1, low);
    if (high != kGone) stmt.BindInt64(2, high);
    stmt.BindInt64(3, static_cast<std::int64_t>(end - begin));
    stmt.BindInt64(4, static_cast<std::int64_t>(skip));

    size_t pos = begin;
    const auto put = [&](std::int64_t id) {
        blocks_[pos / kBlock].push_back(id);
        ++pos;
    };
    if (up) {
        while (pos < end && stmt.Step()) put(stmt.ColumnInt64(0));
        if (pos < end) ascending_ = false;
        while (pos < end) put(kGone);
    } else {
        std::vector<std::int64_t> read;
        read.reserve(end - begin);
        while (stmt.Step()) read.push_back(stmt.ColumnInt64(0));
        if (read.size() < end - begin) ascending_ = false;
        for (size_t n = read.size(); n < end - begin; ++n) put(kGone);
        for (size_t k = read.size(); k > 0; --k) put(read[k - 1]);
    }
    for (size_t block = first; block <= last; ++block) blocks_[block].shrink_to_fit();
    unread_ -= count;
    if (unread_ == 0) Merge();
}

// The block's anchor and the next, where they are found and lie within the
// blocks read on either side (`low` and `high`): read between them, no row is
// skipped.
std::optional<TBlockAnchors::TBounds> TTableKeys::AnchoredBounds(size_t block, size_t skip,
                                                                 std::int64_t low,
                                                                 std::int64_t high) {
    if (!anchors_) return std::nullopt;
    const auto bounds = anchors_->Bounds(block, skip);
    if (!bounds || (low != kGone && low >= bounds->First)) return std::nullopt;
    if (high != kGone && (!bounds->Next || *bounds->Next > high)) return std::nullopt;
    return bounds;
}

void TTableKeys::Merge() {
    for (const TRowIds& block : blocks_)
        for (size_t k = 0; k < block.size(); ++k) ids_.push_back(block[k]);
    for (size_t k = 0; k < added_.size(); ++k) ids_.push_back(added_[k]);
    blocks_ = std::vector<TRowIds>();
    added_ = TRowIds();
    anchors_.reset();
    lazy_ = false;
    ids_.shrink_to_fit();
}

std::int64_t TTableKeys::At(size_t pos) {
    if (!lazy_) return ids_[pos];
    if (pos >= expected_) return added_[pos - expected_];
    const size_t block = pos / kBlock;
    if (!Known(block)) {
        ReadBlocks(block, 1);
        if (!lazy_) return ids_[pos];
    }
    return blocks_[block][pos - BlockBegin(block)];
}

const TRowIds& TTableKeys::All() {
    // Each stretch of blocks not read yet in one statement, upwards from the block
    // read before it (the first block always is).
    for (size_t block = 0; lazy_ && block < blocks_.size();) {
        size_t count = 0;
        while (block + count < blocks_.size() && !Known(block + count)) ++count;
        if (count > 0) ReadBlocks(block, count, true);
        block += std::max<size_t>(count, 1);
    }
    return ids_;
}

std::int64_t TTableKeys::Last() const {
    if (!lazy_) return ids_.back();
    return added_.empty() ? blocks_.back()[blocks_.back().size() - 1] : added_.back();
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
    if (id > Last()) return std::nullopt;
    if (!added_.empty() && id >= added_[0]) {
        const auto k = added_.FindAscending(id);
        if (!k) return std::nullopt;
        return expected_ + *k;
    }
    // The block read whose ids reach `id`; where blocks not read lie before it and
    // after the block below, `id` may stand among them.
    for (size_t block = 0; block < blocks_.size(); ++block) {
        if (!Known(block) || blocks_[block][blocks_[block].size() - 1] < id) continue;
        if (blocks_[block][0] <= id) {
            const auto k = blocks_[block].FindAscending(id);
            if (!k) return std::nullopt;
            return BlockBegin(block) + *k;
        }
        if (block == 0 || Known(block - 1)) return std::nullopt;  // before or between them
        return CountedPosition(*KnownBelow(block), block, id);
    }
    return std::nullopt;
}

// The position of `id`, which lies between the blocks read `below` and `above`
// with blocks not read between them: the rows between it and the nearer of them
// counted, then its block read. Where the count and the block disagree (rows
// changed meanwhile) every id is read instead.
std::optional<size_t> TTableKeys::CountedPosition(size_t below, size_t above, std::int64_t id) {
    const std::int64_t low = LowerBound(below), high = UpperBound(above);
    if (low == kGone || high == kGone) {
        All();
        return ascending_ ? FindAscending(id) : std::nullopt;
    }
    // As unsigned: the distances between ids of any sign without overflow.
    const auto distance = [](std::int64_t from, std::int64_t to) {
        return static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    };
    const bool fromBelow = distance(low, id) <= distance(id, high);
    TStatement stmt(connect_(), "SELECT count(*), max(rowid = ?1) FROM " + table_ +
                                    (fromBelow ? " WHERE rowid > ?2 AND rowid <= ?1"
                                               : " WHERE rowid >= ?1 AND rowid < ?2"));
    stmt.BindInt64(1, id);
    stmt.BindInt64(2, fromBelow ? low : high);
    if (!stmt.Step() || stmt.ColumnInt64(1) != 1) return std::nullopt;  // no such row
    const size_t counted = static_cast<size_t>(stmt.ColumnInt64(0));
    const size_t begin = BlockEnd(below), end = BlockBegin(above);
    if (counted >= 1 && counted <= end - begin) {
        const size_t pos = fromBelow ? begin + counted - 1 : end - counted;
        if (At(pos) == id) return pos;
    }
    All();
    return ascending_ ? FindAscending(id) : std::nullopt;
}

}  // namespace zalvert::engine
