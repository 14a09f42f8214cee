// The bookmark layout both engines hand out.

#include <gtest/gtest.h>

#include "engine/core/Bookmark.h"

namespace zalvert::engine {
namespace {

TEST(BookmarkTest, NamesItsRecordAndItsFamilyOnly) {
    const auto bookmark = EncodeBookmark(4711, 7);
    ASSERT_TRUE(bookmark);
    EXPECT_EQ(bookmark->size(), 8u);
    EXPECT_EQ(DecodeBookmark(*bookmark, 7), std::optional<std::uint32_t>(4711));
    EXPECT_EQ(DecodeBookmark(*bookmark, 8), std::nullopt);
    // The first four bytes alone are taken as the recordset's own.
    const TBytes mark(bookmark->begin(), bookmark->begin() + 4);
    EXPECT_EQ(DecodeBookmark(mark, 8), std::optional<std::uint32_t>(4711));
    EXPECT_EQ(DecodeBookmark(TBytes{1, 0, 0}, 7), std::nullopt);
    EXPECT_EQ(DecodeBookmark(TBytes(8, 0), 0), std::nullopt);  // record number 0
    EXPECT_EQ(DecodeBookmark(TBytes{0xFF, 0xFF, 0xFF, 0xFF}, 7), std::nullopt);
}

TEST(BookmarkTest, RefusesRecordNumbersItCannotHold) {
    EXPECT_FALSE(EncodeBookmark(0, 1));
    EXPECT_FALSE(EncodeBookmark(-5, 1));
    EXPECT_FALSE(EncodeBookmark(0x80000000LL, 1));
    EXPECT_EQ(DecodeBookmark(*EncodeBookmark(0x7FFFFFFF, 1), 1),
              std::optional<std::uint32_t>(0x7FFFFFFF));
}

}  // namespace
}  // namespace zalvert::engine
