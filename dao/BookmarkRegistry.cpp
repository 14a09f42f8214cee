#include "dao/BookmarkRegistry.h"

namespace zalvert {

void TBookmarkRegistry::Register(std::int32_t position, std::int32_t bookmark) {
    const auto known = byPosition_.find(position);
    if (known != byPosition_.end()) {
        const size_t k = known->second;
        const auto old = byBookmark_.find(bookmarks_[k]);
        if (old != byBookmark_.end() && old->second == k) byBookmark_.erase(old);
        bookmarks_[k] = bookmark;
        byBookmark_[bookmark] = k;
        return;
    }
    positions_.push_back(position);
    bookmarks_.push_back(bookmark);
    byPosition_[position] = positions_.size() - 1;
    byBookmark_[bookmark] = positions_.size() - 1;
}

std::optional<std::int32_t> TBookmarkRegistry::PositionOf(std::int32_t bookmark) const {
    const auto it = byBookmark_.find(bookmark);
    if (it == byBookmark_.end()) return std::nullopt;
    return positions_[it->second];
}

void TBookmarkRegistry::RemovePosition(std::int32_t position) {
    for (size_t k = 0; k < positions_.size();) {
        if (positions_[k] == position) {
            positions_.erase(positions_.begin() + static_cast<std::ptrdiff_t>(k));
            bookmarks_.erase(bookmarks_.begin() + static_cast<std::ptrdiff_t>(k));
            continue;
        }
        if (positions_[k] > position) --positions_[k];
        ++k;
    }
    Reindex();
}

void TBookmarkRegistry::Clear() {
    positions_.clear();
    bookmarks_.clear();
    byPosition_.clear();
    byBookmark_.clear();
}

void TBookmarkRegistry::Reindex() {
    byPosition_.clear();
    byBookmark_.clear();
    for (size_t k = 0; k < positions_.size(); ++k) {
        byPosition_[positions_[k]] = k;
        byBookmark_[bookmarks_[k]] = k;
    }
}

}  // namespace zalvert
