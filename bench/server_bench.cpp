// The program on a PostgreSQL server over ODBC: the start-up import of a waiting
// realistic file beside the program's import of the same file into a database file
// and psql's \copy of it into a plain table, in the same run; and the billing
// window over the server's records. bench/server-bench.sh starts a throwaway
// server and sets ZALVERT_BENCH_ODBC (the program's connect text) and
// ZALVERT_BENCH_PSQL (a psql command line for the same database).

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/ImportTools.h"
#include "bench/StartupImport.h"
#include "bench/WindowTools.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"
#include "views/Zalverten.h"
#include "widgets/DBGrid.h"

namespace {

using namespace zalvert;
using bench::GenerateImportFile;
using bench::ResidentBytes;
using bench::Seconds;
namespace fs = std::filesystem;

void Psql(const std::string& psql, const std::string& script) {
    const std::string file = fs::temp_directory_path() / "zalvert-server-bench.sql";
    std::ofstream(file) << script;
    if (std::system((psql + " -v ON_ERROR_STOP=1 -f " + file + " >/dev/null").c_str()) != 0)
        std::fprintf(stderr, "psql failed on:\n%s\n", script.c_str());
}

void ResetSchema(const std::string& connect, const std::string& psql) {
    Psql(psql, "DROP TABLE IF EXISTS zalvert, u_recvon, u_importlauf;");
    CreateZalvertDatabase(connect, bench::RealisticCompanies());
}

// The start-up import into the database `connect` names; `cpu` is this process's
// CPU time during it, the client's share of the work.
double ProgramImport(const std::string& root, const std::string& connect, int lines,
                     std::string& summary, double& cpu, bench::TImportSteps& steps) {
    fs::remove_all(root);
    fs::create_directories(root + "/import");
    fs::create_directories(root + "/archiv");
    std::ofstream(root + "/z.ini")
        << "[DB]\nMain=" << connect << "\n[Import]\nmaxspalte=5\npfad=" << root
        << "/import/\next=*.csv\narchiv=" << root << "/archiv/\n";
    GenerateImportFile(root + "/import/touren.csv", lines);
    const double before = bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double seconds = bench::StartupImport(root + "/z.ini", summary, &steps);
    cpu = bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - before;
    return seconds;
}

// The same import into a new database file.
double FileImport(const std::string& root, int lines, bench::TImportSteps& steps) {
    const std::string files = root + "-datei";
    fs::remove_all(files);
    fs::create_directories(files);
    CreateZalvertDatabase(files + "/zalvert.db", bench::RealisticCompanies());
    std::string summary;
    double cpu = 0;
    const double seconds = ProgramImport(root, files + "/zalvert.db", lines, summary, cpu, steps);
    fs::remove_all(files);
    return seconds;
}

// psql's \copy of the same file into a plain table of its five columns, in one
// transaction as \copy is.
double CopyImport(const std::string& root, const std::string& psql, int lines) {
    const std::string file = root + "/copy.csv";
    GenerateImportFile(file, lines);
    Psql(psql,
         "DROP TABLE IF EXISTS eingang;\n"
         "CREATE TABLE eingang (recvon text, recan text, datumvon text, datumbis text, "
         "tour text);\n");
    return Seconds([&] {
        Psql(psql, "\\copy eingang from '" + file + "' with (format csv, delimiter ';')\n");
    });
}

void Window(const std::string& root, const std::string& connect, const std::string& psql,
            int rows) {
    ResetSchema(connect, psql);
    Psql(psql,
         "INSERT INTO zalvert (recvon, recan, datumvon, datumbis, tour, erstelltvon, "
         "importid) SELECT 'Spedition Müller GmbH', 'Kunde ' || i, timestamp "
         "'2018-12-03' + i * interval '1 minute', timestamp '2018-12-04', 'T' || i, 0, "
         "i / 1000 + 1 FROM generate_series(1, " +
             std::to_string(rows) + ") i;\nANALYZE zalvert;\n");
    fs::create_directories(root);
    std::ofstream(root + "/z.ini") << "[DB]\nMain=" << connect << "\n";
    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    std::unique_ptr<TData> data;
    const long empty = ResidentBytes();
    bench::ResetPeakResident();
    const double start = Seconds([&] { data = std::make_unique<TData>(ui, root + "/z.ini"); });
    std::unique_ptr<TFzalverten> window;
    const double open = Seconds([&] { window = bench::OpenBillingWindow(*data); });
    TDBGrid* grid = window->DBGrid1();
    auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return bench::KeyUntilPainted(grid, *window, key, modifiers);
    };
    const double end = press(Qt::Key_End, Qt::ControlModifier);
    const double home = press(Qt::Key_Home, Qt::ControlModifier);
    double pageDown = 0;
    for (int i = 0; i < 20; ++i) pageDown += press(Qt::Key_PageDown);
    const long after = ResidentBytes();
    const long peak = bench::PeakResidentBytes();
    std::printf("Billing window over %d server records\n", rows);
    std::printf(
        "  data module start %8.1f ms   window open %6.1f ms   Ctrl+End %6.1f ms   "
        "Ctrl+Home %6.1f ms   Page Down %6.1f ms (mean of 20)\n",
        start * 1000, open * 1000, end * 1000, home * 1000, pageDown / 20 * 1000);
    std::printf("  resident growth %.1f bytes/record, peak growth %.1f bytes/record\n",
                static_cast<double>(after - empty) / rows,
                static_cast<double>(peak - empty) / rows);
    window.reset();
    data.reset();
    SetApplicationInteraction(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    FormatSettings() = TFormatSettings::German();
    const char* connect = std::getenv("ZALVERT_BENCH_ODBC");
    const char* psql = std::getenv("ZALVERT_BENCH_PSQL");
    if (!connect || !psql) {
        std::fprintf(stderr, "bench_server: run it through bench/server-bench.sh\n");
        return 1;
    }
    const std::string root = fs::temp_directory_path() / "zalvert-server-bench";
    // The window in a process of its own for each size: after an import or a
    // larger window the allocator's leftovers would hide its memory.
    if (argc > 2 && std::string(argv[1]) == "fenster") {
        Window(root, connect, psql, std::atoi(argv[2]));
        fs::remove_all(root);
        return 0;
    }
    std::printf("Start-up import into PostgreSQL over ODBC (realistic lines, 80%% accepted)\n");
    for (int lines : bench::LineCounts(argc, argv)) {
        ResetSchema(connect, psql);
        std::string summary;
        double cpu = 0;
        bench::TImportSteps onServer, inFile;
        const double program = ProgramImport(root, connect, lines, summary, cpu, onServer);
        const double file = FileImport(root, lines, inFile);
        const double copy = CopyImport(root, psql, lines);
        std::printf(
            "%8d lines: program %6.3f s (client CPU %6.3f s)   into a database file %6.3f s "
            "(ratio %4.2f)   psql \\copy %6.3f s (ratio %5.2f)\n  %s\n",
            lines, program, cpu, file, program / file, copy, program / copy, summary.c_str());
        const auto printSteps = [](const char* what, const bench::TImportSteps& steps,
                                   double seconds) {
            std::printf(
                "  steps %s: start, reading and rows %.3f s, commit %.3f s, archiving %.3f s\n",
                what, steps.Commit, steps.Committed - steps.Commit, seconds - steps.Committed);
        };
        printSteps("on the server", onServer, program);
        printSteps("into the file", inFile, file);
    }
    fs::remove_all(root);
    return 0;
}
