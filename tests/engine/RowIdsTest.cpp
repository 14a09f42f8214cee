// Row ids of a keyset held as runs or one by one, and whole tables opened with
// and without gaps in their ids.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/core/RowIds.h"
#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

TEST(RowIds, StayARunUntilAnIdBreaksIt) {
    TRowIds ids;
    ids.AssignRange(5, 3);
    EXPECT_TRUE(ids.Dense());
    ids.push_back(8);
    EXPECT_TRUE(ids.Dense());
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(ids[3], 8);
    EXPECT_EQ(ids.FindAscending(7), std::optional<size_t>(2));
    EXPECT_FALSE(ids.FindAscending(9));
    EXPECT_FALSE(ids.FindAscending(4));
    ids.push_back(20);
    EXPECT_FALSE(ids.Dense());
    EXPECT_EQ(ids.size(), 5u);
    EXPECT_EQ(ids[0], 5);
    EXPECT_EQ(ids[4], 20);
    EXPECT_EQ(ids.Max(), 20);
    EXPECT_EQ(ids.FindAscending(20), std::optional<size_t>(4));
    EXPECT_FALSE(ids.FindAscending(9));
}

// Against a plain list of the same ids: tables with a gap every tenth row, a run
// undone in the middle, ids added behind them, and ids in no order at all (held
// one by one once that shows).
TEST(RowIds, AnswerAsAPlainListOfTheSameIds) {
    const auto check = [](const std::vector<std::int64_t>& plain, const char* what) {
        TRowIds ids;
        for (const std::int64_t id : plain) ids.push_back(id);
        ids.shrink_to_fit();
        ASSERT_EQ(ids.size(), plain.size()) << what;
        for (size_t pos = 0; pos < plain.size(); ++pos) ASSERT_EQ(ids[pos], plain[pos]) << what;
        EXPECT_EQ(ids.Max(), *std::max_element(plain.begin(), plain.end())) << what;
        if (!std::is_sorted(plain.begin(), plain.end())) return;
        for (std::int64_t id = plain.front() - 2; id <= plain.back() + 2; ++id) {
            const auto at = std::lower_bound(plain.begin(), plain.end(), id);
            const auto expected = at != plain.end() && *at == id
                                      ? std::optional<size_t>(at - plain.begin())
                                      : std::nullopt;
            ASSERT_EQ(ids.FindAscending(id), expected) << what << ", id " << id;
        }
    };
    std::vector<std::int64_t> tenth, undone, scattered;
    for (std::int64_t id = 1; id <= 20000; ++id) {
        if (id % 10 != 0) tenth.push_back(id);
        if (id <= 5000 || id > 15000) undone.push_back(id);
        scattered.push_back((id * 7919) % 20011);
    }
    check(tenth, "every tenth deleted");
    undone.push_back(30000);
    undone.push_back(30001);
    check(undone, "a run undone, two rows added");
    check(scattered, "no order");
    check({7}, "one row");
}

TEST(RowIds, CostLittleForATableWithGaps) {
    TRowIds tenth, scattered;
    for (std::int64_t id = 1; id <= 100000; ++id) {
        if (id % 10 != 0) tenth.push_back(id);
        scattered.push_back((id * 7919) % 100003);
    }
    EXPECT_FALSE(tenth.Dense());
    EXPECT_EQ(tenth.Runs(), 10000u);
    EXPECT_EQ(scattered.Runs(), 0u);  // held one by one
}

using WholeTables = EngineTest;

TEST_F(WholeTables, OpenWithAndWithoutGapsInTheirIds) {
    auto rs = Open("Kunden");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 5);
    const TBytes third = [&] {
        rs->SetAbsolutePosition(2);
        return rs->Bookmark();
    }();
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(Variant("Neumann"));
    rs->Update();
    rs->MoveLast();
    EXPECT_EQ(Text(*rs, "Name"), "Neumann");
    rs->SetBookmark(third);
    EXPECT_EQ(Text(*rs, "Name"), "Zander");

    // A gap: the row ids are read one by one, and the positions close up.
    db_->Execute("DELETE FROM Kunden WHERE Name = 'Albers'");
    auto gap = Open("Kunden");
    gap->MoveLast();
    EXPECT_EQ(gap->RecordCount(), 5);
    gap->SetAbsolutePosition(1);
    EXPECT_EQ(Text(*gap, "Name"), "Zander");
    gap->SetBookmark(gap->Bookmark());
    EXPECT_EQ(Text(*gap, "Name"), "Zander");
    auto empty = Open("SELECT * FROM Kunden WHERE Name = 'nie'");
    EXPECT_TRUE(empty->Eof());
}

}  // namespace
}  // namespace zalvert::engine::testing
