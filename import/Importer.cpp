#include "import/Importer.h"

#include "import/Archive.h"
#include "import/FileSha256.h"
#include "import/FolderScan.h"
#include "import/ImportRun.h"
#include "import/Mtools.h"
#include "import/RefusedReport.h"
#include "rtl/Paths.h"
#include "rtl/TextFileReader.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr const char* kTitles[TImportGrid::kColCount] = {"Rec Von",   "Rec An", "Datum Von",
                                                         "Datum Bis", "Tour",   "Fehler"};
constexpr char kSeparator = ';';
constexpr int kLinesPerProgressStep = 16384;

}  // namespace

bool IsDateWithoutYear(std::string_view text) {
    return text.ends_with('.') && Utf8Length(text) == 6;
}

TImporter::TImporter(const TSettings& settings, IUserInteraction& ui)
    : settings_(settings), ui_(ui) {}

void TImporter::LoadFile(const std::string& path) {
    currentFile_ = path;
    fileHash_.clear();
    ReadLines(path);
    if (view_) view_->GridChanged();
    if (FindDateWithoutYear())
        ui_.ShowInformation("bitte Importjahr setzen");
    else
        btdbClick();
}

void TImporter::ReadLines(const std::string& path) {
    std::future<std::string> hash = HashFileAside(path);
    TTextFileReader reader(path);
    sourceFormat_ = {reader.Encoding(), reader.ByteOrderMark(), reader.LineEnd()};
    for (int col = 0; col < TImportGrid::kColCount; ++col) gitter_.SetCells(col, 0, kTitles[col]);

    const int maxColumn = settings_.maxspalte;
    int row = 0;
    int lines = 0;
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (++lines % kLinesPerProgressStep == 0 && view_) view_->ShowReading(lines);
        ++row;
        int col = 0;
        std::string_view rest = line;
        while (!rest.empty() && col <= maxColumn)
            gitter_.SetCells(col++, row, NextField(rest, kSeparator));
        // Too few fields: the next line goes into the same row.
        if (col < maxColumn) --row;
    }
    gitter_.SetRowCount(row + 1);
    fileHash_ = hash.get();
}

void TImporter::AttachData(TData& data, IImportView& view) {
    data_ = &data;
    view_ = &view;
}

void TImporter::btdbClick() {
    if (!data_ || !view_) return;
    if (!fileHash_.empty()) {
        const auto earlier = TRunLog(*data_).FindByHash(fileHash_);
        if (earlier && !ImportAgain(*earlier)) {
            view_->ShowSummary("Datei bereits importiert (Import-ID " +
                               std::to_string(earlier->ImportId) + "), nichts importiert");
            ArchiveImportedBefore(*earlier);
            return;
        }
    }
    ImportAndArchive();
}

void TImporter::ImportAndArchive() {
    // The archive name is settled before the run, so that its log entry names it;
    // both to the second.
    TSystemTime now = CurrentTime();
    now.Millisecond = 0;
    const std::string renamed = TimeStampedPath(currentFile_, now);
    TRunLogEntry entry;
    entry.File = currentFile_;
    entry.ArchiveName = currentFile_.empty() ? std::string() : ExtractFileName(renamed);
    entry.Time = SystemTimeToDateTime(now);
    entry.Sha256 = fileHash_;
    TImportRun(*data_, gitter_, *view_).Run(entry);
    // The report goes beside the archive copy: a file that stays in the import
    // folder has its refused rows shown in the grid and told once.
    if (ArchiveFile(currentFile_, renamed, settings_.archiv, ui_) && !entry.ArchiveName.empty())
        KeepRefusedLines(entry.ArchiveName);
}

// Beside the archive copy; a failure is told and changes nothing else.
void TImporter::KeepRefusedLines(const std::string& archiveName) {
    const std::string path = settings_.archiv + RefusedReportName(archiveName);
    try {
        WriteRefusedReport(gitter_, sourceFormat_, path);
    } catch (const std::exception& error) {
        ui_.ShowMessage(std::string("Die abgelehnten Zeilen wurden nicht gespeichert. ") +
                        error.what());
    }
}

bool TImporter::ImportAgain(const TRunLogEntry& earlier) {
    return ui_.Confirm("Diese Datei wurde bereits am " + earlier.TimeText +
                       " importiert (Import-ID " + std::to_string(earlier.ImportId) +
                       "). Trotzdem importieren?");
}

// Finishes what an interrupted or failed archiving left: the file gets the name
// its run recorded, so that an archive copy made before is recognised.
void TImporter::ArchiveImportedBefore(const TRunLogEntry& earlier) {
    if (currentFile_.empty()) return;
    const std::string renamed = earlier.ArchiveName.empty()
                                    ? TimeStampedPath(currentFile_, CurrentTime())
                                    : ExtractFilePath(currentFile_) + earlier.ArchiveName;
    ArchiveFile(currentFile_, renamed, settings_.archiv, ui_);
}

void TImporter::ScanImportFolder() {
    if (const auto name = FindFirstMatch(settings_.pfad + settings_.ext))
        LoadFile(settings_.pfad + *name);
}

bool TImporter::FindDateWithoutYear() const {
    for (int row = 0; row < gitter_.RowCount(); ++row)
        if (IsDateWithoutYear(gitter_.Cells(2, row)) || IsDateWithoutYear(gitter_.Cells(3, row)))
            return true;
    return false;
}

}  // namespace zalvert
