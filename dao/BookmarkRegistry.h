#pragma once
// The bookmarks a table has handed out, each with the row position it stands
// for. Both directions are looked up in constant time, since a grid over a large
// table hands out one bookmark per row it shows.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zalvert {

class TBookmarkRegistry {
  public:
    // Replaces the bookmark of a known position, else adds the pair.
    void Register(std::int32_t position, std::int32_t bookmark);
    std::optional<std::int32_t> PositionOf(std::int32_t bookmark) const;
    bool Contains(std::int32_t bookmark) const { return byBookmark_.contains(bookmark); }
    // A deleted row: its entry goes and every position above it moves down by one.
    void RemovePosition(std::int32_t position);
    void Clear();
    int Count() const { return static_cast<int>(positions_.size()); }

  private:
    void Reindex();

    std::vector<std::int32_t> positions_;
    std::vector<std::int32_t> bookmarks_;
    std::unordered_map<std::int32_t, size_t> byPosition_;
    std::unordered_map<std::int32_t, size_t> byBookmark_;
};

}  // namespace zalvert
