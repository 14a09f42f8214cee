// Each file's records stored exactly once and nothing lost: the same bytes given to
// another program meanwhile, a file that changes while it is imported, archive
// names taken, names that are no UTF-8, and a report that comes back corrected.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "import/FileSha256.h"
#include "import/RunLog.h"
#include "import/StepProbe.h"
#include "tests/import/ImportRunFixture.h"
#include "tests/support/MessageOf.h"

namespace zalvert {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTwoLines =
    "Nordfracht;K1;1.2.2018;2.2.2018;T1\nOmega;K2;1.2.2018;2.2.2018;T2\n";

class ExactlyOnceTest : public testing::ImportRunFixture {
  protected:
    void TearDown() override {
        SetStepProbe(nullptr);
        ImportRunFixture::TearDown();
    }

    void Append(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::app) << text;
    }
};

// Another program's run of the same bytes holds the lock when this one checks:
// once it has committed, this run finds it under the lock and stores nothing.
TEST_F(ExactlyOnceTest, TheSameBytesAreLookedUpAgainUnderTheRunsLock) {
    Start({"Nordfracht"});
    const std::string path = dir_.Write("import/touren.csv", kTwoLines);
    testing::TRecordingInteraction otherUi;
    TData other(otherUi, dir_.Path() + "z.ini");
    other.Datenbank->StartTransaction();
    TRunLogEntry theirs;
    theirs.ImportId = 7;
    theirs.File = "/anderswo/import/touren.csv";
    theirs.ArchiveName = "touren-20261208-14_07_08.csv";
    theirs.Sha256 = HashFileAside(path).get();
    TRunLog(other).Append(theirs);
    view_.OnWaiting = [&] {
        if (other.Datenbank->TransactionLevelCount() > 0) other.Datenbank->Commit();
    };

    importer_->LoadFile(path);
    EXPECT_FALSE(view_.Waited.empty());
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_EQ(view_.Summary, "Datei bereits importiert (Import-ID 7), nichts importiert");
    EXPECT_TRUE(Stored().empty());
    ASSERT_EQ(Logged().size(), 1u);
    EXPECT_EQ(Logged()[0][0], "7");
    // Archived under the name the run of its bytes recorded.
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{"touren-20261208-14_07_08.csv"}));
    EXPECT_EQ(data_->Datenbank->TransactionLevelCount(), 0);
}

TEST_F(ExactlyOnceTest, AFileChangedDuringTheRunIsNotCommittedAndStays) {
    Start({"Nordfracht"});
    const std::string path = dir_.Path() + "import/touren.csv";
    dir_.Write("import/touren.csv", kTwoLines);
    view_.OnProgress = [&](int row) {
        if (row == 1) Append(path, "Nordfracht;K3;1.2.2018;2.2.2018;T3\n");
    };
    const std::string message = testing::MessageOf([&] { importer_->LoadFile(path); });
    EXPECT_NE(message.find("\"" + path + "\" wurde verändert, während sie importiert wurde"),
              std::string::npos)
        << message;
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(Logged().empty());
    EXPECT_EQ(Files("import"), (std::vector<std::string>{"touren.csv"}));
    EXPECT_TRUE(Files("archiv").empty());

    // The next start takes the file as it is now, whole.
    view_.OnProgress = nullptr;
    importer_->LoadFile(path);
    EXPECT_EQ(Stored().size(), 2u);
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.csv"),
              std::string(kTwoLines) + "Nordfracht;K3;1.2.2018;2.2.2018;T3\n");
}

TEST_F(ExactlyOnceTest, AFileChangedWhileItIsReadIsNeitherImportedNorArchived) {
    Start({"Nordfracht"});
    std::string lines;
    for (int i = 0; i < 20000; ++i) lines += kTwoLines;
    const std::string path = dir_.Write("import/touren.csv", lines);
    view_.OnReading = [&](int) { Append(path, "Nordfracht;K;1.2.2018;2.2.2018;T\n"); };
    EXPECT_NE(testing::MessageOf([&] { importer_->LoadFile(path); }).find("wurde verändert"),
              std::string::npos);
    // Nor does "Importieren" take the grid read from it.
    view_.OnReading = nullptr;
    EXPECT_NE(testing::MessageOf([&] { importer_->btdbClick(); }).find("wurde verändert"),
              std::string::npos);
    EXPECT_TRUE(Stored().empty());
    EXPECT_EQ(Files("import"), (std::vector<std::string>{"touren.csv"}));
}

// The settle time: a file last changed long ago is taken at once, one that is
// still written is watched until it rests.
TEST_F(ExactlyOnceTest, TheScanTakesAFileOnceItHasStoppedChanging) {
    Start({"Nordfracht"});
    const std::string path =
        dir_.Write("import/touren.csv", "Nordfracht;K1;1.2.2018;2.2.2018;T1\n");
    importer_->SetSettleTime(400ms);
    int looks = 0;
    view_.OnWaiting = [&] {
        if (++looks <= 3)
            Append(path, "Nordfracht;K;1.2.2018;2.2.2018;T" + std::to_string(looks) + "\n");
    };
    importer_->ScanImportFolder();
    EXPECT_GE(looks, 4);
    ASSERT_FALSE(view_.Waited.empty());
    EXPECT_EQ(view_.Waited[0], "Warte, bis die Datei \"touren.csv\" vollständig ist …");
    EXPECT_EQ(Stored().size(), 4u);
    EXPECT_TRUE(Files("import").empty());
}

TEST_F(ExactlyOnceTest, TwoFilesOfOneNameWithinASecondGetTwoArchiveNames) {
    Start({"Nordfracht"});
    Import(kTwoLines);
    Import("Nordfracht;K3;1.2.2018;2.2.2018;T3\n");
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Files("archiv"), (std::vector<std::string>{"touren-20261208-14_07_09-2.csv",
                                                         "touren-20261208-14_07_09.abgelehnt.csv",
                                                         "touren-20261208-14_07_09.csv"}));
    EXPECT_EQ(Logged()[1][2], "touren-20261208-14_07_09-2.csv");
    EXPECT_EQ(Stored().size(), 2u);
}

// Taken while the run went on (another program's copy): the log is put right.
TEST_F(ExactlyOnceTest, TheLogRecordsTheArchiveNameActuallyUsed) {
    Start({"Nordfracht"});
    SetStepProbe([&](TImportStep step) {
        if (step == TImportStep::BeforeRename)
            dir_.Write("archiv/touren-20261208-14_07_09.csv", "fremd");
        return 0;
    });
    Import(kTwoLines);
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_EQ(Logged()[0][2], "touren-20261208-14_07_09-2.csv");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.csv"), "fremd");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09-2.csv"), kTwoLines);
    EXPECT_TRUE(
        std::filesystem::exists(dir_.Path() + "archiv/touren-20261208-14_07_09-2.abgelehnt.csv"));
}

// Left under a numbered name by an archiving that did not end: still the program's
// own run's file, finished without a question, and the log names it.
TEST_F(ExactlyOnceTest, AFileLeftUnderANumberedNameIsRecognisedAsItsRunsOwn) {
    Start({"Nordfracht"});
    SetStepProbe([&](TImportStep step) {
        if (step == TImportStep::BeforeRename)
            dir_.Write("archiv/touren-20261208-14_07_09.csv", "fremd");
        return step == TImportStep::BeforeDelete ? EACCES : 0;
    });
    Import(kTwoLines);
    SetStepProbe(nullptr);
    ASSERT_EQ(Files("import"), (std::vector<std::string>{"touren-20261208-14_07_09-2.csv"}));
    EXPECT_EQ(Logged()[0][2], "touren-20261208-14_07_09.csv");

    ui_.Messages.clear();
    importer_->LoadFile(dir_.Path() + "import/touren-20261208-14_07_09-2.csv");
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Logged()[0][2], "touren-20261208-14_07_09-2.csv");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09-2.csv"), kTwoLines);
    EXPECT_TRUE(
        std::filesystem::exists(dir_.Path() + "archiv/touren-20261208-14_07_09-2.abgelehnt.csv"));
}

TEST_F(ExactlyOnceTest, ANameThatIsNoUtf8IsLoggedReadablyAndRecognisedAgain) {
    Start({"Nordfracht"});
    std::filesystem::remove(dir_.Path() + "archiv");
    importer_->LoadFile(dir_.Write("import/M\xFCller.csv", kTwoLines));
    EXPECT_EQ(Stored().size(), 1u);
    ASSERT_EQ(Logged().size(), 1u);
    EXPECT_EQ(Logged()[0][1], dir_.Path() + "import/M\\xFCller.csv");
    EXPECT_EQ(Logged()[0][2], "M\\xFCller-20261208-14_07_09.csv");
    // Its archiving failed; the next start knows the renamed file by its logged name.
    std::filesystem::create_directory(dir_.Path() + "archiv");
    importer_->LoadFile(dir_.Path() + "import/M\xFCller-20261208-14_07_09.csv");
    EXPECT_TRUE(ui_.Questions.empty());
    EXPECT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Files("archiv"),
              (std::vector<std::string>{"M\xFCller-20261208-14_07_09.abgelehnt.csv",
                                        "M\xFCller-20261208-14_07_09.csv"}));
}

// A report corrected by hand and dropped back into the import folder reads back to
// the fields it was written from: no quote is doubled.
TEST_F(ExactlyOnceTest, TheRefusedLinesReportReadsBackToTheSameFields) {
    Start({"Nordfracht"});
    Import(
        "Omega \"West\";K1;1.2.2018;2.2.2018;Tour \"West\" Nord\n"
        "\"Omega; S\xC3\xBC\x64\";\"K;2\";1.2.2018;2.2.2018;T2\"\n"
        "Omega x\"\";K3;;2.2.2018;T3 \"\"\n"
        "  \"Omega\"  ;K4;1.2.2018;2.2.2018;\"a\";b\"\n");
    std::vector<std::vector<std::string>> first;
    for (int row = 0; row < importer_->Gitter().RowCount(); ++row) {
        first.emplace_back();
        for (int col = 0; col <= 5; ++col)
            first.back().emplace_back(importer_->Gitter().Cells(col, row));
    }
    const std::string report =
        testing::ReadFile(dir_.Path() + "archiv/touren-20261208-14_07_09.abgelehnt.csv");
    EXPECT_NE(report.find("Tour \"West\" Nord"), std::string::npos) << report;

    SetClockForTesting(TSystemTime{2026, 12, 9, 8, 0, 0, 0});
    importer_->LoadFile(dir_.Write("import/korrigiert.csv", report));
    ASSERT_EQ(importer_->Gitter().RowCount(), static_cast<int>(first.size()));
    for (int row = 1; row < importer_->Gitter().RowCount(); ++row)
        for (int col = 0; col <= 5; ++col)
            EXPECT_EQ(importer_->Gitter().Cells(col, row), first[row][col])
                << "row " << row << ", column " << col;
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/korrigiert-20261209-08_00_00.abgelehnt.csv"),
              report);
}

}  // namespace
}  // namespace zalvert
