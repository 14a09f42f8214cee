#include "import/FileSha256.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <vector>

#include "rtl/FileErrors.h"

namespace zalvert {
namespace {

// OpenSSL's SHA-256: the toolkit's own (Qt 6.4) hashes about 100 MB a second,
// which made the hash of a file of a million lines take longer than reading it.
class TSha256 {
  public:
    TSha256() : context_(EVP_MD_CTX_new()) {
        if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("SHA-256 nicht verfügbar");
    }
    void Add(std::string_view bytes) {
        EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size());
    }
    std::string HexDigest() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(context_.get(), digest, &size);
        static const char kHex[] = "0123456789abcdef";
        std::string hex;
        for (unsigned int i = 0; i < size; ++i) {
            hex += kHex[digest[i] >> 4];
            hex += kHex[digest[i] & 15];
        }
        return hex;
    }

  private:
    struct TFree {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, TFree> context_;
};

std::string HashFile(const std::string& path) {
    TSha256 hash;  // before the file is open: it may raise
    // Non-blocking, so that a FIFO cannot hang; what is no regular file is left to
    // the reader, which refuses it with its own message.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw FileReadError(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
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
