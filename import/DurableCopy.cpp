#include "import/DurableCopy.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "import/StepProbe.h"
#include "rtl/Paths.h"

namespace zalvert {
namespace {

constexpr size_t kBufferSize = 1 << 20;

class TFd {
  public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closing is where some file systems report a failed write.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

ssize_t ReadSome(int fd, char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int CopyThroughBuffer(int in, int out) {
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        const ssize_t n = ReadSome(in, buffer.data(), buffer.size());
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (const int error = WriteAll(out, buffer.data(), static_cast<size_t>(n))) return error;
        if (const int injected = ProbeStep(TImportStep::Copying)) return injected;
    }
}

// Whether copy_file_range cannot copy between these files at all: files on two
// file systems it will not copy across, or a file system without it.
bool InKernelCopyRefused(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL;
}

// Copied by the kernel, without passing every byte through this process (a file
// system with shared extents copies none at all); through a buffer where the
// kernel refuses from the start.
int CopyBytes(int in, int out) {
    bool copied = false;
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kBufferSize, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (!copied && InKernelCopyRefused(errno)) return CopyThroughBuffer(in, out);
            return errno;
        }
        if (n == 0) return 0;
        copied = true;
        if (const int injected = ProbeStep(TImportStep::Copying)) return injected;
    }
}

// The whole content into `temp`, flushed to disk.
int WriteTemporaryCopy(const std::string& from, const std::string& temp) {
    TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.Valid()) return errno;
    // A temporary file left by an interrupted copy is ours to overwrite.
    TFd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!out.Valid()) return errno;
    if (const int error = CopyBytes(in.Get(), out.Get())) return error;
    if (::fsync(out.Get()) != 0) return errno;
    return out.Close();
}

}  // namespace

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without the flag: a second name, then the first one removed.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        return error;
    }
    return 0;
}

int CopyDurably(const std::string& from, const std::string& to) {
    const std::string temp = to + ".teil";
    struct stat info {};
    if (::stat(to.c_str(), &info) == 0) {
        // What a copy stopped before its end left beside the final name.
        ::unlink(temp.c_str());
        return EEXIST;
    }
    int error = WriteTemporaryCopy(from, temp);
    if (error == 0) error = ProbeStep(TImportStep::BeforeLink);
    if (error == 0) error = RenameWithoutReplacing(temp, to);
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    return SyncFolder(ExtractFilePath(to));
}

bool SameContent(const std::string& a, const std::string& b) {
    TFd first(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    TFd second(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (!first.Valid() || !second.Valid()) return false;
    struct stat infoA {
    }, infoB{};
    if (::fstat(first.Get(), &infoA) != 0 || ::fstat(second.Get(), &infoB) != 0) return false;
    if (infoA.st_size != infoB.st_size) return false;
    std::vector<char> bufferA(kBufferSize), bufferB(kBufferSize);
    for (;;) {
        const ssize_t n = ReadSome(first.Get(), bufferA.data(), bufferA.size());
        if (n < 0) return false;
        if (n == 0) return true;
        size_t got = 0;
        while (got < static_cast<size_t>(n)) {
            const ssize_t m =
                ReadSome(second.Get(), bufferB.data() + got, static_cast<size_t>(n) - got);
            if (m <= 0) return false;
            got += static_cast<size_t>(m);
        }
        if (std::memcmp(bufferA.data(), bufferB.data(), got) != 0) return false;
    }
}

int SyncFolder(const std::string& folder) {
    TFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) return errno;
    return ::fsync(dir.Get()) == 0 ? 0 : errno;
}

}  // namespace zalvert
