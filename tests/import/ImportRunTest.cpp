#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/Daten.h"
#include "data/Schema.h"
#include "import/ImportRun.h"
#include "import/Importer.h"
#include "import/RunUndo.h"
#include "rtl/FormatSettings.h"
#include "tests/import/ImportRunFixture.h"
#include "tests/support/MessageOf.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using ImportRunTest = testing::ImportRunFixture;
using testing::TStored;

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
    // "Importieren" again over the same grid, when the user says so, is a run of its
    // own; the records it would store again are refused as sent before.
    ui_.ConfirmAnswers.push_back(true);
    importer_->btdbClick();
    ASSERT_EQ(ui_.Questions.size(), 1u);
    EXPECT_EQ(view_.Id, "2");
    EXPECT_EQ(Stored().size(), 2u);
    EXPECT_EQ(Mark(1), "Doppelt: bereits mit Import 1 gespeichert");
    EXPECT_EQ(Mark(2), "Doppelt: bereits mit Import 1 gespeichert");
    EXPECT_EQ(view_.Summary,
              "2 Datensätze verarbeitet, 0 Datensätze importiert, 2 Zeilen ungültig, davon 2 "
              "doppelt");
}

TEST_F(ImportRunTest, AnEmptyGridRefusesItsOneEmptyRow) {
    Start({"Nordfracht"});
    importer_->btdbClick();
    EXPECT_EQ(view_.Summary,
              "1 Datensätze verarbeitet, 0 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_EQ(Mark(1), "falsche Firma");
}

// A known name anywhere in the sender's cell, in any letter case, however long the
// cell.
TEST_F(ImportRunTest, FindsTheCompanyInCellsOfAnyLength) {
    Start({"Nordfracht"});
    const auto line = [](size_t length, const std::string& name, int n) {
        return std::string(length - name.size(), 'x') + name + ";K" + std::to_string(n) +
               ";1.2.2018;2.2.2018;T\n";
    };
    Import(line(10, "nordFRACHT", 1) + line(128, "NORDfracht", 2) + line(129, "nordfrachT", 3) +
           line(300, "Nordfrach", 4) + line(100, "Nordfrach", 5));
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(Mark(row), "") << row;
    EXPECT_EQ(Mark(4), "falsche Firma");
    EXPECT_EQ(Mark(5), "falsche Firma");
    EXPECT_EQ(Stored().size(), 3u);
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

constexpr const char* kTwoLines =
    "Nordfracht;K1;1.2.2018;2.2.2018;T1\nOmega;K2;1.2.2018;2.2.2018;T2\n";

TEST_F(ImportRunTest, LogsEachRunWithItsFileAndTheHashOfItsBytes) {
    Start({"Nordfracht"});
    const std::string path = Import(kTwoLines);
    // The empty file has a well-known SHA-256.
    importer_->LoadFile(dir_.Write("import/leer.csv", ""));
    const auto runs = Logged();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0][0], "1");
    EXPECT_EQ(runs[0][1], path);
    EXPECT_EQ(runs[0][2], "touren-20261208-14_07_09.csv");
    EXPECT_EQ(runs[0][3].size(), 64u);
    EXPECT_EQ((std::vector<std::string>(runs[0].begin() + 4, runs[0].end())),
              (std::vector<std::string>{"2", "1", "1"}));
    EXPECT_EQ(runs[1][3], "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(runs[1][2], "leer-20261208-14_07_09.csv");
}

TEST_F(ImportRunTest, AFileImportedBeforeIsOnlyArchivedUnlessTheUserSaysYes) {
    Start({"Nordfracht"});
    Import(kTwoLines);
    const std::string report = "touren-20261208-14_07_09.abgelehnt.csv";
    ASSERT_EQ(Files("archiv"), (std::vector<std::string>{report, "touren-20261208-14_07_09.csv"}));
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    const std::string again = Import(kTwoLines);
    EXPECT_EQ(ui_.Questions,
              (std::vector<std::string>{"Diese Datei wurde bereits am 08.12.2026 14:07:09 "
                                        "importiert (Import-ID 1). Trotzdem importieren?"}));
    EXPECT_EQ(view_.Summary, "Datei bereits importiert (Import-ID 1), nichts importiert");
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Logged().size(), 1u);
    // Its bytes are in the archive already: the file just leaves the import folder.
    EXPECT_FALSE(std::filesystem::exists(again));
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{report, "touren-20261208-14_07_09.csv"}));
    EXPECT_TRUE(ui_.Messages.empty());

    ui_.ConfirmAnswers.push_back(true);
    Import(kTwoLines);
    EXPECT_EQ(view_.Id, "2");
    EXPECT_EQ(Stored().size(), 1u);  // its one accepted line is stored already
    EXPECT_EQ(Mark(1), "Doppelt: bereits mit Import 1 gespeichert");
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{report, "touren-20261208-14_07_09.csv",
                                                         "touren-20261209-08_00_00.abgelehnt.csv",
                                                         "touren-20261209-08_00_00.csv"}));
}

TEST_F(ImportRunTest, AFailedArchivingIsFinishedByTheNextRunOfTheFile) {
    Start({"Nordfracht"});
    std::filesystem::remove(dir_.Path() + "archiv");
    Import(kTwoLines);
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("Archivordner nicht gefunden"), std::string::npos);
    ASSERT_EQ(Files("import"), (std::vector<std::string>{"touren-20261208-14_07_09.csv"}));

    // The next start finds the renamed file; with the archive folder back it is
    // archived under its recorded name, with its report, without a question and
    // without being imported again.
    std::filesystem::create_directory(dir_.Path() + "archiv");
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    importer_->LoadFile(dir_.Path() + "import/touren-20261208-14_07_09.csv");
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_EQ(view_.Id, "1");
    EXPECT_EQ(view_.Summary,
              "2 Datensätze verarbeitet, 1 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{"touren-20261208-14_07_09.abgelehnt.csv",
                                                         "touren-20261208-14_07_09.csv"}));
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.abgelehnt.csv"),
              "Omega;K2;1.2.2018;2.2.2018;T2;falsche Firma\n");
}

TEST_F(ImportRunTest, ARunThatFailsLogsNothing) {
    Start({"Nordfracht"});
    EXPECT_THROW(Import("Nordfracht;K;31.02.2018;1.3.2018;T\n"), EConvertError);
    EXPECT_TRUE(Logged().empty());
    // Corrected, the same file name imports without a question.
    Import("Nordfracht;K;28.02.2018;1.3.2018;T\n");
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_EQ(Logged().size(), 1u);
}

TEST_F(ImportRunTest, EveryRunWritesTheVerdictOfEachRowItChecks) {
    Start({"Nordfracht"});
    // Six fields: the sixth lands in "Fehler" until a run overwrites it.
    Import("Omega;K1;1.2.2018;2.2.2018;T1;alt\nNordfracht;K2;1.2.2018;2.2.2018;T2;alt\n");
    EXPECT_EQ(Mark(1), "falsche Firma");
    EXPECT_EQ(Mark(2), "");
    Import("Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K2;;2.2.2018;T2\n");
    EXPECT_EQ(Mark(1), "");
    EXPECT_EQ(Mark(2), "Kein Datum");
}

TEST_F(ImportRunTest, ImportsAUtf16FileWithUmlauts) {
    Start({"Müller"});
    std::string bytes = "\xFF\xFE";
    for (char16_t unit :
         std::u16string(u"M\u00fcller KG;Stra\u00dfe;1.2.2018;2.2.2018;T\u00f6\r\n"))
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    importer_->LoadFile(dir_.Write("import/unicode.csv", bytes));
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Recvon, "Müller KG");
    EXPECT_EQ(rows[0].Recan, "Straße");
    EXPECT_EQ(rows[0].Tour, "Tö");
}

// A report of many pieces is one text in the file's encoding, its mark once.
TEST_F(ImportRunTest, ALongReportKeepsTheFilesEncodingAndOneByteOrderMark) {
    Start({"Müller"});
    std::u16string text, refused;
    for (int i = 0; i < 3000; ++i) {
        const std::u16string line = u"Ömega " + std::u16string(1, u'0' + i % 10) +
                                    u";Stra\u00dfe;1.2.2018;2.2.2018;T" +
                                    std::u16string(1, u'a' + i % 26);
        text += line + u"\r\n";
        refused += line + u";falsche Firma\r\n";
    }
    const auto utf16 = [](const std::u16string& units) {
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : units)
            bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        return bytes;
    };
    importer_->LoadFile(dir_.Write("import/touren.csv", utf16(text)));
    const std::string report =
        testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.abgelehnt.csv");
    EXPECT_GT(report.size(), 3u * 64 * 1024);
    EXPECT_TRUE(report == utf16(refused));
    EXPECT_EQ(Files("archiv").size(), 2u);  // no piece left under another name
}

TEST_F(ImportRunTest, AFileInNoKnownEncodingIsRefusedAndStaysWhereItIs) {
    Start({"Nordfracht"});
    const std::string path =
        dir_.Write("import/binaer.csv", std::string("Nordfracht;K\0;1.2.2018;2.2.2018;T1\n", 35));
    try {
        importer_->LoadFile(path);
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("\"" + path + "\" ist keine Textdatei"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(Logged().empty());
}

// The database on a small file system that fills up during the run.
TEST_F(ImportRunTest, AFullDiskUnderTheDatabaseStoresNothingAndKeepsTheFile) {
    const std::string small = dir_.Path() + "klein/";
    const testing::TSmallFileSystem disk(small, "512k");
    if (!disk.Mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    Start({"Nordfracht"}, small);
    std::string lines;
    for (int i = 0; i < 20000; ++i)
        lines += "Nordfracht;Kunde " + std::to_string(i) + ";1.2.2018;2.2.2018;T" +
                 std::to_string(i) + "\n";
    const std::string path = dir_.Write("import/touren.csv", lines);
    try {
        importer_->LoadFile(path);
        ADD_FAILURE() << "no error raised";
    } catch (const std::exception& e) {
        // The engine's own words pass on unchanged, as its errors do everywhere.
        EXPECT_NE(std::string(e.what()).find("disk is full"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(Logged().empty());
    EXPECT_EQ(data_->Datenbank->TransactionLevelCount(), 0);
}

// --- what a run leaves for later: the refused lines, the log, the undo --------------------

TEST_F(ImportRunTest, KeepsTheRefusedLinesBesideTheArchiveCopyInTheFilesEncoding) {
    Start({"Nordfracht"});
    Import(
        "M\xFCller;K1;1.2.2018;2.2.2018;T1\r\n"
        "Nordfracht;K2;1.2.2018;2.2.2018;T2\r\n"
        "\"Gr\xF6\xDF\x65;Partner\";K3;1.2.2018;2.2.2018;T3\r\n"
        "Nordfracht;K4;;2.2.2018;T4\r\n");
    const std::string report = dir_.Path() + "archiv/touren-20261208-14_07_09.abgelehnt.csv";
    ASSERT_TRUE(std::filesystem::exists(report));
    EXPECT_EQ(testing::ReadFile(report),
              "M\xFCller;K1;1.2.2018;2.2.2018;T1;falsche Firma\r\n"
              "\"Gr\xF6\xDF\x65;Partner\";K3;1.2.2018;2.2.2018;T3;falsche Firma\r\n"
              "Nordfracht;K4;;2.2.2018;T4;Kein Datum\r\n");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ImportRunTest, KeepsUtf8AndItsLineEndsAndWritesNoReportWithoutRefusedRows) {
    Start({"Nordfracht"});
    Import("\xEF\xBB\xBFNordfracht;K1;1.2.2018;2.2.2018;T1\nÖmega;K2;1.2.2018;2.2.2018;T2\n");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.abgelehnt.csv"),
              "\xEF\xBB\xBFÖmega;K2;1.2.2018;2.2.2018;T2;falsche Firma\n");
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    Import("Nordfracht;K3;1.2.2018;2.2.2018;T3\n");
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{"touren-20261208-14_07_09.abgelehnt.csv",
                                                         "touren-20261208-14_07_09.csv",
                                                         "touren-20261209-08_00_00.csv"}));
}

TEST_F(ImportRunTest, AReportThatCannotBeWrittenIsToldAndChangesNothingElse) {
    Start({"Nordfracht"});
    std::filesystem::create_directory(dir_.Path() +
                                      "archiv/touren-20261208-14_07_09.abgelehnt.csv");
    Import(kTwoLines);
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("Die abgelehnten Zeilen wurden nicht gespeichert. Die Datei \""),
              std::string::npos);
    EXPECT_NE(ui_.Messages[0].find("touren-20261208-14_07_09.abgelehnt.csv"), std::string::npos);
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "archiv/touren-20261208-14_07_09.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "import/touren.csv"));
}

TEST_F(ImportRunTest, AnUndoDeletesExactlyItsRunAndOnlyOnce) {
    Start({"Nordfracht"});
    Import("Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K2;1.2.2018;2.2.2018;T2\n");
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    importer_->LoadFile(dir_.Write("import/zweite.csv", "Nordfracht;K3;1.2.2018;2.2.2018;T3\n"));
    ASSERT_EQ(Stored().size(), 3u);
    TRunUndo undo(*data_);
    const TRunState before = undo.State(1);
    EXPECT_EQ(before.Records, 2);
    EXPECT_FALSE(before.Undone);
    EXPECT_EQ(UndoQuestion(before), "Import 1 rückgängig machen? 2 Datensätze werden gelöscht.");
    SetClockForTesting(TSystemTime{2026, 12, 10, 9, 30, 0, 0});
    EXPECT_EQ(undo.Undo(1), 2);
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Tour, "T3");
    EXPECT_EQ(data_->Zalvert->RecordCount(), 1);  // the billing table shows it
    EXPECT_TRUE(undo.State(1).Undone);
    EXPECT_EQ(undo.State(1).UndoneAtText, "10.12.2026 09:30:00");
    EXPECT_EQ(testing::MessageOf([&] { undo.Undo(1); }),
              "Import 1 wurde bereits am 10.12.2026 09:30:00 rückgängig gemacht.");
    EXPECT_EQ(testing::MessageOf([&] { undo.State(9); }), "Import 9 ist nicht verzeichnet.");
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(ImportRunTest, AFileOfAnUndoneRunIsImportedAgainWithoutTheQuestion) {
    Start({"Nordfracht"});
    Import(kTwoLines);
    TRunUndo(*data_).Undo(1);
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    Import(kTwoLines);
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_EQ(view_.Id, "2");
    EXPECT_EQ(Stored().size(), 1u);
}

// The billing window may show only one run when the next file comes in.
TEST_F(ImportRunTest, ImportsIntoABillingTableFilteredToAnotherRun) {
    Start({"Nordfracht"});
    Import("Nordfracht;K1;1.2.2018;2.2.2018;T1\n");
    data_->Zalvert->SetFilter("ImportID = 1");
    data_->Zalvert->SetFiltered(true);
    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    importer_->LoadFile(dir_.Write("import/zweite.csv", "Nordfracht;K2;1.2.2018;2.2.2018;T2\n"));
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(view_.Id, "2");
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].ImportId, 2);
    // As in any dynaset, the records added show at its end until it is opened anew.
    EXPECT_EQ(data_->Zalvert->RecordCount(), 2);
    data_->Zalvert->SetFiltered(false);
    data_->Zalvert->SetFiltered(true);
    EXPECT_EQ(data_->Zalvert->RecordCount(), 1);
}

TEST_F(ImportRunTest, AnUndoThatFailsLeavesEveryRecord) {
    Start({"Nordfracht"});
    Import("Nordfracht;K1;1.2.2018;2.2.2018;T1\nNordfracht;K2;1.2.2018;2.2.2018;T2\n");
    // The log refuses the mark after the records were deleted: all of it goes back.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir_.Path() + "zalvert.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER gesperrt BEFORE UPDATE ON u_Importlauf "
                           "BEGIN SELECT RAISE(ABORT, 'Protokoll gesperrt'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string message = testing::MessageOf([&] { TRunUndo(*data_).Undo(1); });
    EXPECT_EQ(message.find("Import 1 konnte nicht rückgängig gemacht werden: "), 0u) << message;
    EXPECT_NE(message.find("Alle Datensätze bleiben erhalten."), std::string::npos);
    EXPECT_EQ(Stored().size(), 2u);
    EXPECT_FALSE(TRunUndo(*data_).State(1).Undone);
    EXPECT_EQ(data_->Datenbank->TransactionLevelCount(), 0);
}

}  // namespace
}  // namespace zalvert
