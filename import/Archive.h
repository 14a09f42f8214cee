#pragma once
// Taking a processed file out of the import folder: a time-stamped name in its own
// folder, a copy under that name in the archive folder, then the renamed file
// deleted once its copy exists.

#include <string>

#include "rtl/DateTime.h"
#include "rtl/Interaction.h"

namespace zalvert {

// "<path without extension>-YYYYMMDD-hh_mm_ss<extension>".
std::string TimeStampedPath(const std::string& currentFile, const TSystemTime& now);

// Renames, copies and deletes as far as each step allows. A file that could not
// be archived stays in its folder under its new name, and the user is told why.
void ArchiveFile(const std::string& currentFile, const std::string& archiveFolder,
                 IUserInteraction& ui);

}  // namespace zalvert
