#include "import/StoredKeys.h"

#include <algorithm>
#include <string_view>

#include "engine/Dao.h"

namespace zalvert {
namespace {

constexpr size_t kKeysTogether = 1024;          // keys read before they are handed on
constexpr size_t kTextBytesTogether = 1 << 20;  // or texts of this size
constexpr size_t kQueuedAtMost = 16;            // beyond: the reading hashes them itself
constexpr size_t kMatchedTogether = 256;        // keys hashed before they are matched

}  // namespace

TStoredKeys::TStoredKeys() = default;
TStoredKeys::~TStoredKeys() = default;

void TStoredKeys::StartLoading(engine::Database& db, TLineKeys& lines, int exceptRun) {
    StopLoading();
    lines_ = &lines;
    count_ = 0;
    raw_ = {};
    {
        std::lock_guard lock(lock_);
        queued_.clear();
        helping_ = ended_ = linesComplete_ = false;
        waiting_.clear();
    }
    std::string sql = "SELECT Recvon, Recan, Tour, Datumvon, Datumbis, ImportID FROM Zalvert";
    if (exceptRun > 0) sql += " WHERE ImportID < " + std::to_string(exceptRun);
    reader_ = db.ReadRows(
        sql, [this](const engine::RowValues& row) { Add(row); }, [this] { ReadingEnded(); });
}

void TStoredKeys::LinesComplete() {
    std::lock_guard lock(lock_);
    linesComplete_ = true;
}

void TStoredKeys::FinishLoading() {
    if (reader_) {
        try {
            HashWhileReading();
        } catch (...) {
            // The reading uses the connection: it ends before the caller goes on.
            StopLoading();
            throw;
        }
        reader_->Wait();
        reader_.reset();
    }
    // What the reading left: all of it when the lines came last.
    std::lock_guard lock(lock_);
    Match();
}

void TStoredKeys::StopLoading() {
    reader_.reset();
}

void TStoredKeys::Add(const engine::RowValues& row) {
    const auto from = row.Date(3), to = row.Date(4);
    // A record without both dates is no import's: no line can equal it.
    if (!from || !to) return;
    TRawKey key{.From = *from, .To = *to, .ImportId = static_cast<int>(row.Integer(5))};
    raw_.Texts.append(row.Text(0));
    key.SenderEnd = raw_.Texts.size();
    raw_.Texts.append(row.Text(1));
    key.RecipientEnd = raw_.Texts.size();
    raw_.Texts.append(row.Text(2));
    key.TourEnd = raw_.Texts.size();
    raw_.Keys.push_back(key);
    ++count_;
    if (raw_.Keys.size() >= kKeysTogether || raw_.Texts.size() >= kTextBytesTogether) Deliver();
}

// To the caller while it helps and keeps up; else hashed here.
void TStoredKeys::Deliver() {
    if (raw_.Keys.empty()) return;
    {
        std::lock_guard lock(lock_);
        if (helping_ && queued_.size() < kQueuedAtMost) {
            queued_.push_back(std::move(raw_));
            raw_ = {};
            changed_.notify_one();
            return;
        }
    }
    Keep(Hashed(raw_, hasher_));
    raw_.Texts.clear();
    raw_.Keys.clear();
}

// Also when the reading failed: the caller then stops helping and hears why.
void TStoredKeys::ReadingEnded() {
    Deliver();
    std::lock_guard lock(lock_);
    ended_ = true;
    changed_.notify_all();
}

std::vector<TStoredKeys::TEntry> TStoredKeys::Hashed(const TRawKeys& raw,
                                                     TRecordKeyHasher& hasher) {
    std::vector<TEntry> entries;
    entries.reserve(raw.Keys.size());
    const std::string_view texts = raw.Texts;
    size_t start = 0;
    for (const TRawKey& key : raw.Keys) {
        const TRecordKey fields{texts.substr(start, key.SenderEnd - start),
                                texts.substr(key.SenderEnd, key.RecipientEnd - key.SenderEnd),
                                texts.substr(key.RecipientEnd, key.TourEnd - key.RecipientEnd),
                                key.From, key.To};
        entries.push_back({hasher.Hash(fields), key.ImportId});
        start = key.TourEnd;
    }
    return entries;
}

void TStoredKeys::Keep(const std::vector<TEntry>& entries) {
    std::lock_guard lock(lock_);
    waiting_.insert(waiting_.end(), entries.begin(), entries.end());
    if (linesComplete_ && waiting_.size() >= kMatchedTogether) Match();
}

void TStoredKeys::HashWhileReading() {
    TRecordKeyHasher hasher;  // the caller's own
    std::unique_lock lock(lock_);
    helping_ = true;
    // Ends under the lock, also when the hashing fails while it is let go.
    struct TDone {
        std::unique_lock<std::mutex>& Lock;
        bool& Helping;
        ~TDone() {
            if (!Lock.owns_lock()) Lock.lock();
            Helping = false;
        }
    } done{lock, helping_};
    for (;;) {
        changed_.wait(lock, [this] { return !queued_.empty() || ended_; });
        if (queued_.empty()) return;
        const TRawKeys raw = std::move(queued_.front());
        queued_.pop_front();
        lock.unlock();
        const std::vector<TEntry> entries = Hashed(raw, hasher);
        Keep(entries);
        lock.lock();
    }
}

// Under the lock. Sixteen keys at a time: their slots are fetched together before
// they are looked at.
void TStoredKeys::Match() {
    if (!lines_) return;
    for (size_t start = 0; start < waiting_.size(); start += 16) {
        const size_t end = std::min(start + 16, waiting_.size());
        for (size_t i = start; i < end; ++i) lines_->Prefetch(waiting_[i].Hash);
        for (size_t i = start; i < end; ++i)
            if (const auto row = lines_->Find(waiting_[i].Hash))
                lines_->MarkStored(*row, waiting_[i].ImportId);
    }
    waiting_.clear();
}

}  // namespace zalvert
