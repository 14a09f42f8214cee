// The program itself started on a waiting file, headless, from the process start
// until the archive copy exists, beside the sqlite3 shell's .import of the same
// file into the same database in the same run.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
        // The toolkit's notes on a headless platform would drown the figures.
        if (!std::freopen((root + "/stderr.log").c_str(), "w", stderr)) _exit(126);
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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

// bench_startup [LINES [RUNS]]: with several runs, the program and the shell take
// turns, and the medians are compared, since single runs on a shared machine vary.
int main(int argc, char** argv) {
    const std::string root = fs::temp_directory_path() / "zalvert-startup-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    std::printf("Program start until the archive copy exists (80%% of the lines accepted)\n");
    for (int lines : bench::LineCounts(argc, argv)) {
        std::vector<double> programs, shells, ratios;
        for (int run = 0; run < runs; ++run) {
            Workspace(root);
            bench::GenerateImportFile(root + "/import/touren.csv", lines);
            programs.push_back(ProgramStart(root));
            shells.push_back(bench::ShellImport(root, lines));
            ratios.push_back(programs.back() / shells.back());
            if (runs > 1)
                std::printf("  run %d: program %6.3f s   sqlite3 .import %6.3f s   ratio %4.2f\n",
                            run + 1, programs.back(), shells.back(), ratios.back());
        }
        std::printf("%8d lines: program %6.3f s   sqlite3 .import %6.3f s   ratio %4.2f%s\n", lines,
                    Median(programs), Median(shells), Median(programs) / Median(shells),
                    runs > 1 ? "   (medians)" : "");
        if (runs > 1)
            std::printf("  ratios of the single runs: %4.2f to %4.2f\n",
                        *std::min_element(ratios.begin(), ratios.end()),
                        *std::max_element(ratios.begin(), ratios.end()));
    }
    fs::remove_all(root);
    return 0;
}
