// Row ids of a keyset held as a run or one by one, and whole tables opened with
// and without gaps in their ids.

#include <gtest/gtest.h>

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
