// The server keyset's keys: found by halving while they ascend, through a table
// once they do not, and as texts when they are no numbers.

#include <gtest/gtest.h>

#include "engine/odbc/OdbcKeys.h"

namespace zalvert::engine::odbc {
namespace {

TEST(OdbcKeys, NumbersAreFoundInAnyOrder) {
    TKeyList keys;
    keys.Clear(true);
    for (std::int64_t key : {1, 2, 3, 4, 7}) keys.Push(Variant(key));
    EXPECT_EQ(keys.Size(), 5u);
    EXPECT_EQ(keys.Find(Variant(std::int64_t{3})), std::optional<size_t>(2));
    EXPECT_EQ(keys.Find(Variant(7)), std::optional<size_t>(4));
    EXPECT_FALSE(keys.Find(Variant(5)));
    EXPECT_FALSE(keys.Find(Variant::Null()));
    EXPECT_FALSE(keys.Find(Variant("kein Schlüssel")));
    keys.Push(Variant(std::int64_t{0}));  // out of order: found through the table
    EXPECT_EQ(keys.Find(Variant(0)), std::optional<size_t>(5));
    EXPECT_EQ(keys.Find(Variant(7)), std::optional<size_t>(4));
    keys.Push(Variant(std::int64_t{-3}));
    EXPECT_EQ(keys.Find(Variant(-3)), std::optional<size_t>(6));
    EXPECT_EQ(keys.At(6), Variant(std::int64_t{-3}));
    EXPECT_EQ(keys.Text(4), "7");
    keys.Clear(true);
    EXPECT_EQ(keys.Size(), 0u);
    keys.Push(Variant(std::int64_t{10}));
    EXPECT_EQ(keys.Find(Variant(10)), std::optional<size_t>(0));
    EXPECT_FALSE(keys.Find(Variant(0)));
}

TEST(OdbcKeys, TextKeysAreFoundByTheirText) {
    TKeyList keys;
    keys.Clear(false);
    for (const char* key : {"b", "a", "Ä"}) keys.Push(Variant(key));
    EXPECT_FALSE(keys.Numeric());
    EXPECT_EQ(keys.Find(Variant("a")), std::optional<size_t>(1));
    EXPECT_EQ(keys.Find(Variant("Ä")), std::optional<size_t>(2));
    EXPECT_FALSE(keys.Find(Variant("c")));
    keys.Push(Variant("c"));  // added after the table was built
    EXPECT_EQ(keys.Find(Variant("c")), std::optional<size_t>(3));
    EXPECT_EQ(keys.Text(0), "b");
}

}  // namespace
}  // namespace zalvert::engine::odbc
