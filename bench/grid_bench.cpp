// The billing records window over a billing table of a million records: opening
// it until the first rows are painted, Ctrl+End and Page Down, each until painted,
// and the memory the window costs.

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/WindowTools.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"
#include "views/Zalverten.h"
#include "widgets/DBGrid.h"

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
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-grid-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, rows);
    std::ofstream(folder + "/z.ini") << "[DB]\nMain=" << path << "\n";

    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    std::unique_ptr<TData> data;
    const double start = Seconds([&] { data = std::make_unique<TData>(ui, folder + "/z.ini"); });
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
    data->Zalvert->SetRecNo(rows / 2);
    const double middle = KeyUntilPainted(grid, *window, Qt::Key_PageDown);

    std::printf("Billing records window over %d records (%d rows shown)\n", rows,
                grid->VisibleRows());
    std::printf("data module start (connect, open the dynaset)  %8.1f ms\n", start * 1000);
    std::printf("open the window until the first rows are painted %6.1f ms\n", open * 1000);
    std::printf("Ctrl+End until painted                          %8.1f ms\n", end * 1000);
    std::printf("Ctrl+Home until painted                         %8.1f ms\n", home * 1000);
    std::printf("Page Down until painted (mean of %d)            %8.1f ms\n", pages,
                pageDown / pages * 1000);
    std::printf("Page Down in the middle until painted           %8.1f ms\n", middle * 1000);
    std::printf("resident before the window %.1f MB, after %.1f MB (+%.1f MB)\n",
                before / 1048576.0, after / 1048576.0, (after - before) / 1048576.0);
    window.reset();
    data.reset();
    SetApplicationInteraction(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
