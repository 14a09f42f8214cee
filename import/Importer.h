#pragma once
// The import window's work without the window: the grid's cells, the current file,
// reading a CSV file into the grid and the start-up scan of the import folder.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "config/Settings.h"
#include "import/FileSettle.h"
#include "import/ImportGrid.h"
#include "import/ImportView.h"
#include "import/RefusedReport.h"
#include "import/RunLog.h"
#include "rtl/Interaction.h"

namespace zalvert {

class TData;

class TImporter {
  public:
    TImporter(const TSettings& settings, IUserInteraction& ui);
    // Where runs store their records and show their progress; without them a run
    // imports nothing.
    void AttachData(TData& data, IImportView& view);

    const TSettings& Settings() const { return settings_; }
    TImportGrid& Gitter() { return gitter_; }
    const TImportGrid& Gitter() const { return gitter_; }
    const std::string& CurrentFile() const { return currentFile_; }
    // The SHA-256 of the bytes last read by LoadFile; empty before a file was read.
    const std::string& FileHash() const { return fileHash_; }

    // Reads the file into the grid; then asks for the import year when a date lacks
    // it, or else runs the import. File errors raise EInOutError.
    void LoadFile(const std::string& path);
    // The import run over the grid rows, then the file archived. A file whose
    // bytes were imported before is imported again only when the user says so;
    // otherwise its archiving is finished. Errors raise; the run then stores
    // nothing and the file stays where it is.
    void btdbClick();
    // Reads the first file waiting in the import folder, if there is one, once it
    // is complete: unchanged for the settle time. An import folder that cannot be
    // read, or a file that keeps changing for a minute, raises EInOutError naming it.
    void ScanImportFolder();
    // Two seconds by default: long enough for an export job or a copy to write its
    // next piece, short enough not to be noticed; a file last changed earlier than
    // that is taken at once.
    void SetSettleTime(std::chrono::milliseconds settle) { settleTime_ = settle; }

    // Whether a grid row holds a date written as day.month. without year.
    bool FindDateWithoutYear() const;

  private:
    void ReadLines(const std::string& path);
    // Raises EInOutError naming the file when it is no longer as it was read; a
    // file that is gone is no longer this grid's to archive.
    void CheckFileUnchanged() const;
    // Runs the import and archives the file under the name its log entry records.
    void ImportAndArchive(int agreedRepeat);
    void ArchiveRun(const std::string& renamed, int importId, const std::string& loggedName);
    bool ImportAgain(const TRunLogEntry& earlier);
    bool IsInterruptedArchiving(const TRunLogEntry& run) const;
    void FinishInterruptedArchiving(const TRunLogEntry& run);
    // Nothing imported: the file only leaves the import folder.
    void KeepImportedBefore(const TRunLogEntry& earlier);
    void KeepRefusedLines(const std::string& archiveName);

    const TSettings& settings_;
    IUserInteraction& ui_;
    TData* data_ = nullptr;
    IImportView* view_ = nullptr;
    TImportGrid gitter_;
    std::string currentFile_;
    std::string fileHash_;
    TTextFormat sourceFormat_;  // of the file last read, for the refused lines
    // The file as it was while read; empty when it changed during the reading.
    std::optional<TFileIdentity> readIdentity_;
    std::chrono::milliseconds settleTime_ = std::chrono::seconds(2);
};

// A date text of exactly six characters whose sixth is a full stop ("24.12.").
bool IsDateWithoutYear(std::string_view text);

}  // namespace zalvert
