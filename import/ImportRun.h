#pragma once
// One import run: every grid row checked against the accepted companies and for
// two usable dates, each accepted row stored in the billing table under the run's
// import identifier, each refused row marked with its reason. The run is one
// transaction: it is stored whole or not at all.

#include <string>
#include <vector>

#include "data/Daten.h"
#include "import/ImportGrid.h"
#include "import/ImportView.h"

namespace zalvert {

struct TImportCounts {
    int Processed = 0;
    int Imported = 0;
    int Refused = 0;
};

class TImportRun {
  public:
    TImportRun(TData& data, TImportGrid& grid, IImportView& view);

    // Raises on a date that does not convert or a database error; nothing of the
    // run is then stored.
    TImportCounts Run();

    // The company names of u_Recvon, in lower case (A to Z only).
    std::vector<std::string> ReadCompanies();
    // One more than the largest import identifier stored, or 1.
    int NextImportId();

  private:
    void ImportRows(int importId, TImportCounts& counts);
    // The refusal text of a row, or empty when it is taken.
    std::string CheckRow(int row, TDateTime& from, TDateTime& to) const;
    bool KnownCompany(const std::string& cell) const;

    TData& data_;
    TImportGrid& grid_;
    IImportView& view_;
    std::vector<std::string> companies_;
    std::string year_;
};

// The summary line of a run.
std::string ImportSummary(const TImportCounts& counts);

}  // namespace zalvert
