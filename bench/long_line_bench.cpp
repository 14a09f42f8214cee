// One very long line (a file of 10 and 50 MB whose fourth field runs on and on)
// opened in the import window: read, imported, archived and painted, with the
// time and the resident memory it took.

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "import/Import.h"

namespace {

using namespace zalvert;
namespace fs = std::filesystem;

void Measure(const std::string& root, size_t megabytes) {
    fs::remove_all(root);
    fs::create_directories(root + "/archiv");
    fs::create_directories(root + "/import");
    CreateZalvertDatabase(root + "/zalvert.db", {"Nordfracht"});
    std::ofstream(root + "/z.ini") << "[DB]\nMain=" << root << "/zalvert.db\n[Import]\n"
                                   << "maxspalte=5\npfad=" << root << "/import/\next=*.csv\n"
                                   << "archiv=" << root << "/archiv/\n";
    const std::string file = root + "/lang.csv";
    std::ofstream(file, std::ios::binary)
        << "Nordfracht;Kunde;01.02.2018;02.02.2018;" << std::string(megabytes << 20, 'x') << "\r\n";

    bench::TSilentInteraction ui;
    TData data(ui, root + "/z.ini");
    Tfimport window(data, ui, [] {});
    window.resize(1200, 600);
    window.show();
    QApplication::processEvents();
    const long before = bench::ResidentBytes();
    const double seconds = bench::Seconds([&] {
        window.LoadFile(file);
        // Painted as the user would see it.
        const QPixmap shown = window.grab();
        if (shown.isNull()) std::fprintf(stderr, "nothing painted\n");
    });
    const long grown = bench::ResidentBytes() - before;
    std::printf(
        "%4zu MB line: %6.2f s to read, import, archive and paint; resident +%6.1f MB "
        "(%.2f x the file)  %s\n",
        megabytes, seconds, grown / 1e6, static_cast<double>(grown) / (megabytes << 20),
        window.Anzahl_import()->text().toStdString().c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const std::string root = fs::temp_directory_path() / "zalvert-bench-long-line";
    for (size_t megabytes : {10, 50}) Measure(root, megabytes);
    fs::remove_all(root);
    return 0;
}
