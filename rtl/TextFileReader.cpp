#include "rtl/TextFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "rtl/CodePage.h"
#include "rtl/FileErrors.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr size_t kChunkSize = 1 << 20;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kCtrlZ = '\x1A';

}  // namespace

TTextFileReader::TTextFileReader(const std::string& path) : raw_(kChunkSize) {
    // Non-blocking open so that a FIFO in the import folder cannot hang the program.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw FileError(errno);
    struct stat info {};
    int error = 0;
    if (::fstat(fd_, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    if (error != 0) {
        ::close(fd_);
        throw FileError(error);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    try {
        DetectEncoding();
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

TTextFileReader::~TTextFileReader() {
    ::close(fd_);
}

size_t TTextFileReader::ReadChunk() {
    for (;;) {
        const ssize_t n = ::read(fd_, raw_.data(), raw_.size());
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) throw FileError(errno);
    }
}

// One pass over the whole file decides the encoding before any line is returned.
void TTextFileReader::DetectEncoding() {
    TUtf8Validator validator;
    bool hasBom = false;
    bool first = true;
    while (validator.Valid()) {
        const size_t n = ReadChunk();
        if (n == 0) break;
        if (first) hasBom = n >= 3 && std::memcmp(raw_.data(), kByteOrderMark, 3) == 0;
        first = false;
        validator.Feed(std::string_view(raw_.data(), n));
    }
    utf8_ = validator.Finish();
    if (!utf8_) decoder_ = std::make_unique<TCodePageDecoder>("CP1252");
    const off_t start = utf8_ && hasBom ? 3 : 0;
    if (::lseek(fd_, start, SEEK_SET) < 0) throw FileError(errno);
}

void TTextFileReader::Refill() {
    data_.erase(0, pos_);
    pos_ = 0;
    const size_t n = ReadChunk();
    if (n == 0) {
        eof_ = true;
        return;
    }
    const std::string_view chunk(raw_.data(), n);
    if (utf8_)
        data_.append(chunk);
    else
        decoder_->AppendDecoded(chunk, data_);
}

std::string_view TTextFileReader::WithoutCarriageReturns(const char* start, size_t length) {
    if (std::memchr(start, '\r', length) == nullptr) return {start, length};
    scratch_.clear();
    for (size_t i = 0; i < length; ++i)
        if (start[i] != '\r') scratch_ += start[i];
    return scratch_;
}

bool TTextFileReader::ReadLine(std::string_view& line) {
    if (ended_) return false;
    for (;;) {
        const char* start = data_.data() + pos_;
        const size_t available = data_.size() - pos_;
        if (const void* lf = std::memchr(start, '\n', available)) {
            const auto length = static_cast<size_t>(static_cast<const char*>(lf) - start);
            line = WithoutCarriageReturns(start, length);
            pos_ += length + 1;
            break;
        }
        if (eof_) {
            if (available == 0) {
                ended_ = true;
                return false;
            }
            line = WithoutCarriageReturns(start, available);
            pos_ = data_.size();
            break;
        }
        Refill();
    }
    if (!line.empty() && line.front() == kCtrlZ) {
        ended_ = true;
        return false;
    }
    return true;
}

}  // namespace zalvert
