#pragma once
// Taking a processed file out of the import folder: a time-stamped name in its own
// folder, a copy under that name in the archive folder, then the renamed file
// deleted once its copy is safely on disk.

#include <string>

#include "rtl/DateTime.h"
#include "rtl/Interaction.h"

namespace zalvert {

// "<path without extension>-YYYYMMDD-hh_mm_ss<extension>".
std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now);

// Renames `currentFile` to `renamedPath` (nothing to do when they are the same),
// copies it into `archiveFolder` under that name and deletes it. An archive copy
// with the same bytes, left by an interrupted archiving, counts as done. A file
// that could not be archived stays in the import folder and the user is told
// why; a file that is gone already is no failure. True when the file is archived.
bool ArchiveFile(const std::string& currentFile, const std::string& renamedPath,
                 const std::string& archiveFolder, IUserInteraction& ui);
// The same, with the time stamp of now.
bool ArchiveFile(const std::string& currentFile, const std::string& archiveFolder,
                 IUserInteraction& ui);

}  // namespace zalvert
