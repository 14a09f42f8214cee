#include "engine/core/Bookmark.h"

#include <cstring>

namespace zalvert::engine {
namespace {

constexpr std::int64_t kLargestMark = 0x7FFFFFFF;

}  // namespace

std::optional<TBytes> EncodeBookmark(std::int64_t mark, std::uint32_t family) {
    if (mark < 1 || mark > kLargestMark) return std::nullopt;
    const auto value = static_cast<std::uint32_t>(mark);
    TBytes bytes(8);
    std::memcpy(bytes.data(), &value, 4);
    std::memcpy(bytes.data() + 4, &family, 4);
    return bytes;
}

std::optional<std::uint32_t> DecodeBookmark(const TBytes& bookmark, std::uint32_t family) {
    if (bookmark.size() < 4) return std::nullopt;
    std::uint32_t value = 0, owner = family;
    std::memcpy(&value, bookmark.data(), 4);
    if (bookmark.size() >= 8) std::memcpy(&owner, bookmark.data() + 4, 4);
    if (owner != family || value == 0 || value > kLargestMark) return std::nullopt;
    return value;
}

}  // namespace zalvert::engine
