#include "rtl/DateTime.h"
#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

using Catalog = EngineTest;

TEST_F(Catalog, ListsTablesWithSystemTablesMarked) {
    auto& tables = db_->TableDefs();
    bool sawKunden = false, sawSystem = false;
    for (int i = 0; i < tables.Count(); ++i) {
        auto t = tables.Item(i);
        if (t->Name() == "Kunden") {
            sawKunden = true;
            EXPECT_EQ(t->Attributes(), 0);
            EXPECT_EQ(t->RecordCount(), 5);
            EXPECT_GE(t->LastUpdated(), t->DateCreated());
        }
        if (t->Name().rfind("MSys", 0) == 0) {
            sawSystem = true;
            EXPECT_EQ(static_cast<unsigned long>(t->Attributes()) & 0x80000002ul, 0x80000002ul);
        }
    }
    EXPECT_TRUE(sawKunden);
    EXPECT_TRUE(sawSystem);
    EXPECT_EQ(tables.Item("KUNDEN")->Name(), "Kunden");
    EXPECT_EQ(ErrorOf([&] { tables.Item("Fehlt"); }), 3265);
}

TEST_F(Catalog, ReadsDeclaredTypesAsEngineTypes) {
    db_->Execute(
        "CREATE TABLE Typen (a LONG, b INTEGER, c SHORT, d BYTE, e BIT, f CURRENCY, g SINGLE, "
        "h DOUBLE, i DATETIME, j TEXT(30), k TEXT, l MEMO, m LONGBINARY, n BINARY(8), o GUID, "
        "p DECIMAL, q BIGINT, r YESNO, s MONEY, t FLOAT, u CHAR(4))");
    struct TExpected {
        const char* Name;
        int Type;
        int Size;
    };
    const TExpected expected[] = {
        {"a", dbLong, 4},       {"b", dbLong, 4},     {"c", dbInteger, 2},  {"d", dbByte, 1},
        {"e", dbBoolean, 1},    {"f", dbCurrency, 8}, {"g", dbSingle, 4},   {"h", dbDouble, 8},
        {"i", dbDate, 8},       {"j", dbText, 30},    {"k", dbText, 255},   {"l", dbMemo, 0},
        {"m", dbLongBinary, 0}, {"n", dbBinary, 8},   {"o", dbGUID, 16},    {"p", dbDecimal, 16},
        {"q", dbBigInt, 8},     {"r", dbBoolean, 1},  {"s", dbCurrency, 8}, {"t", dbDouble, 8},
        {"u", dbText, 4},
    };
    auto& fields = db_->TableDefs().Item("Typen")->Fields();
    ASSERT_EQ(fields.Count(), static_cast<int>(std::size(expected)));
    for (const TExpected& e : expected) {
        auto field = fields.Item(e.Name);
        EXPECT_EQ(field->Type(), e.Type) << e.Name;
        EXPECT_EQ(field->Size(), e.Size) << e.Name;
    }
}

TEST_F(Catalog, DescribesFieldsAndIndexes) {
    auto table = db_->TableDefs().Item("Kunden");
    auto id = table->Fields().Item("ID");
    EXPECT_EQ(id->Attributes() & dbAutoIncrField, dbAutoIncrField);
    EXPECT_EQ(id->Attributes() & dbUpdatableField, 0);
    auto name = table->Fields().Item("Name");
    EXPECT_TRUE(name->Required());
    EXPECT_EQ(name->Attributes() & dbUpdatableField, dbUpdatableField);
    EXPECT_FALSE(table->Fields().Item("Ort")->Required());
    EXPECT_EQ(ErrorOf([&] { name->Value(); }), 3219);

    auto& indexes = table->Indexes();
    ASSERT_EQ(indexes.Count(), 2);
    auto primary = indexes.Item(0);
    EXPECT_EQ(primary->Name(), "PrimaryKey");
    EXPECT_TRUE(primary->Primary());
    EXPECT_TRUE(primary->Unique());
    auto ortName = indexes.Item("OrtName");
    EXPECT_FALSE(ortName->Primary());
    EXPECT_FALSE(ortName->Unique());
    ASSERT_EQ(ortName->Fields().Count(), 2);
    EXPECT_EQ(ortName->Fields().Item(0)->Name(), "Ort");
    EXPECT_EQ(ortName->Fields().Item(0)->Attributes() & dbDescending, 0);
    EXPECT_EQ(ortName->Fields().Item(1)->Attributes() & dbDescending, dbDescending);
}

TEST_F(Catalog, CreatesAndDeletesIndexes) {
    auto table = db_->TableDefs().Item("Kunden");
    auto index = table->CreateIndex("BetragAb");
    index->SetUnique(true);
    auto field = index->CreateField("Betrag");
    field->SetAttributes(dbDescending);
    index->Fields().Append(field);
    table->Indexes().Append(index);
    EXPECT_EQ(ErrorOf([&] { index->SetUnique(false); }), 3219);
    db_->TableDefs().Refresh();
    auto stored = db_->TableDefs().Item("Kunden")->Indexes().Item("BetragAb");
    EXPECT_TRUE(stored->Unique());
    EXPECT_EQ(stored->Fields().Item(0)->Attributes() & dbDescending, dbDescending);
    table->Indexes().Delete("BetragAb");
    EXPECT_EQ(table->Indexes().Count(), 2);
    EXPECT_EQ(ErrorOf([&] { table->Indexes().Delete("PrimaryKey"); }), 3219);
}

TEST_F(Catalog, KeepsFormatAndCaptionOfFields) {
    auto datum = db_->TableDefs().Item("Kunden")->Fields().Item("Datum");
    datum->Properties().Append(datum->CreateProperty("Format", dbText, Variant("Short Date")));
    datum->Properties().Append(
        datum->CreateProperty("Caption", dbText, Variant("Datum der Buchung")));
    EXPECT_EQ(ErrorOf([&] {
                  datum->Properties().Append(datum->CreateProperty("Format", dbText, Variant("x")));
              }),
              3367);
    db_->TableDefs().Refresh();
    auto again = db_->TableDefs().Item("Kunden")->Fields().Item("Datum");
    EXPECT_EQ(again->Properties().Item("Format")->Value().AsString(), "Short Date");
    // Recordset fields carry the properties of their column.
    auto rs = Open("SELECT Datum FROM Kunden");
    EXPECT_EQ(rs->Fields().Item("Datum")->Properties().Item("Caption")->Value().AsString(),
              "Datum der Buchung");
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("Datum")->Properties().Item("Description"); }), 3265);
}

using QueryDefs = EngineTest;

TEST_F(QueryDefs, StoresQueriesWithParameters) {
    auto query = db_->CreateQueryDef(
        "KundenAb",
        "PARAMETERS [ab Datum] DateTime, [Stadt] Text; "
        "SELECT * FROM Kunden WHERE Datum >= [ab Datum] AND Ort = Stadt ORDER BY Datum");
    EXPECT_EQ(query->Type(), dbQSelect);
    ASSERT_EQ(query->Parameters().Count(), 2);
    auto from = query->Parameters().Item("ab Datum");
    EXPECT_EQ(from->Direction(), dbParamInput);
    EXPECT_EQ(from->Type(), dbDate);
    from->SetValue(Variant("02.03.2018"));
    query->Parameters().Item(1)->SetValue(Variant("Hamburg"));
    auto rs = query->OpenRecordset();
    EXPECT_EQ(Text(*rs, "Name"), "Albers");
    rs->MoveNext();
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
    EXPECT_TRUE(rs->Updatable());

    auto stored = db_->QueryDefs().Item("kundenab");
    EXPECT_EQ(stored->SQL(), query->SQL());
    EXPECT_EQ(ErrorOf([&] { db_->CreateQueryDef("KundenAb", "SELECT 1"); }), 3012);
    EXPECT_EQ(ErrorOf([&] { db_->CreateQueryDef("Kunden", "SELECT 1"); }), 3012);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("KundenAb"); }), 3061);
}

TEST_F(QueryDefs, ReportsTheirTypeAndRunsActions) {
    EXPECT_EQ(db_->CreateQueryDef("", "DELETE FROM Kunden WHERE ID = 1")->Type(), dbQDelete);
    EXPECT_EQ(db_->CreateQueryDef("", "INSERT INTO Kunden (Name) VALUES ('x')")->Type(), dbQAppend);
    EXPECT_EQ(db_->CreateQueryDef("", "SELECT Name INTO Kopie FROM Kunden")->Type(), dbQMakeTable);
    EXPECT_EQ(db_->CreateQueryDef("", "SELECT a FROM t UNION SELECT a FROM u")->Type(),
              dbQSetOperation);
    auto update = db_->CreateQueryDef("Verdoppeln",
                                      "UPDATE Kunden SET Betrag = Betrag * 2 WHERE Ort = 'Berlin'");
    EXPECT_EQ(update->Type(), dbQUpdate);
    update->Execute();
    EXPECT_EQ(update->RecordsAffected(), 2);
    db_->Execute("Verdoppeln");
    EXPECT_EQ(db_->RecordsAffected(), 2);
    EXPECT_EQ(Open("SELECT Betrag FROM Kunden WHERE Name = 'Meier'")
                  ->Fields()
                  .Item("Betrag")
                  ->Value()
                  .AsDouble(),
              42.0);
    EXPECT_EQ(ErrorOf([&] { db_->Execute("SELECT * FROM Kunden"); }), 3065);
    EXPECT_EQ(ErrorOf([&] { db_->CreateQueryDef("", "SELECT FROM"); }), 3075);
    update->SetSQL("DELETE FROM Kunden WHERE Ort = 'Berlin'");
    EXPECT_EQ(db_->QueryDefs().Item("Verdoppeln")->Type(), dbQDelete);
    db_->QueryDefs().Delete("Verdoppeln");
    EXPECT_EQ(ErrorOf([&] { db_->QueryDefs().Item("Verdoppeln"); }), 3265);
}

TEST_F(QueryDefs, OpeningUnknownSourcesFails) {
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Fehlt"); }), 3078);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM Fehlt"); }), 3078);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Kunden", dbOpenDynamic); }), 3251);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("SELECT * FROM Kunden WHERE Unbekannt = 1"); }),
              3061);
}

TEST_F(QueryDefs, JoinsAndAggregatesAreNotUpdatable) {
    db_->Execute("CREATE TABLE Orte (Ort TEXT(50), Land TEXT(20))");
    db_->Execute("INSERT INTO Orte VALUES ('Berlin', 'BE')");
    auto join =
        Open("SELECT k.Name, o.Land FROM Kunden AS k INNER JOIN Orte AS o ON k.Ort = o.Ort");
    EXPECT_EQ(join->Type(), dbOpenDynaset);
    EXPECT_FALSE(join->Updatable());
    join->MoveLast();
    EXPECT_EQ(join->RecordCount(), 2);
    EXPECT_FALSE(Open("SELECT DISTINCT Ort FROM Kunden")->Updatable());
    auto computed = Open("SELECT Name & '!' AS Ruf, Betrag * 2 AS Doppelt FROM Kunden");
    EXPECT_EQ(Text(*computed, "Ruf"), "Meier!");
    EXPECT_EQ(computed->Fields().Item("Ruf")->Attributes() & dbUpdatableField, 0);
    EXPECT_EQ(computed->Fields().Item("Doppelt")->Type(), dbDouble);
}

}  // namespace
}  // namespace zalvert::engine::testing

namespace zalvert::engine::testing {
namespace {

TEST_F(Catalog, AddsAndDropsColumns) {
    auto table = db_->TableDefs().Item("Kunden");
    table->Fields().Append(table->CreateField("Telefon", dbText, 30));
    EXPECT_EQ(ErrorOf([&] { table->Fields().Append(table->CreateField("Telefon", dbText, 30)); }),
              3191);
    db_->TableDefs().Refresh();
    auto phone = db_->TableDefs().Item("Kunden")->Fields().Item("Telefon");
    EXPECT_EQ(phone->Type(), dbText);
    EXPECT_EQ(phone->Size(), 30);
    auto rs = Open("Kunden");
    rs->Edit();
    rs->Fields().Item("Telefon")->SetValue(Variant("0421 123"));
    rs->Update();
    table->Fields().Delete("Telefon");
    EXPECT_EQ(ErrorOf([&] { Open("SELECT Telefon FROM Kunden"); }), 3061);
}

TEST_F(QueryDefs, LimitsRowsAndKeepsTheirTimes) {
    SetClockForTesting(TSystemTime{2026, 12, 8, 10, 0, 0, 0});
    auto query = db_->CreateQueryDef("Alle", "SELECT * FROM Kunden ORDER BY Name");
    SetClockForTesting(TSystemTime{2026, 12, 9, 11, 0, 0, 0});
    query->SetSQL("SELECT * FROM Kunden ORDER BY Name DESC");
    SetClockForTesting(std::nullopt);
    EXPECT_EQ(query->DateCreated(), EncodeDate(2026, 12, 8) + EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(query->LastUpdated(), EncodeDate(2026, 12, 9) + EncodeTime(11, 0, 0, 0));
    query->SetMaxRecords(2);
    auto rs = query->OpenRecordset(dbOpenSnapshot);
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
}

}  // namespace
}  // namespace zalvert::engine::testing
