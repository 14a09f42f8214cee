#pragma once
// The start-up import through the program's own code, as the benchmarks run it:
// the data module started from an INI, then every waiting file read, imported and
// archived.

#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/ImportTools.h"
#include "data/Daten.h"
#include "import/Importer.h"

namespace zalvert::bench {

// Seconds from the data module's start until the waiting files are imported and
// archived; `summary` is what the import window would show last.
inline double StartupImport(const std::string& ini, std::string& summary) {
    TSilentInteraction ui;
    TNoWindow view;
    const double seconds = Seconds([&] {
        TData data(ui, ini);
        TImporter importer(data.Settings(), ui);
        importer.AttachData(data, view);
        importer.ScanImportFolder();
    });
    summary = view.Summary;
    return seconds;
}

}  // namespace zalvert::bench
