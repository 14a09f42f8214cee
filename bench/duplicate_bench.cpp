// The check for billing records sent twice, at the start-up import of a file into a
// table that already holds records, both as an office has them: the same import with
// the check and with it switched off ([Import] doppelte=1), each from the same
// database, in turns, the check's share printed beside; then the file sent again
// with one line more, every other line a duplicate.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/ImportTools.h"
#include "bench/RealisticBilling.h"
#include "bench/StartupImport.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "import/DuplicateCheck.h"
#include "import/StoredKeys.h"
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
double Import(const std::string& root, int lines, int stored, bool check, std::string& summary) {
    WriteIni(root, check);
    const long firstDay = stored / bench::TRealisticBilling::kToursPerDay + 1;
    bench::GenerateRealisticFile(root + "/import/touren.csv", lines, firstDay);
    return bench::StartupImport(root + "/z.ini", summary);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The keys of the stored records on their own: the check's fixed cost per run.
void LoadKeys(const std::string& path) {
    auto db = engine::CreateDBEngine("DAO.DBEngine.36")
                  ->CreateWorkspace("Bench", "Admin", "")
                  ->OpenDatabase(path);
    TLineKeys lines(1);
    lines.EndAdding();
    TStoredKeys keys;
    const double seconds = bench::Seconds([&] {
        keys.StartLoading(*db, lines);
        keys.LinesComplete();
        keys.FinishLoading();
    });
    std::printf("  stored keys read: %6.3f s for %zu records\n", seconds, keys.Count());
    db->Close();
}

// The keys of a file's lines on their own, as the run makes them beside the reading
// of the stored keys.
void MakeLineKeys(int lines, int stored) {
    const bench::TRealisticBilling billing;
    std::vector<bench::TBillingLine> file;
    for (long i = 0; i < lines; ++i)
        file.push_back(billing.Line(i, stored / bench::TRealisticBilling::kToursPerDay + 1, false));
    TRecordKeyHasher hasher;
    const TDateTime day = 42000;
    double hashing = 0;
    const double seconds = bench::Seconds([&] {
        TLineKeys keys(lines + 1);
        hashing = bench::Seconds([&] {
            for (int row = 1; row <= lines; ++row) {
                const bench::TBillingLine& l = file[static_cast<size_t>(row - 1)];
                keys.Add(row, hasher.Hash({l.Sender, l.Recipient, l.Tour, day + row / 500, day}));
            }
        });
        keys.EndAdding();
    });
    std::printf("  line keys made:   %6.3f s for %d lines (hashing and adding %.3f s)\n", seconds,
                lines, hashing);
}

}  // namespace

int main(int argc, char** argv) {
    FormatSettings() = TFormatSettings::German();
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int stored = argc > 2 ? std::atoi(argv[2]) : 1000000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const std::string root = fs::temp_directory_path() / "zalvert-duplicate-bench";
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    CreateZalvertDatabase(root + "/gefuellt.db", bench::RealisticCompanies());
    bench::FillRealisticBillingTable(root + "/gefuellt.db", stored);
    std::printf("%d lines into a table of %d records, %d rounds (%s)\n", lines, stored, rounds,
                bench::AllocatorName().c_str());
    LoadKeys(root + "/gefuellt.db");
    MakeLineKeys(lines, stored);
    std::string summary;
    std::vector<double> off, on;
    for (int round = 0; round < rounds; ++round) {
        Restore(root);
        off.push_back(Import(root, lines, stored, false, summary));
        std::printf("  check off:  %6.3f s   %s\n", off.back(), summary.c_str());
        Restore(root);
        on.push_back(Import(root, lines, stored, true, summary));
        std::printf("  check on:   %6.3f s   %s\n", on.back(), summary.c_str());
    }
    std::printf("  medians %.3f s and %.3f s: ratio %4.2f (at most 1.20)\n", Median(off),
                Median(on), Median(on) / Median(off));
    // The same lines once more: every accepted one is refused as stored already.
    const double again = Import(root, lines + 1, stored, true, summary);
    std::printf("  sent again: %6.3f s   %s\n", again, summary.c_str());
    fs::remove_all(root);
    return 0;
}
