// Loads generated CSV files of 100,000 and 1,000,000 lines into the import grid
// and prints lines per second and resident memory per row.

#include <iconv.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/BenchTools.h"
#include "import/Importer.h"

namespace {

using zalvert::bench::ResidentBytes;

const char* const kCompanies[] = {"Spedition M\xC3\xBCller GmbH",
                                  "Nordfracht AG",
                                  "Kraus & S\xC3\xB6hne Logistik",
                                  "Transporte Wei\xC3\x9F KG",
                                  "Bayern Cargo GmbH",
                                  "Rheinland Kurierdienst",
                                  "Hansetrans Bremen",
                                  "K\xC3\xB6hler Fuhrbetrieb",
                                  "Alpen Express GmbH & Co. KG",
                                  "Schwarzwald Logistik e.K."};
const char* const kRecipients[] = {"Autohaus Schneider KG",
                                   "B\xC3\xA4"
                                   "ckerei Wei\xC3\x9F",
                                   "Getr\xC3\xA4nkemarkt Ost",
                                   "Baumarkt Hansen",
                                   "M\xC3\xB6"
                                   "belhaus Fischer",
                                   "Druckerei Becker GmbH",
                                   "Stadtwerke Ulm",
                                   "Gro\xC3\x9F"
                                   "handel Braun"};

class TRecordingSilence : public zalvert::IUserInteraction {
  public:
    void ShowMessage(const std::string&) override {}
    void ShowInformation(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
    std::optional<std::string> ChooseFileToOpen(const std::vector<zalvert::TFileFilter>&,
                                                const std::string&) override {
        return std::nullopt;
    }
    std::optional<zalvert::TLoginValues> Login(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

// Windows exports arrive in Windows-1252.
std::string ToAnsi(const char* utf8, size_t length) {
    static iconv_t cd = iconv_open("CP1252", "UTF-8");
    std::string out(length, '\0');
    char* in = const_cast<char*>(utf8);
    char* dst = out.data();
    size_t inLeft = length, outLeft = length;
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    out.resize(length - outLeft);
    return out;
}

std::string GenerateFile(const std::string& path, int lines, bool ansi) {
    std::mt19937 random(4711);
    std::ofstream out(path, std::ios::binary);
    char buffer[512];
    for (int i = 0; i < lines; ++i) {
        const int day = 1 + static_cast<int>(random() % 28),
                  month = 1 + static_cast<int>(random() % 12);
        const int n =
            std::snprintf(buffer, sizeof buffer, "%s;%s;%02d.%02d.2018;%02d.%02d.2018;T%u\r\n",
                          kCompanies[random() % 10], kRecipients[random() % 8], day, month, day,
                          month, static_cast<unsigned>(random() % 99));
        if (ansi)
            out << ToAnsi(buffer, static_cast<size_t>(n));
        else
            out.write(buffer, n);
    }
    return path;
}

void Measure(const std::string& folder, int lines, bool ansi) {
    const std::string path =
        GenerateFile(folder + "/touren-" + std::to_string(lines) + ".csv", lines, ansi);
    zalvert::TSettings settings;
    settings.maxspalte = 5;
    TRecordingSilence ui;
    const long before = ResidentBytes();
    auto importer = std::make_unique<zalvert::TImporter>(settings, ui);
    const auto start = std::chrono::steady_clock::now();
    importer->LoadFile(path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = ResidentBytes();
    const int rows = importer->Gitter().RowCount() - 1;
    std::printf(
        "%9d lines  %6.1f MB  %7.3f s  %10.0f lines/s  %6.1f bytes/row resident  "
        "%6.1f bytes/row held by the grid\n",
        rows, std::filesystem::file_size(path) / 1e6, seconds, rows / seconds,
        static_cast<double>(after - before) / rows,
        static_cast<double>(importer->Gitter().MemoryUsage()) / rows);
    std::filesystem::remove(path);
}

}  // namespace

int main() {
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-bench";
    std::filesystem::create_directories(folder);
    for (bool ansi : {false, true}) {
        std::printf("LoadFile into the import grid (five fields a line, %s with umlauts, CR LF)\n",
                    ansi ? "Windows-1252" : "UTF-8");
        for (int lines : {100000, 1000000}) Measure(folder, lines, ansi);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
