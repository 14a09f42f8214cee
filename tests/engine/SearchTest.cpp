#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

using TableType = EngineTest;

std::vector<std::string> Names(Recordset& rs) {
    std::vector<std::string> names;
    if (rs.Bof() && rs.Eof()) return names;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        names.push_back(rs.Fields().Item("Name")->Value().AsString());
    return names;
}

using Names_t = std::vector<std::string>;

TEST_F(TableType, ListsRowsInTheOrderOfTheCurrentIndex) {
    auto rs = Open("Kunden", dbOpenTable);
    EXPECT_EQ(rs->Index(), "");  // primary key order, yet no current index
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", {Variant(1)}); }), 3019);
    EXPECT_EQ(Names(*rs), (Names_t{"Meier", "Albers", "Zander", "Bauer", "Schulz"}));
    rs->SetIndex("OrtName");  // Ort ascending, Name descending
    EXPECT_EQ(Names(*rs), (Names_t{"Bauer", "Zander", "Meier", "Schulz", "Albers"}));
    EXPECT_EQ(ErrorOf([&] { rs->SetIndex("Fehlt"); }), 3800);
    EXPECT_EQ(ErrorOf([&] { Open("SELECT * FROM Kunden", dbOpenTable); }), 3219);
    EXPECT_EQ(ErrorOf([&] { Open("Kunden")->SetIndex("OrtName"); }), 3251);
}

TEST_F(TableType, SeeksWithEveryComparison) {
    auto rs = Open("Kunden", dbOpenTable);
    rs->SetIndex("OrtName");
    rs->Seek("=", {Variant("Hamburg"), Variant("Albers")});
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(Text(*rs, "Name"), "Albers");
    rs->Seek("=", {Variant("hamburg")});  // first of the partial key in index order
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
    rs->Seek(">=", {Variant("Berlin"), Variant("Nagel")});  // names descend within a town
    EXPECT_EQ(Text(*rs, "Name"), "Meier");
    rs->Seek(">", {Variant("Berlin"), Variant("Meier")});
    EXPECT_EQ(Text(*rs, "Name"), "Schulz");
    rs->Seek("<=", {Variant("Berlin"), Variant("Nagel")});
    EXPECT_EQ(Text(*rs, "Name"), "Zander");
    rs->Seek("<", {Variant("Berlin"), Variant("Zander")});
    EXPECT_EQ(Text(*rs, "Name"), "Bauer");
    rs->Seek("=", {Variant("Paris")});
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(ErrorOf([&] { rs->Seek("~", {Variant("x")}); }), 3001);
    EXPECT_EQ(ErrorOf([&] { rs->Seek("=", {Variant(1), Variant(2), Variant(3)}); }), 3001);
    rs->SetIndex("PrimaryKey");
    rs->Seek("=", {Variant("4")});  // key values may come as texts
    EXPECT_EQ(Text(*rs, "Name"), "Bauer");
}

// The seek halves the keyset; rows deleted or changed since, equal keys and
// sparse row ids must not mislead it.
TEST_F(TableType, SeeksRightAmongDeletedRowsEqualKeysAndSparseRowIds) {
    db_->Execute("INSERT INTO Kunden (ID, Name, Ort) VALUES (900000, 'Meier', 'Berlin')");
    db_->Execute("INSERT INTO Kunden (Name, Ort) VALUES ('Ärger', 'Köln')");
    auto rs = Open("Kunden", dbOpenTable);
    rs->SetIndex("OrtName");
    rs->Seek("=", {Variant("berlin"), Variant("MEIER")});
    ASSERT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields().Item("ID")->Value().AsInteger(), 1);  // the first of equal keys
    rs->Seek(">=", {Variant("Koln")});                           // ö after o: Köln is after Koln
    EXPECT_EQ(Text(*rs, "Name"), "Ärger");
    auto copy = rs->Clone();
    copy->SetBookmark(rs->Bookmark());  // a bookmark by row id in a table of sparse ids
    EXPECT_EQ(Text(*copy, "Name"), "Ärger");
    rs->Seek("=", {Variant("Augsburg")});
    rs->Delete();
    rs->Seek(">=", {Variant("Augsburg")});
    EXPECT_EQ(Text(*rs, "Ort"), "Berlin");
    rs->Seek("<", {Variant("Berlin"), Variant("Zander")});
    EXPECT_TRUE(rs->NoMatch());
}

using Finding = EngineTest;

TEST_F(Finding, FindsInEveryDirectionAndReportsNoMatch) {
    for (int type : {dbOpenDynaset, dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        auto rs = Open("SELECT * FROM Kunden ORDER BY Name", type);
        rs->FindFirst("Ort = 'Hamburg'");
        ASSERT_FALSE(rs->NoMatch());
        EXPECT_EQ(Text(*rs, "Name"), "Albers");
        rs->FindNext("Ort = 'Hamburg'");
        EXPECT_EQ(Text(*rs, "Name"), "Schulz");
        rs->FindNext("Ort = 'Hamburg'");
        EXPECT_TRUE(rs->NoMatch());
        EXPECT_EQ(Text(*rs, "Name"), "Schulz");  // the position stays
        rs->FindLast("Betrag > 15");
        EXPECT_EQ(Text(*rs, "Name"), "Zander");
        rs->FindPrevious("Betrag > 15");
        EXPECT_EQ(Text(*rs, "Name"), "Schulz");
        rs->FindFirst("Name LIKE 'M*' AND Aktiv = True");
        EXPECT_EQ(Text(*rs, "Name"), "Meier");
        rs->FindFirst("Datum = #03/02/2018 2:30:00 PM#");
        EXPECT_EQ(Text(*rs, "Name"), "Albers");
        EXPECT_EQ(ErrorOf([&] { rs->FindFirst("Name = "); }), 3075);
    }
}

TEST_F(Finding, TableTypeAndForwardOnlyCannotFind) {
    EXPECT_EQ(ErrorOf([&] { Open("Kunden", dbOpenTable)->FindFirst("ID = 1"); }), 3251);
    EXPECT_EQ(ErrorOf([&] { Open("Kunden", dbOpenForwardOnly)->FindFirst("ID = 1"); }), 3251);
}

TEST_F(Finding, FilterAndSortTakeEffectInANewRecordset) {
    auto rs = Open("Kunden");
    rs->SetFilter("Ort <> \"Berlin\"");
    rs->SetSort("Betrag DESC");
    EXPECT_EQ(Names(*rs).size(), 5u);  // not in this recordset
    auto filtered = rs->OpenRecordset(0, 0);
    EXPECT_EQ(filtered->Type(), dbOpenDynaset);
    EXPECT_TRUE(filtered->Updatable());
    EXPECT_EQ(Names(*filtered), (Names_t{"Schulz", "Bauer", "Albers"}));
    auto snapshot = rs->OpenRecordset(dbOpenSnapshot, 0);
    EXPECT_EQ(Names(*snapshot), (Names_t{"Schulz", "Bauer", "Albers"}));
    auto grouped = Open("SELECT Ort, COUNT(*) AS Anzahl FROM Kunden GROUP BY Ort");
    EXPECT_FALSE(grouped->Updatable());
    grouped->SetFilter("Anzahl > 1");
    grouped->SetSort("Ort DESC");
    auto towns = grouped->OpenRecordset(0, 0);
    EXPECT_EQ(Text(*towns, "Ort"), "Hamburg");
    towns->MoveLast();
    EXPECT_EQ(towns->RecordCount(), 2);
    rs->SetFilter("Ort = ");
    EXPECT_EQ(ErrorOf([&] { rs->OpenRecordset(0, 0); }), 3075);
}

}  // namespace
}  // namespace zalvert::engine::testing
