#pragma once
// The row ids of a keyset in its order. A whole table in row-id order is known at
// once from its count and first id while its ids have no gap; one with gaps
// (deleted records, an import undone) is read in blocks of positions as they are
// asked for, each block from the nearest block already read or, once they are
// found aside, between the first ids of it and the next (BlockAnchors.h), so that
// a table of millions of records opens as quickly with gaps as without and a jump
// into its middle reads one block, not every id up to there. Ids of rows added
// after the open follow those read.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/RowIds.h"
#include "engine/sqlite/BlockAnchors.h"
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
    // Reads the block of `pos` where it is not known yet; raises ESqlite when that
    // read fails.
    std::int64_t At(size_t pos);
    // Every id, those not known yet read first.
    const TRowIds& All();
    bool Ascending() const { return ascending_; }
    // The position of `id`, for ascending ids; reads the middle only for an id
    // that may stand in a block not read yet.
    std::optional<size_t> FindAscending(std::int64_t id);

    // Waits until the first ids of the blocks are found aside; whether they were.
    bool WaitForAnchors() { return anchors_ && anchors_->Wait(); }

    // Positions read in one go into the middle of a table with gaps.
    static constexpr size_t kBlock = 4096;
    // Blocks from which the first id of each is found aside after the open; below,
    // skipping to any block costs little.
    static constexpr size_t kAnchorsFrom = 16;

  private:
    size_t BlockBegin(size_t block) const { return block * kBlock; }
    size_t BlockEnd(size_t block) const { return std::min(expected_, (block + 1) * kBlock); }
    std::int64_t Last() const;
    bool Known(size_t block) const { return !blocks_[block].empty(); }
    std::optional<size_t> KnownBelow(size_t block) const;
    std::optional<size_t> KnownAbove(size_t block) const;
    std::int64_t LowerBound(std::optional<size_t> below) const;
    std::int64_t UpperBound(std::optional<size_t> above) const;
    std::optional<size_t> CountedPosition(size_t below, size_t above, std::int64_t id);
    void StartAnchors(TSqliteConnection& connection, std::int64_t first);
    std::optional<TBlockAnchors::TBounds> AnchoredBounds(size_t block, size_t skip,
                                                         std::int64_t low, std::int64_t high);
    void ReadBlocks(size_t first, size_t count, std::optional<bool> upwards = std::nullopt);
    void Merge();

    TConnect connect_;
    std::string table_;  // quoted
    bool lazy_ = false;
    bool ascending_ = true;
    size_t expected_ = 0;  // the table's count at the open
    size_t unread_ = 0;    // blocks not read yet, while lazy
    TRowIds ids_;          // every id once none is missing
    // While lazy: the open's positions in blocks, empty where not read yet; and the
    // rows added since.
    std::vector<TRowIds> blocks_;
    TRowIds added_;
    std::unique_ptr<TBlockAnchors> anchors_;  // while lazy, for a table of many blocks
};

}  // namespace zalvert::engine
