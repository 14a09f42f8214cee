#include "import/Archive.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "import/Mtools.h"
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

// A rename that never replaces a file of the new name.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return false;
    }
    return true;
}

std::string ReasonText(const std::error_code& error) {
    if (error == std::errc::file_exists) return "Eine Datei dieses Namens ist schon im Archiv";
    if (error == std::errc::no_such_file_or_directory) return "Archivordner nicht gefunden";
    return FileErrorText(error.value());
}

}  // namespace

std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now) {
    const std::string extension = ExtractFileExt(currentFile);
    const std::string base = currentFile.substr(0, currentFile.size() - extension.size());
    return Format("%s-%d%s%s-%s_%s_%s%s", base, now.Year, TwoDigits(now.Month), TwoDigits(now.Day),
                  TwoDigits(now.Hour), TwoDigits(now.Minute), TwoDigits(now.Second), extension);
}

void ArchiveFile(const std::string& currentFile, const std::string& archiveFolder,
                 IUserInteraction& ui) {
    const std::string renamed = TimeStampedPath(currentFile, CurrentTime());
    if (!RenameWithoutReplacing(currentFile, renamed)) return;
    const std::string archived = archiveFolder + ExtractFileName(renamed);
    std::error_code error;
    std::filesystem::copy_file(renamed, archived, std::filesystem::copy_options::none, error);
    if (error) {
        ui.ShowMessage("Die Datei \"" + renamed + "\" konnte nicht nach \"" + archived +
                       "\" archiviert werden: " + ReasonText(error) + ".");
        return;
    }
    std::filesystem::remove(renamed, error);
}

}  // namespace zalvert
