// The table component over a database file and over a database server alike:
// browsing, counting, locating, editing, inserting with the new key read back,
// deleting, filtering, and a transaction rolled back.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"
#include "tests/support/BothEngines.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/ServerTests.h"

namespace zalvert {
namespace {

using testing::TBothEngines;
using testing::TEngineKind;

class DaoTableBothEnginesTest : public ::testing::TestWithParam<TEngineKind> {
  protected:
    void SetUp() override {
        std::string why;
        if (!target_.Available(why)) ZI_NO_SERVER(why);
        FormatSettings() = TFormatSettings::German();
        SetApplicationInteraction(&ui_);
        if (target_.Server())
            target_.DropTables({"Zalvert", "u_Recvon", "u_Importlauf"});
        else
            std::filesystem::remove(target_.Setting());
        CreateZalvertDatabase(target_.Setting(), {"Nordfracht"});
        auto db = target_.Connect();
        for (int n = 1; n <= 150; ++n)
            db->Execute("INSERT INTO Zalvert (Recvon, Tour, ImportID) VALUES ('Nordfracht', 'T" +
                        std::to_string(1000 + n) + "', " + std::to_string(n % 3) + ")");
        db->Close();
        db_.F_Set_DatabaseType(target_.Server() ? "ODBC" : "Access");
        db_.F_Set_Database(target_.Setting());
        db_.Open();
        table_.F_Set_Database(&db_);
        table_.F_Set_TableType(engine::dbOpenDynaset);
        table_.SetSQL("SELECT * FROM Zalvert ORDER BY Tour");
    }
    void TearDown() override { SetApplicationInteraction(nullptr); }

    std::string Tour() { return table_.FieldByName("Tour").AsString(); }

    TBothEngines target_{GetParam()};
    testing::TRecordingInteraction ui_;
    TZedaDaoDatabase db_;
    TZedaDaoTable table_;
};

TEST_P(DaoTableBothEnginesTest, BrowsesCountsAndLocates) {
    table_.Open();
    EXPECT_EQ(Tour(), "T1001");
    EXPECT_EQ(table_.RecordCount(), 150);
    table_.Last();
    EXPECT_EQ(Tour(), "T1150");
    EXPECT_EQ(table_.RecNo(), 150);
    table_.MoveBy(-49);
    EXPECT_EQ(Tour(), "T1101");
    EXPECT_TRUE(table_.Locate("Tour", Variant("T1077"), 0));
    EXPECT_EQ(Tour(), "T1077");
    EXPECT_FALSE(table_.Locate("Tour", Variant("T9999"), 0));
    EXPECT_EQ(Tour(), "T1077");
    EXPECT_TRUE(table_.Locate("Tour", Variant("t105"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Tour(), "T1050");
    EXPECT_EQ(table_.Lookup("Tour", Variant("T1042"), "ImportID").AsInteger(), 0);
    table_.SetFilter("ImportID = 1");
    table_.SetFiltered(true);
    table_.Last();
    EXPECT_EQ(table_.RecordCount(), 50);
    EXPECT_EQ(Tour(), "T1148");
}

// The search line's search: every character a user types matches itself, on
// either engine, whatever the engine's wildcards and escapes are.
TEST_P(DaoTableBothEnginesTest, APartialKeyMatchesEveryCharacterAsItself) {
    const std::vector<std::string> tours = {"100%", "A_B", "x-1", "Wer?", "#5",    "Nr!1",
                                            "a*b",  "[x]", "y]z", "q\\r", "O'Neil"};
    {
        auto db = target_.Connect();
        for (const std::string& tour : tours) {
            auto rs = db->OpenRecordset("Zalvert", engine::dbOpenDynaset);
            rs->AddNew();
            rs->Fields().Item("Tour")->SetValue(Variant(tour));
            rs->Update();
        }
        db->Close();
    }
    table_.Open();
    const int options = loCaseInsensitive | loPartialKey;
    for (const std::string& tour : tours) {
        table_.First();
        EXPECT_TRUE(table_.Locate("Tour", Variant(tour), options)) << tour;
        EXPECT_EQ(Tour(), tour);
        EXPECT_TRUE(table_.Locate("Tour", Variant(tour.substr(0, 2)), options)) << tour;
        EXPECT_EQ(Tour().substr(0, 2), tour.substr(0, 2));
    }
    // Typed alone, the server's own wildcards find only what begins with them.
    table_.First();
    EXPECT_FALSE(table_.Locate("Tour", Variant("%"), options));
    EXPECT_FALSE(table_.Locate("Tour", Variant("_"), options));
    EXPECT_TRUE(table_.Locate("Tour", Variant("T10"), options));
}

TEST_P(DaoTableBothEnginesTest, EditsInsertsAndDeletesThroughTheDataset) {
    table_.Open();
    table_.Edit();
    table_.FieldByName("Recan").SetAsString("Hafen Süd");
    table_.Post();
    table_.Append();
    table_.FieldByName("Recvon").SetAsString("Nordfracht");
    table_.FieldByName("Tour").SetAsString("T2000");
    table_.Post();
    // The new record shows the key the database gave it.
    const int id = table_.FieldByName("ID").AsInteger();
    EXPECT_GT(id, 150);
    EXPECT_EQ(Tour(), "T2000");
    table_.First();
    table_.Next();
    table_.Delete();
    EXPECT_EQ(Tour(), "T1003");

    TZedaDaoTable check;
    check.F_Set_Database(&db_);
    check.SetSQL("SELECT * FROM Zalvert ORDER BY Tour");
    check.Open();
    EXPECT_EQ(check.RecordCount(), 150);
    EXPECT_EQ(check.FieldByName("Recan").AsString(), "Hafen Süd");
    EXPECT_TRUE(check.Locate("ID", Variant(id), 0));
    EXPECT_FALSE(check.Locate("Tour", Variant("T1002"), 0));
}

TEST_P(DaoTableBothEnginesTest, ARolledBackTransactionLeavesNothing) {
    table_.Open();
    db_.StartTransaction();
    for (int i = 0; i < 3; ++i) {
        table_.Append();
        table_.FieldByName("Tour").SetAsString("X" + std::to_string(i));
        table_.Post();
    }
    db_.Rollback();
    table_.Close();
    table_.Open();
    EXPECT_EQ(table_.RecordCount(), 150);
    EXPECT_FALSE(table_.Locate("Tour", Variant("X1"), 0));
}

INSTANTIATE_TEST_SUITE_P(Engines, DaoTableBothEnginesTest,
                         ::testing::Values(TEngineKind::File, TEngineKind::Server),
                         testing::EngineKindName);

}  // namespace
}  // namespace zalvert
