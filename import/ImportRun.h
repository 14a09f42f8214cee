#pragma once
// One import run: every grid row checked against the accepted companies and for
// two usable dates, each accepted row stored in the billing table under the run's
// import identifier, each refused row marked with its reason, each stored row's
// mark cleared. The run and its entry in the run log are one transaction: they
// are stored whole or not at all.

#include <chrono>
#include <string>
#include <vector>

#include "data/Daten.h"
#include "import/ImportGrid.h"
#include "import/ImportView.h"
#include "import/RunLog.h"

namespace zalvert {

class TImportRun {
  public:
    TImportRun(TData& data, TImportGrid& grid, IImportView& view);

    // `entry` tells the log which file the rows came from (path, archive name,
    // time, hash); the run fills in its identifier and counts. Raises on a date
    // that does not convert or a database error; nothing of the run is then stored.
    TImportCounts Run(TRunLogEntry entry = {});

    // The company names of u_Recvon, in lower case (A to Z only).
    std::vector<std::string> ReadCompanies();
    // One more than the largest import identifier stored or logged, or 1.
    int NextImportId();
    // How long a run waits for another program's run to end before it gives up.
    void SetLockTimeout(std::chrono::milliseconds timeout) { lockTimeout_ = timeout; }

  private:
    void ImportRows(int importId, TImportCounts& counts);
    // The refusal text of a row, or empty when it is taken.
    std::string CheckRow(int row, TDateTime& from, TDateTime& to) const;
    bool KnownCompany(std::string_view cell) const;

    TData& data_;
    TImportGrid& grid_;
    IImportView& view_;
    std::vector<std::string> companies_;
    std::string year_;
    std::chrono::milliseconds lockTimeout_ = std::chrono::seconds(60);
};

// The summary line of a run.
std::string ImportSummary(const TImportCounts& counts);

}  // namespace zalvert
