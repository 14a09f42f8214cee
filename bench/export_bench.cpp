// Exporting and printing the billing records as an office does: a billing table of
// realistic records (a million by default) with gaps where records were deleted
// (every hundredth, and one whole run undone), sorted by sender as the window
// shows them. Times and the peak resident memory during each step: CSV and xlsx
// of all records, beside the sqlite3 shell's CSV export of the same rows in the
// same order; a PDF list of 10,000 records.
//
//   bench_export [records [csv|xlsx|pdf]]   (the one step only, for a profile)

#include <QApplication>
#include <QPdfWriter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/RealisticBilling.h"
#include "dao/ZedaDaoTable.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"
#include "views/CsvExport.h"
#include "views/RecordList.h"
#include "views/RecordsOutput.h"
#include "views/XlsxExport.h"

namespace {

using namespace zalvert;
using bench::PeakResidentBytes;
using bench::ResetPeakResident;
using bench::Seconds;

const std::vector<std::pair<std::string, std::string>> kGridColumns = {
    {"ID", "ID"},
    {"Recvon", "Recvon"},
    {"Recan", "Recan"},
    {"Datumvon", "Datumvon"},
    {"Datumbis", "Datumbis"},
    {"Tour", "Tour"},
    {"erstelltvon", "erstelltvon"},
    {"Netto", "Netto"},
    {"Recdatum", "Recdatum"},
    {"Recnr", "Recnr"},
    {"Gutschrift", "Gutschrift"},
    {"erledigt", "erledigt"},
    {"ImportID", "ImportID"}};

// Runs `work`, then prints its time, the peak resident memory above the memory
// before it, and the file's size.
void Measure(const char* name, const std::string& path, const std::function<void()>& work) {
    const long before = bench::ResidentBytes();
    ResetPeakResident();
    const double seconds = Seconds(work);
    const long peak = PeakResidentBytes() - before;
    std::printf("%-44s %8.2f s   peak +%6.1f MB   %7.1f MB file\n", name, seconds,
                static_cast<double>(peak) / 1048576,
                static_cast<double>(std::filesystem::file_size(path)) / 1048576);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    FormatSettings() = TFormatSettings::German();
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string only = argc > 2 ? argv[2] : "";
    const auto step = [&](const char* name) { return only.empty() || only == name; };
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-export-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    CreateZalvertDatabase(path, bench::RealisticCompanies());
    bench::FillRealisticBillingTable(path, rows + rows / 100 + 1000);
    const std::string gaps = "DELETE FROM Zalvert WHERE ID % 100 = 0 OR ImportID = 2";
    std::system(("sqlite3 " + path + " '" + gaps + "; VACUUM;'").c_str());
    std::ofstream(folder + "/z.ini") << "[DB]\nMain=" << path << "\n";

    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    TData data(ui, folder + "/z.ini");
    TZedaDaoTable& table = *data.Zalvert;
    table.Open();
    table.SetSortedBy("[Recvon]");
    const long count = table.RecordCount();
    std::printf("Export of %ld billing records sorted by sender (%ld deleted)\n", count,
                rows + rows / 100 + 1000 - count);
    const std::vector<TShownColumn> columns = ShownColumns(table, kGridColumns);

    const std::string csv = folder + "/export.csv";
    if (step("csv"))
        Measure("CSV, UTF-8", csv, [&] { ExportCsv(csv, TCsvEncoding::Utf8, table, columns, {}); });
    const std::string ansi = folder + "/export-ansi.csv";
    if (step("csv"))
        Measure("CSV, Windows-1252", ansi,
                [&] { ExportCsv(ansi, TCsvEncoding::Windows1252, table, columns, {}); });
    const std::string shell = folder + "/shell.csv";
    if (step("csv"))
        Measure("reference: sqlite3 -csv, same rows and order", shell, [&] {
            std::system(("sqlite3 -csv -header -separator ';' " + path +
                         " 'SELECT * FROM Zalvert ORDER BY Recvon COLLATE NOCASE' > " + shell)
                            .c_str());
        });
    const std::string xlsx = folder + "/export.xlsx";
    if (step("xlsx") && count <= kXlsxMaxRecords)
        Measure("xlsx (constant memory)", xlsx, [&] { ExportXlsx(xlsx, table, columns, {}); });

    table.SetFilter("ID <= " + std::to_string(10000 + 10000 / 100 + 1000));
    table.SetFiltered(true);
    const std::string pdf = folder + "/liste.pdf";
    TShownRecords shown{table, kGridColumns, std::vector<int>(kGridColumns.size(), 100),
                        "Zalverten", "Zalverten"};
    const long listed = table.RecordCount();
    if (step("pdf"))
        Measure(("PDF list of " + std::to_string(listed) + " records").c_str(), pdf, [&] {
            QPdfWriter writer(QString::fromStdString(pdf));
            writer.setResolution(300);
            PaintRecordList(shown, writer, {});
        });
    data.Zalvert->Close();
    SetApplicationInteraction(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
