#pragma once
// The real program started as a user starts it: copied beside an INI file of its
// own, headless, with files waiting in its import folder; several of them on one
// database stand for several workstations.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/Paths.h"
#include "tests/support/TempDir.h"

namespace zalvert::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kThreeLines =
    "Nordfracht;Kunde A;01.03.2018;02.03.2018;T1\r\n"
    "Unbekannt;Kunde B;01.03.2018;02.03.2018;T2\r\n"
    "Elbe Logistik GmbH;Kunde C;03.03.18;04.03.18;T3\r\n";

// The three lines `count` times over, each accepted line with a tour of its own.
inline std::string ThreeLinesTimes(int count) {
    std::string content;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        content += "Nordfracht;Kunde A;01.03.2018;02.03.2018;T1-" + n +
                   "\r\nUnbekannt;Kunde B;01.03.2018;02.03.2018;T2\r\n"
                   "Elbe Logistik GmbH;Kunde C;03.03.18;04.03.18;T3-" + n + "\r\n";
    }
    return content;
}

class EndToEndFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_.Path();
        database_ = root_ + "zalvert.db";
        CreateZalvertDatabase(database_, {"Nordfracht", "Elbe Logistik"});
        MakeWorkspace(root_);
    }

    // A program of its own beside an INI naming the database, with an import and
    // an archive folder: another workstation.
    std::string MakeWorkspace(const std::string& root) const {
        fs::create_directories(root + "import");
        fs::create_directories(root + "archiv");
        fs::copy_file(ZALVERT_EXECUTABLE, root + "zalvert-importer",
                      fs::copy_options::overwrite_existing);
        WriteIni(database_, root);
        return root;
    }

    void WriteIni(const std::string& database) const { WriteIni(database, root_); }
    void WriteIni(const std::string& database, const std::string& root) const {
        std::ofstream(root + "zalvert-importer.ini")
            << "[DB]\nMain=" << database << "\n[Import]\nmaxspalte=5\npfad=" << root
            << "import/\next=*.csv\narchiv=" << root << "archiv/\n";
    }

    // Ends a program as the process ends at "Beenden"; whether it was still running.
    static bool Stop(pid_t pid) {
        int status = 0;
        const bool running = waitpid(pid, &status, WNOHANG) == 0;
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return running;
    }

    // Waits until `done` holds or the time is up; whether it holds.
    static bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = 30s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(20ms);
        return done();
    }

    // Starts the program, waits until `done` holds or the time is up, then ends it
    // as the process ends at "Beenden". Whether it was still running is returned.
    bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = 30s,
                  std::chrono::milliseconds settle = 0ms) {
        const pid_t pid = Start();
        WaitFor(done, limit);
        std::this_thread::sleep_for(settle);
        return Stop(pid);
    }

    // Starts the program headless, answering every question with no; with `stopAt`
    // it ends itself at that step of the import.
    pid_t Start(const char* stopAt = nullptr) const { return StartIn(root_, stopAt); }
    static pid_t StartIn(const std::string& root, const char* stopAt = nullptr) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("ZALVERT_UNATTENDED_LOG", (root + "meldungen.log").c_str(), 1);
            if (stopAt) setenv("ZALVERT_STOP_AT", stopAt, 1);
            execl((root + "zalvert-importer").c_str(), "zalvert-importer", nullptr);
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

    static std::string Content(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> Messages() const { return MessagesIn(root_); }
    static std::vector<std::string> MessagesIn(const std::string& root) {
        std::vector<std::string> lines;
        std::ifstream log(root + "meldungen.log");
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    std::vector<std::string> Files(const std::string& folder) const {
        return FilesIn(root_ + folder);
    }
    static std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Whether a report of refused lines stands whole in the archive folder (it is
    // written aside and renamed).
    bool HasReport() const {
        const auto names = Files("archiv");
        return std::any_of(names.begin(), names.end(), [](const std::string& name) {
            return name.find(".abgelehnt.") != std::string::npos && !name.ends_with(".teil");
        });
    }

    // The archive copies, without the reports of refused lines beside them.
    std::vector<std::string> Copies() const { return CopiesIn(root_); }
    static std::vector<std::string> CopiesIn(const std::string& root) {
        std::vector<std::string> names = FilesIn(root + "archiv");
        std::erase_if(names, [](const std::string& name) {
            return name.find(".abgelehnt.") != std::string::npos;
        });
        return names;
    }

    // Tour and import identifier of every stored billing record, by ID.
    std::vector<std::pair<std::string, int>> Stored() const {
        return Query("SELECT Tour, ImportID FROM Zalvert ORDER BY ID");
    }

    // The first two columns of a query's rows, as text and number.
    std::vector<std::pair<std::string, int>> Query(const std::string& sql) const {
        auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
        auto workspace = engine->CreateWorkspace("Test", "Admin", "");
        auto db = IsServerConnect(database_)
                      ? workspace->OpenDatabase(database_, Variant(false), false, database_)
                      : workspace->OpenDatabase(database_);
        auto rs = db->OpenRecordset(sql, engine::dbOpenSnapshot);
        std::vector<std::pair<std::string, int>> rows;
        for (; !rs->Eof(); rs->MoveNext())
            rows.emplace_back(rs->Fields().Item(0)->Value().AsString(),
                              rs->Fields().Item(1)->Value().AsInteger());
        return rows;
    }

    // Three lines waiting (one refused), the program started until the file is
    // archived with the report of its refused line, or a message comes; whether
    // it was still running.
    bool ImportThreeLinesAtStart() {
        std::ofstream(root_ + "import/touren.csv") << kThreeLines;
        return RunUntil([&] {
            return (Copies().size() == 1 && HasReport() && Files("import").empty()) ||
                   !Messages().empty();
        });
    }

    testing::TTempDir dir_;
    std::string root_;
    std::string database_;  // the file, or the server's connect text
};

}  // namespace zalvert::testing
