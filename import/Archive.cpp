#include "import/Archive.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "import/DurableCopy.h"
#include "import/Mtools.h"
#include "import/StepProbe.h"
#include "rtl/FileErrors.h"
#include "rtl/Paths.h"

namespace zalvert {
namespace {

std::string Format(const char* format, const std::string& base, int year, const std::string& month,
                   const std::string& day, const std::string& hour, const std::string& minute,
                   const std::string& second, const std::string& extension) {
    const int size =
        std::snprintf(nullptr, 0, format, base.c_str(), year, month.c_str(), day.c_str(),
                      hour.c_str(), minute.c_str(), second.c_str(), extension.c_str());
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, base.c_str(), year, month.c_str(), day.c_str(),
                  hour.c_str(), minute.c_str(), second.c_str(), extension.c_str());
    text.resize(static_cast<size_t>(size));
    return text;
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string CopyFailureText(int error) {
    if (error == ENOENT || error == ENOTDIR) return "Archivordner nicht gefunden";
    return FileErrorText(error);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

enum class TStep { Done, NameTaken, Failed };

// Gives the file its new name; fails when there is nothing (more) to archive.
TStep Rename(const std::string& from, const std::string& to, IUserInteraction& ui) {
    if (from == to) return Exists(from) ? TStep::Done : TStep::Failed;
    int error = ProbeStep(TImportStep::BeforeRename);
    if (error == 0) error = RenameWithoutReplacing(from, to);
    if (error == EEXIST) return TStep::NameTaken;
    // A second run over the same grid finds its file gone: nothing to do.
    if (error == ENOENT) return TStep::Failed;
    if (error != 0) {
        ui.ShowMessage("Die Datei " + Quoted(from) + " konnte nicht in " + Quoted(to) +
                       " umbenannt werden: " + FileErrorText(error) +
                       ". Sie bleibt im Importordner.");
        return TStep::Failed;
    }
    SyncFolder(ExtractFilePath(to));
    return TStep::Done;
}

TStep CopyToArchive(const std::string& renamed, const std::string& archived, IUserInteraction& ui) {
    int error = ProbeStep(TImportStep::BeforeCopy);
    if (error == 0) error = CopyDurably(renamed, archived);
    if (error == EEXIST) return SameContent(renamed, archived) ? TStep::Done : TStep::NameTaken;
    if (error == 0) return TStep::Done;
    ui.ShowMessage("Die Datei " + Quoted(renamed) + " konnte nicht nach " + Quoted(archived) +
                   " archiviert werden: " + CopyFailureText(error) +
                   ". Sie bleibt im Importordner.");
    return TStep::Failed;
}

bool RemoveArchived(const std::string& renamed, IUserInteraction& ui) {
    int error = ProbeStep(TImportStep::BeforeDelete);
    if (error == 0 && ::unlink(renamed.c_str()) != 0 && errno != ENOENT) error = errno;
    if (error != 0) {
        ui.ShowMessage("Die Datei " + Quoted(renamed) +
                       " ist archiviert, konnte aber nicht aus dem Importordner gelöscht werden: " +
                       FileErrorText(error) + ".");
        return false;
    }
    SyncFolder(ExtractFilePath(renamed));
    return true;
}

// How many numbered names are tried before a file is left where it is.
constexpr int kMostNumbers = 1000;

}  // namespace

std::string NumberedPath(const std::string& path, int number) {
    if (number <= 1) return path;
    const std::string extension = ExtractFileExt(path);
    return path.substr(0, path.size() - extension.size()) + "-" + std::to_string(number) +
           extension;
}

std::string FreeArchivePath(const std::string& stampedPath, const std::string& archiveFolder) {
    for (int number = 1; number <= kMostNumbers; ++number) {
        const std::string path = NumberedPath(stampedPath, number);
        if (!Exists(path) && !Exists(archiveFolder + ExtractFileName(path))) return path;
    }
    return stampedPath;  // the archiving then says that no name is free
}

bool IsNumberedName(const std::string& name, const std::string& archiveName) {
    if (name == archiveName) return true;
    const std::string extension = ExtractFileExt(archiveName);
    const std::string base = archiveName.substr(0, archiveName.size() - extension.size()) + "-";
    if (name.size() <= base.size() + extension.size() || !name.starts_with(base) ||
        !name.ends_with(extension))
        return false;
    const std::string_view number =
        std::string_view(name).substr(base.size(), name.size() - base.size() - extension.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now) {
    const std::string extension = ExtractFileExt(currentFile);
    const std::string base = currentFile.substr(0, currentFile.size() - extension.size());
    return Format("%s-%d%s%s-%s_%s_%s%s", base, now.Year, TwoDigits(now.Month), TwoDigits(now.Day),
                  TwoDigits(now.Hour), TwoDigits(now.Minute), TwoDigits(now.Second), extension);
}

std::optional<std::string> ArchiveFile(const std::string& currentFile,
                                       const std::string& renamedPath,
                                       const std::string& archiveFolder, IUserInteraction& ui) {
    if (currentFile.empty()) return std::nullopt;
    // A name taken in either folder, by another program or a file of the same
    // name within the same second, moves the file on to the next number.
    std::string source = currentFile;
    for (int number = 1; number <= kMostNumbers; ++number) {
        const std::string target = NumberedPath(renamedPath, number);
        const TStep renamed = Rename(source, target, ui);
        if (renamed == TStep::NameTaken) continue;
        if (renamed == TStep::Failed) return std::nullopt;
        source = target;
        const TStep copied = CopyToArchive(target, archiveFolder + ExtractFileName(target), ui);
        if (copied == TStep::NameTaken) continue;
        if (copied == TStep::Failed || !RemoveArchived(target, ui)) return std::nullopt;
        return ExtractFileName(target);
    }
    ui.ShowMessage("Für die Datei " + Quoted(source) + " ist im Archiv kein Name frei. Sie " +
                   "bleibt im Importordner.");
    return std::nullopt;
}

std::optional<std::string> ArchiveFile(const std::string& currentFile,
                                       const std::string& archiveFolder, IUserInteraction& ui) {
    return ArchiveFile(currentFile, TimeStampedPath(currentFile, CurrentTime()), archiveFolder, ui);
}

}  // namespace zalvert
