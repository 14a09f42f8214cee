#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/Daten.h"
#include "data/Schema.h"
#include "import/ImportRun.h"
#include "import/Importer.h"
#include "rtl/FormatSettings.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

class TRecordingView : public IImportView {
  public:
    void SetProgressMaximum(int maximum) override { Maximum = maximum; }
    void SetProgressPosition(int position, const TImportCounts&) override {
        Positions.push_back(position);
    }
    void ShowImportId(const std::string& text) override { Id = text; }
    void ShowSummary(const std::string& text) override { Summary = text; }
    std::string ImportYear() const override { return Year; }

    int Maximum = -1;
    std::vector<int> Positions;
    std::string Id = "ID";
    std::string Summary = "0 Datensätze importiert";
    std::string Year = "2018";
};

// A billing record as stored.
struct TStored {
    std::string Recvon, Recan, Tour;
    TDateTime Von = 0, Bis = 0;
    int ImportId = 0, ErstelltVon = -1;
};

class ImportRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        SetClockForTesting(TSystemTime{2026, 12, 8, 14, 7, 9, 0});
        std::filesystem::create_directories(dir_.Path() + "import");
        std::filesystem::create_directories(dir_.Path() + "archiv");
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    void Start(const std::vector<std::string>& companies) {
        CreateZalvertDatabase(dir_.Path() + "zalvert.db", companies);
        const std::string ini =
            dir_.Write("z.ini", "[DB]\nMain=" + dir_.Path() +
                                    "zalvert.db\n[Import]\nmaxspalte=5\npfad=" + dir_.Path() +
                                    "import/\next=*.csv\narchiv=" + dir_.Path() + "archiv/\n");
        data_ = std::make_unique<TData>(ui_, ini);
        ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
        importer_ = std::make_unique<TImporter>(data_->Settings(), ui_);
        importer_->AttachData(*data_, view_);
    }

    // Loads the lines as a file of the import folder; the run follows at once.
    std::string Import(const std::string& content) {
        const std::string path = dir_.Write("import/touren.csv", content);
        importer_->LoadFile(path);
        return path;
    }

    std::string Mark(int row) const { return std::string(importer_->Gitter().Cells(5, row)); }

    std::vector<TStored> Stored() {
        std::vector<TStored> rows;
        auto rs = data_->Datenbank->DatabaseObject()->OpenRecordset(
            "SELECT * FROM Zalvert ORDER BY ID", engine::dbOpenSnapshot);
        auto text = [&](const char* name) {
            const Variant v = rs->Fields().Item(name)->Value();
            return v.IsNull() ? std::string() : v.AsString();
        };
        for (; !rs->Eof(); rs->MoveNext())
            rows.push_back({text("Recvon"), text("Recan"), text("Tour"),
                            rs->Fields().Item("Datumvon")->Value().AsDateTime(),
                            rs->Fields().Item("Datumbis")->Value().AsDateTime(),
                            rs->Fields().Item("ImportID")->Value().AsInteger(),
                            rs->Fields().Item("erstelltvon")->Value().AsInteger()});
        return rows;
    }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
    TRecordingView view_;
    std::unique_ptr<TData> data_;
    std::unique_ptr<TImporter> importer_;
};

TEST_F(ImportRunTest, ChecksEachRowAndStoresTheAcceptedOnes) {
    Start({"Müller Transporte", "alpha", "Nordfracht"});
    Import(
        "MÜLLER TRANSPORTE GMBH;K1;1.2.2018;2.2.2018;T1\n"  // Ü stays as it is
        "Alphabet Logistik;K2;1.2.2018;2.2.2018;T2\n"       // a substring is enough
        "Nordfracht;K3;;2.2.2018;T3\n"
        "Nordfracht;K4;01-02-2018;2.2.2018;T4\n"
        "Nordfracht;K5;1.2.2018;01/02/2018;T5\n"
        "Nordfracht Süd;K6;24.12.;31.12.2018;T6\n"
        "Nordfracht;K7;24.12.18;31.12.80;T7\n");
    // A date without its year: the user sets the year, then imports.
    EXPECT_EQ(ui_.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
    EXPECT_TRUE(Stored().empty());
    importer_->btdbClick();
    EXPECT_EQ(Mark(1), "falsche Firma");
    EXPECT_EQ(Mark(2), "");
    EXPECT_EQ(Mark(3), "Kein Datum");
    EXPECT_EQ(Mark(4), "Datum von ungültig");
    EXPECT_EQ(Mark(5), "Datum von ungültig");
    EXPECT_EQ(Mark(6), "");
    EXPECT_EQ(view_.Summary,
              "7 Datensätze verarbeitet, 3 Datensätze importiert, 4 Zeilen ungültig");
    EXPECT_EQ(view_.Id, "1");
    EXPECT_EQ(view_.Maximum, 7);
    EXPECT_EQ(view_.Positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Recvon, "Alphabet Logistik");  // as it stands in the grid
    EXPECT_EQ(rows[0].Recan, "K2");
    EXPECT_EQ(rows[0].Tour, "T2");
    EXPECT_DOUBLE_EQ(rows[0].Von, EncodeDate(2018, 2, 1));
    EXPECT_DOUBLE_EQ(rows[1].Von, EncodeDate(2018, 12, 24));  // completed with the year
    EXPECT_DOUBLE_EQ(rows[2].Von, EncodeDate(2018, 12, 24));  // two-digit year
    EXPECT_DOUBLE_EQ(rows[2].Bis, EncodeDate(1980, 12, 31));
    for (const TStored& row : rows) {
        EXPECT_EQ(row.ImportId, 1);
        EXPECT_EQ(row.ErstelltVon, 0);
    }
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ImportRunTest, ADateThatDoesNotConvertEndsTheRunWithNothingStored) {
    Start({"Nordfracht"});
    const std::string file = dir_.Write("import/touren.csv",
                                        "Nordfracht;K1;1.2.2018;2.2.2018;T1\n"
                                        "Omega;K2;1.2.2018;2.2.2018;T2\n"
                                        "Nordfracht;K3;4.12.;2.2.2018;T3\n"
                                        "Omega;K4;1.2.2018;2.2.2018;T4\n");
    // The load runs the import; its error passes to the caller.
    EXPECT_THROW(importer_->LoadFile(file), EConvertError);
    EXPECT_TRUE(Stored().empty());
    EXPECT_EQ(view_.Summary, "0 Datensätze importiert");
    EXPECT_EQ(Mark(2), "falsche Firma");
    EXPECT_EQ(Mark(3), "");
    EXPECT_EQ(Mark(4), "");
    EXPECT_TRUE(std::filesystem::exists(file));  // waits for the next start
    EXPECT_EQ(data_->Datenbank->TransactionLevelCount(), 0);
    EXPECT_TRUE(data_->Zalvert->Active());
}

TEST_F(ImportRunTest, RaisesTheConversionError) {
    Start({"Nordfracht"});
    const std::string path =
        dir_.Write("import/touren.csv",
                   "Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K;31.02.2018;1.3.2018;T\n");
    try {
        importer_->LoadFile(path);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'31.02.2018' ist kein gültiges Datum");
    }
    EXPECT_TRUE(Stored().empty());
    // Corrected, the file goes in whole.
    importer_->LoadFile(
        dir_.Write("import/touren.csv",
                   "Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K;28.02.2018;1.3.2018;T\n"));
    EXPECT_EQ(Stored().size(), 2u);
}

TEST_F(ImportRunTest, EachRunTakesTheNextIdentifier) {
    Start({"Nordfracht"});
    Import("Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K2;1.2.2018;2.2.2018;T2\n");
    EXPECT_EQ(view_.Id, "1");
    // "Importieren" again over the same grid stores the rows once more, when the
    // user says so.
    ui_.ConfirmAnswers.push_back(true);
    importer_->btdbClick();
    ASSERT_EQ(ui_.Questions.size(), 1u);
    EXPECT_EQ(view_.Id, "2");
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].ImportId, 2);
    EXPECT_EQ(data_->Zalvert->RecordCount(), 4);
}

TEST_F(ImportRunTest, AnEmptyGridRefusesItsOneEmptyRow) {
    Start({"Nordfracht"});
    importer_->btdbClick();
    EXPECT_EQ(view_.Summary,
              "1 Datensätze verarbeitet, 0 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_EQ(Mark(1), "falsche Firma");
}

TEST_F(ImportRunTest, TakesEveryCompanyHoweverMany) {
    std::vector<std::string> companies;
    for (int n = 1; n <= 150; ++n) companies.push_back("Firma " + std::to_string(1000 + n));
    Start(companies);
    TImportGrid grid;
    TImportRun run(*data_, grid, view_);
    const auto read = run.ReadCompanies();
    ASSERT_EQ(read.size(), 150u);
    EXPECT_EQ(read.back(), "firma 1150");
    Import("Firma 1150 GmbH;K;1.2.2018;2.2.2018;T\n");
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(ImportRunTest, ADatabaseErrorEndsTheRunWithNothingStored) {
    Start({"Nordfracht"});
    data_->Datenbank->DatabaseObject()->Execute("CREATE UNIQUE INDEX TourEinmal ON Zalvert (Tour)");
    const std::string path = dir_.Write("import/touren.csv",
                                        "Nordfracht;K1;1.2.2018;2.2.2018;T1\n"
                                        "Nordfracht;K2;1.2.2018;2.2.2018;T1\n");
    EXPECT_ANY_THROW(importer_->LoadFile(path));
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(data_->Zalvert->RecordCount(), 0);
}

}  // namespace
}  // namespace zalvert
