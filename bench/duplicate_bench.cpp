// The check for billing records sent twice, at the start-up import of a file into a
// table that already holds records: the same import with the check and with it
// switched off ([Import] doppelte=1), each from the same database, the check's
// share printed beside; then the file sent again with one line more, every other
// line a duplicate.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/ImportTools.h"
#include "bench/StartupImport.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"

namespace {

using namespace zalvert;
namespace fs = std::filesystem;

void WriteIni(const std::string& root, bool check) {
    std::ofstream(root + "/z.ini") << "[DB]\nMain=" << root << "/zalvert.db\n[Import]\n"
                                   << "maxspalte=5\npfad=" << root << "/import/\next=*.csv\n"
                                   << "archiv=" << root << "/archiv/\n"
                                   << "doppelte=" << (check ? 0 : 1) << "\n";
}

// The database as the filled one was, for every import to start from.
void Restore(const std::string& root) {
    for (const char* suffix : {"-wal", "-shm"}) fs::remove(root + "/zalvert.db" + suffix);
    fs::copy_file(root + "/gefuellt.db", root + "/zalvert.db",
                  fs::copy_options::overwrite_existing);
}

// Seconds from the data module's start until the file is imported and archived.
double Import(const std::string& root, int lines, bool check, std::string& summary) {
    WriteIni(root, check);
    bench::GenerateImportFile(root + "/import/touren.csv", lines, "Neu");
    return bench::StartupImport(root + "/z.ini", summary);
}

}  // namespace

int main(int argc, char** argv) {
    FormatSettings() = TFormatSettings::German();
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int stored = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const std::string root = fs::temp_directory_path() / "zalvert-duplicate-bench";
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    CreateZalvertDatabase(root + "/gefuellt.db", {"Spedition Müller", "Nordfracht"});
    bench::FillBillingTable(root + "/gefuellt.db", stored, 1000);
    std::printf("%d lines into a table of %d records (%s)\n", lines, stored,
                bench::AllocatorName().c_str());
    std::string summary;
    Restore(root);
    const double off = Import(root, lines, false, summary);
    std::printf("  check off:  %6.3f s   %s\n", off, summary.c_str());
    Restore(root);
    const double on = Import(root, lines, true, summary);
    std::printf("  check on:   %6.3f s   %s\n", on, summary.c_str());
    std::printf("  ratio %4.2f (at most 1.20)\n", on / off);
    // The same lines once more: every accepted one is refused as stored already.
    const double again = Import(root, lines + 1, true, summary);
    std::printf("  sent again: %6.3f s   %s\n", again, summary.c_str());
    fs::remove_all(root);
    return 0;
}
