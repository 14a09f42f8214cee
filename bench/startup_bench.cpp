// The program itself started on a waiting file, headless, from the process start
// until it has imported, archived, written the report of refused lines, become
// idle and ended; beside the sqlite3 shell's .import of the same file into a plain
// table with the same durability, taking turns in the same run. Peak memory is the
// kernel's high-water mark of each process; the program's growth per line is its
// peak over that of a start with nothing waiting.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/ImportTools.h"
#include "bench/ProcessRun.h"
#include "bench/RealisticBilling.h"
#include "data/Schema.h"

namespace {

using namespace zalvert;
using bench::TProcessRun;
namespace fs = std::filesystem;

void Workspace(const std::string& root) {
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    const char* other = std::getenv("ZALVERT_BENCH_PROGRAM");  // to compare two builds
    fs::copy_file(other && *other ? other : ZALVERT_EXECUTABLE, root + "/zalvert-importer");
    CreateZalvertDatabase(root + "/zalvert.db", bench::RealisticCompanies());
    std::ofstream(root + "/zalvert-importer.ini")
        << "[DB]\nMain=" << root << "/zalvert.db\n[Import]\nmaxspalte=5\npfad=" << root
        << "/import/\next=*.csv\narchiv=" << root << "/archiv/\n";
}

// Whether the run left what it must: an empty import folder, the archive copy and
// the report of refused lines beside it, and no message.
bool RunComplete(const std::string& root) {
    bool copy = false, report = false;
    for (const auto& entry : fs::directory_iterator(root + "/archiv")) {
        const std::string name = entry.path().filename().string();
        (name.find(".abgelehnt.") != std::string::npos ? report : copy) = true;
    }
    const bool waiting = !fs::is_empty(root + "/import");
    const bool messages =
        fs::exists(root + "/meldungen.log") && !fs::is_empty(root + "/meldungen.log");
    if (!copy || !report || waiting || messages)
        std::fprintf(stderr,
                     "the run is incomplete: copy %d, report %d, file waiting %d, messages %d\n",
                     copy, report, waiting, messages);
    return copy && report && !waiting && !messages;
}

TProcessRun ProgramStart(const std::string& root) {
    bench::TProcessCommand program;
    program.Arguments = {root + "/zalvert-importer"};
    program.Environment = {{"QT_QPA_PLATFORM", "offscreen"},
                           {"ZALVERT_UNATTENDED_LOG", root + "/meldungen.log"},
                           {"ZALVERT_QUIT_WHEN_IDLE", "1"}};
    // The toolkit's notes on a headless platform would drown the figures.
    program.Errors = root + "/stderr.log";
    TProcessRun run = bench::RunProcess(program);
    if (!run.Succeeded)
        std::fprintf(stderr, "the program failed, see %s\n", program.Errors.c_str());
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

// bench_startup [LINES [RUNS]]: the program and the shell take turns; with several
// runs the medians are compared, since single runs on a shared machine vary.
int main(int argc, char** argv) {
    const std::string root = fs::temp_directory_path() / "zalvert-startup-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    Workspace(root);
    const TProcessRun idle = ProgramStart(root);
    std::printf(
        "Program start until it has ended after the import (realistic lines, 80%% "
        "accepted)\nbeside sqlite3 .import into a plain table (WAL, synchronous=FULL); "
        "a start with nothing waiting: %.3f s, peak %.1f MB\n",
        idle.Seconds, idle.PeakBytes / 1e6);
    for (int lines : bench::LineCounts(argc, argv)) {
        std::vector<double> programs, shells, checkeds, ratios, growths, cpus;
        for (int run = 0; run < runs; ++run) {
            Workspace(root);
            const std::string file = root + "/import/touren.csv";
            bench::GenerateImportFile(file, lines);
            const std::string copy = root + "/shell.csv";
            fs::copy_file(file, copy);
            const TProcessRun program = ProgramStart(root);
            if (!RunComplete(root)) return 1;
            const TProcessRun shell = bench::ShellImport(root, copy);
            const TProcessRun checked = bench::ShellImportChecked(root, copy);
            programs.push_back(program.Seconds);
            shells.push_back(shell.Seconds);
            checkeds.push_back(checked.Seconds);
            ratios.push_back(program.Seconds / shell.Seconds);
            growths.push_back(static_cast<double>(program.PeakBytes - idle.PeakBytes) / lines);
            cpus.push_back(program.CpuSeconds);
            std::printf(
                "  run %d: program %6.3f s (CPU %6.3f s, peak %6.1f MB)   sqlite3 .import "
                "%6.3f s (peak %5.1f MB)   ratio %4.2f\n",
                run + 1, program.Seconds, program.CpuSeconds, program.PeakBytes / 1e6,
                shell.Seconds, shell.PeakBytes / 1e6, ratios.back());
        }
        std::printf(
            "%8d lines: program %6.3f s   sqlite3 .import %6.3f s   ratio %4.2f   "
            "program CPU %6.3f s   peak growth %5.1f bytes/line   (medians of %d)\n"
            "          sqlite3 with the checks in SQL %6.3f s   ratio %4.2f\n",
            lines, Median(programs), Median(shells), Median(programs) / Median(shells),
            Median(cpus), Median(growths), runs, Median(checkeds),
            Median(programs) / Median(checkeds));
    }
    fs::remove_all(root);
    return 0;
}
