// The server keyset's keys: found by halving while they ascend, through a table
// once they do not, and as texts when they are no numbers; read from the server
// a block at a time.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/odbc/OdbcKeys.h"
#include "tests/support/ServerTests.h"

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

TEST(OdbcKeys, ComeThroughAServerCursorInBlocksAndLeaveNoCursorBehind) {
    const char* connect = std::getenv("ZALVERT_TEST_ODBC");
    if (!connect) ZI_NO_SERVER("ZALVERT_TEST_ODBC names no server here");
    TOdbcConnection connection(std::string(connect).substr(std::string("odbc;").size()));
    connection.Exec("CREATE TEMPORARY TABLE schluessel (id integer)");
    connection.Exec(
        "INSERT INTO schluessel SELECT g FROM generate_series(1, 1000) g WHERE g % 7 <> 0");
    const auto read = [&](const std::string& sql) {
        TKeyList keys;
        keys.Clear(true);
        ReadKeys(connection, sql, true, keys, 100);
        return keys;
    };
    const TKeyList keys = read("SELECT id FROM schluessel ORDER BY id");
    ASSERT_EQ(keys.Size(), 858u);
    size_t pos = 0;
    for (std::int64_t id = 1; id <= 1000; ++id)
        if (id % 7 != 0) {
            ASSERT_EQ(keys.At(pos++), Variant(id));
        }
    // A block of exactly the block's size, then none.
    EXPECT_EQ(read("SELECT id FROM schluessel WHERE id <= 200 ORDER BY id").Size(), 172u);
    EXPECT_THROW(read("SELECT nichts FROM schluessel"), EOdbc);
    EXPECT_THROW(read("SELECT 1 / (id - 500) FROM schluessel"), EOdbc);
    EXPECT_EQ(read("SELECT id FROM schluessel WHERE id > 990 ORDER BY id DESC").At(0),
              Variant(std::int64_t{1000}));

    // In key order a block at a time, each from where the last ended; rows without
    // a key left out. 172 keys are two blocks of 86, then none.
    connection.Exec("INSERT INTO schluessel VALUES (NULL), (7000), (6999)");
    const auto inOrder = [&](const std::string& where, size_t block) {
        TKeyList ordered;
        ordered.Clear(true);
        ReadKeysInOrder(connection, "id", "schluessel", where, ordered, block);
        std::vector<std::int64_t> ids;
        for (size_t i = 0; i < ordered.Size(); ++i) ids.push_back(ordered.At(i).AsInt64());
        return ids;
    };
    std::vector<std::int64_t> all;
    for (std::int64_t id = 1; id <= 1000; ++id)
        if (id % 7 != 0) all.push_back(id);
    all.insert(all.end(), {6999, 7000});
    EXPECT_EQ(inOrder("", 100), all);
    EXPECT_EQ(inOrder("id <= 200", 86), std::vector<std::int64_t>(all.begin(), all.begin() + 172));
    EXPECT_EQ(inOrder("id > 5000", 1), (std::vector<std::int64_t>{6999, 7000}));
}

}  // namespace
}  // namespace zalvert::engine::odbc
