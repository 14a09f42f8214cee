// The dialect means what its users expect, not what SQLite would make of it.

#include <sqlite3.h>

#include <algorithm>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

class Dialect : public EngineTest {
  protected:
    std::shared_ptr<Recordset> Query(const std::string& sql) { return Open(sql, dbOpenSnapshot); }

    std::vector<std::string> Column(const std::string& sql, const char* field) {
        std::vector<std::string> values;
        for (auto rs = Query(sql); !rs->Eof(); rs->MoveNext()) {
            const Variant v = rs->Fields().Item(field)->Value();
            values.push_back(v.IsNull() ? "Null" : v.AsString());
        }
        return values;
    }
    using Values = std::vector<std::string>;
};

TEST_F(Dialect, PlusJoinsTextsAndNullSwallowsThem) {
    EXPECT_EQ(Column("SELECT Name + ', ' + Ort AS x FROM Kunden WHERE Name = 'Meier'", "x"),
              Values{"Meier, Berlin"});
    EXPECT_EQ(Column("SELECT Name + Notiz AS x FROM Kunden WHERE Name = 'Meier'", "x"),
              Values{"Null"});
    EXPECT_EQ(Column("SELECT Name & Notiz AS x FROM Kunden WHERE Name = 'Meier'", "x"),
              Values{"Meier"});
    EXPECT_EQ(Column("SELECT Anzahl + 1 AS x, '5' + 3 AS y FROM Kunden WHERE Name = 'Meier'", "y"),
              Values{"8"});
    EXPECT_EQ(ErrorOf([&] { Query("SELECT Name + 1 AS x FROM Kunden"); }), 3000);
}

TEST_F(Dialect, DatesMoveByDaysAndSubtractToDays) {
    auto rs = Query(
        "SELECT Datum + 1 AS morgen, Datum - 1.5 AS vorher, Datum - #03/01/2018# AS tage, "
        "#03/10/2018# - Datum AS bis FROM Kunden WHERE Name = 'Zander'");
    EXPECT_EQ(rs->Fields().Item("morgen")->Type(), dbDate);
    EXPECT_DOUBLE_EQ(rs->Fields().Item("morgen")->Value().AsDateTime(), EncodeDate(2018, 3, 4));
    EXPECT_DOUBLE_EQ(rs->Fields().Item("vorher")->Value().AsDateTime(),
                     EncodeDate(2018, 3, 1) + 0.5);
    EXPECT_DOUBLE_EQ(rs->Fields().Item("tage")->Value().AsDouble(), 2.0);
    EXPECT_DOUBLE_EQ(rs->Fields().Item("bis")->Value().AsDouble(), 7.0);
    auto latest = Query("SELECT Max(Datum) AS m, Min(Datum) AS n FROM Kunden");
    EXPECT_EQ(latest->Fields().Item("m")->Type(), dbDate);
    EXPECT_DOUBLE_EQ(latest->Fields().Item("m")->Value().AsDateTime(), EncodeDate(2018, 3, 5));
}

TEST_F(Dialect, GuidLiteralsMatchInEitherLetterCase) {
    db_->Execute(
        "UPDATE Kunden SET Kennung = '{0D4C3A2B-1111-2222-3333-44445555AAAA}' WHERE Name = "
        "'Bauer'");
    EXPECT_EQ(
        Column(
            "SELECT Name FROM Kunden WHERE Kennung = {guid {0d4c3a2b-1111-2222-3333-44445555aaaa}}",
            "Name"),
        Values{"Bauer"});
    EXPECT_EQ(ErrorOf([&] { Query("SELECT Name FROM Kunden WHERE Kennung = {guid {123}}"); }),
              3075);
    EXPECT_EQ(ErrorOf([&] { Query("SELECT Name FROM Kunden WHERE Kennung = {x}"); }), 3075);
}

TEST_F(Dialect, TrueIsMinusOneAndYesNoIsStoredAsOneAndZero) {
    EXPECT_EQ(Column("SELECT Name FROM Kunden WHERE Aktiv = -1 ORDER BY Name", "Name"),
              (Values{"Meier", "Schulz", "Zander"}));
    EXPECT_EQ(Column("SELECT Name FROM Kunden WHERE Aktiv = True ORDER BY Name", "Name"),
              (Values{"Meier", "Schulz", "Zander"}));
    EXPECT_EQ(Column("SELECT Name FROM Kunden WHERE Aktiv AND Anzahl > 1 ORDER BY Name", "Name"),
              (Values{"Schulz", "Zander"}));
    // Shown on their own too, not taken for fields of that name.
    EXPECT_EQ(Column("SELECT TOP 1 True AS w, False AS f, Null AS n FROM Kunden", "w"),
              (Values{"-1"}));
    EXPECT_EQ(Column("SELECT TOP 1 True AS w, False AS f, Null AS n FROM Kunden", "f"),
              (Values{"0"}));
    EXPECT_EQ(Column("SELECT TOP 1 True AS w, False AS f, Null AS n FROM Kunden", "n"),
              (Values{"Null"}));
    EXPECT_EQ(Query("SELECT True FROM Kunden")->Fields().Item(0)->Value().AsInteger(), -1);
    db_->Execute("UPDATE Kunden SET Aktiv = True WHERE Name = 'Albers'");
    db_->Execute("INSERT INTO Kunden (Name, Aktiv) VALUES ('Neu', -1)");
    // Without a field list the values go to the fields in order; Aktiv is the fifth.
    db_->Execute("INSERT INTO Kunden VALUES (99, 'Ohne', 'Ulm', 1, True, Null, 1, Null, Null)");
    // Stored as the storage format says, whatever the dialect wrote.
    EXPECT_EQ(Column("SELECT Name FROM Kunden WHERE Aktiv = -1 AND Name IN ('Albers', 'Neu') "
                     "ORDER BY Name",
                     "Name"),
              (Values{"Albers", "Neu"}));
    auto raw = CreateDBEngine("DAO.DBEngine.36")
                   ->CreateWorkspace("R", "Admin", "")
                   ->OpenDatabase(path_)
                   ->OpenRecordset("SELECT Aktiv * 1 AS roh FROM Kunden WHERE Name = 'Neu'",
                                   dbOpenSnapshot);
    EXPECT_EQ(raw->Fields().Item("roh")->Value().AsInteger(), -1);  // read in the dialect
    EXPECT_TRUE(Open("Kunden")->Fields().Item("Aktiv")->Value().AsBoolean());
    // The file itself holds 1, as the storage format says.
    sqlite3* file = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &file), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(file, "SELECT count(*) FROM Kunden WHERE Aktiv NOT IN (0, 1)", -1, &stmt,
                       nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
    sqlite3_finalize(stmt);
    sqlite3_close(file);
}

TEST_F(Dialect, DistinctRowKeepsTheRowsOfOneTable) {
    EXPECT_EQ(Column("SELECT DISTINCTROW Ort FROM Kunden", "Ort").size(), 5u);
    EXPECT_EQ(Column("SELECT DISTINCT Ort FROM Kunden", "Ort").size(), 3u);
}

TEST_F(Dialect, TopBelongsToItsOwnSelectInAUnion) {
    EXPECT_EQ(Column("SELECT TOP 1 Name FROM Kunden WHERE Ort = 'Berlin' UNION ALL "
                     "SELECT Name FROM Kunden WHERE Ort = 'Hamburg'",
                     "Name")
                  .size(),
              3u);
    // One of the two in Hamburg, the whole union in the order asked for.
    const Values names = Column(
        "SELECT Name FROM Kunden WHERE Ort = 'Berlin' UNION ALL "
        "SELECT TOP 1 Name FROM Kunden WHERE Ort = 'Hamburg' UNION ALL "
        "SELECT Name FROM Kunden WHERE Ort = 'Augsburg' ORDER BY Name DESC",
        "Name");
    ASSERT_EQ(names.size(), 4u);
    EXPECT_TRUE(std::is_sorted(names.rbegin(), names.rend()));
}

TEST_F(Dialect, FieldsOfTheSameNameInAJoinKeepTheirOwnValues) {
    db_->Execute("CREATE TABLE Orte (ID COUNTER, Ort TEXT(50), CONSTRAINT pk PRIMARY KEY (ID))");
    for (const char* ort : {"Augsburg", "Hamburg", "Berlin"})
        db_->Execute(std::string("INSERT INTO Orte (Ort) VALUES ('") + ort + "')");
    auto rs = Query(
        "SELECT * FROM Kunden INNER JOIN Orte ON Kunden.Ort = Orte.Ort WHERE Kunden.Name = "
        "'Meier'");
    EXPECT_EQ(rs->Fields().Item("Kunden.ID")->Value().AsInteger(), 1);
    EXPECT_EQ(rs->Fields().Item("Orte.ID")->Value().AsInteger(), 3);
    EXPECT_EQ(ErrorOf([&] { rs->Fields().Item("ID"); }), 3265);
}

}  // namespace
}  // namespace zalvert::engine::testing
