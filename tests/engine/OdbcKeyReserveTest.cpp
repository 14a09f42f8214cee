// Numbers of a key's sequence taken a block at a time on the server: each handed
// out once, in ascending order, whether the block came as one run or many.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engine/odbc/OdbcApi.h"
#include "engine/odbc/OdbcBatch.h"
#include "tests/support/ServerTests.h"

namespace zalvert::engine::odbc {
namespace {

class OdbcKeyReserveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* connect = std::getenv("ZALVERT_TEST_ODBC");
        if (!connect) ZI_NO_SERVER("ZALVERT_TEST_ODBC names no server here");
        connect_ = std::string(connect).substr(std::string("odbc;").size());
        connection_ = std::make_unique<TOdbcConnection>(connect_);
        connection_->Exec("DROP TABLE IF EXISTS nummern");
        connection_->Exec("CREATE TABLE nummern (id serial PRIMARY KEY)");
    }
    void TearDown() override {
        if (connection_) connection_->Exec("DROP TABLE IF EXISTS nummern");
    }

    std::vector<std::int64_t> Take(TKeyReserve& reserve, int count) {
        std::vector<std::int64_t> keys;
        for (int i = 0; i < count; ++i) keys.push_back(reserve.Next(*connection_, "nummern", "id"));
        return keys;
    }

    std::string connect_;
    std::unique_ptr<TOdbcConnection> connection_;
};

TEST_F(OdbcKeyReserveTest, HandsOutARunOfNumbersAcrossBlocks) {
    TKeyReserve reserve;
    EXPECT_TRUE(reserve.Empty());
    const std::vector<std::int64_t> keys =
        Take(reserve, 3500);  // blocks of 1000 and 2000, then 4000
    for (size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i], static_cast<std::int64_t>(i + 1));
    EXPECT_FALSE(reserve.Empty());
}

TEST_F(OdbcKeyReserveTest, HandsOutEachNumberOnceWhenTheyComeApart) {
    // Every number a run of its own, and another user taking numbers between blocks.
    connection_->Exec("ALTER SEQUENCE nummern_id_seq INCREMENT BY 3");
    TOdbcConnection other(connect_);
    TKeyReserve reserve;
    std::vector<std::int64_t> keys = Take(reserve, 1000);
    other.Exec("SELECT nextval('nummern_id_seq') FROM generate_series(1, 5)");
    const std::vector<std::int64_t> more = Take(reserve, 1500);
    keys.insert(keys.end(), more.begin(), more.end());
    EXPECT_EQ(std::set<std::int64_t>(keys.begin(), keys.end()).size(), keys.size());
    for (size_t i = 1; i < keys.size(); ++i) {
        ASSERT_GT(keys[i], keys[i - 1]);
        ASSERT_EQ((keys[i] - keys[0]) % 3, 0);
    }
    // The other user's five numbers lie between the blocks and are none of ours.
    EXPECT_EQ(keys[1000] - keys[999], 3 * 6);
}

}  // namespace
}  // namespace zalvert::engine::odbc
