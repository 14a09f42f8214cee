// The start-up import end to end through the program's own code (data module,
// folder scan, LoadFile, the run, archiving), beside the sqlite3 shell's .import of
// the same realistic file into a plain table with the same durability, in the same
// run. Memory is the peak resident growth during the import (the kernel's
// high-water mark), where the CPU and the time went is printed beside. A second
// argument stores that many records first, every tenth deleted, as an office's
// table with gaps (the program's reference stays the shell's import into a new
// table).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/ImportTools.h"
#include "bench/RealisticBilling.h"
#include "bench/StartupImport.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"

#include <sqlite3.h>

namespace {

using namespace zalvert;
using bench::GenerateImportFile;
using bench::ResidentBytes;
using bench::Seconds;
using bench::ShellImport;
namespace fs = std::filesystem;

void Workspace(const std::string& root, long stored) {
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    CreateZalvertDatabase(root + "/zalvert.db", bench::RealisticCompanies());
    if (stored > 0) {
        bench::FillRealisticBillingTable(root + "/zalvert.db", stored);
        sqlite3* db = nullptr;
        sqlite3_open((root + "/zalvert.db").c_str(), &db);
        sqlite3_exec(db, "DELETE FROM Zalvert WHERE ID % 10 = 0", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::ofstream(root + "/z.ini") << "[DB]\nMain=" << root << "/zalvert.db\n[Import]\n"
                                   << "maxspalte=5\npfad=" << root << "/import/\next=*.csv\n"
                                   << "archiv=" << root << "/archiv/\n";
}

struct TCpu {
    double Process = 0;  // all threads
    double Main = 0;     // the thread the program's work runs on
};

double ProgramImport(const std::string& root, long& peakGrowth, std::string& summary, TCpu& cpu,
                     bench::TImportSteps& steps) {
    const long before = ResidentBytes();
    bench::ResetPeakResident();
    const TCpu start{bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID),
                     bench::CpuSeconds(CLOCK_THREAD_CPUTIME_ID)};
    const double seconds = bench::StartupImport(root + "/z.ini", summary, &steps);
    peakGrowth = bench::PeakResidentBytes() - before;
    cpu = {bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - start.Process,
           bench::CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start.Main};
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    FormatSettings() = TFormatSettings::German();
    const std::string root = fs::temp_directory_path() / "zalvert-import-bench";
    std::printf("Start-up import of a waiting file (80%% of the lines accepted), on %s\n",
                bench::AllocatorName().c_str());
    const long stored = argc > 2 ? std::atol(argv[2]) : 0;
    if (stored > 0)
        std::printf("into a billing table of %ld records, every tenth deleted\n", stored);
    for (int lines : bench::LineCounts(argc, argv)) {
        Workspace(root, stored);
        const std::string file = root + "/import/touren.csv";
        GenerateImportFile(file, lines);
        fs::copy_file(file, root + "/shell.csv");
        long growth = 0;
        std::string summary;
        TCpu cpu;
        bench::TImportSteps steps;
        const double program = ProgramImport(root, growth, summary, cpu, steps);
        const double shell = ShellImport(root, root + "/shell.csv").Seconds;
        const double checked = bench::ShellImportChecked(root, root + "/shell.csv").Seconds;
        std::printf(
            "%8d lines: program %6.3f s (%8.0f lines/s, peak growth %5.1f bytes/line)   "
            "sqlite3 .import %6.3f s   ratio %4.2f\n"
            "  sqlite3 with the checks in SQL %6.3f s (%ld records stored)   ratio %4.2f\n"
            "  CPU: %.3f s in all threads, %.3f s on the main thread\n"
            "  steps: reading and rows %.3f s, commit %.3f s, archiving %.3f s\n  %s\n",
            lines, program, lines / program, static_cast<double>(growth) / lines, shell,
            program / shell, checked, bench::StoredRecords(root + "/checked.db"), program / checked,
            cpu.Process, cpu.Main, steps.Commit, steps.Committed - steps.Commit,
            program - steps.Committed, summary.c_str());
    }
    fs::remove_all(root);
    return 0;
}
