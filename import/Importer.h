#pragma once
// The import window's work without the window: the grid's cells, the current file,
// reading a CSV file into the grid and the start-up scan of the import folder.

#include <chrono>
#include <map>
#include <optional>
#include <set>
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
    // Every file waiting in the import folder, one after the other in name order,
    // each once it is complete (unchanged for the settle time), read and imported as
    // LoadFile does. A file that needs the import year pauses the chain until the
    // user's "Importieren"; a file that cannot be imported (its error is shown, a
    // file still written for a minute included) stays and is not taken again while
    // it stays as it is. An import folder that cannot be read raises EInOutError.
    void ScanImportFolder();
    // The same for files that arrive while the program runs, without waiting: a
    // file still written is left for a later call, which takes it once its last
    // change lies the settle time back or it was seen unchanged that long. Finds
    // nothing in a folder that cannot be read (the start-up scan told why).
    void ImportArrivedFiles();
    // Whether an arrived file is complete and not taken yet.
    bool HasArrivedFile();
    // Whether a file of the chain waits for the user to set the import year.
    bool ChainPaused() const { return chainPaused_; }
    // The files waiting in the import folder that are not taken yet.
    int WaitingFileCount() const;
    // Two seconds by default: long enough for an export job or a copy to write its
    // next piece, short enough not to be noticed; a file last changed earlier than
    // that is taken at once.
    void SetSettleTime(std::chrono::milliseconds settle) { settleTime_ = settle; }

    // Whether a grid row holds a date written as day.month. without year.
    bool FindDateWithoutYear() const;

  private:
    // False, and nothing imported, when a date waits for the year.
    bool ReadAndImport(const std::string& path);
    void ImportFile();
    // The first waiting file not taken yet (in this chain at all).
    // The files one chain took, by name and by file: a file its run renamed and left
    // is not taken again under its new name.
    struct TChain {
        std::set<std::string> Names;
        std::set<std::pair<dev_t, ino_t>> Files;
        bool Contains(const std::string& name, const std::optional<TFileIdentity>& file) const;
    };
    void RunChain(bool arrived);
    std::optional<std::string> NextWaitingFile(const TChain& chain, bool arrived);
    bool ArrivedComplete(const std::string& name);
    bool Taken(const std::string& name) const;
    void TakeWaitingFile(const std::string& name);
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
    // The files chains took (by device and inode), with their size and last change
    // then: one that stays so, under its name or another, is not taken again.
    std::map<std::pair<dev_t, ino_t>, std::pair<off_t, long long>> taken_;
    bool chainPaused_ = false;
    // Arrived files not yet complete: as last seen, and since when unchanged.
    std::map<std::string, std::pair<TFileIdentity, std::chrono::steady_clock::time_point>>
        arriving_;
};

// A date text of exactly six characters whose sixth is a full stop ("24.12.").
bool IsDateWithoutYear(std::string_view text);

}  // namespace zalvert
