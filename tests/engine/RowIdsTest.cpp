// Row ids of a keyset held as runs or one by one, and whole tables opened with
// and without gaps in their ids.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/core/RowIds.h"
#include "engine/sqlite/BlockAnchors.h"
#include "engine/sqlite/TableKeys.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/TempDir.h"

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

// A table of some thousands of rows with gaps opens with only its ends read; every
// position, bookmark and search answers as if every id had been read at once.
class LargeTableWithGaps : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        db_->Execute(
            "CREATE TABLE Zeilen (ID COUNTER, N LONG, CONSTRAINT PrimaryKey PRIMARY KEY (ID))");
        auto ws = engine_->CreateWorkspace("WS", "Admin", "");
        auto db = ws->OpenDatabase(path_);
        ws->BeginTrans();
        auto rs = db->OpenRecordset("Zeilen", dbOpenDynaset);
        for (int n = 1; n <= kRows; ++n) {
            rs->AddNew();
            rs->Fields().Item("N")->SetValue(Variant(n));
            rs->Update();
        }
        ws->CommitTrans();
        db->Close();
        db_->Execute("DELETE FROM Zeilen WHERE ID Mod 10 = 0 OR (ID > 12000 AND ID <= 16000)");
        for (std::int64_t id = 1; id <= kRows; ++id)
            if (id % 10 != 0 && (id <= 12000 || id > 16000)) ids_.push_back(id);
    }

    // The ID at each position, or 0 where the row reads as deleted.
    static std::int64_t IdAt(Recordset& rs, size_t pos) {
        rs.SetAbsolutePosition(static_cast<long>(pos));
        try {
            return rs.Fields().Item("ID")->Value().AsInteger();
        } catch (const EDaoError& e) {
            if (e.Is(TDaoErr::RecordDeleted)) return 0;
            throw;
        }
    }

    static constexpr int kRows = 30000;
    std::vector<std::int64_t> ids_;
};

TEST_F(LargeTableWithGaps, AnswersEveryPositionBookmarkAndSearch) {
    auto rs = Open("Zeilen");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), static_cast<long>(ids_.size()));
    rs->MovePrevious();
    rs->MovePrevious();
    const TBytes nearEnd = rs->Bookmark();
    // From the end, then the middle, then the start: each jump reads from the nearer end.
    for (const size_t pos :
         {ids_.size() - 1, ids_.size() - 5000, ids_.size() / 2, size_t{1}, size_t{9000}, size_t{0}})
        ASSERT_EQ(IdAt(*rs, pos), ids_[pos]) << "position " << pos;
    rs->SetBookmark(nearEnd);
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), ids_[ids_.size() - 3]);
    auto clone = rs->Clone();
    clone->FindFirst("ID >= 14001");
    EXPECT_EQ(clone->AbsolutePosition(), std::find(ids_.begin(), ids_.end(), 16001) - ids_.begin());
    clone->FindFirst("ID = 11999");
    EXPECT_EQ(clone->AbsolutePosition(), std::find(ids_.begin(), ids_.end(), 11999) - ids_.begin());

    rs->MoveFirst();
    for (size_t pos = 0; pos < ids_.size(); ++pos, rs->MoveNext())
        ASSERT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), ids_[pos]) << "position " << pos;
    EXPECT_TRUE(rs->Eof());
    rs->AddNew();
    rs->Fields().Item("N")->SetValue(Variant(0));
    rs->Update();
    rs->MoveLast();
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), kRows + 1);
    EXPECT_EQ(rs->RecordCount(), static_cast<long>(ids_.size() + 1));
}

// Rows another user deletes in the middle before it was read read as deleted,
// each surviving row once and in order, and the count stays as it was at the open.
TEST_F(LargeTableWithGaps, ShowRowsDeletedMeanwhileInTheMiddleAsDeleted) {
    auto rs = Open("Zeilen");
    rs->MoveLast();
    const long count = rs->RecordCount();
    SecondUser()->Execute("DELETE FROM Zeilen WHERE ID > 20000 AND ID <= 20100");
    rs->AddNew();
    rs->Fields().Item("N")->SetValue(Variant(0));
    rs->Update();
    std::vector<std::int64_t> seen;
    size_t gone = 0;
    for (size_t pos = 0; pos < static_cast<size_t>(count) + 1; ++pos) {
        const std::int64_t id = IdAt(*rs, pos);
        if (id == 0)
            ++gone;
        else
            seen.push_back(id);
    }
    std::vector<std::int64_t> expected;
    for (const std::int64_t id : ids_)
        if (id <= 20000 || id > 20100) expected.push_back(id);
    expected.push_back(kRows + 1);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(gone, 90u);
    EXPECT_EQ(rs->RecordCount(), count + 1);
    rs->FindFirst("ID = 20201");
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), 20201);
}

// Blocks of the middle read in any order, each from the nearest block read, while
// another user deletes rows in blocks read and not yet read: every surviving row
// once and in order, as many positions reading as deleted as rows were deleted.
TEST_F(LargeTableWithGaps, ReadTheMiddleInAnyOrderWhileRowsGo) {
    auto rs = Open("Zeilen");
    rs->MoveLast();
    const size_t count = static_cast<size_t>(rs->RecordCount());
    const size_t middle = 14000;  // in the fourth of six blocks
    ASSERT_EQ(IdAt(*rs, middle), ids_[middle]);
    const char* gone[] = {"ID > 5000 AND ID <= 5100", "ID > 9500 AND ID <= 9600",
                          "ID > 24000 AND ID <= 24050", "ID > 20000 AND ID <= 20020"};
    auto other = SecondUser();
    for (const char* where : gone) other->Execute(std::string("DELETE FROM Zeilen WHERE ") + where);
    const auto deleted = [](std::int64_t id) {
        return (id > 5000 && id <= 5100) || (id > 9500 && id <= 9600) ||
               (id > 24000 && id <= 24050) || (id > 20000 && id <= 20020);
    };

    std::vector<std::int64_t> at(count, -1);
    for (const size_t block : {4u, 1u, 2u, 3u, 0u, 5u}) {
        const size_t begin = block * TTableKeys::kBlock;
        for (size_t pos = begin; pos < std::min(count, begin + TTableKeys::kBlock); ++pos)
            at[pos] = IdAt(*rs, pos);
    }
    std::vector<std::int64_t> seen, expected;
    for (const std::int64_t id : at)
        if (id != 0) seen.push_back(id);
    for (const std::int64_t id : ids_)
        if (!deleted(id)) expected.push_back(id);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(count - seen.size(), ids_.size() - expected.size());
    EXPECT_EQ(IdAt(*rs, middle), ids_[middle]);  // positions read before stay
    EXPECT_EQ(rs->RecordCount(), static_cast<long>(count));
}

// A row found by a search in blocks not read yet gets the position it had at the
// open; where another user deleted rows before it meanwhile, the position its
// block gives it (rows gone stand at the end of the stretch not read).
TEST_F(LargeTableWithGaps, FindRowsInBlocksNotReadYet) {
    const auto positionOf = [&](std::int64_t id) {
        return static_cast<long>(std::find(ids_.begin(), ids_.end(), id) - ids_.begin());
    };
    auto rs = Open("Zeilen");
    auto before = Open("Zeilen");
    for (const std::int64_t id : {4551, 9999, 17003, 22011, 20201, 11999}) {
        rs->FindFirst("ID = " + std::to_string(id));
        ASSERT_FALSE(rs->NoMatch()) << id;
        EXPECT_EQ(rs->AbsolutePosition(), positionOf(id)) << id;
    }
    rs->FindFirst("ID = 14000");  // in the run deleted before the open
    EXPECT_TRUE(rs->NoMatch());

    SecondUser()->Execute("DELETE FROM Zeilen WHERE ID > 6000 AND ID <= 6100");
    before->FindFirst("ID = 8001");
    ASSERT_FALSE(before->NoMatch());
    EXPECT_EQ(before->Fields().Item("ID")->Value().AsInteger(), 8001);
    const long found = before->AbsolutePosition();
    EXPECT_EQ(found, positionOf(8001) - 90);
    EXPECT_EQ(IdAt(*before, static_cast<size_t>(found)), 8001);
    EXPECT_EQ(IdAt(*before, static_cast<size_t>(found) - 1), 7999);
}

// A new file in write-ahead mode whose table t holds ids 1 to `rows`, and the
// connection that made it.
struct TNumberedFile {
    TNumberedFile(const char* name, int rows)
        : Path(Dir.Path() + name), Main(Path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
        Main.Exec("PRAGMA journal_mode=WAL");
        Main.Exec(
            "CREATE TABLE t (id INTEGER PRIMARY KEY, n INTEGER);"
            "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
            std::to_string(rows) + ") INSERT INTO t SELECT i, i FROM r");
    }
    zalvert::testing::TTempDir Dir;
    std::string Path;
    TSqliteConnection Main;
};

// A table of many blocks: once the first id of each block has been found aside, a
// block in the middle reads the rows of the open's view between its anchors, even
// where rows went meanwhile between it and the end it would be skipped from.
TEST(TableKeys, ReadTheMiddleBetweenAnchorsFoundAside) {
    TNumberedFile file("anker.db", 200000);
    TSqliteConnection& main = file.Main;
    main.Exec("DELETE FROM t WHERE id % 10 = 0");
    std::vector<std::int64_t> view;
    for (std::int64_t id = 1; id <= 200000; ++id)
        if (id % 10 != 0) view.push_back(id);

    const auto connect = [&]() -> TSqliteConnection& { return main; };
    {
        // Jumps at once, while the finding goes on, and an end before it is done.
        TTableKeys early;
        early.OpenTable(connect, "t");
        for (const size_t pos : {view.size() / 2, view.size() / 3, view.size() - 70000})
            ASSERT_EQ(early.At(pos), view[pos]) << "position " << pos;
        early.OpenTable(connect, "t");
    }
    TTableKeys keys;
    keys.OpenTable(connect, "t");
    ASSERT_EQ(keys.size(), view.size());
    ASSERT_TRUE(keys.WaitForAnchors());
    // Rows of blocks 30 to 35 go; block 25 lies nearer the end than the start.
    TSqliteConnection other(file.Path, SQLITE_OPEN_READWRITE);
    const std::int64_t from = view[30 * TTableKeys::kBlock], to = view[36 * TTableKeys::kBlock];
    other.Exec("DELETE FROM t WHERE id >= " + std::to_string(from) + " AND id < " +
               std::to_string(to));
    for (size_t pos = 25 * TTableKeys::kBlock; pos < 26 * TTableKeys::kBlock; ++pos)
        ASSERT_EQ(keys.At(pos), view[pos]) << "position " << pos;

    const TRowIds& all = keys.All();
    ASSERT_EQ(all.size(), view.size());
    std::vector<std::int64_t> seen, expected;
    for (size_t pos = 0; pos < all.size(); ++pos)
        if (all[pos] != std::numeric_limits<std::int64_t>::min()) seen.push_back(all[pos]);
    for (const std::int64_t id : view)
        if (id < from || id >= to) expected.push_back(id);
    EXPECT_EQ(seen, expected);
}

// The two walks, up from the first block and down from the last, meet wherever
// their pace takes them: every block's bounds are the first ids of it and the
// next, for counts of rows that fill the last block or leave it short, and for
// tables of one and two blocks.
TEST(BlockAnchors, FindTheFirstIdOfEveryBlockFromBothEnds) {
    std::mt19937 random(20261211);
    TNumberedFile file("beide.db", 30000);
    std::vector<std::int64_t> view;
    std::string gaps;
    for (std::int64_t id = 1; id <= 30000; ++id) {
        if (random() % 3 == 0) {
            gaps += (gaps.empty() ? "" : ",") + std::to_string(id);
            continue;
        }
        view.push_back(id);
    }
    file.Main.Exec("DELETE FROM t WHERE id IN (" + gaps + ")");
    for (const size_t block : {size_t{100}, size_t{137}, view.size() / 2, view.size()}) {
        const size_t blocks = (view.size() + block - 1) / block;
        TBlockAnchors anchors(file.Path, "t", view.front(), blocks, block, view.size());
        ASSERT_TRUE(anchors.Wait()) << "blocks of " << block;
        for (size_t b = 0; b < blocks; ++b) {
            const auto bounds = anchors.Bounds(b, 0);
            ASSERT_TRUE(bounds) << "block " << b << " of " << block;
            EXPECT_EQ(bounds->First, view[b * block]) << "block " << b << " of " << block;
            const auto next = b + 1 < blocks ? std::optional(view[(b + 1) * block]) : std::nullopt;
            EXPECT_EQ(bounds->Next, next) << "block " << b << " of " << block;
        }
    }
    // A count that disagrees with the file's: found, but of no use.
    TBlockAnchors wrong(file.Path, "t", view.front(), view.size() / 100 + 1, 100, view.size() + 1);
    EXPECT_FALSE(wrong.Wait());
    EXPECT_FALSE(wrong.Bounds(12, 0));
}

// Anchors found in another view of the file than the open's (rows deleted in a
// transaction not committed yet) are not used: the finding's count disagrees with
// the open's, and every position still reads the open's row.
TEST(TableKeys, UseNoAnchorsOfAnotherView) {
    TNumberedFile file("sicht.db", 100000);
    TSqliteConnection& main = file.Main;
    main.Exec("DELETE FROM t WHERE id % 10 = 0");
    main.Exec("BEGIN; DELETE FROM t WHERE id BETWEEN 40001 AND 40005");
    std::vector<std::int64_t> view;
    for (std::int64_t id = 1; id <= 100000; ++id)
        if (id % 10 != 0 && (id < 40001 || id > 40005)) view.push_back(id);

    TTableKeys keys;
    keys.OpenTable([&]() -> TSqliteConnection& { return main; }, "t");
    EXPECT_FALSE(keys.WaitForAnchors());
    for (const size_t pos : {view.size() / 2, view.size() / 3, size_t{40000}, view.size() - 5000})
        ASSERT_EQ(keys.At(pos), view[pos]) << "position " << pos;
    main.Exec("ROLLBACK");
}

// Tables of random gaps read at random positions, with and without anchors and
// with rows going meanwhile: every position read before the rows went holds the
// open's id, a lookup finds every id where it stands, and at the end each row
// left stands once and in order, as many positions gone as rows went.
TEST(TableKeys, AnswerRandomJumpsAsAPlainList) {
    std::mt19937 random(20261210);
    for (const int rows : {50000, 90000}) {
        TNumberedFile file("zufall.db", rows);
        TSqliteConnection& main = file.Main;
        std::vector<std::int64_t> view;
        std::string gaps;
        for (std::int64_t id = 1; id <= rows; ++id) {
            // Single ids and now and then a long run.
            if (random() % 7 == 0 || (id / 3000) % 9 == 4) {
                gaps += (gaps.empty() ? "" : ",") + std::to_string(id);
                continue;
            }
            view.push_back(id);
        }
        main.Exec("DELETE FROM t WHERE id IN (" + gaps + ")");

        TTableKeys keys;
        keys.OpenTable([&]() -> TSqliteConnection& { return main; }, "t");
        ASSERT_EQ(keys.size(), view.size());
        for (int jump = 0; jump < 40; ++jump) {
            const size_t pos = random() % view.size();
            ASSERT_EQ(keys.At(pos), view[pos]) << rows << " rows, position " << pos;
            const std::int64_t id = 1 + static_cast<std::int64_t>(random() % rows);
            const auto at = std::lower_bound(view.begin(), view.end(), id);
            const auto expected = at != view.end() && *at == id
                                      ? std::optional<size_t>(at - view.begin())
                                      : std::nullopt;
            ASSERT_EQ(keys.FindAscending(id), expected) << rows << " rows, id " << id;
        }

        std::vector<std::int64_t> before(view.size(), 0);
        for (size_t pos = 0; pos < view.size(); pos += 97) before[pos] = keys.At(pos);
        TSqliteConnection other(file.Path, SQLITE_OPEN_READWRITE);
        std::set<std::int64_t> went;
        for (int n = 0; n < 300; ++n) went.insert(view[random() % view.size()]);
        std::string list;
        for (const std::int64_t id : went) list += (list.empty() ? "" : ",") + std::to_string(id);
        other.Exec("DELETE FROM t WHERE id IN (" + list + ")");
        for (int jump = 0; jump < 40; ++jump) keys.At(random() % view.size());

        const TRowIds& all = keys.All();
        ASSERT_EQ(all.size(), view.size());
        std::vector<std::int64_t> seen, left;
        for (size_t pos = 0; pos < all.size(); ++pos) {
            if (before[pos] != 0) {
                ASSERT_EQ(all[pos], before[pos]) << "position " << pos;
            }
            if (all[pos] != std::numeric_limits<std::int64_t>::min()) seen.push_back(all[pos]);
        }
        for (const std::int64_t id : view)
            if (!went.count(id)) left.push_back(id);
        // Rows that went after their block was read still stand there; the rest close up.
        std::vector<std::int64_t> stillListed;
        std::set_difference(seen.begin(), seen.end(), left.begin(), left.end(),
                            std::back_inserter(stillListed));
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << rows << " rows";
        EXPECT_TRUE(std::includes(seen.begin(), seen.end(), left.begin(), left.end()))
            << rows << " rows";
        EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << rows << " rows";
        for (const std::int64_t id : stillListed) EXPECT_TRUE(went.count(id)) << id;
        EXPECT_EQ(all.size() - seen.size(), went.size() - stillListed.size()) << rows << " rows";
    }
}

}  // namespace
}  // namespace zalvert::engine::testing
