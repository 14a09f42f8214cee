#pragma once
// The keys of the stored billing records, read on a thread of their own where the
// database can while the file's lines are added, and matched with the lines once
// they are all there. Hashing a key costs about as much as reading it: while the
// caller waits for the reading, it hashes what has been read, and the reading
// thread only reads.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "import/DuplicateCheck.h"

namespace zalvert {

namespace engine {
class Database;
class RowReader;
class RowValues;
}  // namespace engine

class TStoredKeys {
  public:
    TStoredKeys();
    ~TStoredKeys();
    // Records of `exceptRun` and of later runs are left out when it is set.
    void StartLoading(engine::Database& db, TLineKeys& lines, int exceptRun = 0);
    // Every line is added: keys read from now on are matched at once.
    void LinesComplete();
    // Helps with the keys until every stored key is read and matched.
    void FinishLoading();
    // Ends a reading the caller no longer waits for.
    void StopLoading();
    // Stored keys read.
    size_t Count() const { return count_; }

  private:
    // Keys as read, before they are hashed: their texts one after the other.
    struct TRawKey {
        size_t SenderEnd = 0, RecipientEnd = 0, TourEnd = 0;  // in Texts
        TDateTime From = 0, To = 0;
        int ImportId = 0;
    };
    struct TRawKeys {
        std::string Texts;
        std::vector<TRawKey> Keys;
    };
    struct TEntry {
        TRecordKeyHash Hash;
        int ImportId = 0;
    };

    // On the reading thread.
    void Add(const engine::RowValues& row);
    void Deliver();
    void ReadingEnded();
    // On either thread.
    static std::vector<TEntry> Hashed(const TRawKeys& raw, TRecordKeyHasher& hasher);
    void Keep(const std::vector<TEntry>& entries);
    void Match();
    // On the caller's, while it waits.
    void HashWhileReading();

    TLineKeys* lines_ = nullptr;
    size_t count_ = 0;         // the reading thread's until the reading ends
    TRawKeys raw_;             // the reading thread's
    TRecordKeyHasher hasher_;  // the reading thread's
    std::mutex lock_;          // over everything below
    std::condition_variable changed_;
    std::deque<TRawKeys> queued_;  // for the caller to hash
    bool helping_ = false;         // the caller hashes queued keys
    bool ended_ = false;           // no more keys come
    bool linesComplete_ = false;
    std::vector<TEntry> waiting_;  // hashed, not yet matched
    std::unique_ptr<engine::RowReader> reader_;
};

}  // namespace zalvert
