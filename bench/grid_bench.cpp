// The billing records window over a billing table of a million records as an office
// has them: opening it until the first rows are painted, Ctrl+End and Page Down,
// each until painted, the memory the window costs; then a sort by each column,
// browsing after it, a filter typed into the filter row, and the
// status line's count and sum. A second argument leaves gaps in the table first:
// "zehnte" deletes every tenth record, "lauf" a run of a million records (or of a
// quarter of the table) in the middle, as undoing an import does.

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/RealisticBilling.h"
#include "bench/WindowTools.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"
#include "views/BillingTotals.h"
#include "views/Zalverten.h"
#include "widgets/DBGrid.h"

#include <sqlite3.h>

namespace {

using namespace zalvert;
using bench::KeyUntilPainted;
using bench::OpenBillingWindow;
using bench::ResidentBytes;
using bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    FormatSettings() = TFormatSettings::German();
    int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-grid-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    CreateZalvertDatabase(path, bench::RealisticCompanies());
    bench::FillRealisticBillingTable(path, rows);
    const std::string gaps = argc > 2 ? argv[2] : "";
    if (!gaps.empty()) {
        const long first = rows / 2, count = std::min(1000000, rows / 4);
        const std::string where =
            gaps == "zehnte"
                ? "ID % 10 = 0"
                : "ID > " + std::to_string(first) + " AND ID <= " + std::to_string(first + count);
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, ("DELETE FROM Zalvert WHERE " + where).c_str(), nullptr, nullptr, nullptr);
        rows = sqlite3_changes(db) > 0 ? rows - sqlite3_changes(db) : rows;
        sqlite3_close(db);
    }
    std::ofstream(folder + "/z.ini") << "[DB]\nMain=" << path << "\n";

    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    std::unique_ptr<TData> data;
    const long empty = ResidentBytes();
    bench::ResetPeakResident();
    const double start = Seconds([&] { data = std::make_unique<TData>(ui, folder + "/z.ini"); });
    const long startPeak = bench::PeakResidentBytes();
    const long before = ResidentBytes();
    std::unique_ptr<TFzalverten> window;
    const double open = Seconds([&] { window = OpenBillingWindow(*data); });
    const long after = ResidentBytes();
    TDBGrid* grid = window->DBGrid1();
    const double end = KeyUntilPainted(grid, *window, Qt::Key_End, Qt::ControlModifier);
    const double home = KeyUntilPainted(grid, *window, Qt::Key_Home, Qt::ControlModifier);
    double pageDown = 0;
    const int pages = 20;
    for (int i = 0; i < pages; ++i) pageDown += KeyUntilPainted(grid, *window, Qt::Key_PageDown);
    // A jump into the middle reads a table's ids with gaps up to there.
    const double jump = Seconds([&] {
        data->Zalvert->SetRecNo(rows / 2);
        grid->repaint();
    });
    const double middle = KeyUntilPainted(grid, *window, Qt::Key_PageDown);
    // The same a second later, as a user who looked at the window first jumps.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double later = Seconds([&] {
        data->Zalvert->SetRecNo(rows / 3);
        grid->repaint();
    });

    std::printf("Billing records window over %d records (%d rows shown)\n", rows,
                grid->VisibleRows());
    std::printf(
        "data module start (connect, open the dynaset)  %8.1f ms, %.1f bytes/record "
        "(peak %.1f)\n",
        start * 1000, static_cast<double>(before - empty) / rows,
        static_cast<double>(startPeak - empty) / rows);
    std::printf("open the window until the first rows are painted %6.1f ms\n", open * 1000);
    std::printf("Ctrl+End until painted                          %8.1f ms\n", end * 1000);
    std::printf("Ctrl+Home until painted                         %8.1f ms\n", home * 1000);
    std::printf("Page Down until painted (mean of %d)            %8.1f ms\n", pages,
                pageDown / pages * 1000);
    std::printf("jump to the middle (record number) until painted %7.1f ms\n", jump * 1000);
    std::printf("Page Down in the middle until painted           %8.1f ms\n", middle * 1000);
    std::printf("a second later, jump to a third until painted   %8.1f ms\n", later * 1000);
    std::printf("resident before the window %.1f MB, after %.1f MB (+%.1f MB)\n",
                before / 1048576.0, after / 1048576.0, (after - before) / 1048576.0);

    // Each column, each until the grid has painted the sorted records.
    for (int column = 0; column < static_cast<int>(grid->Columns().size()); ++column) {
        const double sort = Seconds([&] {
            window->SortByColumn(column);
            grid->repaint();
        });
        const double down = KeyUntilPainted(grid, *window, Qt::Key_PageDown);
        const double last = KeyUntilPainted(grid, *window, Qt::Key_End, Qt::ControlModifier);
        std::printf("sort by %-16s %8.1f ms, then Page Down %6.1f ms, Ctrl+End %6.1f ms\n",
                    grid->Columns()[static_cast<size_t>(column)].Title.c_str(), sort * 1000,
                    down * 1000, last * 1000);
    }
    grid->Filters()[5]->setText("T12");
    const double filter = Seconds([&] {
        window->ApplyFilters();
        grid->repaint();
    });
    std::printf("filter Tour \"T12\" until painted                %8.1f ms (%d records)\n",
                filter * 1000, data->Zalvert->RecordCount());
    TBillingTotals totals;
    const double counted = Seconds([&] { totals = ReadBillingTotals(*data->Zalvert); });
    grid->Filters()[5]->clear();
    window->ApplyFilters();
    const double countedAll = Seconds([&] { totals = ReadBillingTotals(*data->Zalvert); });
    std::printf("status line: count and sum, filtered %.1f ms, all %.1f ms (%s)\n", counted * 1000,
                countedAll * 1000, BillingTotalsText(totals).c_str());
    window.reset();
    data.reset();
    SetApplicationInteraction(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
