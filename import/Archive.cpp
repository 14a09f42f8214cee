#include "import/Archive.h"

#include <sys/stat.h>
#include <unistd.h>

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
    if (error == EEXIST) return "Eine Datei dieses Namens ist schon im Archiv";
    if (error == ENOENT || error == ENOTDIR) return "Archivordner nicht gefunden";
    return FileErrorText(error);
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Gives the file its new name; false when there is nothing (more) to archive.
bool Rename(const std::string& from, const std::string& to, IUserInteraction& ui) {
    if (from == to) return Exists(from);
    int error = ProbeStep(TImportStep::BeforeRename);
    if (error == 0) error = RenameWithoutReplacing(from, to);
    // A second run over the same grid finds its file gone: nothing to do.
    if (error == ENOENT) return false;
    if (error != 0) {
        ui.ShowMessage("Die Datei " + Quoted(from) + " konnte nicht in " + Quoted(to) +
                       " umbenannt werden: " + FileErrorText(error) +
                       ". Sie bleibt im Importordner.");
        return false;
    }
    SyncFolder(ExtractFilePath(to));
    return true;
}

bool CopyToArchive(const std::string& renamed, const std::string& archived, IUserInteraction& ui) {
    int error = ProbeStep(TImportStep::BeforeCopy);
    if (error == 0) error = CopyDurably(renamed, archived);
    if (error == EEXIST && SameContent(renamed, archived)) error = 0;
    if (error == 0) return true;
    ui.ShowMessage("Die Datei " + Quoted(renamed) + " konnte nicht nach " + Quoted(archived) +
                   " archiviert werden: " + CopyFailureText(error) +
                   ". Sie bleibt im Importordner.");
    return false;
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

}  // namespace

std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now) {
    const std::string extension = ExtractFileExt(currentFile);
    const std::string base = currentFile.substr(0, currentFile.size() - extension.size());
    return Format("%s-%d%s%s-%s_%s_%s%s", base, now.Year, TwoDigits(now.Month), TwoDigits(now.Day),
                  TwoDigits(now.Hour), TwoDigits(now.Minute), TwoDigits(now.Second), extension);
}

bool ArchiveFile(const std::string& currentFile, const std::string& renamedPath,
                 const std::string& archiveFolder, IUserInteraction& ui) {
    if (currentFile.empty() || !Rename(currentFile, renamedPath, ui)) return false;
    const std::string archived = archiveFolder + ExtractFileName(renamedPath);
    return CopyToArchive(renamedPath, archived, ui) && RemoveArchived(renamedPath, ui);
}

bool ArchiveFile(const std::string& currentFile, const std::string& archiveFolder,
                 IUserInteraction& ui) {
    return ArchiveFile(currentFile, TimeStampedPath(currentFile, CurrentTime()), archiveFolder, ui);
}

}  // namespace zalvert
