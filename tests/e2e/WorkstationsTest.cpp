// Exactly once under office conditions, with real processes: two workstations given
// the same file at the same moment, a file still being copied in when the program
// starts, two first starts on a database made before the run log, and a file name
// that is no UTF-8; on a database file and on the server.

#include <sqlite3.h>

#include <cstdlib>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/support/BothEngines.h"
#include "tests/support/ServerTests.h"

namespace zalvert {
namespace {

namespace fs = testing::fs;
using namespace std::chrono_literals;
using testing::TEngineKind;

// Four lines in five from a known sender, each line its own tour.
std::string Lines(const std::string& tag, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(i % 5 == 4 ? "Unbekannt" : "Nordfracht") + ";Kunde;01.03.2018;" +
                "02.03.2018;" + tag + "-" + std::to_string(i) + "\r\n";
    return text;
}

// A file that has waited in the folder a while, as one found at start has.
void WriteWaiting(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    fs::last_write_time(path, fs::file_time_type::clock::now() - 1min);
}

class WorkstationsTest : public testing::EndToEndFixture,
                         public ::testing::WithParamInterface<TEngineKind> {
  protected:
    // A new database with the schema on the engine of the test; false without a server.
    bool NewDatabase(const std::string& name = "gemeinsam.db") {
        if (GetParam() == TEngineKind::Server) {
            const char* connect = std::getenv("ZALVERT_TEST_ODBC");
            if (!connect || !*connect) return false;
            database_ = connect;
            testing::TBothEngines(TEngineKind::Server)
                .DropTables({"Zalvert", "u_Recvon", "u_Importlauf"});
        } else {
            database_ = root_ + name;
        }
        CreateZalvertDatabase(database_, {"Nordfracht"});
        return true;
    }

    std::shared_ptr<engine::Database> Open() {
        auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
        engines_.push_back(engine);
        auto workspace = engine->CreateWorkspace("Test", "Admin", "");
        return IsServerConnect(database_)
                   ? workspace->OpenDatabase(database_, Variant(false), false, database_)
                   : workspace->OpenDatabase(database_);
    }

    // As a program from before the run log left it; a file also back in the
    // rollback journal an older program or another tool may leave it in.
    void MakeOld(bool rollbackJournal) {
        auto db = Open();
        db->Execute("DROP TABLE [u_Importlauf]");
        db->Close();
        if (!rollbackJournal || IsServerConnect(database_)) return;
        sqlite3* file = nullptr;
        ASSERT_EQ(sqlite3_open(database_.c_str(), &file), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(file, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(file);
    }

    int Count(const std::string& table) {
        return static_cast<int>(Query("SELECT ImportID, ImportID FROM " + table).size());
    }

    // Both programs started together; true once both import folders are empty.
    bool RunBoth(const std::string& a, const std::string& b) {
        const pid_t first = StartIn(a);
        const pid_t second = StartIn(b);
        const auto done = [&] {
            return FilesIn(a + "import").empty() && FilesIn(b + "import").empty();
        };
        WaitFor(done, 60s);
        Stop(first);
        Stop(second);
        return FilesIn(a + "import").empty() && FilesIn(b + "import").empty();
    }

    std::vector<std::shared_ptr<engine::DBEngine>> engines_;
};

TEST_P(WorkstationsTest, TheSameFileGivenToTwoProgramsAtOnceIsStoredOnce) {
    if (!NewDatabase()) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
    const std::string a = MakeWorkspace(root_ + "eins/");
    const std::string b = MakeWorkspace(root_ + "zwei/");
    constexpr int kLines = 2000;
    for (int round = 1; round <= 10; ++round) {
        const std::string content = Lines("R" + std::to_string(round), kLines);
        WriteWaiting(a + "import/touren.csv", content);
        WriteWaiting(b + "import/touren.csv", content);
        ASSERT_TRUE(RunBoth(a, b))
            << "round " << round << ": " << ::testing::PrintToString(MessagesIn(a))
            << ::testing::PrintToString(MessagesIn(b));
        EXPECT_EQ(Count("Zalvert"), round * kLines * 4 / 5) << "round " << round;
        EXPECT_EQ(Count("u_Importlauf"), round) << "round " << round;
        EXPECT_EQ(CopiesIn(a).size(), static_cast<size_t>(round));
        EXPECT_EQ(CopiesIn(b).size(), static_cast<size_t>(round));
        // The program that comes second after the other has committed asks, as for
        // any file imported before, and its default no keeps the bytes out.
        for (const std::string& root : {a, b})
            for (const std::string& message : MessagesIn(root))
                EXPECT_TRUE(message.ends_with("Trotzdem importieren?")) << message;
        if (HasFailure()) break;
    }
}

TEST_P(WorkstationsTest, TwoFirstStartsOnADatabaseFromBeforeTheRunLogBothImport) {
    const std::string a = MakeWorkspace(root_ + "eins/");
    const std::string b = MakeWorkspace(root_ + "zwei/");
    for (int round = 1; round <= 5; ++round) {
        if (!NewDatabase("alt" + std::to_string(round) + ".db"))
            ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
        MakeOld(round % 2 == 1);
        WriteIni(database_, a);
        WriteIni(database_, b);
        WriteWaiting(a + "import/a.csv", Lines("A", 50));
        WriteWaiting(b + "import/b.csv", Lines("B", 50));
        ASSERT_TRUE(RunBoth(a, b))
            << "round " << round << ": " << ::testing::PrintToString(MessagesIn(a))
            << ::testing::PrintToString(MessagesIn(b));
        EXPECT_EQ(Count("u_Importlauf"), 2) << "round " << round;
        EXPECT_EQ(Count("Zalvert"), 80) << "round " << round;
        if (HasFailure()) break;
    }
}

TEST_P(WorkstationsTest, AFileWhoseNameIsNoUtf8IsImportedAndLoggedReadably) {
    if (!NewDatabase()) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
    WriteIni(database_);
    WriteWaiting(root_ + "import/M\xFCller.csv", Lines("M", 10));
    RunUntil([&] { return Files("import").empty() || !Messages().empty(); });
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
    EXPECT_TRUE(Files("import").empty());
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_TRUE(Copies()[0].starts_with("M\xFCller-"));
    EXPECT_EQ(Count("Zalvert"), 8);
    const auto logged = Query("SELECT Datei, ImportID FROM u_Importlauf");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].first, root_ + "import/M\\xFCller.csv");
}

// Files dropped into the folder while the program runs, one written slowly: each
// imported within seconds once complete, under an identifier of its own.
TEST_P(WorkstationsTest, FilesThatArriveWhileTheProgramRunsAreImported) {
    if (!NewDatabase()) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
    WriteIni(database_);
    const pid_t program = Start();
    std::this_thread::sleep_for(1s);
    std::ofstream(root_ + "import/a.csv", std::ios::binary) << Lines("A", 20);
    EXPECT_TRUE(WaitFor([&] { return Copies().size() == 1 && Files("import").empty(); }, 15s));
    {
        // Written in three pieces a second apart: not taken before it is whole.
        std::ofstream slow(root_ + "import/b.csv", std::ios::binary);
        for (const char* piece : {"B1", "B2", "B3"}) {
            slow << Lines(piece, 10) << std::flush;
            std::this_thread::sleep_for(1s);
        }
    }
    EXPECT_TRUE(WaitFor([&] { return Copies().size() == 2 && Files("import").empty(); }, 15s));
    Stop(program);
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
    EXPECT_EQ(Count("u_Importlauf"), 2);
    EXPECT_EQ(Count("Zalvert"), 16 + 24);
}

// Two programs watching one import folder: every file is imported once, and
// neither tells the user about the files the other one took.
TEST_P(WorkstationsTest, TwoProgramsWatchingOneFolderImportEachFileOnce) {
    if (!NewDatabase()) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
    const std::string a = MakeWorkspace(root_ + "eins/");
    const std::string b = MakeWorkspace(root_ + "zwei/");
    const std::string shared = root_ + "gemeinsam/";
    fs::create_directories(shared);
    for (const std::string& root : {a, b})
        std::ofstream(root + "zalvert-importer.ini")
            << "[DB]\nMain=" << database_ << "\n[Import]\nmaxspalte=5\npfad=" << shared
            << "\next=*.csv\narchiv=" << root << "archiv/\n";
    for (int i = 0; i < 4; ++i)
        WriteWaiting(shared + "start" + std::to_string(i) + ".csv",
                     Lines("S" + std::to_string(i), 50));
    const pid_t first = StartIn(a);
    const pid_t second = StartIn(b);
    std::this_thread::sleep_for(2s);
    for (int i = 0; i < 4; ++i)
        std::ofstream(shared + "neu" + std::to_string(i) + ".csv", std::ios::binary)
            << Lines("N" + std::to_string(i), 50);
    const bool done = WaitFor([&] { return FilesIn(shared).empty(); }, 30s);
    Stop(first);
    Stop(second);
    EXPECT_TRUE(done);
    EXPECT_EQ(Count("u_Importlauf"), 8);
    EXPECT_EQ(Count("Zalvert"), 8 * 40);
    EXPECT_EQ(CopiesIn(a).size() + CopiesIn(b).size(), 8u);
    EXPECT_TRUE(MessagesIn(a).empty()) << MessagesIn(a)[0];
    EXPECT_TRUE(MessagesIn(b).empty()) << MessagesIn(b)[0];
}

INSTANTIATE_TEST_SUITE_P(Engines, WorkstationsTest,
                         ::testing::Values(TEngineKind::File, TEngineKind::Server),
                         testing::EngineKindName);

// A file copied into the import folder while the program starts: taken once it has
// stopped changing, every line stored once, now or at the next start, and the
// archive copy holds exactly the bytes imported.
using GrowingFileTest = testing::EndToEndFixture;

TEST_F(GrowingFileTest, IsStoredOnceAndArchivedAsImported) {
    const std::string path = root_ + "import/touren.csv";
    std::string content;
    std::ofstream out(path, std::ios::binary);
    const auto writeChunk = [&](int chunk) {
        const std::string lines = Lines("C" + std::to_string(chunk), 2000);
        out << lines << std::flush;
        content += lines;
    };
    writeChunk(0);
    // A copy that goes on while the program starts, a piece every tenth of a second.
    std::thread copy([&] {
        for (int chunk = 1; chunk < 20; ++chunk) {
            std::this_thread::sleep_for(100ms);
            writeChunk(chunk);
        }
        out.close();
    });
    const pid_t pid = Start();
    copy.join();
    WaitFor([&] { return Files("import").empty() || !Messages().empty(); }, 60s);
    Stop(pid);
    for (int start = 0; start < 2 && !Files("import").empty(); ++start)
        RunUntil([&] { return Files("import").empty(); });
    EXPECT_TRUE(Files("import").empty());
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
    EXPECT_EQ(Stored().size(), 20u * 2000 * 4 / 5);
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_TRUE(Content(root_ + "archiv/" + Copies()[0]) == content);
}

}  // namespace
}  // namespace zalvert
