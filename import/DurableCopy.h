#pragma once
// File operations that never replace a file and never leave half a file under a
// final name. Each returns 0 or the system's error number.

#include <string>

namespace zalvert {

// Renames within a file system; fails with EEXIST when `to` exists.
int RenameWithoutReplacing(const std::string& from, const std::string& to);

// Copies `from` to `to`: through a temporary file beside `to`, flushed to disk,
// then given its final name without replacing anything, then the folder flushed.
// A failed copy removes its temporary file. EEXIST when `to` exists already.
int CopyDurably(const std::string& from, const std::string& to);

// Whether both files exist and hold the same bytes.
bool SameContent(const std::string& a, const std::string& b);

// Flushes a folder's entries (new, renamed or removed names) to disk.
int SyncFolder(const std::string& folder);

}  // namespace zalvert
