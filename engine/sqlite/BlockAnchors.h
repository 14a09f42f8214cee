#pragma once
// The first row id of every block of positions of a table with gaps, found after
// the open at the lowest priority by two walks, each on a thread and a connection
// of its own: one up from the first block, one down from the last (whose
// positions the open's count gives), until they meet. A jump into the middle then
// reads the one block between two of them instead of skipping every row up to
// there. Where no thread or connection can be had, or the file changed meanwhile,
// none is found and the caller skips as before.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zalvert::engine {

class TSqliteConnection;

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
    enum class TWalk { Up, Down };
    void Find(TWalk walk);
    // The next block whose anchor `walk` finds, once the last one found is
    // published; none once the walks met or are stopped.
    std::optional<size_t> Claim(TWalk walk, std::optional<size_t> found);
    bool Agrees(TSqliteConnection& connection, TWalk walk, std::optional<size_t> last) const;
    bool Known(size_t block) const { return block < low_ || block >= high_; }
    void Start(TWalk walk, std::thread& thread);

    const std::string path_, table_;
    const size_t block_, rows_;
    // The first id of each block, each written by the one walk that claimed it
    // before it is published.
    std::vector<std::int64_t> ids_;
    std::mutex mutex_;
    std::condition_variable progressed_;
    size_t low_ = 1;       // ids_[0, low_) found; position 0's is known
    size_t high_;          // ids_[high_, end) found
    size_t nextUp_ = 1;    // the next block the walk up may claim
    size_t claimedDown_;   // the lowest block the walk down claimed
    int running_ = 0;      // walks not ended
    bool failed_ = false;  // a walk's view disagreed with the open's count
    std::atomic<bool> stop_{false};
    std::thread up_, down_;
};

}  // namespace zalvert::engine
