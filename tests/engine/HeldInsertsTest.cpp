// Rows added inside a transaction wait and go to the file many to a statement.
// What a recordset shows of such a row must be what a later read finds, and
// nothing else done on the database may miss them.

#include <gtest/gtest.h>

#include "engine/sqlite/InsertBatch.h"
#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

// Each value bound to a column of each declared type: where the prediction gives a
// value, SQLite must have stored exactly that.
TEST(StoredValues, PredictWhatSqliteStores) {
    TSqliteConnection db(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const char* types[] = {"TEXT(20)",   "LONGTEXT", "DATETIME", "CURRENCY",      "LONG",
                           "INTEGER",    "DOUBLE",   "SINGLE",   "GUID",          "",
                           "LONGBINARY", "YESNO",    "VARCHAR",  "FLOATING POINT"};
    const std::vector<Variant> values = {
        Variant::Null(),
        Variant("Müller"),
        Variant("123"),
        Variant(" 12.5 "),
        Variant("1e3"),
        Variant("2018-12-03 00:00:00"),
        Variant("-"),
        Variant(".5x"),
        Variant(std::int64_t{42}),
        Variant(7),
        Variant(12.0),
        Variant(12.3456),
        Variant(-0.0),
        Variant(1e300),
        Variant(9.3e18),
        Variant(TBytes{1, 2, 0, 255}),
        Variant(TBytes{}),
    };
    int predicted = 0;
    for (const char* type : types) {
        db.Exec("DROP TABLE IF EXISTS t; CREATE TABLE t (v " + std::string(type) + ")");
        const TAffinity affinity = AffinityOf(type);
        for (const Variant& value : values) {
            const auto prediction = StoredValue(affinity, value);
            if (!prediction) continue;
            ++predicted;
            db.Exec("DELETE FROM t");
            TStatement insert(db, "INSERT INTO t VALUES (?)");
            insert.Bind(1, value);
            insert.Step();
            TStatement read(db, "SELECT v FROM t");
            ASSERT_TRUE(read.Step());
            const Variant stored = read.Column(0);
            EXPECT_EQ(stored.Type(), prediction->Type()) << type << " " << value.AsString();
            EXPECT_EQ(stored, *prediction) << type << " " << value.AsString();
        }
    }
    // Texts that look like numbers in numeric columns are left to a read.
    EXPECT_FALSE(StoredValue(AffinityOf("CURRENCY"), Variant(" 12.5 ")));
    EXPECT_FALSE(StoredValue(AffinityOf("LONG"), Variant("123")));
    EXPECT_GT(predicted, 150);
}

// Held values, many texts in one buffer that grows meanwhile, must reach SQLite as
// the values themselves bound directly would.
TEST(HeldValues, BindAsTheValuesThemselves) {
    TSqliteConnection db(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.Exec("CREATE TABLE t (n INTEGER, v)");
    std::vector<Variant> values = {Variant::Null(),
                                   Variant(),
                                   Variant(true),
                                   Variant(-7),
                                   Variant(std::int64_t{1} << 40),
                                   Variant(12.5),
                                   Variant::FromDate(45000.25),
                                   Variant(""),
                                   Variant(std::string("a\0b", 3)),
                                   Variant("Müller"),
                                   Variant(TBytes{1, 0, 255}),
                                   Variant(TBytes{})};
    for (int i = 0; i < 2000; ++i) values.push_back(Variant(std::string(i % 97, 'x')));
    THeldValues held, other;
    for (const Variant& value : values) held.Add(value);
    // What a writer gets after the hand-over.
    other.Swap(held);
    EXPECT_EQ(held.Size(), 0u);
    ASSERT_EQ(other.Size(), values.size());
    TStatement direct(db, "INSERT INTO t VALUES (?1, ?2)");
    TStatement fromHeld(db, "INSERT INTO t VALUES (-1 - ?1, ?2)");
    for (size_t i = 0; i < values.size(); ++i) {
        direct.BindInt64(1, static_cast<std::int64_t>(i));
        direct.Bind(2, values[i]);
        direct.Step();
        direct.Reset();
        fromHeld.BindInt64(1, static_cast<std::int64_t>(i));
        other.Bind(fromHeld, 2, i);
        fromHeld.Step();
        fromHeld.Reset();
    }
    TStatement differ(db,
                      "SELECT count(*) FROM t a JOIN t b ON b.n = -1 - a.n WHERE a.n >= 0 AND "
                      "(a.v IS NOT b.v OR typeof(a.v) <> typeof(b.v))");
    ASSERT_TRUE(differ.Step());
    EXPECT_EQ(differ.ColumnInt64(0), 0);
    TStatement pairs(db, "SELECT count(*) FROM t a JOIN t b ON b.n = -1 - a.n WHERE a.n >= 0");
    ASSERT_TRUE(pairs.Step());
    EXPECT_EQ(pairs.ColumnInt64(0), static_cast<std::int64_t>(values.size()));
    // Emptied, it holds the next values from the start.
    other.Clear();
    other.Add(Variant("neu"));
    TStatement read(db, "SELECT ?1");
    other.Bind(read, 1, 0);
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.ColumnText(0), "neu");
    // A row with a value that cannot be stored is held not at all.
    const Variant text("Zeile"), array = Variant::Array(0, {Variant(1)});
    EXPECT_THROW(other.AddRow(7, {&text, &array}), ESqlite);
    ASSERT_EQ(other.Size(), 1u);
    other.AddRow(8, {&text});
    ASSERT_EQ(other.Size(), 3u);
    TStatement row(db, "SELECT ?1, ?2, ?3");
    for (int i = 0; i < 3; ++i) other.Bind(row, i + 1, static_cast<size_t>(i));
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.ColumnText(0), "neu");
    EXPECT_EQ(row.ColumnInt64(1), 8);
    EXPECT_EQ(row.ColumnText(2), "Zeile");
}

std::string Show(const Variant& value) {
    return value.IsNull() ? "Null"
                          : std::to_string(static_cast<int>(value.Type())) + ":" + value.AsString();
}

class HeldInserts : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ws_ = engine_->CreateWorkspace("WS", "Admin", "");
        db_ = ws_->OpenDatabase(path_);
    }

    // Every field's value as the recordset shows it now.
    static std::vector<Variant> Values(Recordset& rs) {
        std::vector<Variant> values;
        for (int i = 0; i < rs.Fields().Count(); ++i)
            values.push_back(rs.Fields().Item(i)->Value());
        return values;
    }

    long Count(const std::string& table) {
        auto rs = SecondUser()->OpenRecordset("SELECT Count(*) AS n FROM " + table, dbOpenSnapshot);
        return static_cast<long>(rs->Fields().Item("n")->Value().AsInteger());
    }

    std::shared_ptr<Workspace> ws_;
};

TEST_F(HeldInserts, ShowTheRowsAsALaterReadFindsThem) {
    db_->Execute(
        "CREATE TABLE Werte (ID COUNTER, D DOUBLE, L LONG, S SINGLE, B BINARY(4), "
        "Z DATETIME, T TEXT(10), J YESNO DEFAULT 0, CONSTRAINT PrimaryKey PRIMARY KEY (ID))");
    struct TRow {
        Variant D, L, S, B, Z, T;
    };
    const TRow rows[] = {
        {Variant(1.5), Variant(3), Variant(2.25), Variant(TBytes{1, 2}), Variant("03.12.2018"),
         Variant("4711")},
        {Variant(12.0), Variant(-7), Variant("0,5"), Variant::Null(), Variant(43437.75),
         Variant("Köln")},
        {Variant("3"), Variant::Null(), Variant(1e10), Variant(TBytes{}), Variant::Null(),
         Variant("")},
    };
    ws_->BeginTrans();
    auto rs = db_->OpenRecordset("Werte", dbOpenDynaset);
    std::vector<std::vector<Variant>> shown;
    for (const TRow& row : rows) {
        rs->AddNew();
        const char* names[] = {"D", "L", "S", "B", "Z", "T"};
        const Variant* values[] = {&row.D, &row.L, &row.S, &row.B, &row.Z, &row.T};
        for (int i = 0; i < 6; ++i) rs->Fields().Item(names[i])->SetValue(*values[i]);
        rs->Update();
        rs->SetBookmark(rs->LastModified());
        shown.push_back(Values(*rs));
    }
    // Kunden: money, a GUID, a memo that looks like a number, an unset yes/no.
    auto kunden = db_->OpenRecordset("Kunden", dbOpenDynaset);
    kunden->AddNew();
    kunden->Fields().Item("Name")->SetValue(Variant("123"));
    kunden->Fields().Item("Betrag")->SetValue(Variant(12.0));
    kunden->Fields().Item("Kennung")->SetValue(Variant("{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}"));
    kunden->Fields().Item("Notiz")->SetValue(Variant("0815"));
    kunden->Update();
    kunden->SetBookmark(kunden->LastModified());
    const std::vector<Variant> kunde = Values(*kunden);
    // Edited at once in the same transaction: what was shown is what is stored.
    kunden->Edit();
    kunden->Fields().Item("Ort")->SetValue(Variant("Bonn"));
    kunden->Update();
    ws_->CommitTrans();

    auto again = SecondUser()->OpenRecordset("Werte", dbOpenDynaset);
    for (const auto& expected : shown) {
        ASSERT_FALSE(again->Eof());
        const auto found = Values(*again);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(found[i], expected[i])
                << again->Fields().Item(static_cast<int>(i))->Name() << ": " << Show(found[i])
                << " stored, " << Show(expected[i]) << " shown";
        again->MoveNext();
    }
    EXPECT_TRUE(again->Eof());
    auto stored = SecondUser()->OpenRecordset("SELECT * FROM Kunden WHERE ID = 6", dbOpenDynaset);
    std::vector<Variant> expected = kunde;
    expected[2] = Variant("Bonn");  // Ort
    EXPECT_EQ(Values(*stored), expected);
    EXPECT_EQ(kunde[0], Variant(6));
}

TEST_F(HeldInserts, AreWrittenBeforeAnythingElseUsesTheDatabase) {
    db_->Execute("CREATE TABLE Orte (ID COUNTER, Ort TEXT(50), CONSTRAINT PK PRIMARY KEY (ID))");
    ws_->BeginTrans();
    auto kunden = db_->OpenRecordset("Kunden", dbOpenDynaset);
    auto orte = db_->OpenRecordset("Orte", dbOpenTable);
    std::vector<long> ids;
    // Past two statements' worth, and the two tables in turn.
    for (int i = 0; i < 250; ++i) {
        auto& rs = i % 50 == 49 ? orte : kunden;
        rs->AddNew();
        rs->Fields()
            .Item(i % 50 == 49 ? "Ort" : "Name")
            ->SetValue(Variant("N" + std::to_string(i)));
        rs->Update();
        rs->SetBookmark(rs->LastModified());
        if (rs == kunden)
            ids.push_back(static_cast<long>(rs->Fields().Item("ID")->Value().AsInteger()));
    }
    auto count =
        db_->OpenRecordset("SELECT Count(*) AS n, Max(ID) AS m FROM Kunden", dbOpenSnapshot);
    EXPECT_EQ(count->Fields().Item("n")->Value().AsInteger(), 5 + 245);
    EXPECT_EQ(count->Fields().Item("m")->Value().AsInteger(), ids.back());
    EXPECT_EQ(ids.front(), 6);
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[i - 1] + 1);
    // A statement of the program's own and a read through another recordset.
    kunden->AddNew();
    kunden->Fields().Item("Name")->SetValue(Variant("Letzter"));
    kunden->Update();
    db_->Execute("UPDATE Kunden SET Ort = 'Hier' WHERE Name = 'Letzter'");
    EXPECT_EQ(db_->RecordsAffected(), 1);
    auto letzter = db_->OpenRecordset("SELECT ID, Ort FROM Kunden WHERE Name = 'Letzter'");
    EXPECT_EQ(letzter->Fields().Item("ID")->Value().AsInteger(), ids.back() + 1);
    EXPECT_EQ(Text(*letzter, "Ort"), "Hier");
    ws_->CommitTrans();
    EXPECT_EQ(Count("Kunden"), 5 + 246);
    EXPECT_EQ(Count("Orte"), 5);
}

TEST_F(HeldInserts, AreFoundByASeekOfTheRecordsetThatAddedThem) {
    db_->Execute("CREATE INDEX Namen ON Kunden (Name)");
    ws_->BeginTrans();
    auto table = db_->OpenRecordset("Kunden", dbOpenTable);
    table->SetIndex("Namen");
    const auto add = [&](const char* name) {
        table->AddNew();
        table->Fields().Item("Name")->SetValue(Variant(name));
        table->Update();
    };
    const auto seek = [&](const char* name) {
        table->Seek("=", {Variant(name)});
        return table->NoMatch() ? std::string("kein Treffer") : Text(*table, "Name");
    };
    // Added rows stand at the end, out of the index's order.
    add("Aaron");
    EXPECT_EQ(seek("Aaron"), "Aaron");
    EXPECT_EQ(seek("Zweiter"), "kein Treffer");
    // The same search again, now with the row held back.
    add("Zweiter");
    EXPECT_EQ(seek("Zweiter"), "Zweiter");
    EXPECT_EQ(seek("Meier"), "Meier");
    ws_->CommitTrans();
}

// Rows are written on a second thread while the program goes on: recordsets
// opened and closed meanwhile (their statements finalized) disturb nothing.
TEST_F(HeldInserts, AreWrittenWhileOtherRecordsetsComeAndGo) {
    ws_->BeginTrans();
    auto rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
    std::shared_ptr<Recordset> other;
    for (int i = 0; i < 5000; ++i) {
        rs->AddNew();
        rs->Fields().Item("Name")->SetValue(Variant("N" + std::to_string(i)));
        rs->Update();
        // Opening one writes the held rows; a thousand rows later their hand-over
        // starts the thread, and the one opened before is closed at once.
        if (i % 1000 == 500) {
            other.reset();
            other = db_->OpenRecordset("SELECT Name FROM Kunden WHERE ID = 1", dbOpenDynaset);
            EXPECT_EQ(Text(*other, "Name"), "Meier");
        }
    }
    ws_->CommitTrans();
    EXPECT_EQ(Count("Kunden"), 5 + 5000);
}

TEST_F(HeldInserts, TakeTheIdsSqliteWouldGiveAndVanishWithARollback) {
    db_->Execute("DELETE FROM Kunden WHERE ID = 5");  // the counter does not go back
    auto add = [&](const char* name) {
        auto rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
        rs->AddNew();
        rs->Fields().Item("Name")->SetValue(Variant(name));
        rs->Update();
        rs->SetBookmark(rs->LastModified());
        return rs->Fields().Item("ID")->Value().AsInteger();
    };
    ws_->BeginTrans();
    EXPECT_EQ(add("Sechs"), 6);
    ws_->BeginTrans();
    EXPECT_EQ(add("Sieben"), 7);
    ws_->Rollback();
    EXPECT_EQ(add("Wieder sieben"), 7);
    ws_->Rollback();
    EXPECT_EQ(Count("Kunden"), 4);
    ws_->BeginTrans();
    EXPECT_EQ(add("Sechs"), 6);
    ws_->CommitTrans();
    EXPECT_EQ(add("Sieben"), 7);  // outside a transaction, written at once
    EXPECT_EQ(Count("Kunden"), 6);
    // A database closed with rows held back leaves them out.
    ws_->BeginTrans();
    add("Verloren");
    db_->Close();
    EXPECT_EQ(Count("Kunden"), 6);
}

TEST_F(HeldInserts, ThatFailedKeepTheirTransactionFromCommitting) {
    db_->Execute("CREATE UNIQUE INDEX Einmalig ON Kunden (Name)");
    ws_->BeginTrans();
    auto rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
    // The 50th row repeats a stored name: the statement of the first hundred rows
    // fails, taking the 99 others along, all of them reported as added. It is
    // written while the next rows are added: its failure comes with a later call.
    for (int i = 0; i < 100; ++i) {
        rs->AddNew();
        rs->Fields().Item("Name")->SetValue(Variant(i == 49 ? "Meier" : "N" + std::to_string(i)));
        EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 0) << i;
    }
    // Whoever goes on regardless cannot commit a transaction missing those rows.
    EXPECT_EQ(ErrorOf([&] { db_->Execute("UPDATE Kunden SET Ort = 'X' WHERE ID = 1"); }), 3022);
    EXPECT_EQ(ErrorOf([&] { ws_->CommitTrans(); }), 3022);
    ws_->Rollback();
    EXPECT_EQ(Count("Kunden"), 5);
    ws_->BeginTrans();
    rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
    rs->AddNew();
    rs->Fields().Item("Name")->SetValue(Variant("Neu"));
    rs->Update();
    ws_->CommitTrans();
    EXPECT_EQ(Count("Kunden"), 6);
}

}  // namespace
}  // namespace zalvert::engine::testing
