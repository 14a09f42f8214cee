#include <gtest/gtest.h>

#include "data/Daten.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

class DataModuleTest : public ::testing::Test {
  protected:
    void SetUp() override { SetApplicationInteraction(&ui_); }
    void TearDown() override { SetApplicationInteraction(nullptr); }

    std::unique_ptr<TData> Create(const std::string& main, const std::string& pass = {}) {
        return std::make_unique<TData>(
            ui_, dir_.Write("z.ini", "[DB]\nMain=" + main + "\nPass=" + pass + "\n"));
    }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
};

TEST_F(DataModuleTest, OpensTheDatabaseAndTheBillingTable) {
    CreateZalvertDatabase(dir_.Path() + "zalvert.db", {"Nordfracht"});
    auto data = Create(dir_.Path() + "zalvert.db");
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(data->Datenbank->Connected());
    EXPECT_EQ(data->Datenbank->Database(), dir_.Path() + "zalvert.db");
    EXPECT_EQ(data->Datenbank->SystemDatabase(), "system.mdb");
    EXPECT_TRUE(data->Datenbank->TrackTransactions());
    EXPECT_TRUE(data->Zalvert->Active());
    EXPECT_FALSE(data->Recvon->Active());
    EXPECT_FALSE(data->qImportid->Active());
    EXPECT_EQ(data->Zalvert1->DataSet(), data->Zalvert);
    EXPECT_EQ(data->Zalvert->TableType(), 2);
    EXPECT_EQ(data->Zalvert->LockType(), 3);
    EXPECT_EQ(data->qImportid->SQL().Strings(0),
              "select importid from zalvert order by importid desc");
    // The field order the positional insert relies on.
    const char* order[] = {"Recvon",      "Recan",    "Datumvon",  "Datumbis", "Tour",
                           "erstelltvon", "ImportID", "Netto",     "Recdatum", "Recnr",
                           "Gutschrift",  "erledigt", "Bemerkung", "ID"};
    ASSERT_EQ(data->Zalvert->FieldCount(), 14);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(data->Zalvert->Fields()[i].FieldName(), order[i]);
    EXPECT_EQ(data->Zalvert->Fields()[0].Name(), "ZalvertRecvon");
    EXPECT_EQ(data->Zalvert->Fields()[0].Size(), 255);
    EXPECT_TRUE(data->Zalvert->FieldByName("ID").ReadOnly());
    data->Recvon->Open();
    EXPECT_EQ(data->Recvon->FieldCount(), 3);
    EXPECT_EQ(data->Recvon->FieldByName("Firma").AsString(), "Nordfracht");
}

TEST_F(DataModuleTest, AnEmptyMainLeavesTheDatabaseClosedAfterOneMessage) {
    auto data = Create("");
    EXPECT_EQ(ui_.Messages.size(), 1u);
    EXPECT_FALSE(data->Datenbank->Connected());
    EXPECT_FALSE(data->Zalvert->Active());
}

TEST_F(DataModuleTest, AWrongPasswordIsReported) {
    CreateZalvertDatabase(dir_.Path() + "zalvert.db", {});
    auto data = Create(dir_.Path() + "zalvert.db", "geheim");
    EXPECT_EQ(ui_.Messages.size(), 1u);
    EXPECT_FALSE(data->Zalvert->Active());
}

TEST_F(DataModuleTest, OpensADatabaseWithoutTheCompanyTable) {
    auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
    auto db = engine->CreateDatabase(dir_.Path() + "ohne.db");
    db->Execute(SchemaStatements()[0]);
    db->Close();
    auto data = Create(dir_.Path() + "ohne.db");
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(data->Zalvert->Active());
}

}  // namespace
}  // namespace zalvert
