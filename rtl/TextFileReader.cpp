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
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";
constexpr char kCtrlZ = '\x1A';

bool Contains(std::string_view text, char c) {
    return std::memchr(text.data(), c, text.size()) != nullptr;
}

// What the first pass learns about a byte-encoded file.
struct TByteScan {
    TUtf8Validator Validator;
    bool HasNul = false;
    bool HasLineFeed = false;
    bool HasCarriageReturn = false;

    void Feed(std::string_view chunk) {
        if (Validator.Valid()) Validator.Feed(chunk);
        HasNul = HasNul || Contains(chunk, '\0');
        HasLineFeed = HasLineFeed || Contains(chunk, '\n');
        HasCarriageReturn = HasCarriageReturn || Contains(chunk, '\r');
    }
};

// A file with both kinds of line breaks is taken for CR LF.
std::string LineEndOf(bool lineFeeds, bool carriageReturns) {
    if (lineFeeds) return carriageReturns ? "\r\n" : "\n";
    return carriageReturns ? "\r" : "\r\n";
}

}  // namespace

TTextFileReader::TTextFileReader(const std::string& path, const TByteObserver& observer)
    : path_(path), raw_(kChunkSize) {
    OpenRegularFile();
    try {
        DetectEncoding(observer);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

TTextFileReader::~TTextFileReader() {
    ::close(fd_);
}

void TTextFileReader::OpenRegularFile() {
    // Non-blocking open so that a FIFO in the import folder cannot hang the program.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw FileReadError(errno, path_);
    struct stat info {};
    int error = 0;
    if (::fstat(fd_, &info) != 0)
        error = errno;
    else if (S_ISDIR(info.st_mode))
        error = EISDIR;
    if (error == 0 && !S_ISREG(info.st_mode)) {
        ::close(fd_);
        throw EInOutError("Die Datei \"" + path_ + "\" ist keine gewöhnliche Datei.", EINVAL);
    }
    if (error != 0) {
        ::close(fd_);
        throw FileReadError(error, path_);
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

size_t TTextFileReader::ReadChunk() {
    for (;;) {
        const ssize_t n = ::read(fd_, raw_.data(), raw_.size());
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) throw FileReadError(errno, path_);
    }
}

void TTextFileReader::RefuseEncoding() const {
    throw EInOutError("Die Datei \"" + path_ +
                          "\" ist keine Textdatei in einer bekannten Kodierung (UTF-8, UTF-16 "
                          "mit Byte-Order-Mark oder Windows-1252) und wird nicht eingelesen.",
                      EILSEQ);
}

void TTextFileReader::DetectEncoding(const TByteObserver& observer) {
    TByteScan scan;
    std::string utf16;  // a UTF-16 file is decoded whole; such files are small
    bool first = true;
    bool utf8Mark = false;
    for (size_t n; (n = ReadChunk()) > 0; first = false) {
        const std::string_view chunk(raw_.data(), n);
        if (observer) observer(chunk);
        if (first && (chunk.starts_with(kUtf16LEMark) || chunk.starts_with(kUtf16BEMark)))
            encoding_ = chunk[0] == '\xFF' ? TTextEncoding::Utf16LE : TTextEncoding::Utf16BE;
        if (first) utf8Mark = chunk.starts_with(kUtf8Mark);
        if (encoding_ == TTextEncoding::Utf16LE || encoding_ == TTextEncoding::Utf16BE)
            utf16.append(chunk);
        else
            scan.Feed(chunk);
    }
    if (!utf16.empty()) {
        byteOrderMark_ = true;
        DecodeUtf16(std::string_view(utf16).substr(2));
        lineEndText_ = LineEndOf(Contains(data_, '\n'), Contains(data_, '\r'));
        return;
    }
    byteOrderMark_ = utf8Mark && scan.Validator.Finish();
    lineEndText_ = LineEndOf(scan.HasLineFeed, scan.HasCarriageReturn);
    if (scan.HasNul) RefuseEncoding();
    if (!scan.Validator.Finish()) {
        encoding_ = TTextEncoding::Windows1252;
        decoder_ = std::make_unique<TCodePageDecoder>("CP1252");
    }
    if (!scan.HasLineFeed && scan.HasCarriageReturn) lineEnd_ = '\r';
    const off_t start = IsUtf8() && utf8Mark ? off_t(kUtf8Mark.size()) : 0;
    if (::lseek(fd_, start, SEEK_SET) < 0) throw FileReadError(errno, path_);
}

void TTextFileReader::DecodeUtf16(std::string_view bytes) {
    const char* name = encoding_ == TTextEncoding::Utf16LE ? "UTF-16LE" : "UTF-16BE";
    if (!DecodeStrict(bytes, name, data_) || Contains(data_, '\0')) RefuseEncoding();
    if (!Contains(data_, '\n') && Contains(data_, '\r')) lineEnd_ = '\r';
    eof_ = true;
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
    if (decoder_)
        decoder_->AppendDecoded(chunk, data_);
    else
        data_.append(chunk);
}

std::string_view TTextFileReader::WithoutCarriageReturns(const char* start, size_t length) {
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', length));
    if (cr == nullptr) return {start, length};
    // The usual CR LF line: the only carriage return ends it.
    if (cr == start + length - 1) return {start, length - 1};
    scratch_.clear();
    const char* const end = start + length;
    for (const char* from = start; from < end;) {
        const auto* next = static_cast<const char*>(std::memchr(from, '\r', end - from));
        const char* stop = next ? next : end;
        scratch_.append(from, stop);
        from = stop + 1;
    }
    return scratch_;
}

bool TTextFileReader::ReadLine(std::string_view& line) {
    if (ended_) return false;
    // A long line spans many chunks: each byte is searched once.
    size_t searched = 0;
    for (;;) {
        const char* start = data_.data() + pos_;
        const size_t available = data_.size() - pos_;
        if (const void* end = std::memchr(start + searched, lineEnd_, available - searched)) {
            const auto length = static_cast<size_t>(static_cast<const char*>(end) - start);
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
        searched = available;
        Refill();
    }
    if (!line.empty() && line.front() == kCtrlZ) {
        ended_ = true;
        return false;
    }
    return true;
}

}  // namespace zalvert
