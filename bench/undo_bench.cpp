// The run log at work: undoing a run of 100,000 records in a billing table of
// 1,000,000, and the hash lookup each run starts with, over 10,000 logged runs.

#include <sqlite3.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "import/RunLog.h"
#include "import/RunUndo.h"
#include "rtl/FormatSettings.h"

namespace {

using namespace zalvert;
using bench::Seconds;

std::string HashOf(int run) {
    char text[65];
    std::snprintf(text, sizeof text, "%064x", run * 2654435761u);
    return text;
}

// Runs 0 to `runs` - 1 in the log, as SQLite writes them directly.
void FillRunLog(const std::string& path, int runs) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO u_Importlauf (ImportID, Datei, Archivname, Zeit, SHA256, "
                       "Verarbeitet, Importiert, Abgelehnt) VALUES (?, 'touren.csv', "
                       "'touren-x.csv', '2026-12-08 14:07:09', ?, 1, 1, 0)",
                       -1, &stmt, nullptr);
    for (int run = 0; run < runs; ++run) {
        const std::string hash = HashOf(run);
        sqlite3_bind_int(stmt, 1, run);
        sqlite3_bind_text(stmt, 2, hash.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    FormatSettings() = TFormatSettings::German();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int perRun = rows / 10;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-undo-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, rows, perRun);
    FillRunLog(path, 10000);
    std::ofstream(folder + "/z.ini") << "[DB]\nMain=" << path << "\n";

    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    {
        TData data(ui, folder + "/z.ini");
        const int lookups = 200;
        int found = 0;
        const double lookup = Seconds([&] {
            for (int i = 0; i < lookups; ++i)
                found += TRunLog(data).FindByHash(HashOf(i * 37 % 10000)).has_value();
        });
        int deleted = 0;
        const double undo = Seconds([&] { deleted = TRunUndo(data).Undo(5); });
        // The same deletion straight on the engine, for comparison.
        const double direct = Seconds([&] {
            data.Datenbank->DatabaseObject()->Execute("DELETE FROM Zalvert WHERE ImportID = 6");
        });
        std::printf("hash lookup over 10,000 logged runs: %.3f ms (mean of %d, %d found)\n",
                    lookup / lookups * 1000, lookups, found);
        std::printf(
            "undo of a run of %d records in a table of %d: %.0f ms (%d deleted); "
            "the engine's DELETE of another run alone: %.0f ms\n",
            perRun, rows, undo * 1000, deleted, direct * 1000);
    }
    SetApplicationInteraction(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
