#pragma once
// The row ids of a keyset in its order. A whole table in row-id order is known at
// once from its count and first id while its ids have no gap; one with gaps
// (deleted records, an import undone) is read from both ends as far as positions
// are asked for, so that a table of millions of records opens as quickly with gaps
// as without. Ids of rows added after the open follow those read.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/core/RowIds.h"
#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {

class TTableKeys {
  public:
    using TConnect = std::function<TSqliteConnection&()>;

    // A whole table in row-id order: its count and both ends now, the rest when
    // asked for. The caller holds one view of the file for the open, so that the
    // count and the ends agree. `connect` gives the connection for every read.
    void OpenTable(TConnect connect, const std::string& table);
    // An id read with all the others (any other keyset), or of a row added after
    // the open.
    void Append(std::int64_t id);
    void Shrink() { ids_.shrink_to_fit(); }

    size_t size() const { return lazy_ ? expected_ + added_.size() : ids_.size(); }
    bool empty() const { return size() == 0; }
    // Reads from the nearer end up to `pos` where it is not known yet; raises
    // ESqlite when that read fails.
    std::int64_t At(size_t pos);
    // Every id, those not known yet read first.
    const TRowIds& All();
    bool Ascending() const { return ascending_; }
    // The position of `id`, for ascending ids; reads the middle only for an id
    // that may stand in it.
    std::optional<size_t> FindAscending(std::int64_t id);

    // Ids read in one go before the rest waits; a read into the middle reads at
    // least this many, at most kMaxStep more than asked for.
    static constexpr size_t kEnds = 4096;
    static constexpr size_t kMaxStep = 65536;

  private:
    std::int64_t Last() const;
    size_t MiddleEnd() const { return expected_ - tail_.size(); }
    size_t Missing() const { return MiddleEnd() - ids_.size(); }
    std::int64_t TailId(size_t k) const { return ~tail_[k]; }
    size_t ReadBetween(bool upwards, size_t count);
    void ReadMiddleUpTo(size_t pos);
    void MarkMiddleGone();
    void Merge();

    TConnect connect_;
    std::string table_;  // quoted
    bool lazy_ = false;
    bool ascending_ = true;
    size_t expected_ = 0;  // the table's count at the open
    TRowIds ids_;          // every id; while lazy those from the start
    // While lazy: the ids from the end backwards, each held as its complement so
    // that a run read downwards is a run upwards; and the rows added since.
    TRowIds tail_;
    TRowIds added_;
};

}  // namespace zalvert::engine
