#include <gtest/gtest.h>

#include "data/Schema.h"
#include "engine/Dao.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using namespace engine;

TEST(Schema, CreatesTheBillingAndCompanyTables) {
    testing::TTempDir dir;
    const std::string path = dir.Path() + "zalvert.db";
    CreateZalvertDatabase(path, {"Spedition M\xC3\xBCller", "Nordfracht"});
    auto db =
        CreateDBEngine("DAO.DBEngine.36")->CreateWorkspace("T", "Admin", "")->OpenDatabase(path);

    struct TColumn {
        const char* Name;
        int Type;
        int Size;
    };
    const TColumn zalvert[] = {
        {"ID", dbLong, 4},           {"Recdatum", dbDate, 8},    {"Recnr", dbText, 255},
        {"Recvon", dbText, 255},     {"Recan", dbText, 255},     {"Datumvon", dbDate, 8},
        {"Datumbis", dbDate, 8},     {"Tour", dbText, 255},      {"Netto", dbCurrency, 8},
        {"Gutschrift", dbText, 255}, {"erledigt", dbBoolean, 1}, {"Bemerkung", dbMemo, 0},
        {"erstelltvon", dbLong, 4},  {"ImportID", dbLong, 4},
    };
    auto& fields = db->TableDefs().Item("Zalvert")->Fields();
    ASSERT_EQ(fields.Count(), 14);
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(fields.Item(i)->Name(), zalvert[i].Name);
        EXPECT_EQ(fields.Item(i)->Type(), zalvert[i].Type) << zalvert[i].Name;
        EXPECT_EQ(fields.Item(i)->Size(), zalvert[i].Size) << zalvert[i].Name;
    }
    EXPECT_EQ(fields.Item("ID")->Attributes() & dbAutoIncrField, dbAutoIncrField);

    auto& companies = db->TableDefs().Item("u_Recvon")->Fields();
    ASSERT_EQ(companies.Count(), 3);
    EXPECT_EQ(companies.Item(2)->Name(), "Firma");
    EXPECT_EQ(companies.Item(2)->Size(), 50);

    auto rs = db->OpenRecordset("u_Recvon");
    EXPECT_EQ(rs->Fields().Item("Firma")->Value().AsString(), "Spedition M\xC3\xBCller");
    EXPECT_EQ(rs->Fields().Item("Prioritaet")->Value().AsInteger(), 1);
    rs->MoveNext();
    EXPECT_EQ(rs->Fields().Item("Firma")->Value().AsString(), "Nordfracht");
    EXPECT_EQ(rs->RecordCount(), 2);

    auto query = db->OpenRecordset("select importid from zalvert order by importid desc");
    EXPECT_TRUE(query->Eof());
    EXPECT_THROW(CreateZalvertDatabase(path, {}), EDaoError);
}

}  // namespace
}  // namespace zalvert
