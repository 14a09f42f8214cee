#include "engine/sqlite/BlockAnchors.h"

#include <sched.h>

#include <chrono>
#include <system_error>

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
    : path_(std::move(path)), table_(std::move(table)), block_(block), rows_(rows), ids_(blocks) {
    ids_[0] = first;
    try {
        thread_ = std::thread([this] { Find(); });
    } catch (const std::system_error&) {
        ended_ = failed_ = true;
    }
}

TBlockAnchors::~TBlockAnchors() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void TBlockAnchors::Publish(size_t found, bool ended, bool failed) {
    {
        std::lock_guard lock(mutex_);
        ready_ = found;
        ended_ = ended;
        failed_ = failed;
    }
    progressed_.notify_all();
}

// One read transaction: the anchors all come from one view of the file, checked at
// the end against the open's count.
void TBlockAnchors::Find() {
    // Only a core nothing else wants: the start-up import must not wait for this.
    sched_param idle{};
    sched_setscheduler(0, SCHED_IDLE, &idle);
    size_t found = 1;
    bool complete = false;
    try {
        // The walk reads the table's pages mostly in file order: reading ahead, one
        // system call serves dozens of them.
        TSqliteConnection connection(path_, SQLITE_OPEN_READONLY, ReadAheadVfsName());
        sqlite3_busy_timeout(connection.Handle(), 200);
        connection.Exec("BEGIN");
        TStatement next(connection, "SELECT rowid FROM " + table_ +
                                        " WHERE rowid > ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
        next.BindInt64(2, static_cast<std::int64_t>(block_ - 1));
        for (; found < ids_.size() && !stop_; ++found) {
            next.Reset();
            next.BindInt64(1, ids_[found - 1]);
            if (!next.Step()) break;
            ids_[found] = next.ColumnInt64(0);
            if (found % 16 == 0) Publish(found + 1, false, false);
        }
        if (found == ids_.size()) {
            TStatement rest(connection, "SELECT count(*) FROM " + table_ + " WHERE rowid >= ?1");
            rest.BindInt64(1, ids_.back());
            complete = rest.Step() && static_cast<size_t>(rest.ColumnInt64(0)) ==
                                          rows_ - (ids_.size() - 1) * block_;
        }
        connection.Exec("COMMIT");
    } catch (const std::exception&) {
        complete = false;  // locked exclusively by its user, or unreadable: none
    }
    Publish(complete ? ids_.size() : found, true, !complete);
}

std::optional<TBlockAnchors::TBounds> TBlockAnchors::Bounds(size_t block, size_t skip) {
    const size_t needed = std::min(block + 2, ids_.size());
    std::unique_lock lock(mutex_);
    while (ready_ < needed && !ended_) {
        if ((needed - ready_) * block_ > skip) return std::nullopt;
        const size_t before = ready_;
        progressed_.wait_for(lock, kStall, [&] { return ready_ != before || ended_; });
        if (ready_ == before && !ended_) return std::nullopt;
    }
    // Anchors found before a failed check came from another view of the file:
    // they still bound blocks of their own, but no longer serve.
    if (failed_ && ended_) return std::nullopt;
    if (ready_ < needed) return std::nullopt;
    TBounds bounds{ids_[block], std::nullopt};
    if (block + 1 < ids_.size()) bounds.Next = ids_[block + 1];
    return bounds;
}

bool TBlockAnchors::Wait() {
    std::unique_lock lock(mutex_);
    progressed_.wait(lock, [&] { return ended_; });
    return !failed_;
}

}  // namespace zalvert::engine
