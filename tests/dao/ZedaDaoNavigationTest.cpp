#include <gtest/gtest.h>

#include "dataset/DatabaseError.h"
#include "tests/dao/DaoTableFixture.h"

namespace zalvert::testing {
namespace {

using Navigation = DaoTableTest;

std::vector<std::string> Tours(TZedaDaoTable& table) {
    std::vector<std::string> tours;
    for (table.First(); !table.Eof(); table.Next())
        tours.push_back(table.FieldByName("Tour").AsString());
    return tours;
}

TDaoRecordBuffer& Active(TZedaDaoTable& table) {
    return DaoBuffer(*table.ActiveBuffer());
}

TEST_F(Navigation, AnEmptyTableHasNothingToShow) {
    for (int type : {engine::dbOpenDynaset, engine::dbOpenTable, engine::dbOpenSnapshot}) {
        TZedaDaoTable& table = Table("Zalvert", type);
        table.Open();
        EXPECT_TRUE(table.Eof() && table.Bof() && table.IsEmpty()) << type;
        EXPECT_EQ(table.RecordCount(), 0);
        EXPECT_EQ(table.RecNo(), -1);
        table.Last();
        table.Next();
        EXPECT_TRUE(table.IsEmpty());
    }
}

TEST_F(Navigation, WalksForwardAndBackward) {
    AddBillingRecords(5);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    EXPECT_EQ(Tours(table), (std::vector<std::string>{"T1", "T2", "T3", "T4", "T5"}));
    table.Last();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T5");
    EXPECT_EQ(table.RecNo(), 5);
    table.Prior();
    table.Prior();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(Active(table).Position, 2);
    table.MoveBy(-5);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
    table.SetRecNo(4);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    EXPECT_EQ(table.RecNo(), 4);
}

TEST_F(Navigation, TableTypeRecordsetsCountAndNumberTheirRows) {
    AddBillingRecords(7);
    TZedaDaoTable& table = Table("Zalvert", engine::dbOpenTable);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 7);
    table.Last();
    EXPECT_EQ(table.RecNo(), 7);
    table.MoveBy(-3);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    EXPECT_EQ(table.RecNo(), 4);
    // After a post the position is searched again.
    table.Edit();
    table.FieldByName("Recnr").SetAsString("R4");
    table.Post();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    EXPECT_EQ(table.RecNo(), 4);
    // An index orders the rows.
    table.F_Set_IndexName("ImportID");
    EXPECT_EQ(table.FieldByName("ImportID").AsInteger(), 0);
    table.Last();
    EXPECT_EQ(table.FieldByName("ImportID").AsInteger(), 2);
}

TEST_F(Navigation, ForwardOnlyRecordsetsGoOneWay) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert", engine::dbOpenForwardOnly);
    table.Open();
    // The first fetch takes the row the cursor already stands on.
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
    EXPECT_EQ(table.RecordCount(), -1);
    EXPECT_EQ(table.RecNo(), 1);
    table.Prior();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
    table.Next();
    table.Next();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    EXPECT_EQ(table.RecNo(), 3);
    table.Next();
    EXPECT_TRUE(table.Eof());
}

TEST_F(Navigation, CachesTheCountUntilSomethingChanges) {
    AddBillingRecords(6);
    for (bool cached : {true, false}) {
        TZedaDaoTable& table = Table("Zalvert");
        table.UseRecordCount = cached;
        int calls = 0;
        table.SetOnFilterRecord([&](TDataSet&, bool& accept) {
            ++calls;
            accept = true;
        });
        table.SetFiltered(true);
        table.Open();
        calls = 0;
        EXPECT_EQ(table.RecordCount(), 6);
        EXPECT_EQ(calls, 6);
        EXPECT_EQ(table.RecordCount(), 6);
        EXPECT_EQ(calls, cached ? 6 : 12);
        table.Delete();
        calls = 0;
        EXPECT_EQ(table.RecordCount(), 5);
        EXPECT_EQ(calls, 5);
        table.Close();
        Execute("INSERT INTO Zalvert (Tour) VALUES ('T7')");
    }
}

TEST_F(Navigation, AFilterHandlerHidesRows) {
    AddBillingRecords(8);
    TZedaDaoTable& table = Table("Zalvert");
    table.SetOnFilterRecord([](TDataSet& data, bool& accept) {
        accept = data.FieldByName("Tour").AsString().back() % 2 == 1;  // T1, T3...
    });
    table.Open();
    EXPECT_EQ(table.RecordCount(), 8);  // not filtered yet
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(Tours(table), (std::vector<std::string>{"T1", "T3", "T5", "T7"}));
    table.Last();
    table.Prior();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T5");
    EXPECT_EQ(table.RecNo(), 3);
    table.SetRecNo(2);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    // The cursor is back on the active row after counting.
    table.Next();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T5");
}

TEST_F(Navigation, CountsAQueryAndKeepsItsPlace) {
    AddBillingRecords(5);
    TZedaDaoTable& table = Query("select importid, tour from zalvert order by importid desc");
    table.Open();
    const std::string first = table.FieldByName("tour").AsString();
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_EQ(table.FieldByName("tour").AsString(), first);
    table.Next();
    EXPECT_EQ(table.FieldByName("importid").AsInteger(), 2);
    EXPECT_EQ(table.RecNo(), 2);
}

TEST_F(Navigation, NumbersRecordsOnlyWhenAsked) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.UseGetRecNo = false;
    table.Open();
    table.Next();
    EXPECT_EQ(table.RecNo(), -1);
}

TEST_F(Navigation, HandsOutAndFollowsBookmarks) {
    AddBillingRecords(6);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.MoveBy(3);
    const TBookmark fourth = table.GetBookmark();
    ASSERT_EQ(fourth.size(), 4u);
    EXPECT_TRUE(table.Bookmarks().PositionOf(TZedaDaoTable::BookmarkValue(fourth)).has_value());
    const std::string text = table.BookmarkStr();
    table.First();
    EXPECT_TRUE(table.BookmarkValid(fourth));
    table.GotoBookmark(fourth);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    EXPECT_EQ(table.RecNo(), 4);
    table.First();
    table.SetBookmarkStr(text);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");

    const TBookmark strange = {0x39, 0x30, 0, 0};
    EXPECT_FALSE(table.BookmarkValid(strange));
    EXPECT_EQ(MessageOf([&] { table.GotoBookmark(strange); }), "Invalid Bookmark!");
    EXPECT_EQ(MessageOf([&] { table.GotoBookmark({0, 0, 0, 0}); }), "Bookmarks are not supported!");
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    table.Close();
    EXPECT_EQ(MessageOf([&] { table.GotoBookmark(fourth); }),
              "Tabelle1: Operation bei geschlossener Datenmenge nicht ausführbar");
}

TEST_F(Navigation, ComparesBookmarksAsSignedNumbers) {
    TZedaDaoTable& table = Table("Zalvert");
    const TBookmark five = {5, 0, 0, 0}, seven = {7, 0, 0, 0}, negative = {0, 0, 0, 0x80};
    EXPECT_EQ(table.CompareBookmarks({}, five), 1);
    EXPECT_EQ(table.CompareBookmarks(five, {}), -1);
    EXPECT_EQ(table.CompareBookmarks({}, {}), 0);
    EXPECT_EQ(table.CompareBookmarks(five, seven), -1);
    EXPECT_EQ(table.CompareBookmarks(seven, five), 1);
    EXPECT_EQ(table.CompareBookmarks(seven, seven), 0);
    EXPECT_EQ(table.CompareBookmarks(negative, five), -1);
}

TEST_F(Navigation, ANewRecordStartsFromTheDefaults) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.Append();
    const TDaoRecordBuffer& record = Active(table);
    EXPECT_EQ(record.Position, -1);
    EXPECT_EQ(record.Bookmark, 0);
    EXPECT_EQ(record.BookmarkFlag, static_cast<std::uint8_t>(TBookmarkFlag::bfEOF));
    EXPECT_EQ(record.Values[table.FieldByName("erledigt").FieldNo() - 1].Text, "0");
    EXPECT_FALSE(table.FieldByName("erledigt").IsNull());
    EXPECT_TRUE(table.FieldByName("Tour").IsNull());
    table.Cancel();
    // A default expression of the field wins and counts as a change.
    table.FieldByName("Tour").SetDefaultExpression("'T0'");
    table.Insert();
    EXPECT_EQ(Active(table).BookmarkFlag, static_cast<std::uint8_t>(TBookmarkFlag::bfInserted));
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T0");
    EXPECT_TRUE(Active(table).Values[table.FieldByName("Tour").FieldNo() - 1].Modified);
    table.Cancel();
}

TEST_F(Navigation, ADynasetWhoseRowsWereAllDeletedCountsNone) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3);
    while (!table.IsEmpty()) table.Delete();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof() && table.Bof());
    // Counted afresh, through the engine's own steps.
    table.Refresh();
    EXPECT_EQ(table.RecordCount(), 0);
    // Rows it adds and then reaches are counted once.
    for (const char* company : {"Nordfracht", "Elbe"}) {
        table.Append();
        table.FieldByName("Recvon").SetAsString(company);
        table.Post();
    }
    table.Last();
    table.First();
    EXPECT_EQ(table.RecordCount(), 2);
}

TEST_F(Navigation, RefreshShowsWhatAnotherUserChanged) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.Next();
    SecondUser()->Execute("UPDATE Zalvert SET Tour = 'neu' WHERE Tour = 'T2'");
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");  // the buffer as read
    table.Refresh();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "neu");
}

TEST_F(Navigation, DeletingARowAnotherUserDeletedLeavesTheOthersReachable) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3);
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T1'");
    table.Delete();  // already gone: ends quietly
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");
    EXPECT_EQ(table.RecordCount(), 2);
    table.First();
    std::vector<std::string> tours;
    for (; !table.Eof(); table.Next()) tours.push_back(table.FieldByName("Tour").AsString());
    EXPECT_EQ(tours, (std::vector<std::string>{"T2", "T3"}));
}

TEST_F(Navigation, ABookmarkKeepsItsRecordWhenTheIndexChanges) {
    AddBillingRecords(4);
    Execute("UPDATE Zalvert SET ImportID = 10 - ID");
    TZedaDaoTable& table = Table("Zalvert", engine::dbOpenTable);
    table.F_Set_IndexName("PrimaryKey");
    table.Open();
    table.Next();
    ASSERT_EQ(table.FieldByName("Tour").AsString(), "T2");
    const TBookmark mark = table.GetBookmark();
    table.F_Set_IndexName("ImportID");  // T4, T3, T2, T1
    table.First();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");
    table.Next();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
}

TEST_F(Navigation, StopsAtARowAnotherUserDeleted) {
    AddBillingRecords(4);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    const TBookmark first = table.GetBookmark();
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T2'");
    table.Next();
    // The deleted row gives no record: the dataset ends there.
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
    table.Last();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
    // A bookmark of a gone row takes the dataset to its first record.
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T1'");
    EXPECT_NE(MessageOf([&] { table.GotoBookmark(first); }), "");
    EXPECT_TRUE(table.Active());
    // The first row is gone too: the dataset shows nothing until it is opened again.
    table.First();
    EXPECT_TRUE(table.IsEmpty());
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
}

}  // namespace
}  // namespace zalvert::testing

namespace zalvert::testing {
namespace {

TEST_F(Navigation, ATableTypeCountKeepsToTheRowsItWasOpenedWith) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert", engine::dbOpenTable);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3);
    // Rows another user adds are in a snapshot, not in the open table's count.
    SecondUser()->Execute("INSERT INTO Zalvert (Tour) VALUES ('T4')");
    table.Last();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    // Opened again, the count is checked against a snapshot, which agrees.
    table.Close();
    table.WarnOnBadDatabase = true;
    table.Open();
    EXPECT_EQ(table.RecordCount(), 4);
    table.Last();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T4");
}

}  // namespace
}  // namespace zalvert::testing
