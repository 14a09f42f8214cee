#pragma once
// Reads a text file line by line as the run-time's text files do: a line ends at LF,
// carriage returns are dropped, a Ctrl-Z at the start of a line ends the file. A file
// with carriage returns but no line feed at all (old Mac style) ends its lines at CR.
//
// One pass over the whole file decides its encoding before any line is returned:
// a UTF-16 byte-order mark means UTF-16; valid UTF-8 is read as UTF-8 (a leading
// byte-order mark dropped); anything else is Windows-1252. A file holding NUL bytes
// or broken UTF-16 is none of these and is refused. The lines come back as UTF-8.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zalvert {

class TCodePageDecoder;

enum class TTextEncoding { Utf8, Windows1252, Utf16LE, Utf16BE };

class TTextFileReader {
  public:
    // Sees every byte of the file once, in order, during the first pass (for a hash).
    using TByteObserver = std::function<void(std::string_view)>;

    // Raises EInOutError, naming the file, when it cannot be opened or read or is in
    // no encoding the reader knows.
    explicit TTextFileReader(const std::string& path, const TByteObserver& observer = {});
    ~TTextFileReader();
    TTextFileReader(const TTextFileReader&) = delete;
    TTextFileReader& operator=(const TTextFileReader&) = delete;

    // The next line, valid until the next call; false at the end of the file.
    // Raises EInOutError on a read error.
    bool ReadLine(std::string_view& line);
    TTextEncoding Encoding() const { return encoding_; }
    // Whether the file starts with a byte-order mark (UTF-8 or UTF-16).
    bool ByteOrderMark() const { return byteOrderMark_; }
    // The line end the file uses: CR LF, LF or CR (CR LF for a file of one line).
    const std::string& LineEnd() const { return lineEndText_; }
    bool IsUtf8() const { return encoding_ == TTextEncoding::Utf8; }

  private:
    void OpenRegularFile();
    void DetectEncoding(const TByteObserver& observer);
    void DecodeUtf16(std::string_view bytes);
    [[noreturn]] void RefuseEncoding() const;
    void Refill();
    size_t ReadChunk();
    std::string_view WithoutCarriageReturns(const char* start, size_t length);

    std::string path_;
    int fd_ = -1;
    TTextEncoding encoding_ = TTextEncoding::Utf8;
    char lineEnd_ = '\n';
    bool byteOrderMark_ = false;
    std::string lineEndText_ = "\r\n";
    bool eof_ = false;
    bool ended_ = false;
    std::vector<char> raw_;
    std::string data_;  // decoded text not yet returned, from pos_ on
    size_t pos_ = 0;
    std::string scratch_;
    std::unique_ptr<TCodePageDecoder> decoder_;
};

}  // namespace zalvert
