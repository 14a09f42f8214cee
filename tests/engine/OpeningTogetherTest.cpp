// Several programs opening the same file at the same moment, as workstations
// started together do: real processes, released at once from a pipe.

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

constexpr int kOpened = 0;
constexpr int kRefused = 1;

class OpeningTogether : public EngineTest {
  protected:
    // Back in the rollback journal, as another tool or an older program leaves it.
    void UseRollbackJournal() {
        sqlite3* file = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &file), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(file, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(file);
    }

    // A process that waits for the start signal, opens the file, reads the table and
    // ends with whether that worked.
    pid_t StartOpener(const int (&startSignal)[2]) {
        const pid_t pid = fork();
        if (pid != 0) return pid;
        close(startSignal[1]);  // the signal is the parent closing its end
        char go = 0;
        if (read(startSignal[0], &go, 1) < 0) _exit(kRefused);
        try {
            auto db = CreateDBEngine("DAO.DBEngine.36")
                          ->CreateWorkspace("Prozess", "Admin", "")
                          ->OpenDatabase(path_);
            auto rs = db->OpenRecordset("SELECT count(*) FROM Kunden", dbOpenSnapshot);
            const bool read = rs->Fields().Item(0)->Value().AsInteger() == 5;
            db->Close();
            _exit(read ? kOpened : kRefused);
        } catch (...) {
            _exit(kRefused);
        }
    }
};

// The second to switch such a file to the write-ahead log is refused at once by
// SQLite, without waiting; each open must still succeed.
TEST_F(OpeningTogether, FourProgramsOpeningAFileInTheRollbackJournalAllOpenIt) {
    db_->Close();
    constexpr int kRounds = 80, kPrograms = 4;
    int refused = 0;
    for (int round = 0; round < kRounds; ++round) {
        UseRollbackJournal();
        int signal[2];
        ASSERT_EQ(pipe(signal), 0);
        std::vector<pid_t> programs;
        for (int i = 0; i < kPrograms; ++i) programs.push_back(StartOpener(signal));
        close(signal[0]);
        close(signal[1]);  // every reader wakes at once
        for (const pid_t pid : programs) {
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != kOpened) ++refused;
        }
    }
    EXPECT_EQ(refused, 0) << "of " << kRounds * kPrograms << " opens";
}

}  // namespace
}  // namespace zalvert::engine::testing
