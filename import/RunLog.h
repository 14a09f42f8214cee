#pragma once
// The run log u_Importlauf: one entry per import run, written inside the run's
// transaction, and the SHA-256 of each file's bytes, so that a file imported
// before is recognised whatever became of its archiving.

#include <optional>
#include <string>
#include <string_view>

#include "import/ImportView.h"
#include "rtl/DateTime.h"

namespace zalvert {

class TData;

struct TRunLogEntry {
    int ImportId = 0;
    std::string File;         // the path the file was read from, as its bytes
    std::string ArchiveName;  // its time-stamped name, without folder, as its bytes
    TDateTime Time = 0;
    std::string TimeText;  // as read back, in the regional settings
    std::string Sha256;    // lower-case hex; empty for a grid no file was read into
    TImportCounts Counts;
};

class TRunLog {
  public:
    explicit TRunLog(TData& data) : data_(data) {}
    // The newest run of a file with these bytes.
    std::optional<TRunLogEntry> FindByHash(const std::string& sha256);
    // Stored with the caller's transaction.
    void Append(const TRunLogEntry& entry);
    // The name the run's file was archived under, when it differs from the one
    // settled before the run.
    void SetArchiveName(int importId, const std::string& archiveName);
    // The largest identifier logged, or 0. Runs that stored no record are logged
    // too, so the billing table alone cannot say which identifier is free.
    int LastImportId();

  private:
    TData& data_;
};

}  // namespace zalvert
