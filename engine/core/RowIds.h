#pragma once
// The row ids of a keyset in its order. A whole table in row-id order whose ids
// run without a gap (the usual case: rows are added at the end and seldom
// deleted) is held as its first id and a count, whatever its size; anything
// else, or a row added out of that run, as eight bytes a row.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace zalvert::engine {

class TRowIds {
  public:
    size_t size() const { return dense_ ? count_ : ids_.size(); }
    bool empty() const { return size() == 0; }
    std::int64_t operator[](size_t pos) const {
        return dense_ ? first_ + static_cast<std::int64_t>(pos) : ids_[pos];
    }
    std::int64_t back() const { return (*this)[size() - 1]; }
    bool Dense() const { return dense_; }

    void AssignRange(std::int64_t first, size_t count) {
        ids_.clear();
        ids_.shrink_to_fit();
        dense_ = true;
        first_ = first;
        count_ = count;
    }
    void push_back(std::int64_t id) {
        if (dense_ && (count_ == 0 || id == first_ + static_cast<std::int64_t>(count_))) {
            if (count_ == 0) first_ = id;
            ++count_;
            return;
        }
        Spread();
        ids_.push_back(id);
    }
    void shrink_to_fit() { ids_.shrink_to_fit(); }

    // The position of an id, for ids in ascending order.
    std::optional<size_t> FindAscending(std::int64_t id) const {
        if (dense_) {
            if (id < first_ || id >= first_ + static_cast<std::int64_t>(count_))
                return std::nullopt;
            return static_cast<size_t>(id - first_);
        }
        const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
        if (it == ids_.end() || *it != id) return std::nullopt;
        return static_cast<size_t>(it - ids_.begin());
    }
    std::int64_t Max() const {
        if (dense_) return back();
        return *std::max_element(ids_.begin(), ids_.end());
    }

  private:
    void Spread() {
        if (!dense_) return;
        ids_.resize(count_);
        for (size_t i = 0; i < count_; ++i) ids_[i] = first_ + static_cast<std::int64_t>(i);
        dense_ = false;
    }

    bool dense_ = true;
    std::int64_t first_ = 0;
    size_t count_ = 0;
    std::vector<std::int64_t> ids_;
};

}  // namespace zalvert::engine
