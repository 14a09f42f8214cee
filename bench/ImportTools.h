#pragma once
// What the import benchmarks share: a view nobody watches, and the waiting file.

#include <fstream>
#include <string>

#include "import/ImportView.h"

namespace zalvert::bench {

class TNoWindow : public IImportView {
  public:
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int, const TImportCounts&) override {}
    void ShowImportId(const std::string&) override {}
    void ShowSummary(const std::string& text) override { Summary = text; }
    std::string ImportYear() const override { return "2018"; }
    std::string Summary;
};

// Four lines in five from a known company.
inline void GenerateImportFile(const std::string& path, int lines) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < lines; ++i)
        out << (i % 5 == 4 ? "Unbekannte Firma" : "Spedition Müller GmbH")
            << ";Autohaus Schneider KG;03.12.2018;04.12.2018;T" << i % 100 << "\r\n";
}

}  // namespace zalvert::bench
