#pragma once
// The row ids of a keyset in its order, held as runs of consecutive ids: a whole
// table in row-id order is one run whatever its size while its ids have no gap,
// and a table with gaps (deleted records, an import undone) costs 16 bytes a run
// instead of eight a row. Ids that mostly do not follow each other (a keyset
// sorted by another column) are held as eight bytes a row.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace zalvert::engine {

class TRowIds {
  public:
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::int64_t operator[](size_t pos) const {
        if (!runs_) return ids_[pos];
        const size_t run = RunAt(pos);
        return firsts_[run] + static_cast<std::int64_t>(pos - starts_[run]);
    }
    std::int64_t back() const { return (*this)[size() - 1]; }
    // Whether the ids are one run without a gap.
    bool Dense() const { return runs_ && firsts_.size() <= 1; }
    // How many runs hold the ids; 0 when they are held one by one.
    size_t Runs() const { return runs_ ? firsts_.size() : 0; }

    void AssignRange(std::int64_t first, size_t count) {
        *this = TRowIds();
        if (count == 0) return;
        firsts_.push_back(first);
        starts_.push_back(0);
        count_ = count;
    }
    void push_back(std::int64_t id) {
        if (!runs_) {
            ids_.push_back(id);
        } else if (count_ > 0 && id == LastInRuns() + 1) {
            // extends the last run
        } else {
            firsts_.push_back(id);
            starts_.push_back(count_);
        }
        ++count_;
        if (runs_ && count_ >= kJudgeAfter && firsts_.size() * 2 > count_) Spread();
    }
    void shrink_to_fit() {
        ids_.shrink_to_fit();
        firsts_.shrink_to_fit();
        starts_.shrink_to_fit();
    }

    // The position of an id, for ids in ascending order.
    std::optional<size_t> FindAscending(std::int64_t id) const {
        if (!runs_) {
            const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
            if (it == ids_.end() || *it != id) return std::nullopt;
            return static_cast<size_t>(it - ids_.begin());
        }
        const auto after = std::upper_bound(firsts_.begin(), firsts_.end(), id);
        if (after == firsts_.begin()) return std::nullopt;
        const size_t run = static_cast<size_t>(after - firsts_.begin()) - 1;
        const size_t pos = starts_[run] + static_cast<size_t>(id - firsts_[run]);
        if (pos >= RunEnd(run)) return std::nullopt;
        return pos;
    }
    std::int64_t Max() const {
        if (empty()) return 0;
        if (!runs_) return *std::max_element(ids_.begin(), ids_.end());
        std::int64_t highest = firsts_[0];
        for (size_t run = 0; run < firsts_.size(); ++run)
            highest = std::max(
                highest, firsts_[run] + static_cast<std::int64_t>(RunEnd(run) - starts_[run] - 1));
        return highest;
    }

  private:
    // Runs are judged once there are this many ids: before, a few scattered ones
    // say nothing of the rest.
    static constexpr size_t kJudgeAfter = 4096;

    size_t RunAt(size_t pos) const {
        if (starts_.size() == 1) return 0;
        return static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) -
                                   starts_.begin()) -
               1;
    }
    std::int64_t LastInRuns() const {
        return firsts_.back() + static_cast<std::int64_t>(count_ - starts_.back() - 1);
    }
    size_t RunEnd(size_t run) const { return run + 1 < starts_.size() ? starts_[run + 1] : count_; }
    void Spread() {
        ids_.resize(count_);
        for (size_t pos = 0; pos < count_; ++pos) ids_[pos] = (*this)[pos];
        runs_ = false;
        // Assigning {} would keep their memory.
        firsts_ = std::vector<std::int64_t>();
        starts_ = std::vector<size_t>();
    }

    bool runs_ = true;
    size_t count_ = 0;
    std::vector<std::int64_t> firsts_;  // the first id of each run
    std::vector<size_t> starts_;        // the position of each run's first id
    std::vector<std::int64_t> ids_;     // every id, once runs do not pay
};

}  // namespace zalvert::engine
