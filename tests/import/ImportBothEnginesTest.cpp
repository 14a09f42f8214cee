// The import run on a database file and on a database server alike: what a run
// stores and logs, a failing run storing nothing, and two programs importing into
// one database at the same time.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "data/Daten.h"
#include "data/RunLock.h"
#include "data/Schema.h"
#include "import/ImportRun.h"
#include "import/Importer.h"
#include "rtl/FormatSettings.h"
#include "tests/support/BothEngines.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/ServerTests.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using testing::TBothEngines;
using testing::TEngineKind;

class TWaitingView : public IImportView {
  public:
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int, const TImportCounts&) override {}
    void ShowImportId(const std::string& text) override { Id = text; }
    void ShowSummary(const std::string& text) override { Summary = text; }
    void ShowWaiting(const std::string& text) override { Waiting.push_back(text); }
    std::string ImportYear() const override { return "2026"; }

    std::string Id, Summary;
    std::vector<std::string> Waiting;
};

// One program: its settings, data module and importer, with folders of its own.
struct TProgram {
    TProgram(const std::string& database, const std::string& folder) : folder(folder) {
        std::filesystem::create_directories(folder + "import");
        std::filesystem::create_directories(folder + "archiv");
        const std::string ini = folder + "z.ini";
        std::ofstream(ini) << "[DB]\nMain=" << database
                           << "\n[Import]\nmaxspalte=5\npfad=" << folder
                           << "import/\next=*.csv\narchiv=" << folder << "archiv/\n";
        data = std::make_unique<TData>(ui, ini);
        importer = std::make_unique<TImporter>(data->Settings(), ui);
        importer->AttachData(*data, view);
    }

    std::string Import(const std::string& name, const std::string& lines) {
        const std::string path = folder + "import/" + name;
        std::ofstream(path, std::ios::binary) << lines;
        importer->LoadFile(path);
        return path;
    }

    std::string folder;
    testing::TRecordingInteraction ui;
    TWaitingView view;
    std::unique_ptr<TData> data;
    std::unique_ptr<TImporter> importer;
};

std::string Lines(int count, const std::string& tour) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "Nordfracht;Kunde " + std::to_string(i) + ";1.2.2026;2.2.2026;" + tour +
                 std::to_string(i) + "\n";
    return lines;
}

class ImportBothEnginesTest : public ::testing::TestWithParam<TEngineKind> {
  protected:
    void SetUp() override {
        std::string why;
        if (!target_.Available(why)) ZI_NO_SERVER(why);
        FormatSettings() = TFormatSettings::German();
        if (target_.Server())
            target_.DropTables({"Zalvert", "u_Recvon", "u_Importlauf"});
        else
            std::filesystem::remove(target_.Setting());
        CreateZalvertDatabase(target_.Setting(), {"Nordfracht"});
    }

    std::unique_ptr<TProgram> Program(const std::string& name) {
        return std::make_unique<TProgram>(target_.Setting(), dir_.Path() + name + "/");
    }

    // Import identifiers and the number of billing records under each.
    std::map<int, int> RecordsByRun() {
        auto rs = target_.Connect()->OpenRecordset("SELECT ImportID FROM Zalvert",
                                                   engine::dbOpenSnapshot);
        std::map<int, int> runs;
        for (; !rs->Eof(); rs->MoveNext()) ++runs[rs->Fields().Item(0)->Value().AsInteger()];
        return runs;
    }

    std::set<int> LoggedRuns() {
        auto rs = target_.Connect()->OpenRecordset("SELECT ImportID FROM u_Importlauf",
                                                   engine::dbOpenSnapshot);
        std::set<int> runs;
        for (; !rs->Eof(); rs->MoveNext()) runs.insert(rs->Fields().Item(0)->Value().AsInteger());
        return runs;
    }

    testing::TTempDir dir_;
    TBothEngines target_{GetParam()};
};

TEST_P(ImportBothEnginesTest, StoresLogsAndArchivesEachRunUnderANewIdentifier) {
    auto program = Program("a");
    ASSERT_TRUE(program->ui.Messages.empty()) << program->ui.Messages[0];
    const std::string first =
        program->Import("touren.csv", Lines(3, "T") + "Unbekannt;X;1.2.2026;2.2.2026;T9\n");
    EXPECT_TRUE(program->ui.Messages.empty()) << program->ui.Messages[0];
    EXPECT_EQ(program->view.Summary,
              "4 Datensätze verarbeitet, 3 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_FALSE(std::filesystem::exists(first));
    program->Import("mehr.csv", Lines(2, "M"));
    EXPECT_EQ(RecordsByRun(), (std::map<int, int>{{1, 3}, {2, 2}}));
    EXPECT_EQ(LoggedRuns(), (std::set<int>{1, 2}));
    EXPECT_EQ(program->view.Id, "2");
}

// The records a resent file holds are found among the stored ones on either engine,
// letter case and blanks aside.
TEST_P(ImportBothEnginesTest, AResentFileStoresOnlyWhatIsNew) {
    auto program = Program("a");
    program->Import("touren.csv", Lines(3, "T") + "Nordfracht;Müller;1.2.2026;2.2.2026;Straße\n");
    program->Import("wieder.csv",
                    Lines(5, "T") + " NORDFRACHT;MÜLLER ;01.02.26;2.2.2026;strasse\n");
    EXPECT_TRUE(program->ui.Messages.empty()) << program->ui.Messages[0];
    EXPECT_EQ(RecordsByRun(), (std::map<int, int>{{1, 4}, {2, 2}}));
    EXPECT_EQ(program->view.Summary,
              "6 Datensätze verarbeitet, 2 Datensätze importiert, 4 Zeilen ungültig, davon 4 "
              "doppelt");
}

TEST_P(ImportBothEnginesTest, ARunThatFailsStoresNothingAndKeepsTheFile) {
    auto program = Program("a");
    // The third line's date passes the check but does not convert: the run fails there.
    const std::string path = dir_.Path() + "a/import/touren.csv";
    std::ofstream(path) << Lines(2, "T") << "Nordfracht;X;99.99.2026;2.2.2026;T9\n";
    EXPECT_ANY_THROW(program->importer->LoadFile(path));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(RecordsByRun().empty());
    EXPECT_TRUE(LoggedRuns().empty());
    EXPECT_EQ(program->data->Datenbank->TransactionLevelCount(), 0);
    // The next run works as if nothing had happened.
    program->Import("neu.csv", Lines(2, "N"));
    EXPECT_EQ(RecordsByRun(), (std::map<int, int>{{1, 2}}));
}

TEST_P(ImportBothEnginesTest, TwoProgramsImportingAtOnceTakeTwoIdentifiers) {
    auto a = Program("a");
    auto b = Program("b");
    const std::string linesA = Lines(10000, "A"), linesB = Lines(10000, "B");
    std::string failureA, failureB;
    auto import = [](TProgram& program, const char* name, const std::string& lines,
                     std::string& failure) {
        try {
            program.Import(name, lines);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    };
    std::thread other([&] { import(*b, "b.csv", linesB, failureB); });
    import(*a, "a.csv", linesA, failureA);
    other.join();
    EXPECT_EQ(failureA, "");
    EXPECT_EQ(failureB, "");
    EXPECT_TRUE(a->ui.Messages.empty()) << a->ui.Messages[0];
    EXPECT_TRUE(b->ui.Messages.empty()) << b->ui.Messages[0];
    EXPECT_EQ(RecordsByRun(), (std::map<int, int>{{1, 10000}, {2, 10000}}));
    EXPECT_EQ(LoggedRuns(), (std::set<int>{1, 2}));
    EXPECT_NE(a->view.Id, b->view.Id);
}

TEST_P(ImportBothEnginesTest, ARunThatWaitsTooLongGivesUpAndStoresNothing) {
    auto holder = Program("a");
    auto waiter = Program("b");
    BeginLockedRun(*holder->data, std::chrono::seconds(1), {});
    TImportGrid grid;
    grid.SetRowCount(2);
    for (int col = 0; col < 5; ++col)
        grid.SetCells(col, 1, std::array{"Nordfracht", "K", "1.2.2026", "2.2.2026", "T1"}[col]);
    TImportRun run(*waiter->data, grid, waiter->view);
    run.SetLockTimeout(std::chrono::seconds(target_.Server() ? 1 : 3));
    try {
        run.Run();
        ADD_FAILURE() << "no error raised";
    } catch (const ERunLocked& e) {
        EXPECT_NE(std::string(e.what()).find("durch einen anderen Import gesperrt"),
                  std::string::npos);
    }
    ASSERT_FALSE(waiter->view.Waiting.empty());
    EXPECT_EQ(waiter->view.Waiting.front().rfind("Warte auf einen anderen Import", 0), 0u);
    EXPECT_EQ(waiter->data->Datenbank->TransactionLevelCount(), 0);
    holder->data->Datenbank->Rollback();
    EXPECT_TRUE(RecordsByRun().empty());
    // Once the lock is free the same run goes through.
    run.Run();
    EXPECT_EQ(RecordsByRun(), (std::map<int, int>{{1, 1}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, ImportBothEnginesTest,
                         ::testing::Values(TEngineKind::File, TEngineKind::Server),
                         testing::EngineKindName);

}  // namespace
}  // namespace zalvert
