#include "import/FileSettle.h"

#include <sys/stat.h>

#include <algorithm>
#include <thread>

namespace zalvert {
namespace {

using Steady = std::chrono::steady_clock;
constexpr auto kLookInterval = std::chrono::milliseconds(100);

long long Nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1'000'000'000LL + time.tv_nsec;
}

// How long ago the file last changed by the wall clock; negative for a time
// ahead of it (a network folder's clock).
std::chrono::nanoseconds SinceModified(const TFileIdentity& file) {
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return now - std::chrono::nanoseconds(file.ModifiedNs);
}

}  // namespace

bool ChangedLongAgo(const TFileIdentity& file, std::chrono::milliseconds settle) {
    return SinceModified(file) >= settle;
}

std::optional<TFileIdentity> FileIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return TFileIdentity{info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim),
                         Nanoseconds(info.st_ctim)};
}

TSettled WaitUntilComplete(const std::string& path, std::chrono::milliseconds settle,
                           std::chrono::milliseconds giveUp, const std::function<void()>& waiting) {
    std::optional<TFileIdentity> seen = FileIdentity(path);
    if (!seen) return TSettled::Gone;
    const auto start = Steady::now();
    auto unchangedSince = start;
    for (;;) {
        if (SinceModified(*seen) >= settle || Steady::now() - unchangedSince >= settle)
            return TSettled::Complete;
        if (Steady::now() - start >= giveUp) return TSettled::StillWritten;
        if (waiting) waiting();
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(kLookInterval, settle));
        const std::optional<TFileIdentity> now = FileIdentity(path);
        if (!now) return TSettled::Gone;
        if (*now != *seen) {
            seen = now;
            unchangedSince = Steady::now();
        }
    }
}

}  // namespace zalvert
