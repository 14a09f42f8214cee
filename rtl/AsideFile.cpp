#include "rtl/AsideFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "rtl/FileErrors.h"

namespace zalvert {

TAsideFile::TAsideFile(std::string path) : path_(std::move(path)) {
    const std::filesystem::path final(path_);
    static std::atomic<unsigned> counter{0};
    // Hidden, so that nobody opens it while it is written; created with the
    // permissions of any new file (the user's umask).
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temporary_ = (final.parent_path() /
                      ("." + final.filename().string() + "." + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++) + ".teil"))
                         .string();
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
            throw FileWriteError(errno, path_);
        }
    }
}

TAsideFile::~TAsideFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temporary_.c_str());
}

void TAsideFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw FileWriteError(errno, path_);
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

const std::string& TAsideFile::TemporaryPath() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return temporary_;
}

void TAsideFile::Commit() {
    const int fd = fd_ >= 0 ? fd_ : ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileWriteError(errno, path_);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    if (fd != fd_) ::close(fd);
    if (!synced) throw FileWriteError(error, path_);
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) throw FileWriteError(errno, path_);
    committed_ = true;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    // The new name on disk too: after a power cut the export is there or not.
    const std::string folder = std::filesystem::path(path_).parent_path().string();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace zalvert
