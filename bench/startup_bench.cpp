// The program itself started on a waiting file, headless, from the process start
// until the archive copy exists, beside the sqlite3 shell's .import of the same
// file into the same database in the same run.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/ImportTools.h"
#include "data/Schema.h"

namespace {

using namespace zalvert;
namespace fs = std::filesystem;

void Workspace(const std::string& root) {
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    const char* other = std::getenv("ZALVERT_BENCH_PROGRAM");  // to compare two builds
    fs::copy_file(other && *other ? other : ZALVERT_EXECUTABLE, root + "/zalvert-importer");
    CreateZalvertDatabase(root + "/zalvert.db", {"Spedition Müller", "Nordfracht"});
    std::ofstream(root + "/zalvert-importer.ini")
        << "[DB]\nMain=" << root << "/zalvert.db\n[Import]\nmaxspalte=5\npfad=" << root
        << "/import/\next=*.csv\narchiv=" << root << "/archiv/\n";
}

bool Archived(const std::string& root) {
    for (const auto& entry : fs::directory_iterator(root + "/archiv"))
        if (entry.path().extension() == ".csv") return true;
    return false;
}

// Seconds from the fork until the archive copy is there; the program is then ended.
double ProgramStart(const std::string& root) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("ZALVERT_UNATTENDED_LOG", (root + "/meldungen.log").c_str(), 1);
        execl((root + "/zalvert-importer").c_str(), "zalvert-importer", nullptr);
        _exit(127);
    }
    while (!Archived(root)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != 0) {
            std::fprintf(stderr, "the program ended before it archived the file\n");
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = fs::temp_directory_path() / "zalvert-startup-bench";
    std::printf("Program start until the archive copy exists (80%% of the lines accepted)\n");
    for (int lines : bench::LineCounts(argc, argv)) {
        Workspace(root);
        bench::GenerateImportFile(root + "/import/touren.csv", lines);
        const double program = ProgramStart(root);
        const double shell = bench::ShellImport(root, lines);
        std::printf("%8d lines: program %6.3f s   sqlite3 .import %6.3f s   ratio %4.2f\n", lines,
                    program, shell, program / shell);
    }
    fs::remove_all(root);
    return 0;
}
