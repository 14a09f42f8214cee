#pragma once
// What the import benchmarks share: a view nobody watches, the waiting file, and
// the sqlite3 shell's import to compare with.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/ProcessRun.h"
#include "bench/RealisticBilling.h"
#include "import/ImportView.h"

namespace zalvert::bench {

class TNoWindow : public IImportView {
  public:
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int, const TImportCounts&) override {}
    void ShowImportId(const std::string&) override {}
    void ShowSummary(const std::string& text) override { Summary = text; }
    std::string ImportYear() const override { return "2018"; }
    std::string Summary;
};

// The line counts to measure: 10,000, 100,000 and 1,000,000, or the one given.
inline std::vector<int> LineCounts(int argc, char** argv) {
    if (argc > 1) return {std::atoi(argv[1])};
    return {10000, 100000, 1000000};
}

// The waiting file of the import benchmarks: realistic lines (80 % of them
// accepted), from the first day on.
inline void GenerateImportFile(const std::string& path, int lines) {
    GenerateRealisticFile(path, lines, 0);
}

// What a user would do instead of the program: the sqlite3 shell's .import of the
// same file into a plain table of its five columns in a new database, with the
// program's durability (write-ahead log, each commit flushed). From the shell's
// start until it has ended.
inline TProcessRun ShellImport(const std::string& root, const std::string& file) {
    const std::string database = root + "/shell.db";
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(database + suffix);
    const std::string script = root + "/import.sql";
    std::ofstream(script) << "PRAGMA journal_mode=WAL;\nPRAGMA synchronous=FULL;\n"
                          << "CREATE TABLE Eingang (Recvon TEXT, Recan TEXT, Datumvon TEXT, "
                             "Datumbis TEXT, Tour TEXT);\n"
                          << ".mode csv\n.separator ;\n.import " << file << " Eingang\n";
    TProcessCommand shell;
    shell.Arguments = {"sqlite3", "-batch", database};
    shell.Input = script;
    shell.Errors = root + "/sqlite3.log";
    const TProcessRun run = RunProcess(shell);
    if (!run.Succeeded) std::fprintf(stderr, "sqlite3 failed, see %s\n", shell.Errors.c_str());
    return run;
}

}  // namespace zalvert::bench
