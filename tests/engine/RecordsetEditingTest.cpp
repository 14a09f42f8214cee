#include "rtl/DateTime.h"
#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

using Editing = EngineTest;

TEST_F(Editing, AddNewAssignsTheCounterReadableThroughLastModified) {
    auto rs = Open("Kunden");
    rs->MoveNext();
    rs->AddNew();
    EXPECT_EQ(rs->EditMode(), dbEditAdd);
    EXPECT_TRUE(rs->Fields().Item("ID")->Value().IsNull());
    rs->Fields().Item("Name")->SetValue(Variant("Neumann"));
    rs->Update();
    EXPECT_EQ(rs->EditMode(), dbEditNone);
    EXPECT_EQ(Text(*rs, "Name"), "Albers");  // the current record stays
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(Text(*rs, "Name"), "Neumann");
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), 6);
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());  // added rows join the end
}

TEST_F(Editing, EditUpdateAndCancel) {
    auto rs = Open("Kunden");
    rs->Edit();
    EXPECT_EQ(rs->EditMode(), dbEditInProgress);
    rs->Fields().Item("Ort")->SetValue(Variant("Bremen"));
    EXPECT_EQ(Text(*rs, "Ort"), "Bremen");
    rs->CancelUpdate();
    EXPECT_EQ(Text(*rs, "Ort"), "Berlin");
    rs->Edit();
    rs->Fields().Item("Ort")->SetValue(Variant("Bremen"));
    rs->Update();
    EXPECT_EQ(Text(*Open("SELECT Ort FROM Kunden WHERE Name = 'Meier'"), "Ort"), "Bremen");
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3020);
    EXPECT_EQ(ErrorOf([&] { rs->CancelUpdate(); }), 3020);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Ort")->SetValue(Variant("x")); }), 3020);
    rs->Edit();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("ID")->SetValue(Variant(99)); }), 3164);
}

TEST_F(Editing, DeletedRowIsGoneForGood) {
    auto rs = Open("Kunden");
    rs->Move(1);
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3167);
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->MovePrevious();
    EXPECT_EQ(Text(*rs, "Name"), "Meier");  // skipped
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(Open("Kunden", dbOpenTable)->RecordCount(), 4);
}

TEST_F(Editing, RefreshingTheCacheShowsAnotherUsersChangeAndDelete) {
    auto rs = Open("Kunden");
    EXPECT_EQ(Text(*rs, "Name"), "Meier");
    auto other = SecondUser();
    other->Execute("UPDATE Kunden SET Name = 'Meyer' WHERE Name = 'Meier'");
    engine_->Idle(dbRefreshCache);
    EXPECT_EQ(Text(*rs, "Name"), "Meyer");
    other->Execute("DELETE FROM Kunden WHERE Name = 'Meyer'");
    engine_->Idle(dbRefreshCache);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3167);
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Albers");
}

// The row just added is shown as stored without reading it again, once; the
// refresh after that reads another user's change.
TEST_F(Editing, AnAddedRowShowsAsStoredAndLaterRefreshesReadItAgain) {
    auto rs = Open("Kunden");
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(Variant("Neumann"));
    rs->Fields().Item("Betrag")->SetValue(Variant(12.0));
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    engine_->Idle(dbRefreshCache);
    EXPECT_EQ(Text(*rs, "Name"), "Neumann");
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), 6);
    EXPECT_EQ(rs->Fields().Item("Betrag")->Value().AsCurrency().Scaled, 120000);
    EXPECT_TRUE(rs->Fields().Item("Aktiv")->Value().IsNull());
    SecondUser()->Execute("UPDATE Kunden SET Name = 'Neubert' WHERE ID = 6");
    EXPECT_EQ(Text(*rs, "Name"), "Neumann");  // read before the refresh
    engine_->Idle(dbRefreshCache);
    EXPECT_EQ(Text(*rs, "Name"), "Neubert");
    // Moving away and back reads the row, whatever was kept.
    SecondUser()->Execute("UPDATE Kunden SET Name = 'Neuhaus' WHERE ID = 6");
    rs->MoveFirst();
    rs->MoveLast();
    EXPECT_EQ(Text(*rs, "Name"), "Neuhaus");
}

TEST_F(Editing, ConvertsWrittenValuesAsTheEngineDoes) {
    auto rs = Open("Kunden");
    rs->AddNew();
    auto field = [&](const char* name) { return rs->Fields().Item(name); };
    field("Name")->SetValue(Variant("Wert"));
    field("Betrag")->SetValue(Variant("12,5"));
    field("Aktiv")->SetValue(Variant("True"));
    field("Datum")->SetValue(Variant("24.12.2018 13:45:10"));
    field("Anzahl")->SetValue(Variant(2.5));  // rounds half to even
    field("Kennung")->SetValue(Variant("{guid {0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}}"));
    field("Notiz")->SetValue(Variant(std::string(5000, 'x')));
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(field("Betrag")->Value().Type(), TVarType::Currency);
    EXPECT_EQ(field("Betrag")->Value().AsCurrency().Scaled, 125000);
    EXPECT_EQ(field("Aktiv")->Value(), Variant(true));
    EXPECT_EQ(field("Datum")->Value().AsDateTime(),
              EncodeDate(2018, 12, 24) + EncodeTime(13, 45, 10, 0));
    EXPECT_EQ(field("Anzahl")->Value().AsInteger(), 2);
    EXPECT_EQ(field("Kennung")->Value().AsString(),
              "{guid {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}}");
    EXPECT_EQ(field("Notiz")->FieldSize(), 5000);
    EXPECT_EQ(field("Name")->FieldSize(), 4);
}

TEST_F(Editing, LargeValuesTakenOverAreStoredWholeAndStayWholeAfterLaterEdits) {
    db_->Execute("CREATE TABLE Anhang (Nr COUNTER, Notiz MEMO, Daten LONGBINARY, Kurz BINARY(4))");
    std::string text(300000, '\0');
    TBytes bytes(400000);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 % 256);
    auto rs = Open("Anhang");
    auto field = [&](const char* name) { return rs->Fields().Item(name); };
    rs->AddNew();
    field("Notiz")->TakeValue(Variant(std::string(text)));
    field("Daten")->TakeValue(Variant(TBytes(bytes)));
    EXPECT_EQ(ErrorOf([&] { field("Kurz")->TakeValue(Variant(TBytes(5, 1))); }), 3163);
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(field("Notiz")->FieldSize(), 300000);
    EXPECT_EQ(field("Daten")->FieldSize(), 400000);
    std::string copied = "vorher";
    ASSERT_TRUE(field("Notiz")->CopyTextTo(copied));
    EXPECT_EQ(copied, text);
    EXPECT_EQ(field("Daten")->Value().AsBytes(), bytes);
    EXPECT_FALSE(field("Nr")->CopyTextTo(copied));  // a number is no text
    EXPECT_EQ(copied, text);
    // Writing another field leaves the large ones as they are, on this record and
    // on the next one added.
    rs->Edit();
    field("Kurz")->SetValue(Variant(TBytes{1, 2}));
    rs->Update();
    rs->AddNew();
    field("Notiz")->SetValue(Variant("kurz"));
    rs->Update();
    auto check = Open("SELECT Notiz, Daten, Kurz FROM Anhang ORDER BY Nr", dbOpenSnapshot);
    EXPECT_EQ(check->Fields().Item(0)->Value().AsString(), text);
    EXPECT_EQ(check->Fields().Item(1)->Value().AsBytes(), bytes);
    EXPECT_EQ(check->Fields().Item(2)->Value().AsBytes(), (TBytes{1, 2}));
    check->MoveNext();
    EXPECT_EQ(check->Fields().Item(0)->Value().AsString(), "kurz");
    EXPECT_TRUE(check->Fields().Item(1)->Value().IsNull());
}

TEST_F(Editing, RefusesValuesTheColumnCannotTake) {
    auto rs = Open("Kunden");
    rs->Edit();
    auto field = [&](const char* name) { return rs->Fields().Item(name); };
    EXPECT_EQ(ErrorOf([&] { field("Name")->SetValue(Variant(std::string(21, 'n'))); }), 3163);
    EXPECT_NO_THROW(field("Name")->SetValue(Variant(std::string(20, 'n'))));
    EXPECT_NO_THROW(
        field("Name")->SetValue(Variant("\xC3\x84" + std::string(19, 'n'))));  // characters count
    EXPECT_EQ(ErrorOf([&] { field("Name")->SetValue(Variant("\xC3\x84" + std::string(20, 'n'))); }),
              3163);
    EXPECT_EQ(ErrorOf([&] { field("Betrag")->SetValue(Variant("zwölf")); }), 3421);
    EXPECT_EQ(ErrorOf([&] { field("Anzahl")->SetValue(Variant(70000)); }), 3421);
    EXPECT_EQ(ErrorOf([&] { field("Datum")->SetValue(Variant("31.02.2018")); }), 3421);
    EXPECT_EQ(ErrorOf([&] { field("Kennung")->SetValue(Variant("keine GUID")); }), 3421);
    EXPECT_EQ(ErrorOf([&] { field("Aktiv")->SetValue(Variant("vielleicht")); }), 3421);
}

TEST_F(Editing, MemosKeepTextsThatLookLikeNumbers) {
    auto rs = Open("Kunden");
    rs->Edit();
    rs->Fields().Item("Notiz")->SetValue(Variant("007"));
    rs->Update();
    auto check = Open("SELECT Notiz FROM Kunden WHERE Notiz = '007'", dbOpenSnapshot);
    ASSERT_FALSE(check->Eof());
    EXPECT_EQ(check->Fields().Item(0)->Value().AsString(), "007");
    EXPECT_EQ(check->Fields().Item(0)->Type(), dbMemo);
}

TEST_F(Editing, RequiredFieldMustNotBeNullAtUpdate) {
    auto rs = Open("Kunden");
    rs->AddNew();
    rs->Fields().Item("Ort")->SetValue(Variant("Kiel"));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3314);
    EXPECT_NE(engine_->Error(0).Description().find("Name"), std::string::npos);
    EXPECT_EQ(rs->EditMode(), dbEditAdd);  // still adding: the user may fix it
    rs->Fields().Item("Name")->SetValue(Variant("Kieler"));
    rs->Update();
    rs->Edit();
    rs->Fields().Item("Name")->SetValue(Variant::Null());
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3314);
}

TEST_F(Editing, OptimisticEditFailsWhenAnotherUserChangedTheRow) {
    auto rs = Open("Kunden");
    rs->Edit();
    rs->Fields().Item("Ort")->SetValue(Variant("Bonn"));
    SecondUser()->Execute("UPDATE Kunden SET Ort = 'Köln' WHERE Name = 'Meier'");
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3197);
    EXPECT_EQ(rs->EditMode(), dbEditNone);
    EXPECT_EQ(Text(*rs, "Ort"), "Köln");
}

TEST_F(Editing, UniqueIndexRefusesDuplicates) {
    db_->Execute("CREATE UNIQUE INDEX NameEindeutig ON Kunden (Name)");
    auto rs = Open("Kunden");
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(Variant("meier"));  // text compares without case
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3022);
    // The refused write leaves nothing behind that the next one would store.
    rs->Fields().Item("Name")->SetValue(Variant("Neumann"));
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    EXPECT_EQ(Text(*rs, "Name"), "Neumann");
    EXPECT_TRUE(rs->Fields().Item("Ort")->Value().IsNull());
}

using TwoUsers = EngineTest;

TEST_F(TwoUsers, DynasetSeesUpdatesAndDeletionsOfTheOther) {
    auto rs = Open("Kunden");
    auto other = SecondUser();
    other->Execute("UPDATE Kunden SET Ort = 'Potsdam' WHERE Name = 'Albers'");
    other->Execute("DELETE FROM Kunden WHERE Name = 'Zander'");
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Ort"), "Potsdam");
    rs->MoveNext();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3167);
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3167);
    const TBytes gone = rs->Bookmark();
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Bauer");
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(gone); }), 3167);
}

TEST_F(TwoUsers, DeletingARowTheOtherDeletedFails) {
    auto rs = Open("Kunden");
    SecondUser()->Execute("DELETE FROM Kunden WHERE Name = 'Meier'");
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), 3167);
}

using Transactions = EngineTest;

TEST_F(Transactions, CommitKeepsAndRollbackRemoves) {
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    auto db = ws->OpenDatabase(path_);
    auto count = [&] { return db->OpenRecordset("Kunden", dbOpenTable)->RecordCount(); };
    ws->BeginTrans();
    db->Execute("INSERT INTO Kunden (Name) VALUES ('Eins')");
    ws->CommitTrans();
    EXPECT_EQ(count(), 6);
    ws->BeginTrans();
    auto rs = db->OpenRecordset("Kunden", dbOpenDynaset);
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(Variant("Zwei"));
    rs->Update();
    ws->BeginTrans();
    db->Execute("DELETE FROM Kunden WHERE Name = 'Meier'");
    ws->Rollback();  // the inner level only
    EXPECT_EQ(count(), 7);
    ws->Rollback();
    EXPECT_EQ(count(), 6);
    EXPECT_EQ(ErrorOf([&] { ws->CommitTrans(); }), 3034);
    EXPECT_EQ(ErrorOf([&] { ws->Rollback(); }), 3034);
}

TEST_F(Transactions, ClosingTheWorkspaceRollsBack) {
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    auto db = ws->OpenDatabase(path_);
    ws->BeginTrans();
    db->Execute("DELETE FROM Kunden");
    ws->Close();
    EXPECT_EQ(Open("Kunden", dbOpenTable)->RecordCount(), 5);
}

}  // namespace
}  // namespace zalvert::engine::testing

namespace zalvert::engine::testing {
namespace {

TEST_F(Editing, FieldsOutlivingTheirRecordsetRefuseWork) {
    auto rs = Open("Kunden");
    auto name = rs->Fields().Item("Name");
    EXPECT_EQ(name->Value().AsString(), "Meier");
    rs.reset();
    EXPECT_EQ(ErrorOf([&] { name->Value(); }), 3420);
}

}  // namespace
}  // namespace zalvert::engine::testing
