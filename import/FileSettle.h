#pragma once
// Whether a waiting file is complete and stays as it was read. An export job or a
// copy over the network writes a file bit by bit into the import folder; the
// program takes it only once it has stopped changing, and a run commits only when
// the file is still the one it read.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace zalvert {

// What changes whenever a file's bytes change: its inode, size and both change
// times. A program can set the modification time back, not the status change time.
struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    long long ModifiedNs = 0;
    long long ChangedNs = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// Empty when there is no such file.
std::optional<TFileIdentity> FileIdentity(const std::string& path);

enum class TSettled { Complete, Gone, StillWritten };

// Whether the file's last change lies `settle` back by the wall clock.
bool ChangedLongAgo(const TFileIdentity& file, std::chrono::milliseconds settle);

// A file is complete once it has not changed for `settle`: at once when its last
// change lies that far back, else after watching it that long without a change.
// Gives up after `giveUp` of changes; `waiting` is called between the looks.
TSettled WaitUntilComplete(const std::string& path, std::chrono::milliseconds settle,
                           std::chrono::milliseconds giveUp,
                           const std::function<void()>& waiting = {});

}  // namespace zalvert
