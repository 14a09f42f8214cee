#pragma once
// The start-up import through the program's own code, as the benchmarks run it:
// the data module started from an INI, then every waiting file read, imported and
// archived.

#include <chrono>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "bench/ImportTools.h"
#include "data/Daten.h"
#include "import/Importer.h"
#include "import/StepProbe.h"

namespace zalvert::bench {

// Seconds since the start at which a run reached its commit and, after it, the
// renaming of its file.
struct TImportSteps {
    double Commit = 0;
    double Committed = 0;
};

// Seconds from the data module's start until the waiting files are imported and
// archived; `summary` is what the import window would show last; `steps`, where
// given, when the last run reached its steps.
inline double StartupImport(const std::string& ini, std::string& summary,
                            TImportSteps* steps = nullptr) {
    TSilentInteraction ui;
    TNoWindow view;
    const auto began = std::chrono::steady_clock::now();
    if (steps)
        SetStepProbe([&](TImportStep step) {
            const double since =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            if (step == TImportStep::BeforeCommit) steps->Commit = since;
            if (step == TImportStep::BeforeRename) steps->Committed = since;
            return 0;
        });
    const double seconds = Seconds([&] {
        TData data(ui, ini);
        TImporter importer(data.Settings(), ui);
        importer.AttachData(data, view);
        importer.ScanImportFolder();
    });
    SetStepProbe(nullptr);
    summary = view.Summary;
    return seconds;
}

}  // namespace zalvert::bench
