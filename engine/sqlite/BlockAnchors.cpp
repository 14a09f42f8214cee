#include "engine/sqlite/BlockAnchors.h"

#include <sched.h>

#include <chrono>
#include <system_error>
#include <utility>

#include "engine/sqlite/ReadAheadVfs.h"
#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {
namespace {

// A waiting caller gives up on a finding that has not moved for this long (other
// programs keep both cores busy, and the finding runs only on an idle one).
constexpr auto kStall = std::chrono::milliseconds(40);

}  // namespace

TBlockAnchors::TBlockAnchors(std::string path, std::string table, std::int64_t first, size_t blocks,
                             size_t block, size_t rows)
    : path_(std::move(path)),
      table_(std::move(table)),
      block_(block),
      rows_(rows),
      ids_(blocks),
      high_(blocks),
      claimedDown_(blocks) {
    ids_[0] = first;
    Start(TWalk::Up, up_);
    Start(TWalk::Down, down_);
}

TBlockAnchors::~TBlockAnchors() {
    stop_ = true;
    if (up_.joinable()) up_.join();
    if (down_.joinable()) down_.join();
}

void TBlockAnchors::Start(TWalk walk, std::thread& thread) {
    {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    try {
        thread = std::thread([this, walk] { Find(walk); });
    } catch (const std::system_error&) {
        std::lock_guard lock(mutex_);
        --running_;  // the other walk goes the whole way
    }
}

std::optional<size_t> TBlockAnchors::Claim(TWalk walk, std::optional<size_t> found) {
    std::optional<size_t> claim;
    {
        std::lock_guard lock(mutex_);
        if (found && walk == TWalk::Up) low_ = *found + 1;
        if (found && walk == TWalk::Down) high_ = *found;
        if (!stop_ && walk == TWalk::Up && nextUp_ < claimedDown_) claim = nextUp_++;
        if (!stop_ && walk == TWalk::Down && claimedDown_ > nextUp_) claim = --claimedDown_;
    }
    if (found) progressed_.notify_all();
    return claim;
}

// One read transaction a walk: its anchors all come from one view of the file,
// checked at the end against the open's count.
void TBlockAnchors::Find(TWalk walk) {
    // Only a core nothing else wants: the start-up import must not wait for this.
    sched_param idle{};
    sched_setscheduler(0, SCHED_IDLE, &idle);
    const bool up = walk == TWalk::Up;
    std::optional<size_t> last;  // the last block whose anchor this walk found
    bool agrees = false;
    try {
        // The walk reads the table's pages mostly in file order: reading ahead, one
        // system call serves dozens of them.
        TSqliteConnection connection(path_, SQLITE_OPEN_READONLY, ReadAheadVfsName());
        sqlite3_busy_timeout(connection.Handle(), 200);
        // Each page is passed once: a small cache keeps the two walks' memory small.
        connection.Exec("PRAGMA cache_size=-256");
        connection.Exec("BEGIN");
        // Up: a block on from the last anchor. Down: the first id of the last block
        // counted back from the end, then a block back from the last anchor.
        TStatement next(connection, "SELECT rowid FROM " + table_ +
                                        (up ? " WHERE rowid > ?1 ORDER BY rowid"
                                            : " WHERE rowid < ?1 ORDER BY rowid DESC") +
                                        " LIMIT 1 OFFSET ?2");
        std::optional<TStatement> fromEnd;
        if (!up)
            fromEnd.emplace(connection, "SELECT rowid FROM " + table_ +
                                            " ORDER BY rowid DESC LIMIT 1 OFFSET ?1");
        std::optional<size_t> found;
        for (auto block = Claim(walk, found); block; block = Claim(walk, found)) {
            found.reset();
            TStatement& stmt = up || *block + 1 < ids_.size() ? next : *fromEnd;
            stmt.Reset();
            if (&stmt != &next) {
                stmt.BindInt64(1, static_cast<std::int64_t>(rows_ - 1 - *block * block_));
            } else {
                stmt.BindInt64(1, ids_[up ? *block - 1 : *block + 1]);
                stmt.BindInt64(2, static_cast<std::int64_t>(block_ - 1));
            }
            if (!stmt.Step()) break;  // fewer rows than the open counted
            ids_[*block] = stmt.ColumnInt64(0);
            last = found = block;
        }
        agrees = !stop_ && Agrees(connection, walk, last);
        connection.Exec("COMMIT");
    } catch (const std::exception&) {
        agrees = false;  // locked exclusively by its user, or unreadable: none
    }
    {
        std::lock_guard lock(mutex_);
        --running_;
        if (!agrees) failed_ = true;
    }
    progressed_.notify_all();
}

// Whether the walk's view holds as many rows beyond its last anchor as the
// open's count leaves there.
bool TBlockAnchors::Agrees(TSqliteConnection& connection, TWalk walk,
                           std::optional<size_t> last) const {
    if (walk == TWalk::Down && !last) return true;  // found nothing
    const size_t block = last.value_or(0);
    TStatement rest(connection,
                    "SELECT count(*) FROM " + table_ +
                        (walk == TWalk::Up ? " WHERE rowid >= ?1" : " WHERE rowid < ?1"));
    rest.BindInt64(1, ids_[block]);
    const size_t expected = walk == TWalk::Up ? rows_ - block * block_ : block * block_;
    return rest.Step() && static_cast<size_t>(rest.ColumnInt64(0)) == expected;
}

std::optional<TBlockAnchors::TBounds> TBlockAnchors::Bounds(size_t block, size_t skip) {
    const size_t next = std::min(block + 1, ids_.size() - 1);
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return Known(block) && Known(next); };
    while (!ready() && running_ > 0 && !failed_) {
        // Either walk may get there first; both go at about the same pace.
        const size_t up = next + 1 > low_ ? next + 1 - low_ : 0;
        const size_t down = high_ > block ? high_ - block : 0;
        if (std::min(up, down) * block_ > skip) return std::nullopt;
        const auto before = std::pair(low_, high_);
        progressed_.wait_for(lock, kStall, [&] {
            return std::pair(low_, high_) != before || running_ == 0 || failed_;
        });
        if (std::pair(low_, high_) == before && running_ > 0 && !failed_) return std::nullopt;
    }
    // Anchors of a view that disagreed with the open's no longer serve.
    if (failed_ || !ready()) return std::nullopt;
    TBounds bounds{ids_[block], std::nullopt};
    if (block + 1 < ids_.size()) bounds.Next = ids_[block + 1];
    return bounds;
}

bool TBlockAnchors::Wait() {
    std::unique_lock lock(mutex_);
    progressed_.wait(lock, [&] { return running_ == 0; });
    return !failed_ && low_ >= high_;
}

}  // namespace zalvert::engine
