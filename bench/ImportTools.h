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

// Four lines in five from a known company, each line a tour of its own (`tour`
// and its number: no line repeats another). The file has waited in the folder a
// minute, as a file found at start has: the program takes a file it has just seen
// change only once it has rested.
inline void GenerateImportFile(const std::string& path, int lines, const char* tour = "T") {
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < lines; ++i)
            out << (i % 5 == 4 ? "Unbekannte Firma" : "Spedition Müller GmbH")
                << ";Autohaus Schneider KG;03.12.2018;04.12.2018;" << tour << i << "\r\n";
    }
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}

// The sqlite3 shell's .import of the same kind of file into a table of its five
// columns, then into the billing table of `root`/zalvert.db: seconds taken.
inline double ShellImport(const std::string& root, int lines) {
    const std::string file = root + "/shell.csv";
    GenerateImportFile(file, lines);
    const std::string script = root + "/import.sql";
    std::ofstream(script) << "CREATE TEMP TABLE Eingang (a TEXT, b TEXT, c TEXT, d TEXT, e TEXT);\n"
                          << ".mode csv\n.separator ;\n.import " << file << " Eingang\n"
                          << "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Datumbis, Tour, "
                             "erstelltvon, ImportID) SELECT a, b, c, d, e, 0, 1 FROM Eingang;\n";
    const std::string command = "sqlite3 " + root + "/zalvert.db < " + script;
    return Seconds([&] {
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sqlite3 failed\n");
    });
}

}  // namespace zalvert::bench
