#include "import/Importer.h"

#include <cerrno>
#include <utility>

#include "import/Archive.h"
#include "import/DurableCopy.h"
#include "import/FileClaim.h"
#include "import/FileSettle.h"
#include "import/FileSha256.h"
#include "import/FolderScan.h"
#include "import/ImportRun.h"
#include "import/Mtools.h"
#include "import/RefusedReport.h"
#include "rtl/FileErrors.h"
#include "rtl/Paths.h"
#include "rtl/TextFileReader.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr const char* kTitles[TImportGrid::kColCount] = {"Rec Von",   "Rec An", "Datum Von",
                                                         "Datum Bis", "Tour",   "Fehler"};
constexpr char kSeparator = ';';
constexpr int kLinesPerProgressStep = 16384;
// A file that still changes after this long is left until it rests (the folder is
// watched while the program runs).
constexpr std::chrono::milliseconds kGiveUpWaiting = std::chrono::seconds(60);

}  // namespace

bool IsDateWithoutYear(std::string_view text) {
    return text.ends_with('.') && Utf8Length(text) == 6;
}

TImporter::TImporter(const TSettings& settings, IUserInteraction& ui)
    : settings_(settings), ui_(ui) {}

void TImporter::LoadFile(const std::string& path) {
    chainPaused_ = false;
    ReadAndImport(path);
}

bool TImporter::ReadAndImport(const std::string& path) {
    currentFile_ = path;
    fileHash_.clear();
    readIdentity_.reset();
    ReadLines(path);
    if (view_) view_->GridChanged();
    if (FindDateWithoutYear()) {
        ui_.ShowInformation("bitte Importjahr setzen");
        return false;
    }
    btdbClick();
    return true;
}

void TImporter::ReadLines(const std::string& path) {
    const std::optional<TFileIdentity> before = FileIdentity(path);
    std::future<std::string> hash = HashFileAside(path);
    TTextFileReader reader(path);
    sourceFormat_ = {reader.Encoding(), reader.ByteOrderMark(), reader.LineEnd()};
    for (int col = 0; col < TImportGrid::kColCount; ++col) gitter_.SetCells(col, 0, kTitles[col]);

    const int maxColumn = settings_.maxspalte;
    int row = 0;
    int lines = 0;
    std::string_view line;
    std::vector<std::string_view> fields;
    while (reader.ReadLine(line)) {
        if (++lines % kLinesPerProgressStep == 0 && view_) view_->ShowReading(lines);
        ++row;
        fields.clear();
        std::string_view rest = line;
        while (!rest.empty() && static_cast<int>(fields.size()) <= maxColumn)
            fields.push_back(NextField(rest, kSeparator));
        gitter_.SetLine(row, fields);
        // Too few fields: the next line goes into the same row.
        if (static_cast<int>(fields.size()) < maxColumn) --row;
    }
    gitter_.SetRowCount(row + 1);
    gitter_.ReleaseSlack();
    fileHash_ = hash.get();
    // The lines and the hash are of one state of the file only when nothing changed
    // it from before the first byte was read until after the last.
    if (before && before == FileIdentity(path)) readIdentity_ = before;
    CheckFileUnchanged();
}

void TImporter::CheckFileUnchanged() const {
    if (currentFile_.empty()) return;
    const std::optional<TFileIdentity> now = FileIdentity(currentFile_);
    // Gone (archived by an earlier run over this grid): nothing of it is archived.
    if (!now || now == readIdentity_) return;
    throw EInOutError("Die Datei \"" + currentFile_ +
                          "\" wurde verändert, während sie importiert wurde. Es wurde nichts "
                          "importiert; sie bleibt im Importordner und wird beim nächsten Start "
                          "erneut gelesen.",
                      EBUSY);
}

void TImporter::AttachData(TData& data, IImportView& view) {
    data_ = &data;
    view_ = &view;
}

void TImporter::btdbClick() {
    if (!std::exchange(chainPaused_, false)) return ImportFile();
    // The paused chain goes on after this file's run, whatever its outcome.
    try {
        ImportFile();
    } catch (...) {
        ShowException(ui_, std::current_exception());
    }
    ScanImportFolder();
}

void TImporter::ImportFile() {
    if (!data_ || !view_) return;
    int agreedRepeat = 0;
    if (!fileHash_.empty()) {
        if (const auto earlier = TRunLog(*data_).FindByHash(fileHash_)) {
            if (IsInterruptedArchiving(*earlier)) return FinishInterruptedArchiving(*earlier);
            if (!ImportAgain(*earlier)) return KeepImportedBefore(*earlier);
            agreedRepeat = earlier->ImportId;
        }
    }
    ImportAndArchive(agreedRepeat);
}

void TImporter::ImportAndArchive(int agreedRepeat) {
    // The archive name is settled before the run, so that its log entry names it;
    // both to the second.
    TSystemTime now = CurrentTime();
    now.Millisecond = 0;
    const std::string renamed =
        currentFile_.empty()
            ? std::string()
            : FreeArchivePath(TimeStampedPath(currentFile_, now), settings_.archiv);
    TRunLogEntry entry;
    entry.File = currentFile_;
    entry.ArchiveName = ExtractFileName(renamed);
    entry.Time = SystemTimeToDateTime(now);
    entry.Sha256 = fileHash_;
    TImportRun run(*data_, gitter_, *view_);
    run.SetAgreedRepeat(agreedRepeat);
    run.SetKeepDuplicates(settings_.doppelte == 1);
    run.SetCommitCheck([this] { CheckFileUnchanged(); });
    run.Run(entry);
    if (const auto& earlier = run.ImportedMeanwhile()) return KeepImportedBefore(*earlier);
    ArchiveRun(renamed, run.ImportId(), entry.ArchiveName);
}

// The report goes beside the archive copy: a file that stays in the import folder
// has its refused rows shown in the grid and told once.
void TImporter::ArchiveRun(const std::string& renamed, int importId,
                           const std::string& loggedName) {
    const auto archived = ArchiveFile(currentFile_, renamed, settings_.archiv, ui_);
    if (!archived) return;
    KeepRefusedLines(*archived);
    if (*archived != loggedName) TRunLog(*data_).SetArchiveName(importId, *archived);
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

// The file is this program's own, left by a run that ended before its archiving
// did: still under the name its run gave it, or under its old name with no copy
// in the archive yet.
bool TImporter::IsInterruptedArchiving(const TRunLogEntry& run) const {
    if (currentFile_.empty() || run.ArchiveName.empty() || !FileIdentity(currentFile_))
        return false;
    if (IsNumberedName(ExtractFileName(currentFile_), run.ArchiveName)) return true;
    return currentFile_ == run.File &&
           !SameContent(currentFile_, settings_.archiv + run.ArchiveName);
}

// Finishes the archiving as the run would have, report included, without asking;
// a file renamed already keeps the name it has.
void TImporter::FinishInterruptedArchiving(const TRunLogEntry& run) {
    CheckFileUnchanged();
    TImportRun marks(*data_, gitter_, *view_);
    marks.SetKeepDuplicates(settings_.doppelte == 1);
    marks.MarkRefusals(run.ImportId);
    view_->ShowImportId(std::to_string(run.ImportId));
    view_->ShowSummary(ImportSummary(run.Counts));
    const bool renamed = IsNumberedName(ExtractFileName(currentFile_), run.ArchiveName);
    ArchiveRun(renamed ? currentFile_ : ExtractFilePath(currentFile_) + run.ArchiveName,
               run.ImportId, run.ArchiveName);
}

void TImporter::KeepImportedBefore(const TRunLogEntry& earlier) {
    view_->ShowSummary("Datei bereits importiert (Import-ID " + std::to_string(earlier.ImportId) +
                       "), nichts importiert");
    if (currentFile_.empty()) return;
    CheckFileUnchanged();
    // Under the name the earlier run recorded, so that its archive copy is recognised.
    const std::string renamed = earlier.ArchiveName.empty()
                                    ? TimeStampedPath(currentFile_, CurrentTime())
                                    : ExtractFilePath(currentFile_) + earlier.ArchiveName;
    ArchiveFile(currentFile_, renamed, settings_.archiv, ui_);
}

void TImporter::ScanImportFolder() {
    RunChain(false);
}

void TImporter::ImportArrivedFiles() {
    if (chainPaused_) return;
    try {
        RunChain(true);
    } catch (const EInOutError&) {
        // the folder cannot be read now: the next look may find it again
    }
}

void TImporter::RunChain(bool arrived) {
    chainPaused_ = false;
    TChain chain;
    while (const auto name = NextWaitingFile(chain, arrived)) {
        const std::string path = settings_.pfad + *name;
        const std::optional<TFileIdentity> file = FileIdentity(path);
        chain.Names.insert(*name);
        if (file) chain.Files.insert({file->Device, file->Inode});
        // Another program imports it: its own to import and archive.
        const TFileClaim claim(path);
        if (!claim.Held()) continue;
        if (file) taken_[{file->Device, file->Inode}] = {file->Size, file->ModifiedNs};
        if (view_) view_->ShowWaitingFiles(*name, WaitingFileCount());
        try {
            TakeWaitingFile(*name);
        } catch (...) {
            // Gone meanwhile (another program took it): nothing to tell.
            if (FileIdentity(path)) ShowException(ui_, std::current_exception());
        }
        // Without a database nothing is imported: the first file is only read.
        if (chainPaused_ || !data_) break;
    }
    // A paused chain's file is still the one taken.
    if (view_)
        view_->ShowWaitingFiles(chainPaused_ ? ExtractFileName(currentFile_) : "",
                                WaitingFileCount());
}

bool TImporter::TChain::Contains(const std::string& name,
                                 const std::optional<TFileIdentity>& file) const {
    return Names.contains(name) || (file && Files.contains({file->Device, file->Inode}));
}

std::optional<std::string> TImporter::NextWaitingFile(const TChain& chain, bool arrived) {
    for (std::string& name : FindAllMatches(settings_.pfad + settings_.ext)) {
        const bool take = !chain.Contains(name, FileIdentity(settings_.pfad + name)) &&
                          !Taken(name) && (!arrived || ArrivedComplete(name));
        if (take) return std::move(name);
    }
    return std::nullopt;
}

bool TImporter::HasArrivedFile() {
    try {
        return NextWaitingFile({}, true).has_value();
    } catch (const EInOutError&) {
        return false;
    }
}

bool TImporter::ArrivedComplete(const std::string& name) {
    const std::optional<TFileIdentity> now = FileIdentity(settings_.pfad + name);
    if (!now) return false;
    if (ChangedLongAgo(*now, settleTime_)) {
        arriving_.erase(name);
        return true;
    }
    const auto clock = std::chrono::steady_clock::now();
    const auto seen = arriving_.find(name);
    if (seen == arriving_.end() || seen->second.first != *now) {
        arriving_[name] = {*now, clock};
        return false;
    }
    return clock - seen->second.second >= settleTime_;
}

bool TImporter::Taken(const std::string& name) const {
    const std::optional<TFileIdentity> file = FileIdentity(settings_.pfad + name);
    if (!file) return true;  // gone meanwhile
    const auto it = taken_.find({file->Device, file->Inode});
    return it != taken_.end() && it->second == std::pair(file->Size, file->ModifiedNs);
}

int TImporter::WaitingFileCount() const {
    int count = 0;
    try {
        for (const std::string& name : FindAllMatches(settings_.pfad + settings_.ext))
            count += Taken(name) ? 0 : 1;
    } catch (const std::exception&) {
        // a folder that cannot be read has its error told by the scan
    }
    return count;
}

void TImporter::TakeWaitingFile(const std::string& name) {
    const std::string path = settings_.pfad + name;
    bool waited = false;
    const TSettled settled = WaitUntilComplete(path, settleTime_, kGiveUpWaiting, [&] {
        waited = true;
        if (view_) view_->ShowWaiting("Warte, bis die Datei \"" + name + "\" vollständig ist …");
    });
    if (waited && view_) view_->ShowWaiting({});
    // Taken by another program meanwhile: nothing to do.
    if (settled == TSettled::Gone) return;
    if (settled == TSettled::StillWritten)
        throw EInOutError("Die Datei \"" + path + "\" wird noch geschrieben. Sie bleibt im " +
                              "Importordner und wird importiert, sobald sie vollständig ist.",
                          EBUSY);
    // The run leaves the dates as they are: a file still waiting for its year stops
    // the chain.
    if (!ReadAndImport(path)) chainPaused_ = true;
}

bool TImporter::FindDateWithoutYear() const {
    for (int row = 0; row < gitter_.RowCount(); ++row)
        if (IsDateWithoutYear(gitter_.Cells(2, row)) || IsDateWithoutYear(gitter_.Cells(3, row)))
            return true;
    return false;
}

}  // namespace zalvert
