#include "import/FileClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace zalvert {

TFileClaim::TFileClaim(const std::string& path) {
    // Without waiting for a writer: a pipe of that name is no file to wait for.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        held_ = errno != ENOENT;
        return;
    }
    // The lock goes with the file, not its name: it holds while the run renames it.
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

TFileClaim::~TFileClaim() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace zalvert
