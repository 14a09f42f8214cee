#pragma once
// One import run: every grid row checked against the accepted companies and for
// two usable dates, each accepted row stored in the billing table under the run's
// import identifier, each refused row marked with its reason, each stored row's
// mark cleared. The run and its entry in the run log are one transaction: they
// are stored whole or not at all.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/Daten.h"
#include "import/DuplicateCheck.h"
#include "import/ImportGrid.h"
#include "import/ImportView.h"
#include "import/RunLog.h"
#include "import/StoredKeys.h"
#include "rtl/LastConversion.h"

namespace zalvert {

class TImportRun {
  public:
    TImportRun(TData& data, TImportGrid& grid, IImportView& view);

    // `entry` tells the log which file the rows came from (path, archive name,
    // time, hash); the run fills in its identifier and counts. Raises on a date
    // that does not convert or a database error; nothing of the run is then stored.
    TImportCounts Run(TRunLogEntry entry = {});
    // The identifier the last Run took; 0 when it stored nothing.
    int ImportId() const { return importId_; }

    // Taken under the run's lock, so that of two programs given the same bytes
    // only one stores them: a run of the entry's hash found there ends the run
    // without storing anything, unless it is the run `importId` whose bytes the
    // user agreed to import again.
    void SetAgreedRepeat(int importId) { agreedRepeat_ = importId; }
    // The run of the same bytes that ended the last Run, if one did.
    const std::optional<TRunLogEntry>& ImportedMeanwhile() const { return importedMeanwhile_; }
    // Called once the rows are written, before the commit; what it raises rolls
    // the run back.
    void SetCommitCheck(std::function<void()> check) { commitCheck_ = std::move(check); }

    // Writes each row's refusal into the grid as a run over it would, storing
    // nothing: the report of run `importId` whose archiving was interrupted (its own
    // records and later ones are no duplicates of its lines). Returns the counts.
    TImportCounts MarkRefusals(int importId);

    // The company names of u_Recvon, in lower case (A to Z only).
    std::vector<std::string> ReadCompanies();
    // One more than the largest import identifier stored or logged, or 1.
    int NextImportId();
    // Lines equal to a stored record or an earlier line are stored all the same.
    void SetKeepDuplicates(bool keep) { keepDuplicates_ = keep; }
    // How long a run waits for another program's run to end before it gives up.
    void SetLockTimeout(std::chrono::milliseconds timeout) { lockTimeout_ = timeout; }

  private:
    void ImportRows(int importId, TImportCounts& counts);
    // Under the lock: whether a run of the same bytes makes this one superfluous.
    bool FoundImportedMeanwhile(const std::string& sha256);
    void StartRun();
    // The refusal text of a row, or empty when it is taken; the dates converted
    // into `from` and `to`.
    // A file's lines come in runs of the same dates, and each line is checked twice:
    // the dates converted last are kept.
    using TDateMemo = TLastConversions<std::string, TDateTime>;
    std::string CheckRow(int row, TDateTime& from, TDateTime& to, TDateMemo& dates) const;
    std::string CheckDates(int row, TDateTime& from, TDateTime& to, TDateMemo& dates) const;
    // The keys of the lines the row check takes, while the keys of the stored
    // records (before `exceptRun` when set) are read aside.
    void PrepareDuplicateCheck(int exceptRun = 0);
    void AddLineKeys();
    void AddLineKeys(int firstRow, int endRow, TDateMemo& dates);
    // The refusal of an accepted row sent before, or empty.
    std::string CheckDuplicate(int row) const;
    // What a row's check decides, counted; false when it is refused.
    bool Accept(int row, TDateTime& from, TDateTime& to, TImportCounts& counts);
    bool KnownCompany(std::string_view cell) const;

    TData& data_;
    TImportGrid& grid_;
    IImportView& view_;
    std::vector<std::string> companies_;
    std::string year_;
    TDateMemo dates_;
    std::chrono::milliseconds lockTimeout_ = std::chrono::seconds(60);
    int importId_ = 0;
    int agreedRepeat_ = 0;
    std::optional<TRunLogEntry> importedMeanwhile_;
    std::function<void()> commitCheck_;
    bool keepDuplicates_ = false;
    std::optional<TLineKeys> lineKeys_;
    TStoredKeys storedKeys_;  // after the lines: a reading left running ends first
};

// The summary line of a run.
std::string ImportSummary(const TImportCounts& counts);

}  // namespace zalvert
