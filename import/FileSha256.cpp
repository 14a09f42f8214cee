#include "import/FileSha256.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "import/RunLog.h"
#include "rtl/FileErrors.h"

namespace zalvert {
namespace {

std::string HashFile(const std::string& path) {
    // Non-blocking, so that a file replaced by a FIFO in the meantime cannot hang.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileReadError(errno, path);
    TSha256 hash;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw FileReadError(error, path);
        }
        hash.Add(std::string_view(chunk.data(), static_cast<size_t>(n)));
    }
    ::close(fd);
    return hash.HexDigest();
}

}  // namespace

std::future<std::string> HashFileAside(const std::string& path) {
    return std::async(std::launch::async, HashFile, path);
}

}  // namespace zalvert
