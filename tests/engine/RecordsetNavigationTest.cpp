#include <sqlite3.h>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

using Navigation = EngineTest;

TEST_F(Navigation, WalksForwardAndBackwardWithErrorsPastEitherEnd) {
    auto rs = Open("Kunden");
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(Text(*rs, "Name"), "Meier");
    int count = 0;
    while (!rs->Eof()) {
        ++count;
        rs->MoveNext();
    }
    EXPECT_EQ(count, 5);
    EXPECT_FALSE(rs->Bof());
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3021);
    rs->MovePrevious();
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
    rs->MoveFirst();
    rs->MovePrevious();
    EXPECT_TRUE(rs->Bof());
    EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), 3021);
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Meier");
}

TEST_F(Navigation, EmptyRecordsetIsAtBothEnds) {
    auto rs = Open("SELECT * FROM Kunden WHERE Ort = 'Paris'");
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs->MoveLast(); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs->Bookmark(); }), 3021);
    EXPECT_EQ(rs->AbsolutePosition(), -1);
}

TEST_F(Navigation, MovesByCountsAndPositions) {
    auto rs = Open("Kunden");
    rs->Move(2);
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    EXPECT_EQ(rs->AbsolutePosition(), 2);
    rs->Move(-1);
    EXPECT_EQ(Text(*rs, "Name"), "Albers");
    rs->Move(10);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(ErrorOf([&] { rs->Move(-1); }), 3021);
    rs->MoveFirst();
    rs->Move(-3);
    EXPECT_TRUE(rs->Bof());
    rs->SetAbsolutePosition(4);
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
    EXPECT_EQ(ErrorOf([&] { rs->SetAbsolutePosition(5); }), 3001);
    rs->MoveLast();
    EXPECT_DOUBLE_EQ(rs->PercentPosition(), 100.0);
    rs->SetPercentPosition(50);
    EXPECT_EQ(rs->AbsolutePosition(), 2);
}

TEST_F(Navigation, DynasetCountsRowsReachedUntilMoveLast) {
    auto rs = Open("Kunden");
    EXPECT_EQ(rs->RecordCount(), 1);
    rs->MoveNext();
    EXPECT_EQ(rs->RecordCount(), 2);
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 5);
    auto table = Open("Kunden", dbOpenTable);
    EXPECT_EQ(table->RecordCount(), 5);
    auto snapshot = Open("SELECT Name FROM Kunden", dbOpenSnapshot);
    snapshot->MoveLast();
    EXPECT_EQ(snapshot->RecordCount(), 5);
}

TEST_F(Navigation, BookmarksAreSharedWithClonesOnly) {
    auto rs = Open("Kunden");
    rs->Move(3);
    const TBytes mark = rs->Bookmark();
    ASSERT_GE(mark.size(), 4u);
    const std::int32_t value = mark[0] | mark[1] << 8 | mark[2] << 16 | mark[3] << 24;
    EXPECT_GT(value, 0);
    auto clone = rs->Clone();
    clone->SetBookmark(mark);
    EXPECT_EQ(Text(*clone, "Name"), "Bauer");
    clone->MoveFirst();
    EXPECT_EQ(Text(*rs, "Name"), "Bauer");  // own position
    // The first four bytes alone are enough.
    clone->SetBookmark(TBytes(mark.begin(), mark.begin() + 4));
    EXPECT_EQ(Text(*clone, "Name"), "Bauer");
    auto other = Open("Kunden");
    EXPECT_EQ(ErrorOf([&] { other->SetBookmark(mark); }), 3159);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(TBytes{0, 0, 0, 0}); }), 3159);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(TBytes{99, 0, 0, 0}); }), 3159);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(TBytes{1}); }), 3159);
    // Distinct rows have distinct bookmarks.
    rs->MoveFirst();
    EXPECT_NE(rs->Bookmark(), mark);
}

TEST_F(Navigation, ABookmarkNamesItsRecordWhateverTheOrder) {
    auto rs = Open("Kunden", dbOpenTable);
    rs->SetIndex("PrimaryKey");
    rs->Move(2);
    ASSERT_EQ(Text(*rs, "Name"), "Zander");
    const TBytes mark = rs->Bookmark();
    const TBytes shortMark(mark.begin(), mark.begin() + 4);
    auto clone = rs->Clone();
    rs->SetIndex("OrtName");  // Augsburg, Berlin (Zander, Meier), Hamburg...
    rs->MoveFirst();
    rs->SetBookmark(mark);
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->MoveFirst();
    rs->SetBookmark(shortMark);
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Meier");  // the index order goes on from there
    clone->SetBookmark(rs->Bookmark());
    EXPECT_EQ(Text(*clone, "Name"), "Meier");
    // Requeried, the same bookmark still finds it; deleted, it is gone.
    rs->Requery();
    rs->SetBookmark(mark);
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(mark); }), 3167);
}

TEST_F(Navigation, ForwardOnlyMovesOnlyForward) {
    auto rs = Open("SELECT Name FROM Kunden ORDER BY Name", dbOpenForwardOnly);
    EXPECT_FALSE(rs->Bookmarkable());
    EXPECT_EQ(Text(*rs, "Name"), "Albers");
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Bauer");
    EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), 3251);
    EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), 3251);
    EXPECT_EQ(ErrorOf([&] { rs->Bookmark(); }), 3251);
    EXPECT_EQ(ErrorOf([&] { rs->Clone(); }), 3251);
    EXPECT_FALSE(rs->Updatable());
    int rest = 0;
    while (!rs->Eof()) {
        ++rest;
        rs->MoveNext();
    }
    EXPECT_EQ(rest, 4);
}

TEST_F(Navigation, SnapshotIsAStaticCopy) {
    auto snapshot = Open("Kunden", dbOpenSnapshot);
    db_->Execute("UPDATE Kunden SET Name = 'Neu' WHERE Name = 'Meier'");
    EXPECT_EQ(Text(*snapshot, "Name"), "Meier");
    EXPECT_FALSE(snapshot->Updatable());
    EXPECT_EQ(ErrorOf([&] { snapshot->AddNew(); }), 3027);
    snapshot->Requery();
    EXPECT_EQ(Text(*snapshot, "Name"), "Neu");
}

TEST_F(Navigation, RequeryTakesANewKeyset) {
    auto rs = Open("SELECT * FROM Kunden WHERE Ort = 'Berlin'");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 2);
    db_->Execute("INSERT INTO Kunden (Name, Ort) VALUES ('Neu', 'Berlin')");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 2);
    rs->Requery();
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 3);
}

// A whole record at once gives what each field gives, for every type and kind of
// recordset, values written by other tools included; where no record is at hand
// as stored, it gives nothing and leaves the fields to tell.
TEST_F(Navigation, GivesTheCurrentRecordWholeAsItsFieldsGiveIt) {
    db_->Execute("CREATE TABLE Anhang (ID COUNTER, Daten LONGBINARY, Wert DOUBLE, Gross BIGINT)");
    db_->Execute("INSERT INTO Anhang (Wert, Gross) VALUES (2.5, 9000000000)");
    auto add = Open("Kunden");
    add->AddNew();
    add->Fields().Item("Name")->SetValue(Variant("Özkan"));
    add->Fields().Item("Notiz")->SetValue(Variant(std::string(5000, 'n')));
    add->Fields().Item("Kennung")->SetValue(Variant("{12345678-1234-1234-1234-123456789ABC}"));
    add->Update();
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &file), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(file,
                           "UPDATE Kunden SET Anzahl = 'viele', Datum = 'gestern', Ort = x'4142' "
                           "WHERE Name = 'Zander'; UPDATE Anhang SET Daten = x'00FF10'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(file);
    for (const char* source : {"Kunden", "Anhang", "SELECT * FROM Kunden ORDER BY Name"})
        for (int type : {dbOpenTable, dbOpenDynaset, dbOpenSnapshot}) {
            if (type == dbOpenTable && source[0] == 'S') continue;
            auto rs = Open(source, type);
            int records = 0;
            for (; !rs->Eof(); rs->MoveNext(), ++records) {
                std::vector<Variant> whole;
                ASSERT_TRUE(rs->VisitCurrentValues([&](size_t field, const Variant& value) {
                    EXPECT_EQ(field, whole.size());
                    whole.push_back(value);
                }));
                ASSERT_EQ(whole.size(), static_cast<size_t>(rs->Fields().Count()));
                for (int i = 0; i < rs->Fields().Count(); ++i) {
                    const Variant single = rs->Fields().Item(i)->Value();
                    EXPECT_EQ(whole[static_cast<size_t>(i)].Type(), single.Type())
                        << source << " " << type << " " << rs->Fields().Item(i)->Name();
                    EXPECT_TRUE(whole[static_cast<size_t>(i)] == single)
                        << source << " " << type << " " << rs->Fields().Item(i)->Name();
                }
            }
            EXPECT_EQ(records, source[0] == 'A' ? 1 : 6) << source;
        }
    auto rs = Open("Kunden");
    const auto none = [](size_t, const Variant&) { ADD_FAILURE() << "a value was given"; };
    rs->MoveLast();
    rs->MoveNext();
    EXPECT_FALSE(rs->VisitCurrentValues(none));  // no current record
    rs->MoveFirst();
    rs->Edit();
    EXPECT_FALSE(rs->VisitCurrentValues(none));  // the values being edited
    rs->CancelUpdate();
    rs->Delete();
    EXPECT_FALSE(rs->VisitCurrentValues(none));  // deleted
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3167);
}

}  // namespace
}  // namespace zalvert::engine::testing
