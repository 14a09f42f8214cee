// The real program started as a user starts it: copied beside an INI file of its
// own, headless, with files waiting in its import folder.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/Paths.h"
#include "tests/support/BothEngines.h"
#include "tests/support/ServerTests.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kThreeLines =
    "Nordfracht;Kunde A;01.03.2018;02.03.2018;T1\r\n"
    "Unbekannt;Kunde B;01.03.2018;02.03.2018;T2\r\n"
    "Elbe Logistik GmbH;Kunde C;03.03.18;04.03.18;T3\r\n";

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_.Path();
        fs::create_directories(root_ + "import");
        fs::create_directories(root_ + "archiv");
        fs::copy_file(ZALVERT_EXECUTABLE, root_ + "zalvert-importer");
        database_ = root_ + "zalvert.db";
        CreateZalvertDatabase(database_, {"Nordfracht", "Elbe Logistik"});
        WriteIni(database_);
    }

    void WriteIni(const std::string& database) {
        std::ofstream(root_ + "zalvert-importer.ini")
            << "[DB]\nMain=" << database << "\n[Import]\nmaxspalte=5\npfad=" << root_
            << "import/\next=*.csv\narchiv=" << root_ << "archiv/\n";
    }

    // Starts the program, waits until `done` holds or the time is up, then ends it
    // as the process ends at "Beenden". Whether it was still running is returned.
    bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = 30s,
                  std::chrono::milliseconds settle = 0ms) {
        const pid_t pid = Start();
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(settle);
        int status = 0;
        const bool running = waitpid(pid, &status, WNOHANG) == 0;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return running;
    }

    // Starts the program headless, answering every question with no; with `stopAt`
    // it ends itself at that step of the import.
    pid_t Start(const char* stopAt = nullptr) const {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("ZALVERT_UNATTENDED_LOG", (root_ + "meldungen.log").c_str(), 1);
            if (stopAt) setenv("ZALVERT_STOP_AT", stopAt, 1);
            execl((root_ + "zalvert-importer").c_str(), "zalvert-importer", nullptr);
            _exit(127);
        }
        return pid;
    }

    // Runs the program until it stops itself at `step`; its exit code, or -1 when
    // it had to be killed.
    int RunStoppedAt(const char* step, std::chrono::seconds limit = 30s) const {
        const pid_t pid = Start(step);
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Content(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> lines;
        std::ifstream log(root_ + "meldungen.log");
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    std::vector<std::string> Files(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_ + folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The archive copies, without the reports of refused lines beside them.
    std::vector<std::string> Copies() const {
        std::vector<std::string> names = Files("archiv");
        std::erase_if(names, [](const std::string& name) {
            return name.find(".abgelehnt.") != std::string::npos;
        });
        return names;
    }

    // Tour and import identifier of every stored billing record, by ID.
    std::vector<std::pair<std::string, int>> Stored() const {
        auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
        auto workspace = engine->CreateWorkspace("Test", "Admin", "");
        auto db = IsServerConnect(database_)
                      ? workspace->OpenDatabase(database_, Variant(false), false, database_)
                      : workspace->OpenDatabase(database_);
        auto rs = db->OpenRecordset("SELECT Tour, ImportID FROM Zalvert ORDER BY ID",
                                    engine::dbOpenSnapshot);
        std::vector<std::pair<std::string, int>> rows;
        for (; !rs->Eof(); rs->MoveNext())
            rows.emplace_back(rs->Fields().Item(0)->Value().AsString(),
                              rs->Fields().Item(1)->Value().AsInteger());
        return rows;
    }

    // Three lines waiting (one refused), the program started until the file is
    // archived or a message comes; whether it was still running.
    bool ImportThreeLinesAtStart() {
        std::ofstream(root_ + "import/touren.csv") << kThreeLines;
        return RunUntil([&] {
            return (Copies().size() == 1 && Files("import").empty()) || !Messages().empty();
        });
    }

    testing::TTempDir dir_;
    std::string root_;
    std::string database_;  // the file, or the server's connect text
};

TEST_F(EndToEndTest, ImportsAndArchivesTheWaitingFileAtStart) {
    EXPECT_TRUE(ImportThreeLinesAtStart());
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Files("import").empty());
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_TRUE(Copies()[0].starts_with("touren-"));
    EXPECT_TRUE(Copies()[0].ends_with(".csv"));
    const std::string report = root_ + "archiv/" + ChangeFileExt(Copies()[0], ".abgelehnt.csv");
    EXPECT_EQ(Content(report), "Unbekannt;Kunde B;01.03.2018;02.03.2018;T2;falsche Firma\r\n");
    EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int>>{{"T1", 1}, {"T3", 1}}));
}

// The same start with the INI naming a database server by an ODBC connect text.
TEST_F(EndToEndTest, ImportsTheWaitingFileIntoADatabaseServer) {
    const char* connect = std::getenv("ZALVERT_TEST_ODBC");
    if (!connect || !*connect) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
    database_ = connect;
    testing::TBothEngines(testing::TEngineKind::Server)
        .DropTables({"Zalvert", "u_Recvon", "u_Importlauf"});
    CreateZalvertDatabase(database_, {"Nordfracht", "Elbe Logistik"});
    WriteIni(database_);
    EXPECT_TRUE(ImportThreeLinesAtStart());
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int>>{{"T1", 1}, {"T3", 1}}));
}

TEST_F(EndToEndTest, TakesOneWaitingFilePerStart) {
    std::ofstream(root_ + "import/a.csv") << "Nordfracht;K;01.03.2018;02.03.2018;A1\n";
    std::ofstream(root_ + "import/b.csv") << "Nordfracht;K;01.03.2018;02.03.2018;B1\n";
    RunUntil([&] { return Copies().size() == 1 && Files("import").size() == 1; });
    EXPECT_EQ(Files("import").size(), 1u);
    EXPECT_EQ(Stored().size(), 1u);
    RunUntil([&] { return Copies().size() == 2 && Files("import").empty(); });
    EXPECT_TRUE(Files("import").empty());
    const auto rows = Stored();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].second, 1);
    EXPECT_EQ(rows[1].second, 2);
}

TEST_F(EndToEndTest, LeavesAFileWithADateWithoutYearWaiting) {
    std::ofstream(root_ + "import/touren.csv") << "Nordfracht;K;24.12.;31.12.;T1\n";
    const bool running = RunUntil([&] { return !Messages().empty(); });
    EXPECT_TRUE(running);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"bitte Importjahr setzen"}));
    EXPECT_EQ(Files("import"), (std::vector<std::string>{"touren.csv"}));
    EXPECT_TRUE(Stored().empty());
}

TEST_F(EndToEndTest, AMissingDatabaseGivesOneMessageAndStartUpGoesOn) {
    WriteIni(root_ + "fehlt.db");
    const bool running = RunUntil([&] { return !Messages().empty(); }, 30s, 1000ms);
    EXPECT_TRUE(running);
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("fehlt.db"), std::string::npos) << messages[0];
}

TEST_F(EndToEndTest, AFileWaitsWhileTheDatabaseIsMissing) {
    WriteIni(root_ + "fehlt.db");
    std::ofstream(root_ + "import/touren.csv") << "Nordfracht;K;01.03.2018;02.03.2018;T1\n";
    const bool running = RunUntil([&] { return Messages().size() >= 2; });
    EXPECT_TRUE(running);
    // The import reports the closed connection in a message of its own.
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Files("import"), (std::vector<std::string>{"touren.csv"}));
}

// Stopped at any step between the run's records and the end of archiving, the next
// start finds the file (under its old or its new name), recognises it by its bytes
// and only finishes the archiving: nothing lost, nothing stored twice.
class StoppedImportTest : public EndToEndTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StoppedImportTest, NextStartStoresNothingTwiceAndArchivesTheFileOnce) {
    // Over one chunk of the copy, so that "copying" stops half-way.
    std::string content;
    for (int i = 0; i < 12000; ++i) content += kThreeLines;
    std::ofstream(root_ + "import/touren.csv", std::ios::binary) << content;
    ASSERT_EQ(RunStoppedAt(GetParam()), 86);
    const bool committed = std::string(GetParam()) != "before-commit";
    EXPECT_EQ(Stored().size(), committed ? 24000u : 0u);

    const auto archived = [&] {
        const auto names = Copies();
        return names.size() == 1 && !names[0].ends_with(".teil") && Files("import").empty();
    };
    RunUntil([&] { return archived() || Messages().size() > (committed ? 1u : 0u); });
    EXPECT_TRUE(archived()) << ::testing::PrintToString(Copies())
                            << ::testing::PrintToString(Files("import"));
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_EQ(Content(root_ + "archiv/" + Copies()[0]), content);
    const auto rows = Stored();
    EXPECT_EQ(rows.size(), 24000u);
    EXPECT_TRUE(
        std::all_of(rows.begin(), rows.end(), [](const auto& row) { return row.second == 1; }));
    const auto messages = Messages();
    if (committed) {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find("(Import-ID 1). Trotzdem importieren?"), std::string::npos)
            << messages[0];
    } else {
        EXPECT_TRUE(messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, StoppedImportTest,
                         ::testing::Values("before-commit", "before-rename", "before-copy",
                                           "copying", "before-link", "before-delete"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(EndToEndTest, AFileWhoseArchivingFailedIsArchivedAtTheNextStartNotImportedAgain) {
    fs::remove(root_ + "archiv");
    std::ofstream(root_ + "import/touren.csv") << kThreeLines;
    RunUntil([&] { return !Messages().empty(); });
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("Archivordner nicht gefunden"), std::string::npos)
        << Messages()[0];
    ASSERT_EQ(Files("import").size(), 1u);
    EXPECT_EQ(Stored().size(), 2u);

    fs::create_directories(root_ + "archiv");
    RunUntil([&] { return Copies().size() == 1 && Files("import").empty(); });
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Copies().size(), 1u);
    EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int>>{{"T1", 1}, {"T3", 1}}));
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("Trotzdem importieren?"), std::string::npos);
}

}  // namespace
}  // namespace zalvert
