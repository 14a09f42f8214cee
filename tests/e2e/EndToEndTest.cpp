// The program started as a user starts it, on its own.

#include <set>

#include "tests/e2e/EndToEndFixture.h"
#include "tests/support/BothEngines.h"
#include "tests/support/ServerTests.h"

namespace zalvert {
namespace {

namespace fs = testing::fs;
using namespace std::chrono_literals;

using EndToEndTest = testing::EndToEndFixture;
using testing::kThreeLines;
using testing::ThreeLinesTimes;

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

TEST_F(EndToEndTest, TakesEveryWaitingFileInOneStartInNameOrder) {
    std::ofstream(root_ + "import/c.csv") << "Nordfracht;K;01.03.2018;02.03.2018;C1\n";
    std::ofstream(root_ + "import/a.csv") << "Nordfracht;K;01.03.2018;02.03.2018;A1\n";
    std::ofstream(root_ + "import/b.csv") << "Nordfracht;K;01.03.2018;02.03.2018;B1\n";
    RunUntil([&] { return Copies().size() == 3 && Files("import").empty(); });
    EXPECT_TRUE(Files("import").empty());
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
    EXPECT_EQ(Stored(),
              (std::vector<std::pair<std::string, int>>{{"A1", 1}, {"B1", 2}, {"C1", 3}}));
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
// start finds the file (under its old or its new name), recognises it as its own
// run's and finishes the archiving without a question, report included: nothing
// lost, nothing stored twice.
class StoppedImportTest : public EndToEndTest, public ::testing::WithParamInterface<const char*> {
  protected:
    // The accepted tours of ThreeLinesTimes(count) not stored, for a failure's message.
    std::string MissingTours(int count) const {
        std::set<std::string> stored;
        for (const auto& row : Stored()) stored.insert(row.first);
        std::string missing;
        for (int i = 0; i < count; ++i)
            for (const char* prefix : {"T1-", "T3-"})
                if (!stored.contains(prefix + std::to_string(i)))
                    missing += prefix + std::to_string(i) + " ";
        return missing;
    }
};

TEST_P(StoppedImportTest, NextStartStoresNothingTwiceAndFinishesTheArchiving) {
    // Over one chunk of the copy, so that "copying" stops half-way.
    const std::string content = ThreeLinesTimes(12000);
    std::ofstream(root_ + "import/touren.csv", std::ios::binary) << content;
    ASSERT_EQ(RunStoppedAt(GetParam()), 86);
    const bool committed = std::string(GetParam()) != "before-commit";
    EXPECT_EQ(Stored().size(), committed ? 24000u : 0u)
        << "missing: " << MissingTours(12000) << "; the run's log (read, imported): "
        << ::testing::PrintToString(Query("SELECT Verarbeitet, Importiert FROM u_Importlauf"));

    const auto archived = [&] {
        const auto names = Copies();
        return names.size() == 1 && !names[0].ends_with(".teil") && Files("import").empty() &&
               HasReport();
    };
    RunUntil([&] { return archived() || !Messages().empty(); });
    EXPECT_TRUE(archived()) << ::testing::PrintToString(Files("archiv"))
                            << ::testing::PrintToString(Files("import"));
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_TRUE(Content(root_ + "archiv/" + Copies()[0]) == content);
    std::string refused;
    for (int i = 0; i < 12000; ++i)
        refused += "Unbekannt;Kunde B;01.03.2018;02.03.2018;T2;falsche Firma\r\n";
    const std::string report =
        Content(root_ + "archiv/" + ChangeFileExt(Copies()[0], ".abgelehnt.csv"));
    EXPECT_EQ(report.size(), refused.size());
    EXPECT_TRUE(report == refused);
    const auto rows = Stored();
    EXPECT_EQ(rows.size(), 24000u) << "missing: " << MissingTours(12000);
    EXPECT_TRUE(
        std::all_of(rows.begin(), rows.end(), [](const auto& row) { return row.second == 1; }));
    EXPECT_TRUE(Messages().empty()) << Messages()[0];
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
    RunUntil([&] { return Copies().size() == 1 && HasReport() && Files("import").empty(); });
    EXPECT_TRUE(Files("import").empty());
    EXPECT_EQ(Copies().size(), 1u);
    EXPECT_EQ(Stored(), (std::vector<std::pair<std::string, int>>{{"T1", 1}, {"T3", 1}}));
    EXPECT_EQ(Messages().size(), 1u);
}

}  // namespace
}  // namespace zalvert
