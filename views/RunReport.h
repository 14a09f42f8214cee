#pragma once
// The report of one import run as a PDF: its file, archive name, time, SHA-256,
// counts and duplicates, whether and when it was undone, and the refused lines
// with their reasons from the file kept beside the archive copy.

#include <array>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace zalvert {

class TZedaDaoTable;

struct TRunReport {
    int ImportId = 0;
    std::string File;
    std::string ArchiveName;
    std::string Time;  // as shown
    std::string Sha256;
    long Read = 0;
    long Imported = 0;
    long Refused = 0;
    long Duplicates = 0;      // of the refused lines
    std::string UndoneAt;     // empty while the run stands
    std::string RefusedPath;  // the refused lines' file beside the archive copy
    bool RefusedFileFound = false;
    // The refused lines read from it (the five fields, then the reason), at most
    // kShownRefusedLines of them.
    std::vector<std::array<std::string, 6>> RefusedLines;
    long RefusedLinesInFile = 0;
};

constexpr long kShownRefusedLines = 5000;

// The current run of `runs` (the run log) with its refused lines from
// `archiveFolder`. Raises the engine's and the file's errors; a refused-lines file
// that is missing is only noted.
TRunReport ReadRunReport(TZedaDaoTable& runs, const std::string& archiveFolder);

// Where the current run's refused lines are kept beside its archive copy; empty
// for a run without an archive name.
std::string RefusedLinesPath(TZedaDaoTable& runs, const std::string& archiveFolder);

// Paints the report on A4 pages, numbered.
void PaintRunReport(const TRunReport& report, QPagedPaintDevice& device);

}  // namespace zalvert
