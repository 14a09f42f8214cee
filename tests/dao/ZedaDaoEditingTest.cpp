#include <gtest/gtest.h>

#include "dao/GuidFieldText.h"
#include "dataset/DatabaseError.h"
#include "tests/dao/DaoTableFixture.h"

namespace zalvert::testing {
namespace {

class Editing : public DaoTableTest {
  protected:
    void SetUp() override {
        DaoTableTest::SetUp();
        Execute(
            "CREATE TABLE Werte (nr COUNTER CONSTRAINT pk PRIMARY KEY, txt TEXT(20), "
            "zahl LONG, klein SHORT, betrag CURRENCY, wert DOUBLE, ja YESNO, zeitpunkt "
            "DATETIME, tag DATETIME, uhr DATETIME, bin BINARY(4), kennung GUID, notiz MEMO)");
        auto& fields = Engine().TableDefs().Item("Werte")->Fields();
        const auto format = [&](const char* name, const char* text) {
            auto field = fields.Item(name);
            field->Properties().Append(
                field->CreateProperty("Format", engine::dbText, Variant(text)));
        };
        format("tag", "Short Date");
        format("uhr", "Long Time");
    }

    // The text of a field in the active record's value list.
    static std::string& Text(TZedaDaoTable& table, const char* field) {
        return DaoBuffer(*table.ActiveBuffer())
            .Values[static_cast<size_t>(table.FieldByName(field).FieldNo() - 1)]
            .Text;
    }

    // The stored value as the engine gives it back.
    Variant Stored(const char* table, const char* field, const std::string& where = "1=1") {
        auto rs = Engine().OpenRecordset(std::string("SELECT ") + field + " FROM " + table +
                                         " WHERE " + where);
        return rs->Fields().Item(0)->Value();
    }
};

TEST_F(Editing, WritesAndReadsEveryTextForm) {
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    table.Append();
    table.FieldByName("txt").SetAsString("Grüße");
    table.FieldByName("zahl").SetAsInteger(-42);
    table.FieldByName("klein").SetAsInteger(7);
    table.FieldByName("betrag").SetAsFloat(12.5);
    table.FieldByName("wert").SetAsFloat(0.1);
    table.FieldByName("ja").SetAsBoolean(true);
    table.FieldByName("zeitpunkt").SetAsDateTime(EncodeDate(2024, 3, 31) + 0.5 + 1.0 / 86400000);
    table.FieldByName("tag").SetAsDateTime(EncodeDate(2024, 3, 31) + 0.75);
    table.FieldByName("uhr").SetAsDateTime(EncodeDate(2024, 3, 31) + 0.25);
    table.FieldByName("bin").SetAsVariant(Variant(TBytes{1, 0, 2, 3}));
    const TBytes guid = {0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                         0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78};
    table.FieldByName("kennung").SetAsVariant(Variant(guid));
    table.FieldByName("notiz").SetAsString("Zeile 1\r\nZeile 2");
    EXPECT_EQ(Text(table, "zahl"), "-42");
    EXPECT_EQ(Text(table, "betrag"), "12,5");
    EXPECT_EQ(Text(table, "ja"), "True");
    EXPECT_EQ(Text(table, "zeitpunkt"), "738976 43200001");
    EXPECT_EQ(Text(table, "tag"), "738976 0");
    EXPECT_EQ(Text(table, "uhr"), "693594 21600000");
    EXPECT_EQ(Text(table, "kennung"), "{guid {12345678-1234-5678-9ABC-DEF012345678}}");
    EXPECT_EQ(Text(table, "bin"), std::string("\x01\x00\x02\x03", 4));
    table.Post();

    EXPECT_EQ(Stored("Werte", "txt").AsString(), "Grüße");
    EXPECT_EQ(Stored("Werte", "zahl").AsInteger(), -42);
    EXPECT_DOUBLE_EQ(Stored("Werte", "betrag").AsDouble(), 12.5);
    EXPECT_TRUE(Stored("Werte", "ja").AsBoolean());
    EXPECT_DOUBLE_EQ(Stored("Werte", "zeitpunkt").AsDateTime(),
                     EncodeDate(2024, 3, 31) + 0.5 + 1.0 / 86400000);
    EXPECT_DOUBLE_EQ(Stored("Werte", "tag").AsDateTime(), EncodeDate(2024, 3, 31));
    EXPECT_DOUBLE_EQ(Stored("Werte", "uhr").AsDateTime(), 0.25);
    EXPECT_EQ(Stored("Werte", "kennung").AsString(),
              "{guid {12345678-1234-5678-9ABC-DEF012345678}}");
    EXPECT_EQ(Stored("Werte", "bin").AsBytes(), (TBytes{1, 0, 2, 3}));
    EXPECT_EQ(Stored("Werte", "notiz").AsString(), "Zeile 1\r\nZeile 2");

    // Read back from the engine into the same forms.
    table.Close();
    table.SetCacheMemos(true);
    table.Open();
    EXPECT_EQ(table.FieldByName("txt").AsString(), "Grüße");
    EXPECT_EQ(table.FieldByName("zahl").AsInteger(), -42);
    EXPECT_DOUBLE_EQ(table.FieldByName("wert").AsFloat(), 0.1);
    EXPECT_EQ(Text(table, "zeitpunkt"), "738976 43200001");
    EXPECT_EQ(Text(table, "tag"), "738976 0");
    EXPECT_EQ(Text(table, "uhr"), "693594 21600000");
    EXPECT_EQ(Text(table, "ja"), "True");
    EXPECT_EQ(table.FieldByName("kennung").AsVariant().AsBytes(), guid);
    EXPECT_EQ(table.FieldByName("notiz").DisplayText(), "Zeile 1");
}

TEST_F(Editing, KeepsBlobsAndMemosOutOfTheBufferUnlessCached) {
    Execute("INSERT INTO Werte (notiz) VALUES ('Vierzehn Zeichen')");
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    EXPECT_EQ(Text(table, "notiz"), "16");
    EXPECT_EQ(Text(table, "txt"), "");
    table.SetCacheMemos(true);
    EXPECT_EQ(Text(table, "notiz"), "Vierzehn Zeichen");
}

TEST_F(Editing, AnEmptyTextIsNull) {
    Execute("INSERT INTO Werte (txt, zahl) VALUES ('alt', 3)");
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    table.Edit();
    table.FieldByName("txt").SetAsString("");
    table.FieldByName("zahl").Clear();
    table.Post();
    EXPECT_TRUE(Stored("Werte", "txt").IsNull());
    EXPECT_TRUE(Stored("Werte", "zahl").IsNull());
    EXPECT_TRUE(table.FieldByName("txt").IsNull());
}

TEST_F(Editing, ReadsBooleansLeniently) {
    Execute("INSERT INTO Werte (ja) VALUES (False)");
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    const std::pair<const char*, bool> cases[] = {
        {"=YES", true}, {"on", true}, {"-1", true},     {"7", true},    {"=Off", false},
        {"no", false},  {"0", false}, {"FALSE", false}, {"True", true},
    };
    for (const auto& [text, expected] : cases) {
        Text(table, "ja") = text;
        EXPECT_EQ(table.FieldByName("ja").AsBoolean(), expected) << text;
    }
    Text(table, "ja") = "vielleicht";
    EXPECT_FALSE(table.FieldByName("ja").IsNull());
    TFieldData data = std::string("unverändert");
    EXPECT_TRUE(table.FieldByName("ja").GetData(&data));
    EXPECT_EQ(std::get<std::string>(data), "unverändert");
}

TEST_F(Editing, RoundsFractionsInIntegerFieldsToEven) {
    Execute("INSERT INTO Werte (zahl) VALUES (1)");
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    const std::pair<const char*, int> cases[] = {{"2,5", 2}, {"3,5", 4}, {"-2,5", -2}, {"7", 7}};
    for (const auto& [text, expected] : cases) {
        Text(table, "zahl") = text;
        EXPECT_EQ(table.FieldByName("zahl").AsInteger(), expected) << text;
    }
    Text(table, "zahl") = "zwölf";
    TFieldData data = std::int32_t{99};
    EXPECT_TRUE(table.FieldByName("zahl").GetData(&data));
    EXPECT_EQ(std::get<std::int32_t>(data), 99);
    Text(table, "zahl") = "";
    EXPECT_TRUE(table.FieldByName("zahl").IsNull());
}

TEST_F(Editing, LeavesADateWithoutBlankUnwritten) {
    Execute("INSERT INTO Werte (zeitpunkt) VALUES (#01/02/2020#)");
    TZedaDaoTable& table = Table("Werte");
    table.Open();
    table.Edit();
    Text(table, "zeitpunkt") = "738976";
    DaoBuffer(*table.ActiveBuffer())
        .Values[static_cast<size_t>(table.FieldByName("zeitpunkt").FieldNo() - 1)]
        .Modified = true;
    TFieldData data;
    EXPECT_FALSE(table.FieldByName("zeitpunkt").GetData(&data));  // no date in it
    table.Post();
    EXPECT_DOUBLE_EQ(Stored("Werte", "zeitpunkt").AsDateTime(), EncodeDate(2020, 1, 2));
}

TEST_F(Editing, ShowsAndTakesGuidsAsText) {
    Execute("INSERT INTO Werte (kennung) VALUES ('{12345678-1234-5678-9ABC-DEF012345678}')");
    TZedaDaoTable& table = Table("Werte");
    table.SetShowGUID(true);
    table.Open();
    EXPECT_EQ(table.FieldByName("kennung").DisplayText(), "{12345678-1234-5678-9ABC-DEF012345678}");
    EXPECT_GE(table.FieldByName("kennung").DisplayWidth(), 38);
    table.Edit();
    table.FieldByName("kennung").SetText("{aaaaaaaa-1234-5678-9abc-def012345678}");
    table.FieldByName("kennung").SetText("zu kurz");  // ignored
    table.Post();
    EXPECT_EQ(Stored("Werte", "kennung").AsString(),
              "{guid {AAAAAAAA-1234-5678-9ABC-DEF012345678}}");
    Text(table, "kennung") = "{guid {kein-guid}}";
    EXPECT_THROW(table.FieldByName("kennung").AsVariant(), EConvertError);
}

TEST_F(Editing, InsertsShowTheKeyTheEngineAssigned) {
    AddBillingRecords(3);
    for (int type : {engine::dbOpenDynaset, engine::dbOpenTable}) {
        TZedaDaoTable& table = Table("Zalvert", type);
        table.Open();
        table.Append();
        EXPECT_TRUE(table.FieldByName("ID").IsNull());
        table.FieldByName("Tour").SetAsString(type == 1 ? "Tabelle" : "Dynaset");
        table.Post();
        EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
        EXPECT_EQ(table.FieldByName("Tour").AsString(), type == 1 ? "Tabelle" : "Dynaset");
        EXPECT_EQ(table.FieldByName("ID").AsInteger(), type == 2 ? 4 : 5) << type;
        EXPECT_EQ(table.RecordCount(), type == 2 ? 4 : 5);
        EXPECT_FALSE(table.FieldByName("erledigt").AsBoolean());  // the engine's default
        table.Close();
    }
}

// Reads a field as the record stood before the insert or edit began.
class TOldValuesTable : public TZedaDaoTable {
  public:
    std::string OldText(const char* field) {
        const TDataSetState saved = SetTempState(TDataSetState::dsOldValue);
        std::string text = FieldByName(field).AsString();
        RestoreState(saved);
        return text;
    }
};

TEST_F(Editing, KeepsTheRecordBeforeAnInsertOrEditAsItsOldValues) {
    AddBillingRecords(3);
    TOldValuesTable table;
    table.SetName("Alt");
    table.F_Set_Database(db_.get());
    table.F_Set_TableName("Zalvert");
    table.Open();
    table.Insert();
    EXPECT_TRUE(table.FieldByName("Tour").IsNull());
    table.FieldByName("Tour").SetAsString("N1");
    table.FieldByName("Recan").SetAsString("Kunde N");
    table.Post();
    // The new record, current now, is what the next insert starts from.
    table.Insert();
    EXPECT_EQ(table.OldText("Tour"), "N1");
    EXPECT_EQ(table.OldText("Recan"), "Kunde N");
    EXPECT_TRUE(table.FieldByName("Tour").IsNull());
    EXPECT_TRUE(table.FieldByName("Recan").IsNull());
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "N1");
    EXPECT_EQ(table.FieldByName("Recan").AsString(), "Kunde N");
    table.Edit();
    table.FieldByName("Tour").SetAsString("N2");
    EXPECT_EQ(table.OldText("Tour"), "N1");
    EXPECT_EQ(table.FieldByName("Recan").AsString(), "Kunde N");
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "N1");
}

TEST_F(Editing, EditsCancelsAndDeletes) {
    AddBillingRecords(4);
    for (int type : {engine::dbOpenDynaset, engine::dbOpenTable}) {
        TZedaDaoTable& table = Table("Zalvert", type);
        table.Open();
        table.Next();
        table.Edit();
        EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditInProgress);
        table.FieldByName("Recnr").SetAsString("verworfen");
        table.Cancel();
        EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
        EXPECT_TRUE(table.FieldByName("Recnr").IsNull());
        table.Edit();
        table.FieldByName("Recnr").SetAsString("R" + std::to_string(type));
        table.Post();
        EXPECT_EQ(Stored("Zalvert", "Recnr", "Tour = 'T2'").AsString(), "R" + std::to_string(type));
        EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");
        table.Delete();
        EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
        EXPECT_EQ(table.RecordCount(), 3);
        table.Last();
        table.Delete();
        EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
        EXPECT_EQ(table.RecordCount(), 2);
        table.Close();
        Execute("DELETE FROM Zalvert");
        AddBillingRecords(4);
    }
}

TEST_F(Editing, AnOptimisticConflictCancelsTheEditFirst) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.Edit();
    table.FieldByName("Recnr").SetAsString("meins");
    SecondUser()->Execute("UPDATE Zalvert SET Recnr = 'deins' WHERE Tour = 'T1'");
    const std::string message = MessageOf([&] { table.Post(); });
    EXPECT_NE(message, "");
    EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
    EXPECT_EQ(Stored("Zalvert", "Recnr", "Tour = 'T1'").AsString(), "deins");
    EXPECT_EQ(table.State(), TDataSetState::dsEdit);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Recnr").AsString(), "deins");
}

TEST_F(Editing, PostErrorEventsDecideWhatHappens) {
    Execute("CREATE TABLE Pflicht (nr COUNTER, name TEXT(10) NOT NULL)");
    Execute("INSERT INTO Pflicht (name) VALUES ('da')");
    TZedaDaoTable& table = Table("Pflicht");
    table.UseDaoProperties = false;  // the dataset does not check required fields
    table.Open();
    std::vector<std::string> seen;
    TDataAction answer = TDataAction::daFail;
    table.OnPostError = [&](TDataSet&, Exception& error, TDataAction& action) {
        seen.push_back(error.Message());
        action = answer;
        answer = TDataAction::daFail;
    };
    // Fail: the error passes on once, with the engine's description.
    table.Append();
    EXPECT_NE(MessageOf([&] { table.Post(); }), "");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(table.State(), TDataSetState::dsInsert);
    // Retry, then fail: the handler runs twice.
    answer = TDataAction::daRetry;
    EXPECT_NE(MessageOf([&] { table.Post(); }), "");
    EXPECT_EQ(seen.size(), 3u);
    // Abort ends the post quietly; nothing is stored.
    answer = TDataAction::daAbort;
    table.Post();
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
    EXPECT_EQ(Engine().OpenRecordset("SELECT * FROM Pflicht", 4)->RecordCount(), 1);
    // Without a handler the addition is dropped and the error passes on.
    table.OnPostError = nullptr;
    table.Append();
    EXPECT_NE(MessageOf([&] { table.Post(); }), "");
    EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
}

TEST_F(Editing, EditErrorEventsDecideWhatHappens) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T1'");
    int calls = 0;
    TDataAction answer = TDataAction::daAbort;
    table.OnEditError = [&](TDataSet&, Exception&, TDataAction& action) {
        ++calls;
        action = answer;
    };
    table.Edit();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(table.State(), TDataSetState::dsEdit);  // entered all the same
    table.Cancel();
    // The gone row was left behind while the edit failed.
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T2'");
    answer = TDataAction::daFail;
    EXPECT_NE(MessageOf([&] { table.Edit(); }), "");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
}

TEST_F(Editing, DeletingARowAlreadyGoneIsQuiet) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.Next();
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T2'");
    table.Delete();
    EXPECT_TRUE(table.Active());
    table.First();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");

    // With a handler answering fail the error passes on.
    table.Last();
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T3'");
    int calls = 0;
    table.OnDeleteError = [&](TDataSet&, Exception&, TDataAction&) { ++calls; };
    EXPECT_NE(MessageOf([&] { table.Delete(); }), "");
    EXPECT_EQ(calls, 1);
}

TEST_F(Editing, ASortedTableRequeriesAfterAPostWhenAsked) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.SetSortedBy("Tour DESC");
    table.RefreshSorted = true;
    table.Open();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    EXPECT_EQ(table.CurrentSort(), "Tour DESC ");
    table.Append();
    table.FieldByName("Tour").SetAsString("T9");
    table.Post();
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T9");
    table.Next();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
}

TEST_F(Editing, ReadOnlyTablesRefuseChanges) {
    AddBillingRecords(1);
    TZedaDaoTable& table = Table("Zalvert");
    table.SetReadOnly(true);
    table.Open();
    const std::string refused =
        table.Name() + ": Eine Datenmenge, die nur zum Lesen ist, kann nicht geändert werden";
    EXPECT_EQ(MessageOf([&] { table.Edit(); }), refused);
    EXPECT_EQ(MessageOf([&] { table.Append(); }), refused);
    EXPECT_EQ(MessageOf([&] { table.Delete(); }), refused);
}

class PositionalInsert : public DaoTableTest {
  protected:
    // The billing table with the fields the import fills, in the order it fills them.
    TZedaDaoTable& ImportTable() {
        TZedaDaoTable& table = Table("Zalvert");
        for (const char* name : {"Recvon", "Recan"}) AddField<TStringField>(table, name, 255);
        for (const char* name : {"Datumvon", "Datumbis"}) AddField<TDateTimeField>(table, name);
        AddField<TStringField>(table, "Tour", 255);
        for (const char* name : {"erstelltvon", "ImportID"}) AddField<TIntegerField>(table, name);
        AddField<TAutoIncField>(table, "ID");
        return table;
    }

    template <class F, class... Args>
    static void AddField(TZedaDaoTable& table, const char* name, Args... args) {
        auto* field = new F(&table, args...);
        field->SetFieldName(name);
        field->SetDataSet(&table);
    }

    static std::vector<Variant> Row(const std::string& company, int importId) {
        return {Variant(company),
                Variant("Kunde"),
                Variant::FromDate(EncodeDate(2024, 3, 1)),
                Variant::FromDate(EncodeDate(2024, 3, 31)),
                Variant("T1"),
                Variant(1),
                Variant(importId)};
    }
};

TEST_F(PositionalInsert, StoresTheImportsSevenValuesAtOnce) {
    TZedaDaoTable& table = ImportTable();
    table.Open();
    table.InsertFromValues(Row("Nordfracht", 1));
    // The first record of an empty table is current after the insert too.
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 1);
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "Nordfracht");
    table.InsertFromValues(Row(std::string(300, 'x'), 1));
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(table.FieldByName("Recvon").AsString().size(), 255u);
    auto rs = Engine().OpenRecordset("SELECT * FROM Zalvert ORDER BY ID", 4);
    EXPECT_EQ(rs->Fields().Item("Recvon")->Value().AsString(), "Nordfracht");
    EXPECT_DOUBLE_EQ(rs->Fields().Item("Datumbis")->Value().AsDateTime(), EncodeDate(2024, 3, 31));
    EXPECT_EQ(rs->Fields().Item("ImportID")->Value().AsInteger(), 1);
    EXPECT_EQ(rs->Fields().Item("erstelltvon")->Value().AsInteger(), 1);
    EXPECT_TRUE(rs->Fields().Item("Recnr")->Value().IsNull());
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 2);
}

TEST_F(PositionalInsert, AValueForTheCounterIsNotWrittenAndTheInsertGoesOn) {
    TZedaDaoTable& table = ImportTable();
    table.Open();
    ASSERT_TRUE(table.FieldByName("ID").ReadOnly());
    std::vector<Variant> row = Row("Nordfracht", 1);
    row.resize(table.FieldCount() - 1);
    row.push_back(Variant(4711));  // the counter's place
    table.InsertFromValues(row);
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 1);
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "Nordfracht");
    // Edited, a read-only field keeps its value without a word.
    table.Edit();
    table.FieldByName("ID").SetAsInteger(99);
    table.FieldByName("Tour").SetAsString("T2");
    table.Post();
    auto rs = Engine().OpenRecordset("SELECT ID, Tour FROM Zalvert", 4);
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), 1);
    EXPECT_EQ(rs->Fields().Item("Tour")->Value().AsString(), "T2");
}

TEST_F(PositionalInsert, RefusedValuesLeaveTheRecordAsItWas) {
    TZedaDaoTable& table = ImportTable();
    table.Open();
    table.InsertFromValues(Row("Nordfracht", 1));
    std::vector<Variant> bad = Row("Südkurier", 2);
    bad[2] = Variant(TBytes{1, 2});  // no date
    EXPECT_NE(MessageOf([&] { table.InsertFromValues(bad); }), "");
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "Nordfracht");
    // A post the engine refuses: the tour must be unique now.
    Execute("CREATE UNIQUE INDEX TourEinmal ON Zalvert (Tour)");
    EXPECT_NE(MessageOf([&] { table.InsertFromValues(Row("Südkurier", 2)); }), "");
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "Nordfracht");
    EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
    EXPECT_EQ(Engine().OpenRecordset("SELECT * FROM Zalvert", 4)->RecordCount(), 1);
}

}  // namespace
}  // namespace zalvert::testing

namespace zalvert::testing {
namespace {

TEST_F(Editing, AnAbortedPostOfAnEditDropsIt) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.OnPostError = [](TDataSet&, Exception&, TDataAction& action) {
        action = TDataAction::daAbort;
    };
    table.Edit();
    table.FieldByName("Recnr").SetAsString("meins");
    SecondUser()->Execute("UPDATE Zalvert SET Recnr = 'deins' WHERE Tour = 'T1'");
    table.Post();  // quietly
    EXPECT_EQ(table.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(table.Recordset()->EditMode(), engine::dbEditNone);
    EXPECT_EQ(Stored("Zalvert", "Recnr", "Tour = 'T1'").AsString(), "deins");
}

TEST_F(Editing, RetriesADeleteWhenTheHandlerSaysSo) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    auto other = SecondUser();
    other->Execute("DELETE FROM Zalvert WHERE Tour = 'T1'");
    int calls = 0;
    table.OnDeleteError = [&](TDataSet&, Exception& error, TDataAction& action) {
        ++calls;
        EXPECT_FALSE(error.Message().empty());
        action = calls == 1 ? TDataAction::daRetry : TDataAction::daAbort;
    };
    table.Delete();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(table.Active());
}

TEST_F(Editing, RefreshRecountsWithoutRequerying) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    EXPECT_EQ(table.RecordCount(), 2);
    table.Refresh();
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T1");
    EXPECT_EQ(table.RecordCount(), 2);
}

}  // namespace
}  // namespace zalvert::testing

namespace zalvert::testing {
namespace {

TEST_F(Editing, RetriesAnEditWhenTheHandlerSaysSo) {
    AddBillingRecords(2);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    SecondUser()->Execute("DELETE FROM Zalvert WHERE Tour = 'T1'");
    std::vector<TDataAction> answers = {TDataAction::daRetry, TDataAction::daFail};
    int calls = 0;
    table.OnEditError = [&](TDataSet&, Exception& error, TDataAction& action) {
        EXPECT_FALSE(error.Message().empty());
        action = answers[static_cast<size_t>(calls++)];
    };
    // The retry meets the next row, which can be edited.
    table.Edit();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(table.State(), TDataSetState::dsEdit);
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T2");
    table.Cancel();
}

}  // namespace
}  // namespace zalvert::testing
