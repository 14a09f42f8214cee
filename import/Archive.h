#pragma once
// Taking a processed file out of the import folder: a time-stamped name in its own
// folder, a copy under that name in the archive folder, then the renamed file
// deleted once its copy is safely on disk.

#include <optional>
#include <string>

#include "rtl/DateTime.h"
#include "rtl/Interaction.h"

namespace zalvert {

// "<path without extension>-YYYYMMDD-hh_mm_ss<extension>".
std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now);

// `path` with "-<number>" before its extension; the path itself for number 1.
std::string NumberedPath(const std::string& path, int number);
// The first of `stampedPath`, then its numbered forms "-2", "-3", ..., whose name
// is taken neither beside it in the import folder nor in `archiveFolder`.
std::string FreeArchivePath(const std::string& stampedPath, const std::string& archiveFolder);

// Whether `name` is `archiveName` or one of its numbered forms ("-2", "-3" ...).
bool IsNumberedName(const std::string& name, const std::string& archiveName);

// Renames `currentFile` to `renamedPath` (nothing to do when they are the same),
// copies it into `archiveFolder` under that name and deletes it. An archive copy
// with the same bytes, left by an interrupted archiving, counts as done; a name
// taken by another file in either folder moves on to the next numbered name. A
// file that could not be archived stays in the import folder and the user is
// told why; a file that is gone already is no failure. The archive name used
// (without folder) once the file is archived.
std::optional<std::string> ArchiveFile(const std::string& currentFile,
                                       const std::string& renamedPath,
                                       const std::string& archiveFolder, IUserInteraction& ui);
// The same, with the time stamp of now.
std::optional<std::string> ArchiveFile(const std::string& currentFile,
                                       const std::string& archiveFolder, IUserInteraction& ui);

}  // namespace zalvert
