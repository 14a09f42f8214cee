// Memos in the billing records window: paging through a table whose every record
// has a remark, with memos cached and not, at two table sizes (the cost of a page
// must not grow with the table); and one 10 MB remark read through a stream.

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/WindowTools.h"
#include "dao/ZedaDaoTable.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "rtl/FormatSettings.h"
#include "views/Zalverten.h"
#include "widgets/DBGrid.h"

namespace {

using namespace zalvert;
using bench::Seconds;

void PageDown(TDBGrid& grid, QWidget& window) {
    bench::Key(&grid, Qt::Key_PageDown);
    bench::Paint(window);
}

// Mean time of a page in the middle of the table, until painted.
double PagingCost(TData& data, TFzalverten& window, bool cacheMemos) {
    data.Zalvert->SetCacheMemos(cacheMemos);
    data.Zalvert->SetRecNo(data.Zalvert->RecordCount() / 2);
    const int pages = 40;
    PageDown(*window.DBGrid1(), window);  // the first page after a move reads its rows
    const double seconds = Seconds([&] {
        for (int i = 0; i < pages; ++i) PageDown(*window.DBGrid1(), window);
    });
    return seconds / pages;
}

void Paging(int rows, const std::string& folder) {
    const std::string path = folder + "/zalvert.db";
    std::filesystem::remove(path);
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, rows, 1000, std::string(200, 'r'));
    std::ofstream(folder + "/z.ini") << "[DB]\nMain=" << path << "\n";
    bench::TSilentInteraction ui;
    TData data(ui, folder + "/z.ini");
    const auto window = bench::OpenBillingWindow(data);
    const double plain = PagingCost(data, *window, false);
    const double cached = PagingCost(data, *window, true);
    std::printf(
        "%9d records, %d rows a page: Page Down until painted %6.2f ms (memos not "
        "cached)  %6.2f ms (cached)\n",
        rows, window->DBGrid1()->VisibleRows(), plain * 1000, cached * 1000);
}

void LargeMemo(const std::string& folder) {
    const std::string path = folder + "/gross.db";
    std::filesystem::remove(path);
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, 1, 1000, std::string(10 * 1024 * 1024, 'm'));
    TZedaDaoDatabase db;
    db.F_Set_Database(path);
    db.Open();
    TZedaDaoTable table;
    table.F_Set_Database(&db);
    table.F_Set_TableName("Zalvert");
    table.Open();
    TField& memo = table.FieldByName("Bemerkung");
    std::string text;
    const double read = Seconds([&] {
        auto stream = table.CreateBlobStream(memo, TBlobStreamMode::bmRead);
        text = stream->ReadAllText();
    });
    table.Edit();
    const double write = Seconds([&] { memo.SetAsString(text + "!"); });
    const double post = Seconds([&] { table.Post(); });
    std::printf("10 MB remark: read through a stream %.1f ms, written %.1f ms, posted %.1f ms\n",
                read * 1000, write * 1000, post * 1000);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    FormatSettings() = TFormatSettings::German();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-memo-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    bench::TSilentInteraction ui;
    SetApplicationInteraction(&ui);
    Paging(rows / 10, folder);
    Paging(rows, folder);
    LargeMemo(folder);
    SetApplicationInteraction(nullptr);
    std::filesystem::remove_all(folder);
    return 0;
}
