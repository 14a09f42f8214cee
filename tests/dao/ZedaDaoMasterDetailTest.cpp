#include <gtest/gtest.h>

#include "dataset/DatabaseError.h"
#include "tests/dao/DaoTableFixture.h"

namespace zalvert::testing {
namespace {

using Strings = std::vector<std::string>;

// Companies as the master, their billing records as the detail.
class MasterDetail : public DaoTableTest {
  protected:
    void SetUp() override {
        DaoTableTest::SetUp();
        const char* rows[][2] = {{"Nordfracht", "N1"},
                                 {"Südkurier", "S1"},
                                 {"Nordfracht", "N2"},
                                 {"Elbe Logistik", "E1"},
                                 {"Nordfracht", "N3"}};
        for (const auto& row : rows)
            Execute(std::string("INSERT INTO Zalvert (Recvon, Tour) VALUES ('") + row[0] + "', '" +
                    row[1] + "')");
        masterSource_.SetDataSet(&Companies());
    }

    TZedaDaoTable& Companies() {
        if (!companies_) companies_ = &Table("u_Recvon");
        return *companies_;
    }

    TZedaDaoTable& Detail(const std::string& masterFields) {
        TZedaDaoTable& detail = Table("Zalvert");
        detail.SetMasterSource(&masterSource_);
        detail.SetMasterFields(masterFields);
        return detail;
    }

    static Strings Tours(TZedaDaoTable& table) {
        Strings tours;
        for (table.First(); !table.Eof(); table.Next())
            tours.push_back(table.FieldByName("Tour").AsString());
        return tours;
    }

    TDataSource masterSource_;
    TZedaDaoTable* companies_ = nullptr;
};

TEST_F(MasterDetail, TheDetailFollowsTheMaster) {
    TZedaDaoTable& detail = Detail("Recvon -> Firma");
    detail.Open();
    EXPECT_TRUE(Companies().Active());  // opened for the detail
    EXPECT_EQ(Tours(detail), (Strings{"N1", "N2", "N3"}));
    Companies().Next();
    EXPECT_EQ(Tours(detail), (Strings{"S1"}));
    Companies().Last();
    EXPECT_EQ(Tours(detail), (Strings{"E1"}));
    // A new detail record takes the master's value.
    detail.Append();
    EXPECT_EQ(detail.FieldByName("Recvon").AsString(), "Elbe Logistik");
    detail.FieldByName("Tour").SetAsString("E2");
    detail.Post();
    EXPECT_EQ(Tours(detail), (Strings{"E1", "E2"}));
    Companies().First();
    EXPECT_EQ(Tours(detail), (Strings{"N1", "N2", "N3"}));
}

TEST_F(MasterDetail, ReadsTheThreeFormsOfMasterFields) {
    Execute("CREATE TABLE Herkunft (Firma TEXT(50), Recvon TEXT(50), Tour TEXT(50))");
    Execute("INSERT INTO Herkunft VALUES ('Nordfracht', 'Nordfracht', 'N2')");
    TZedaDaoTable& origin = Table("Herkunft");
    masterSource_.SetDataSet(&origin);
    TZedaDaoTable& both = Detail("Recvon;Tour");
    both.Open();
    EXPECT_EQ(Tours(both), (Strings{"N2"}));
    TZedaDaoTable& arrows = Detail("Recvon -> Firma\nunbeachtet\nTour -> Tour");
    arrows.Open();
    EXPECT_EQ(Tours(arrows), (Strings{"N2"}));
    TZedaDaoTable& none = Detail("Recvon Firma");  // neither ";" nor " -> ": no link
    none.Open();
    EXPECT_EQ(Tours(none).size(), 5u);
}

TEST_F(MasterDetail, ANullMasterValueShowsTheDetailsWithoutValue) {
    Execute("INSERT INTO u_Recvon (Prioritaet) VALUES (9)");
    Execute("INSERT INTO Zalvert (Tour) VALUES ('ohne')");
    TZedaDaoTable& detail = Detail("Recvon -> Firma");
    detail.Open();
    Companies().Last();
    EXPECT_TRUE(Companies().FieldByName("Firma").IsNull());
    EXPECT_EQ(Tours(detail), (Strings{"ohne"}));
}

TEST_F(MasterDetail, TheFilterNarrowsTheDetailToo) {
    TZedaDaoTable& detail = Detail("Recvon -> Firma");
    detail.SetFilter("Tour <> 'N2'");
    detail.SetFiltered(true);
    detail.Open();
    EXPECT_EQ(Tours(detail), (Strings{"N1", "N3"}));
}

TEST_F(MasterDetail, ParametersOfTheDetailSqlTakeMasterValues) {
    TZedaDaoTable& detail = Query("SELECT * FROM Zalvert WHERE Recvon = :Firma ORDER BY Tour");
    ASSERT_EQ(detail.Params().Count(), 1);
    detail.SetMasterSource(&masterSource_);
    detail.SetMasterFields("Recvon -> Firma");
    Companies().Open();
    detail.Open();
    EXPECT_EQ(Tours(detail), (Strings{"N1", "N2", "N3"}));
    EXPECT_EQ(detail.Params().Items(0).Value.AsString(), "Nordfracht");
    Companies().Next();
    EXPECT_EQ(Tours(detail), (Strings{"S1"}));
}

TEST_F(MasterDetail, RefusesACircleAndForgetsAGoneMaster) {
    TZedaDaoTable& detail = Detail("Recvon -> Firma");
    TDataSource detailSource;
    detailSource.SetDataSet(&detail);
    EXPECT_EQ(MessageOf([&] { Companies().SetMasterSource(&detailSource); }),
              "Circular links not allowed!");
    EXPECT_EQ(MessageOf([&] { detail.SetMasterSource(&detailSource); }),
              "Circular links not allowed!");
    detail.SetMasterSource(nullptr);
    EXPECT_EQ(detail.MasterFields().Count(), 0);
    {
        TDataSource gone;
        gone.SetDataSet(&Companies());
        detail.SetMasterSource(&gone);
    }
    EXPECT_EQ(detail.MasterSource(), nullptr);
    detail.Open();
    EXPECT_EQ(Tours(detail).size(), 5u);
}

using Filtering = DaoTableTest;

TEST_F(Filtering, AFilterThatFailsPutsTheOldOneBack) {
    AddBillingRecords(6);
    TZedaDaoTable& table = Table("Zalvert");
    table.SetFilter("ImportID = 1");
    table.Open();
    table.SetFiltered(true);
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_THROW(table.SetFilter("ImportID = = 1"), std::exception);
    EXPECT_EQ(table.Filter(), "ImportID = 1");
    EXPECT_TRUE(table.Active());
    EXPECT_EQ(table.RecordCount(), 2);
    table.SetFiltered(false);
    EXPECT_EQ(table.RecordCount(), 6);
    table.SetFilter("Fehlt = 1");  // not filtered: nothing is opened yet
    EXPECT_THROW(table.SetFiltered(true), std::exception);
    EXPECT_FALSE(table.Filtered());
    EXPECT_EQ(table.RecordCount(), 6);
}

TEST_F(Filtering, SortedByAndIndexNameClearEachOther) {
    AddBillingRecords(3);
    TZedaDaoTable& table = Table("Zalvert");
    table.Open();
    table.SetSortedBy("Tour DESC\nID");
    EXPECT_EQ(table.CurrentSort(), "Tour DESC, ID ");
    EXPECT_EQ(table.FieldByName("Tour").AsString(), "T3");
    table.Close();
    table.F_Set_TableType(engine::dbOpenTable);
    table.SetSortedBy("Tour");
    table.F_Set_IndexName("ImportID");
    EXPECT_EQ(table.SortedBy().Count(), 0);
    table.SetSortedBy("Tour");
    EXPECT_EQ(table.IndexName(), "");
}

}  // namespace
}  // namespace zalvert::testing
