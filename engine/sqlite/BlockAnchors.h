#pragma once
// The first row id of every block of positions of a table with gaps, found after
// the open on a thread and a connection of their own at the lowest priority, so
// that a jump into the middle reads the one block between two of them instead of
// skipping every row up to there. Where no thread or connection can be had, or
// the file changed meanwhile, none is found and the caller skips as before.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zalvert::engine {

class TBlockAnchors {
  public:
    // Starts finding the first ids of `blocks` blocks of `block` positions of
    // `table` (quoted) in the file `path`, position 0 holding `first`, `rows` rows
    // in all as the open counted them.
    TBlockAnchors(std::string path, std::string table, std::int64_t first, size_t blocks,
                  size_t block, size_t rows);
    // Stops the finding and waits for it.
    ~TBlockAnchors();
    TBlockAnchors(const TBlockAnchors&) = delete;
    TBlockAnchors& operator=(const TBlockAnchors&) = delete;

    struct TBounds {
        std::int64_t First;                // the block's first id
        std::optional<std::int64_t> Next;  // the next block's first id; none for the last
    };
    // The bounds of `block` once they are found; waits for them where that is
    // sooner than skipping `skip` rows, and while the finding goes on.
    std::optional<TBounds> Bounds(size_t block, size_t skip);
    // Waits until the finding has ended; whether every anchor was found.
    bool Wait();

  private:
    void Find();
    void Publish(size_t found, bool ended, bool failed);

    const std::string path_, table_;
    const size_t block_, rows_;
    std::vector<std::int64_t> ids_;  // the first id of each block, written before `ready_`
    std::mutex mutex_;
    std::condition_variable progressed_;
    size_t ready_ = 1;  // anchors found; position 0's is known
    bool ended_ = false;
    bool failed_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace zalvert::engine
