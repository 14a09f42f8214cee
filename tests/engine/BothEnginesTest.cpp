// What the engine does the same on a database file and on a database server:
// navigation, bookmarks, counts, edits, conflicts between two connections,
// transactions, searches. One source, run on both.

#include <gtest/gtest.h>
#include <functional>

#include <atomic>
#include <optional>

#include "engine/Dao.h"
#include "rtl/DateTime.h"
#include "rtl/Utf8.h"
#include "tests/support/BothEngines.h"
#include "tests/support/ServerTests.h"

namespace zalvert::engine {
namespace {

using testing::TBothEngines;
using testing::TEngineKind;

class BothEnginesTest : public ::testing::TestWithParam<TEngineKind> {
  protected:
    void SetUp() override {
        std::string why;
        if (!target_.Available(why)) ZI_NO_SERVER(why);
        target_.DropTables({"Kunde"});
        db_ = target_.Connect();
        db_->Execute(
            "CREATE TABLE [Kunde] ([ID] COUNTER, [Name] TEXT(20), [Ort] TEXT(50), "
            "[Betrag] CURRENCY, [Seit] DATETIME, [Aktiv] YESNO DEFAULT 0, [Notiz] MEMO, "
            "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ID]))");
        db_->Execute("CREATE INDEX [Name] ON [Kunde] ([Name])");
    }

    // `count` customers K000, K001...; every third in Hamburg.
    void Fill(int count) {
        auto rs = db_->OpenRecordset("Kunde", dbOpenDynaset);
        for (int i = 0; i < count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "K%03d", i);
            rs->AddNew();
            rs->Fields().Item("Name")->SetValue(Variant(name));
            rs->Fields().Item("Ort")->SetValue(Variant(i % 3 == 0 ? "Hamburg" : "Köln"));
            rs->Update();
        }
        rs->Close();
    }

    // The target's database opened in `ws`, whose transactions then hold it.
    std::shared_ptr<Database> OpenIn(Workspace& ws) {
        return target_.Server()
                   ? ws.OpenDatabase(target_.Setting(), Variant(false), false, target_.Setting())
                   : ws.OpenDatabase(target_.Setting());
    }

    static std::string Name(Recordset& rs) { return rs.Fields().Item("Name")->Value().AsString(); }

    // Whether the current record, taken whole, gives what its fields give one by one.
    static void ExpectWholeAsFields(Recordset& rs) {
        std::vector<Variant> whole;
        ASSERT_TRUE(rs.VisitCurrentValues([&](size_t, const Variant& v) { whole.push_back(v); }));
        ASSERT_EQ(whole.size(), static_cast<size_t>(rs.Fields().Count()));
        for (int i = 0; i < rs.Fields().Count(); ++i)
            EXPECT_TRUE(whole[static_cast<size_t>(i)] == rs.Fields().Item(i)->Value())
                << rs.Fields().Item(i)->Name();
    }
    static bool GivesAWholeRecord(Recordset& rs) {
        return rs.VisitCurrentValues([](size_t, const Variant&) {});
    }

    template <class Call>
    static int ErrorOf(Call&& call) {
        try {
            call();
        } catch (const EDaoError& e) {
            return e.Number();
        }
        return 0;
    }

    TBothEngines target_{GetParam()};
    std::shared_ptr<Database> db_;
};

TEST_P(BothEnginesTest, MovesCountsAndKeepsBookmarksAcrossPages) {
    Fill(250);
    auto rs = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name DESC", dbOpenDynaset);
    EXPECT_EQ(Name(*rs), "K249");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 250);
    EXPECT_EQ(Name(*rs), "K000");
    EXPECT_EQ(rs->AbsolutePosition(), 249);
    rs->MoveFirst();
    rs->Move(120);
    EXPECT_EQ(Name(*rs), "K129");
    const TBytes mark = rs->Bookmark();
    rs->MoveLast();
    rs->SetBookmark(mark);
    EXPECT_EQ(Name(*rs), "K129");
    rs->MovePrevious();
    EXPECT_EQ(Name(*rs), "K130");
    // A clone shares the bookmarks.
    auto clone = rs->Clone();
    clone->SetBookmark(mark);
    EXPECT_EQ(Name(*clone), "K129");
    rs->SetAbsolutePosition(200);
    EXPECT_EQ(Name(*rs), "K049");
    EXPECT_NEAR(rs->PercentPosition(), 80.4, 0.01);
    rs->MoveLast();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs->SetBookmark(TBytes{1, 2}); }), 3159);
    // A grouped statement is held whole, read-only.
    auto grouped = db_->OpenRecordset(
        "SELECT Ort, Count(*) AS Anzahl FROM Kunde GROUP BY Ort "
        "ORDER BY Ort;",
        dbOpenDynaset);
    EXPECT_EQ(grouped->Fields().Item("Ort")->Value().AsString(), "Hamburg");
    EXPECT_EQ(grouped->Fields().Item("Anzahl")->Value().AsInteger(), 84);
    EXPECT_FALSE(grouped->Updatable());
    auto empty = db_->OpenRecordset("SELECT * FROM Kunde WHERE Name = 'nie'", dbOpenDynaset);
    EXPECT_TRUE(empty->Bof() && empty->Eof());
    EXPECT_EQ(ErrorOf([&] { empty->MoveFirst(); }), 3021);
}

TEST_P(BothEnginesTest, StoresEveryTypeAsWrittenAndRefusesWhatDoesNotFit) {
    const TDateTime since = EncodeDate(2026, 12, 8) + EncodeTime(14, 7, 9, 0);
    const std::string note = std::string(20000, 'x') + " Grüße";
    auto rs = db_->OpenRecordset("Kunde", dbOpenDynaset);
    rs->AddNew();
    EXPECT_FALSE(rs->Fields().Item("Aktiv")->Value().AsBoolean());  // the default
    rs->Fields().Item("Name")->SetValue(Variant("Müller"));
    rs->Fields().Item("Betrag")->SetValue(Variant(TCurrency{123456}));
    rs->Fields().Item("Seit")->SetValue(Variant::FromDate(since));
    rs->Fields().Item("Aktiv")->SetValue(Variant(true));
    rs->Fields().Item("Notiz")->SetValue(Variant(note));
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->SetValue(Variant(std::string(21, 'a'))); }),
              3163);
    // The size counts characters: twenty of two bytes each fit, twenty-one do not.
    std::string umlauts;
    for (int i = 0; i < 20; ++i) umlauts += "ü";
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->SetValue(Variant(umlauts)); }), 0);
    EXPECT_EQ(Name(*rs), umlauts);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->SetValue(Variant(umlauts + "ü")); }), 3163);
    rs->Fields().Item("Name")->SetValue(Variant("Müller"));
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Betrag")->SetValue(Variant("viel")); }), 3421);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("ID")->SetValue(Variant(7)); }), 3164);
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    const int id = rs->Fields().Item("ID")->Value().AsInteger();
    EXPECT_GT(id, 0);
    EXPECT_TRUE(rs->Fields().Item("ID")->Attributes() & dbAutoIncrField);
    rs->Close();

    auto again = target_.Connect()->OpenRecordset("SELECT * FROM Kunde", dbOpenDynaset);
    EXPECT_EQ(Name(*again), "Müller");
    EXPECT_EQ(again->Fields().Item("ID")->Value().AsInteger(), id);
    EXPECT_EQ(again->Fields().Item("Betrag")->Value().AsCurrency().Scaled, 123456);
    EXPECT_EQ(again->Fields().Item("Seit")->Value().AsDateTime(), since);
    EXPECT_TRUE(again->Fields().Item("Aktiv")->Value().AsBoolean());
    EXPECT_EQ(again->Fields().Item("Notiz")->Value().AsString(), note);
    ExpectWholeAsFields(*again);
    EXPECT_EQ(again->Fields().Item("Name")->Type(), dbText);
    EXPECT_EQ(again->Fields().Item("Name")->Size(), 20);
    EXPECT_EQ(again->Fields().Item("Betrag")->Type(), dbCurrency);
    EXPECT_EQ(again->Fields().Item("Seit")->Type(), dbDate);
    EXPECT_EQ(again->Fields().Item("Aktiv")->Type(), dbBoolean);
    EXPECT_EQ(again->Fields().Item("Notiz")->Type(), dbMemo);
}

// Rows added in a transaction go out many at a time (on a server as a few
// arrays, or with the statement's parameters bound once): every value arrives
// as given, whatever the value before it in the same column was.
TEST_P(BothEnginesTest, KeepsEveryValueOfRowsWrittenManyAtATime) {
    target_.DropTables({"Werte", "Leer"});
    db_->Execute(
        "CREATE TABLE [Werte] ([ID] COUNTER PRIMARY KEY, [Reell] DOUBLE, [Bild] LONGBINARY, "
        "[Gross] BIGINT)");
    db_->Execute("CREATE TABLE [Leer] ([ID] COUNTER PRIMARY KEY, [Text] TEXT(20))");
    using TMaker = std::function<Variant(int)>;
    const std::vector<std::pair<const char*, TMaker>> kunde{
        // The server's separated texts: a separator makes the second batch's
        // column an array literal, a NULL mark alone the third's.
        {"Name",
         [](int i) {
             if (i == 2500) return Variant("mit\x1fTrenner");
             if (i == 4100) return Variant("\x1e");
             if (i % 11 == 0) return Variant("\x1e" + std::to_string(i) + "\x1e");
             return i % 7 == 0 ? Variant::Null() : Variant("N" + std::to_string(i));
         }},
        {"Notiz",
         [](int i) {
             switch (i % 6) {
                 case 0:
                     return Variant::Null();
                 case 1:
                     return Variant("");
                 case 2:
                     return Variant("kurz " + std::to_string(i));
                 case 3:
                     return Variant(std::string(300, 'l') + std::to_string(i));
                 case 4:
                     return Variant(std::string(static_cast<size_t>(i % 600) * 7, 'w'));
                 default:
                     return Variant(std::to_string(i) + " \"Zitat\" \\ {a,b} NULL, Grüße");
             }
         }},
        {"Seit",
         [](int i) {
             return i % 4 == 0 ? Variant::Null()
                               : Variant::FromDate(EncodeDate(2018, 1, 1) + i +
                                                   EncodeTime(i % 24, 5, 7, i % 1000));
         }},
        {"Betrag",
         [](int i) {
             return i % 5 == 0 ? Variant::Null()
                               : Variant(TCurrency{static_cast<std::int64_t>(i) * 12345 - 99999});
         }},
        {"Aktiv", [](int i) { return Variant(i % 3 == 0); }},
    };
    const std::vector<std::pair<const char*, TMaker>> werte{
        {"Reell",
         [](int i) {
             const double values[] = {0.1 * i, -1e300, 1e-300, 1.0 / 3, 0};
             return i % 6 == 5 ? Variant::Null() : Variant(values[i % 5]);
         }},
        {"Bild",
         [](int i) {
             TBytes bytes{0, '\\', '"', '{', static_cast<unsigned char>(i), 255};
             bytes.resize(static_cast<size_t>(1 + i % 6));
             return i % 10 == 0 ? Variant::Null() : Variant(bytes);
         }},
        {"Gross",
         [](int i) { return Variant(i % 2 ? -(std::int64_t{1} << 50) - i : std::int64_t{i}); }},
    };
    const std::vector<std::pair<const char*, TMaker>> leer{
        {"Text", [](int) { return Variant(""); }}};
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto ws = engine->CreateWorkspace("V", "Admin", "");
    auto db = OpenIn(*ws);
    const auto writeAndCompare = [&](const char* table, const auto& columns, int rows) {
        ws->BeginTrans();
        auto rs = db->OpenRecordset(table, dbOpenDynaset);
        for (int i = 0; i < rows; ++i) {
            rs->AddNew();
            for (const auto& [name, make] : columns) rs->Fields().Item(name)->SetValue(make(i));
            rs->Update();
        }
        rs->Close();
        ws->CommitTrans();
        auto stored = target_.Connect()->OpenRecordset(
            std::string("SELECT * FROM ") + table + " ORDER BY ID", dbOpenSnapshot);
        int i = 0;
        for (; !stored->Eof(); stored->MoveNext(), ++i) {
            ASSERT_LT(i, rows);
            for (const auto& [name, make] : columns) {
                const Variant got = stored->Fields().Item(name)->Value(), want = make(i);
                EXPECT_EQ(got.IsNull(), want.IsNull()) << table << " " << name << " " << i;
                if (got.IsNull() || want.IsNull()) continue;
                if (want.Type() == TVarType::Bytes)
                    EXPECT_EQ(got.AsBytes(), want.AsBytes()) << name << " " << i;
                else if (want.Type() == TVarType::Double)
                    EXPECT_EQ(got.AsDouble(), want.AsDouble()) << name << " " << i;
                else
                    EXPECT_EQ(got.AsString(), want.AsString()) << name << " " << i;
            }
        }
        EXPECT_EQ(i, rows) << table;
    };
    writeAndCompare("Kunde", kunde, 4203);
    writeAndCompare("Werte", werte, 2203);
    // A batch of one row whose text is empty: not split into no text at all.
    writeAndCompare("Leer", leer, 1);
    target_.DropTables({"Werte", "Leer"});
}

// A record's fields describe themselves alike on both engines, in a recordset
// and in the table definition, and refuse work once their recordset is gone.
TEST_P(BothEnginesTest, DescribesItsFieldsAlikeAndRefusesWorkOnceClosed) {
    Fill(1);
    auto rs = db_->OpenRecordset("SELECT Name, Notiz, Betrag, ID, Ort & 'x' AS Wo FROM Kunde",
                                 dbOpenDynaset);
    const std::shared_ptr<Field> name = rs->Fields().Item("Name");
    EXPECT_EQ(name->Attributes(), dbVariableField | dbUpdatableField);
    EXPECT_EQ(rs->Fields().Item("Notiz")->Attributes(), dbVariableField | dbUpdatableField);
    EXPECT_EQ(rs->Fields().Item("Betrag")->Attributes(), dbFixedField | dbUpdatableField);
    EXPECT_EQ(rs->Fields().Item("ID")->Attributes(), dbFixedField | dbAutoIncrField);
    EXPECT_FALSE(rs->Fields().Item("Wo")->Attributes() & dbUpdatableField);
    EXPECT_TRUE(AsciiLowerCase(name->SourceTable()) == "kunde");
    EXPECT_TRUE(AsciiLowerCase(name->SourceField()) == "name");
    EXPECT_EQ(rs->Fields().Item("Wo")->SourceTable(), "");
    EXPECT_EQ(rs->Fields().Item("Wo")->SourceField(), "");
    EXPECT_EQ(rs->Fields().Item("Notiz")->FieldSize(), 0);                // Null
    EXPECT_EQ(ErrorOf([&] { name->SetValue(Variant("Meier")); }), 3020);  // no Edit

    // A refused value leaves the field unassigned: Update writes the others.
    rs->Edit();
    rs->Fields().Item("Notiz")->SetValue(Variant("Grüße"));
    EXPECT_EQ(ErrorOf([&] { name->SetValue(Variant(std::string(21, 'a'))); }), 3163);
    EXPECT_EQ(name->Value().AsString(), "K000");
    EXPECT_EQ(rs->EditMode(), dbEditInProgress);
    rs->Update();
    EXPECT_EQ(rs->EditMode(), dbEditNone);
    rs->Requery();
    EXPECT_EQ(name->Value().AsString(), "K000");  // the field refers to the recordset, not a row
    EXPECT_EQ(rs->Fields().Item("Notiz")->FieldSize(), 7);  // bytes, not letters

    auto table = db_->TableDefs().Item("Kunde");
    EXPECT_EQ(table->Fields().Item("Notiz")->Attributes(), dbVariableField | dbUpdatableField);
    EXPECT_EQ(table->Fields().Item("ID")->Attributes(), dbFixedField | dbAutoIncrField);

    rs->Close();
    EXPECT_EQ(ErrorOf([&] { name->Value(); }), 3420);
    rs.reset();
    EXPECT_EQ(ErrorOf([&] { name->Value(); }), 3420);
    EXPECT_EQ(ErrorOf([&] { name->Attributes(); }), 3420);
}

// A table made with the dialect's types holds the same kinds of values on both.
TEST_P(BothEnginesTest, MakesTheSameColumnsOfTheDialectsTypes) {
    target_.DropTables({"Typen"});
    db_->Execute(
        "CREATE TABLE [Typen] ([ID] COUNTER PRIMARY KEY, [Gross] BIGINT, [Reell] REAL, "
        "[Zeit] TIME, [Ja] BOOLEAN, [Bild] BLOB, [Kurz] VARCHAR, [Fest] CHAR, [Text] TEXT(30))");
    auto table = db_->TableDefs().Item("Typen");
    const auto type = [&](const char* name) { return table->Fields().Item(name)->Type(); };
    EXPECT_EQ(type("Gross"), dbBigInt);
    EXPECT_EQ(type("Reell"), dbDouble);
    EXPECT_EQ(type("Zeit"), dbDate);
    EXPECT_EQ(type("Ja"), dbBoolean);
    EXPECT_EQ(type("Bild"), dbLongBinary);
    EXPECT_EQ(table->Fields().Item("Bild")->Attributes() & dbVariableField, dbVariableField);
    for (const char* text : {"Kurz", "Fest"}) {
        EXPECT_EQ(type(text), dbText) << text;
        EXPECT_EQ(table->Fields().Item(text)->Size(), 255) << text;
    }
    EXPECT_EQ(table->Fields().Item("Text")->Size(), 30);

    auto rs = db_->OpenRecordset("Typen", dbOpenDynaset);
    rs->AddNew();
    rs->Fields().Item("Reell")->SetValue(Variant(0.1));
    rs->Fields().Item("Gross")->SetValue(Variant(std::int64_t{1} << 40));
    rs->Update();
    rs->Close();
    rs = db_->OpenRecordset("Typen", dbOpenSnapshot);
    EXPECT_EQ(rs->Fields().Item("Reell")->Value().AsDouble(), 0.1);  // not rounded to a single
    EXPECT_EQ(rs->Fields().Item("Gross")->Value().AsInt64(), std::int64_t{1} << 40);
    target_.DropTables({"Typen"});
}

TEST_P(BothEnginesTest, EditsAndDeletesByRecordAndCountsWhatIsLeft) {
    Fill(5);
    auto rs = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    rs->Move(1);
    rs->Edit();
    rs->Fields().Item("Ort")->SetValue(Variant("Bremen"));
    rs->CancelUpdate();
    rs->Edit();
    rs->Fields().Item("Ort")->SetValue(Variant("Bremen"));
    rs->Update();
    EXPECT_EQ(rs->Fields().Item("Ort")->Value().AsString(), "Bremen");
    rs->MoveNext();
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Name")->Value(); }), 3167);
    rs->MoveNext();
    EXPECT_EQ(Name(*rs), "K003");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 4);

    auto check =
        target_.Connect()->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    check->MoveLast();
    EXPECT_EQ(check->RecordCount(), 4);
    check->FindFirst("Ort = 'Bremen'");
    ASSERT_FALSE(check->NoMatch());
    EXPECT_EQ(Name(*check), "K001");
}

// A clone and its original share their rows: a record deleted or added through
// either is skipped or shown by the other, and counted.
TEST_P(BothEnginesTest, ACloneAndItsOriginalSeeEachOthersDeletesAndAdditions) {
    Fill(4);
    auto rs = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    rs->MoveLast();
    auto clone = rs->Clone();
    EXPECT_FALSE(clone->Bof() || clone->Eof());
    EXPECT_EQ(ErrorOf([&] { clone->Fields().Item("Name")->Value(); }), 3021);
    clone->MoveFirst();
    clone->MoveNext();
    ASSERT_EQ(Name(*clone), "K001");
    clone->Delete();
    rs->MoveFirst();
    rs->MoveNext();
    EXPECT_EQ(Name(*rs), "K002");
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 3);

    clone->AddNew();
    clone->Fields().Item("Name")->SetValue(Variant("K100"));
    clone->Update();
    rs->MoveLast();
    EXPECT_EQ(Name(*rs), "K100");
    EXPECT_EQ(rs->RecordCount(), 4);

    rs->MoveFirst();
    rs->Delete();
    clone->MoveFirst();
    EXPECT_EQ(Name(*clone), "K002");
    clone->MoveLast();
    EXPECT_EQ(Name(*clone), "K100");
    EXPECT_EQ(clone->RecordCount(), 3);
    EXPECT_EQ(clone->AbsolutePosition(), 2);
}

// A function the dialect does not have, or the server cannot run, is a syntax
// error on both engines, whether in a statement, a filter or a find.
TEST_P(BothEnginesTest, RefusesAFunctionItDoesNotKnow) {
    Fill(3);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM Kunde WHERE Foo(Name) = 1"); }),
              3075);
    auto rs = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    EXPECT_EQ(ErrorOf([&] { rs->FindFirst("Foo(Name) = 'K001'"); }), 3075);
    rs->FindFirst("UCase(Name) = 'K001'");
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(Name(*rs), "K001");
}

TEST_P(BothEnginesTest, ASecondConnectionsChangeIsNotOverwritten) {
    Fill(3);
    auto other = target_.Connect();
    auto mine = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    auto theirs = other->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    mine->Edit();
    theirs->Edit();
    theirs->Fields().Item("Ort")->SetValue(Variant("Bonn"));
    theirs->Update();
    mine->Fields().Item("Ort")->SetValue(Variant("Kiel"));
    EXPECT_EQ(ErrorOf([&] { mine->Update(); }), 3197);
    EXPECT_EQ(mine->EditMode(), dbEditNone);

    // A record the other connection deleted.
    theirs->MoveNext();
    theirs->Delete();
    mine->MoveNext();
    EXPECT_NE(ErrorOf([&] {
                  mine->Edit();
                  mine->Fields().Item("Ort")->SetValue(Variant("Kiel"));
                  mine->Update();
              }),
              0);
    auto check =
        target_.Connect()->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    EXPECT_EQ(check->Fields().Item("Ort")->Value().AsString(), "Bonn");
    check->MoveLast();
    EXPECT_EQ(check->RecordCount(), 2);
}

// Once a write has found the row gone, the row is gone for every access: no field
// shows what was read of it before, and moving on skips it.
TEST_P(BothEnginesTest, ARowFoundDeletedByAnotherUserStaysGone) {
    Fill(4);
    auto other = target_.Connect();
    auto mine = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    EXPECT_EQ(Name(*mine), "K000");
    other->Execute("DELETE FROM Kunde WHERE Name = 'K000'");
    EXPECT_EQ(ErrorOf([&] { mine->Delete(); }), 3167);
    EXPECT_EQ(ErrorOf([&] { Name(*mine); }), 3167);
    EXPECT_FALSE(GivesAWholeRecord(*mine));
    EXPECT_EQ(ErrorOf([&] { mine->Edit(); }), 3167);

    mine->MoveNext();
    EXPECT_EQ(Name(*mine), "K001");
    mine->Edit();
    other->Execute("DELETE FROM Kunde WHERE Name = 'K001'");
    mine->Fields().Item("Ort")->SetValue(Variant("Kiel"));
    EXPECT_EQ(ErrorOf([&] { mine->Update(); }), 3167);
    EXPECT_EQ(ErrorOf([&] { Name(*mine); }), 3167);

    mine->MoveFirst();
    EXPECT_EQ(Name(*mine), "K002");
    ExpectWholeAsFields(*mine);
    mine->Edit();
    EXPECT_FALSE(GivesAWholeRecord(*mine));  // the values being edited
    mine->CancelUpdate();
    mine->Close();
    EXPECT_FALSE(GivesAWholeRecord(*mine));
}

TEST_P(BothEnginesTest, TransactionsNestAndRollBackWhatTheyHold) {
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto ws = engine->CreateWorkspace("T", "Admin", "");
    auto db = OpenIn(*ws);
    auto count = [&] {
        auto rs = target_.Connect()->OpenRecordset("SELECT * FROM Kunde", dbOpenSnapshot);
        if (rs->Eof()) return 0L;
        rs->MoveLast();
        return rs->RecordCount();
    };
    auto add = [&](const char* name) {
        auto rs = db->OpenRecordset("Kunde", dbOpenDynaset);
        rs->AddNew();
        rs->Fields().Item("Name")->SetValue(Variant(name));
        rs->Update();
    };
    ws->BeginTrans();
    add("A");
    ws->Rollback();
    EXPECT_EQ(count(), 0);
    ws->BeginTrans();
    add("B");
    ws->BeginTrans();
    add("C");
    ws->Rollback();
    ws->CommitTrans();
    EXPECT_EQ(count(), 1);
    ws->BeginTrans();
    add("D");
    ws->BeginTrans();
    add("E");
    ws->CommitTrans();
    ws->Rollback();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(ErrorOf([&] { ws->CommitTrans(); }), 3034);

    // A refused row fails its transaction at the latest when it commits (a server
    // sends the rows of a transaction in batches of 500); rolled back, nothing is left.
    db->Execute("CREATE UNIQUE INDEX [Einmalig] ON [Kunde] ([Name])");
    const auto addRepeating = [&](const std::string& prefix, int rows, int names) {
        return ErrorOf([&] {
            auto rs = db->OpenRecordset("Kunde", dbOpenDynaset);
            for (int i = 0; i < rows; ++i) {
                rs->AddNew();
                rs->Fields().Item("Name")->SetValue(Variant(prefix + std::to_string(i % names)));
                rs->Update();
            }
            ws->CommitTrans();
        });
    };
    ws->BeginTrans();
    EXPECT_EQ(addRepeating("N", 701, 700), 3022);  // the repeat in the last rows, sent at commit
    ws->Rollback();
    EXPECT_EQ(count(), 1);
    ws->BeginTrans();
    EXPECT_EQ(addRepeating("M", 1601, 300), 3022);  // repeats within the first full batch
    ws->Rollback();
    EXPECT_EQ(count(), 1);
    // Its error already reported, the refused row still fails the commit: the rows
    // reported as added with it are missing.
    ws->BeginTrans();
    EXPECT_EQ(addRepeating("L", 1601, 300), 3022);
    EXPECT_NE(ErrorOf([&] { ws->CommitTrans(); }), 0);
    ws->Rollback();
    EXPECT_EQ(count(), 1);
    ws->BeginTrans();
    add("E");
    ws->CommitTrans();
    EXPECT_EQ(count(), 2);
}

// Rows handed over one by one, on a thread of their own for a database file: texts,
// dates, numbers and nulls as stored, rows added in the open transaction included;
// a reading given up ends with its reader; a faulty statement is the engine's error.
TEST_P(BothEnginesTest, ReadsRowsForACallerThatLooksAtEachOnce) {
    Fill(3000);
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto ws = engine->CreateWorkspace("R", "Admin", "");
    auto db = OpenIn(*ws);
    ws->BeginTrans();
    {
        auto rs = db->OpenRecordset("Kunde", dbOpenDynaset);
        rs->AddNew();
        rs->Fields().Item("Name")->SetValue(Variant("Straße"));
        rs->Fields().Item("Seit")->SetValue(Variant::FromDate(EncodeDate(2018, 3, 1) + 0.5));
        rs->Fields().Item("Betrag")->SetValue(Variant(12.5));
        rs->Update();
    }
    long rows = 0, hamburg = 0;
    std::string last, ort = "?";
    std::optional<TDateTime> seit;
    bool finished = false;
    auto reader = db->ReadRows(
        "SELECT Name, Ort, Seit, ID FROM Kunde ORDER BY ID",
        [&](const RowValues& row) {
            ++rows;
            if (row.Text(1) == "Hamburg") ++hamburg;
            last = row.Text(0);
            if (row.IsNull(1)) ort = row.Text(1);
            seit = row.Date(2);
            EXPECT_EQ(row.Integer(3), rows);
        },
        [&] { finished = true; });
    reader->Wait();
    EXPECT_TRUE(finished);
    EXPECT_EQ(rows, 3001);
    EXPECT_EQ(hamburg, 1000);
    EXPECT_EQ(last, "Straße");
    EXPECT_EQ(ort, "");  // a null reads as an empty text
    ASSERT_TRUE(seit);
    EXPECT_DOUBLE_EQ(*seit, EncodeDate(2018, 3, 1) + 0.5);

    // Given up at once: nothing runs on after the reader, and the transaction ends.
    std::atomic<long> seen = 0;
    auto givenUp = db->ReadRows("SELECT Name FROM Kunde", [&](const RowValues&) { ++seen; });
    givenUp.reset();
    const long seenAtEnd = seen;
    ws->Rollback();
    EXPECT_EQ(seen, seenAtEnd);
    const int unknownField =
        ErrorOf([&] { db->OpenRecordset("SELECT Nichts FROM Kunde", dbOpenForwardOnly); });
    EXPECT_NE(unknownField, 0);
    EXPECT_EQ(
        ErrorOf([&] { db->ReadRows("SELECT Nichts FROM Kunde", [](const RowValues&) {})->Wait(); }),
        unknownField);
    EXPECT_NE(ErrorOf([&] { db->ReadRows("DELETE FROM Kunde", [](const RowValues&) {})->Wait(); }),
              0);
    // A reading that fails at its first row: a caller waiting for its end hears of
    // it, from the reading's end or at once.
    bool ended = false;
    std::unique_ptr<RowReader> failing;
    EXPECT_NE(ErrorOf([&] {
                  failing = db->ReadRows(
                      "SELECT Abs(-9223372036854775807 - ID) FROM Kunde", [](const RowValues&) {},
                      [&] { ended = true; });
                  failing->Wait();
              }),
              0);
    EXPECT_TRUE(ended || !failing);
}

TEST_P(BothEnginesTest, SeeksOnAnIndexAndFindsByCriteria) {
    Fill(30);
    auto table = db_->OpenRecordset("Kunde", dbOpenTable);
    table->SetIndex("Name");
    table->Seek("=", {Variant("K017")});
    ASSERT_FALSE(table->NoMatch());
    EXPECT_EQ(Name(*table), "K017");
    table->Seek(">=", {Variant("K0175")});
    ASSERT_FALSE(table->NoMatch());
    EXPECT_EQ(Name(*table), "K018");
    table->Seek("=", {Variant("K999")});
    EXPECT_TRUE(table->NoMatch());
    table->MoveNext();
    EXPECT_EQ(Name(*table), "K019");  // the index order holds after a seek
    EXPECT_EQ(ErrorOf([&] { table->SetIndex("Fehlt"); }), 3800);

    auto rs = db_->OpenRecordset("SELECT * FROM Kunde ORDER BY Name", dbOpenDynaset);
    rs->FindFirst("Ort = 'Hamburg' AND Name > 'K010'");
    EXPECT_EQ(Name(*rs), "K012");
    rs->FindNext("Ort = 'Hamburg' AND Name > 'K010'");
    EXPECT_EQ(Name(*rs), "K015");
    rs->FindLast("Name Like 'K00*'");
    EXPECT_EQ(Name(*rs), "K009");
    rs->FindPrevious("Ort = 'Hamburg'");
    EXPECT_EQ(Name(*rs), "K006");
    rs->FindNext("Ort = 'Berlin'");
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(Name(*rs), "K006");

    rs->SetFilter("Ort = 'Köln'");
    rs->SetSort("Name DESC");
    auto filtered = rs->OpenRecordset(dbOpenSnapshot, 0);
    EXPECT_EQ(Name(*filtered), "K029");
    filtered->MoveLast();
    EXPECT_EQ(filtered->RecordCount(), 20);
}

INSTANTIATE_TEST_SUITE_P(Engines, BothEnginesTest,
                         ::testing::Values(TEngineKind::File, TEngineKind::Server),
                         testing::EngineKindName);

}  // namespace
}  // namespace zalvert::engine
