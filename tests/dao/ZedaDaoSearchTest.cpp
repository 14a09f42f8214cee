#include <gtest/gtest.h>

#include "dataset/DatabaseError.h"
#include "tests/dao/DaoTableFixture.h"

namespace zalvert::testing {
namespace {

// Billing records with companies, tours and import identifiers to search in.
class Searching : public DaoTableTest {
  protected:
    void SetUp() override {
        DaoTableTest::SetUp();
        const char* rows[][3] = {
            {"Nordfracht", "Berlin-01", "1"}, {"Südkurier", "Hamburg-07", "1"},
            {"nordwind", "Kiel-02", "2"},     {"Elbe Logistik", "Berlin-02", "2"},
            {"Sag \"Nord\"", "Bonn*1", "3"},  {"Nordfracht", "Bremen-05", "3"},
        };
        for (const auto& row : rows)
            Execute(std::string("INSERT INTO Zalvert (Recvon, Tour, ImportID) VALUES ('") + row[0] +
                    "', '" + row[1] + "', " + row[2] + ")");
        Execute("INSERT INTO Zalvert (Recvon, Tour) VALUES ('Ohne Lauf', 'Essen-01')");
        Execute("CREATE INDEX VonTour ON Zalvert (Recvon, Tour)");
    }

    TZedaDaoTable& Open(int type, const std::string& index = {}) {
        TZedaDaoTable& table = Table("Zalvert", type);
        if (!index.empty()) table.F_Set_IndexName(index);
        table.Open();
        table.BeforeScroll = [this](TDataSet&) { ++beforeScroll; };
        table.AfterScroll = [this](TDataSet&) { ++afterScroll; };
        return table;
    }

    static std::string Tour(TZedaDaoTable& table) { return table.FieldByName("Tour").AsString(); }

    int beforeScroll = 0, afterScroll = 0;
};

Variant Keys(std::initializer_list<Variant> values) {
    return Variant::Array(0, values);
}

TEST_F(Searching, LocateOnADynasetFindsOnAClone) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    EXPECT_TRUE(table.Locate("Tour", Variant("Kiel-02"), 0));
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "nordwind");
    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(beforeScroll, 1);
    EXPECT_EQ(afterScroll, 1);
    EXPECT_TRUE(table.Locate("Recvon;ImportID", Keys({"NORDFRACHT", 3}), loCaseInsensitive));
    EXPECT_EQ(Tour(table), "Bremen-05");
    EXPECT_TRUE(table.Locate("Tour", Variant("hamb"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Tour(table), "Hamburg-07");
    EXPECT_FALSE(table.Locate("Tour", Variant("Hamb"), 0));
    EXPECT_EQ(Tour(table), "Hamburg-07");                               // a miss leaves the cursor
    EXPECT_TRUE(table.Locate("Tour", Variant("Bonn*"), loPartialKey));  // "*" taken literally
    EXPECT_EQ(Tour(table), "Bonn*1");
    EXPECT_TRUE(table.Locate("Recvon", Variant("Sag \"Nord\""), 0));
    EXPECT_EQ(Tour(table), "Bonn*1");
}

TEST_F(Searching, NullAndTheTextNullAreSearchedAsIsNull) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    EXPECT_TRUE(table.Locate("ImportID", Variant::Null(), 0));
    EXPECT_EQ(Tour(table), "Essen-01");
    table.First();
    EXPECT_TRUE(table.Locate("ImportID", Variant("NULL"), 0));
    EXPECT_EQ(Tour(table), "Essen-01");
}

TEST_F(Searching, AnInjectedConditionIsOnlyAnUnknownText) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    const Variant attack(R"(x" OR "1"="1)");
    EXPECT_FALSE(table.Locate("Recvon", attack, 0));
    EXPECT_FALSE(table.Locate("Recvon", attack, loPartialKey | loCaseInsensitive));
    EXPECT_FALSE(table.FindNextByKey("Recvon", attack, 0));
    EXPECT_TRUE(table.Lookup("Recvon", attack, "Tour").AsBoolean() == false);
    EXPECT_THROW(table.Locate("ImportID", Variant("1 OR 1=1"), 0), EDatabaseError);
    EXPECT_EQ(Tour(table), "Berlin-01");
}

TEST_F(Searching, LocateGivesUpWithoutSearchingUnderARecordFilter) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    int offered = 0;
    table.SetOnFilterRecord([&](TDataSet&, bool& accept) {
        ++offered;
        accept = true;
    });
    table.SetFiltered(true);
    offered = 0;
    EXPECT_FALSE(table.Locate("Tour", Variant("Kiel-02"), 0));
    EXPECT_FALSE(table.FindFirstByKey("Tour", Variant("Kiel-02"), 0));
    EXPECT_EQ(offered, 0);
    EXPECT_EQ(Tour(table), "Berlin-01");
}

TEST_F(Searching, LocateOnAStandardTableSeeksInAnIndex) {
    TZedaDaoTable& table = Open(engine::dbOpenTable, "VonTour");
    EXPECT_TRUE(table.Locate("Tour;Recvon", Keys({"Bremen-05", "Nordfracht"}), 0));
    EXPECT_EQ(Tour(table), "Bremen-05");
    EXPECT_EQ(table.RecNo(), 3);  // Elbe, Nordfracht/Berlin, Nordfracht/Bremen: index order
    // One of the index's two fields: a seek with ">=" that lands on a match.
    EXPECT_TRUE(table.Locate("Recvon", Variant("Elbe Logistik"), 0));
    EXPECT_EQ(Tour(table), "Berlin-02");
    EXPECT_TRUE(table.Locate("Recvon", Variant("Süd"), loPartialKey));
    EXPECT_EQ(Tour(table), "Hamburg-07");
}

// A seek with ">=" stops at the next record when the key is missing; that record
// is no match, and the cursor stays.
TEST_F(Searching, ANearMissOfASeekIsNoMatch) {
    TZedaDaoTable& table = Open(engine::dbOpenTable, "VonTour");
    table.Locate("Recvon", Variant("Elbe Logistik"), 0);
    beforeScroll = afterScroll = 0;
    EXPECT_FALSE(table.Locate("Recvon", Variant("Nordf"), 0));
    EXPECT_FALSE(table.Locate("Recvon", Variant("Nordz"), loPartialKey));
    EXPECT_TRUE(table.Locate("Recvon", Variant("nordf"), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(table.FieldByName("Recvon").AsString(), "Nordfracht");
    EXPECT_EQ(beforeScroll, 1);
}

// A row added after the table was opened, here or by another user, is found by a
// seek in another index (its clone reads the keys anew) and becomes the table's
// current record: the table learns of it.
TEST_F(Searching, LocateOnAStandardTableFindsARowAddedSinceItOpened) {
    TZedaDaoTable& table = Open(engine::dbOpenTable, "PrimaryKey");
    Execute("INSERT INTO Zalvert (Recvon, Tour) VALUES ('Neu', 'Neu-01')");
    {
        auto other = engine::CreateDBEngine("DAO.DBEngine.36")
                         ->CreateWorkspace("Anderer", "Admin", "")
                         ->OpenDatabase(path_);
        other->Execute("INSERT INTO Zalvert (Recvon, Tour) VALUES ('Fremd', 'Fremd-01')");
        other->Close();
    }
    beforeScroll = afterScroll = 0;
    EXPECT_TRUE(table.Locate("Recvon", Variant("Neu"), 0));
    EXPECT_EQ(Tour(table), "Neu-01");
    EXPECT_TRUE(table.Locate("Recvon;Tour", Keys({"Fremd", "Fremd-01"}), 0));
    EXPECT_EQ(Tour(table), "Fremd-01");
    EXPECT_EQ(beforeScroll, 2);
    EXPECT_EQ(afterScroll, 2);
    EXPECT_TRUE(table.Locate("Recvon", Variant("Neu"), 0));  // known now
    EXPECT_EQ(Tour(table), "Neu-01");
}

// A search in another index than the table's keeps its clone for the next one;
// what the table writes is found all the same.
TEST_F(Searching, LocateInAnotherIndexFindsWhatTheTableWroteMeanwhile) {
    TZedaDaoTable& table = Open(engine::dbOpenTable, "PrimaryKey");
    EXPECT_TRUE(table.Locate("Recvon", Variant("nordwind"), 0));
    EXPECT_EQ(Tour(table), "Kiel-02");
    table.Append();
    table.FieldByName("Recvon").SetAsString("Zuletzt");
    table.FieldByName("Tour").SetAsString("Ulm-01");
    table.Post();
    table.First();
    EXPECT_TRUE(table.Locate("Recvon", Variant("Zuletzt"), 0));
    EXPECT_EQ(Tour(table), "Ulm-01");
    table.Edit();
    table.FieldByName("Recvon").SetAsString("Umbenannt");
    table.Post();
    EXPECT_FALSE(table.Locate("Recvon", Variant("Zuletzt"), 0));
    EXPECT_TRUE(table.Locate("Recvon", Variant("Umbenannt"), 0));
    EXPECT_EQ(Tour(table), "Ulm-01");
    EXPECT_TRUE(table.Locate("Recvon", Variant("Südkurier"), 0));
    table.Delete();
    EXPECT_FALSE(table.Locate("Recvon", Variant("Südkurier"), 0));
    EXPECT_TRUE(table.Locate("Recvon", Variant("Elbe Logistik"), 0));
}

// Letter case is the engine's to decide, as it compares texts: a standard table
// answers as a dynaset does, with the case-insensitive option or without.
TEST_F(Searching, EveryTableTypeGivesTheSameAnswer) {
    for (int type : {engine::dbOpenTable, engine::dbOpenDynaset, engine::dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        TZedaDaoTable& table = Open(type, type == engine::dbOpenTable ? "VonTour" : "");
        for (int options : {0, int{loCaseInsensitive}, int{loPartialKey}}) {
            EXPECT_TRUE(table.Locate("Recvon", Variant("ELBE LOGISTIK"), options)) << options;
            EXPECT_EQ(Tour(table), "Berlin-02");
            EXPECT_TRUE(table.Locate("Recvon", Variant("südkurier"), options)) << options;
            EXPECT_EQ(Tour(table), "Hamburg-07");
        }
        EXPECT_TRUE(table.Locate("Recvon", Variant("nordf"), loPartialKey));
        EXPECT_FALSE(table.Locate("Recvon", Variant("nordf"), 0));
        table.Close();
    }
}

TEST_F(Searching, AStandardTableNeedsAnIndexToLocate) {
    Execute("CREATE TABLE Frei (Name TEXT(20))");
    Execute("INSERT INTO Frei (Name) VALUES ('a')");
    TZedaDaoTable& table = Table("Frei", engine::dbOpenTable);
    table.Open();
    EXPECT_EQ(MessageOf([&] { table.Locate("Name", Variant("a"), 0); }),
              "Index Property is Empty!\r\nYou must set an index before using Locate with "
              "StandardTables");
    TZedaDaoTable& billing = Open(engine::dbOpenTable);
    EXPECT_TRUE(billing.Locate("ID", Variant(4), 0));  // the primary key is found by itself
    EXPECT_EQ(Tour(billing), "Berlin-02");
}

TEST_F(Searching, ARecordsetWithoutBookmarksIsScanned) {
    TZedaDaoTable& table = Open(engine::dbOpenForwardOnly);
    EXPECT_FALSE(table.Bookmarkable());
    EXPECT_TRUE(table.Locate("Recvon", Variant("*elbe*"), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(Tour(table), "Berlin-02");
    EXPECT_EQ(beforeScroll, 2);  // once when leaving, once when the match is made current
    EXPECT_EQ(afterScroll, 2);
}

TEST_F(Searching, KeyFindsStepThroughTheMatchesFromTheCurrentRecord) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    const Variant nord("nord");
    const int options = loPartialKey | loCaseInsensitive;
    EXPECT_TRUE(table.FindFirstByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Berlin-01");
    EXPECT_TRUE(table.FindNextByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Kiel-02");
    EXPECT_TRUE(table.FindNextByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Bremen-05");
    EXPECT_EQ(table.RecNo(), 6);
    EXPECT_FALSE(table.FindNextByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Bremen-05");
    EXPECT_TRUE(table.FindPriorByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Kiel-02");
    EXPECT_TRUE(table.FindLastByKey("Recvon", nord, options));
    EXPECT_EQ(Tour(table), "Bremen-05");
    EXPECT_THROW(table.FindFirstByKey("Fehlt", nord, 0), EDatabaseError);
}

TEST_F(Searching, FindRecordRepeatsTheLastKeyFind) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    EXPECT_FALSE(table.FindFirst());  // nothing searched yet
    EXPECT_FALSE(table.FindNext());
    table.FindFirstByKey("ImportID", Variant(2), 0);
    EXPECT_EQ(Tour(table), "Kiel-02");
    EXPECT_TRUE(table.FindNext());
    EXPECT_EQ(Tour(table), "Berlin-02");
    EXPECT_FALSE(table.FindNext());
    EXPECT_TRUE(table.FindFirst());
    EXPECT_EQ(Tour(table), "Kiel-02");
    EXPECT_TRUE(table.FindLast());
    EXPECT_EQ(Tour(table), "Berlin-02");
    EXPECT_TRUE(table.FindPrior());
    EXPECT_EQ(Tour(table), "Kiel-02");
}

TEST_F(Searching, LookupReadsWithoutMovingAndKeepsTheFilter) {
    TZedaDaoTable& table = Open(engine::dbOpenDynaset);
    table.Next();
    EXPECT_EQ(table.Lookup("Tour", Variant("Kiel-02"), "Recvon").AsString(), "nordwind");
    const Variant both = table.Lookup("Recvon;ImportID", Keys({"Nordfracht", 3}), "Tour;ID");
    ASSERT_EQ(both.Type(), TVarType::Array);
    EXPECT_EQ(both.AsArray().Items.at(0).AsString(), "Bremen-05");
    EXPECT_EQ(both.AsArray().Items.at(1).AsInteger(), 6);
    const Variant none = table.Lookup("Tour", Variant("Paris"), "Recvon");
    EXPECT_EQ(none.Type(), TVarType::Boolean);
    EXPECT_FALSE(none.AsBoolean());
    EXPECT_EQ(Tour(table), "Hamburg-07");
    EXPECT_EQ(beforeScroll, 1);
    EXPECT_EQ(table.Recordset()->Filter(), "");
    EXPECT_EQ(MessageOf([&] { table.Lookup("Tour", Variant("x"), ""); }),
              "ResultFields are not defined");
    EXPECT_EQ(MessageOf([&] { table.Lookup("Tour", Variant("x"), "Fehlt"); }),
              "Invalid field name: Fehlt");
    EXPECT_THROW(table.Lookup("Fehlt", Variant("x"), "Tour"), EDatabaseError);
    EXPECT_EQ(table.Recordset()->Filter(), "");
}

TEST_F(Searching, LookupComputesCalculatedResults) {
    TZedaDaoTable& table = Table("Zalvert");
    table.InitFieldDefs();
    for (int i = 0; i < table.FieldDefs().Count(); ++i)
        table.FieldDefs().Items(i).CreateField(&table, &table);
    auto* label = new TStringField(&table);
    label->SetFieldName("Etikett");
    label->SetFieldKind(TFieldKind::fkCalculated);
    label->SetDataSet(&table);
    table.OnCalcFields = [](TDataSet& ds) {
        ds.FieldByName("Etikett").SetAsString(ds.FieldByName("Recvon").AsString() + "/" +
                                              ds.FieldByName("Tour").AsString());
    };
    table.Open();
    EXPECT_EQ(table.Lookup("Tour", Variant("Kiel-02"), "Etikett").AsString(), "nordwind/Kiel-02");
    EXPECT_EQ(table.FieldByName("Etikett").AsString(), "Nordfracht/Berlin-01");
}

// A time is searched as that time on the day zero, where a time field keeps it.
TEST_F(Searching, FindsByATimeField) {
    Execute("CREATE TABLE Schicht (nr COUNTER, beginn DATETIME, CONSTRAINT pk PRIMARY KEY (nr))");
    Execute("INSERT INTO Schicht (beginn) VALUES (#06:00:00#)");
    Execute("INSERT INTO Schicht (beginn) VALUES (#14:30:05#)");
    for (int type : {engine::dbOpenDynaset, engine::dbOpenSnapshot}) {
        SCOPED_TRACE(type);
        TZedaDaoTable& table = Table("Schicht", type);
        auto* nr = new TIntegerField(&table);
        nr->SetFieldName("nr");
        nr->SetDataSet(&table);
        auto* beginn = new TTimeField(&table);
        beginn->SetFieldName("beginn");
        beginn->SetDataSet(&table);
        table.Open();
        const Variant time = Variant::FromDate(EncodeTime(14, 30, 5, 0));
        EXPECT_TRUE(table.Locate("beginn", time, 0));
        EXPECT_EQ(table.FieldByName("nr").AsInteger(), 2);
        EXPECT_EQ(
            table.Lookup("beginn", Variant::FromDate(EncodeTime(6, 0, 0, 0)), "nr").AsInteger(), 1);
        table.Close();
    }
}

}  // namespace
}  // namespace zalvert::testing
