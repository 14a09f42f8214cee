#pragma once
// Reads a text file line by line as the run-time's text files do: a line ends at LF,
// carriage returns are dropped, a Ctrl-Z at the start of a line ends the file.
// A file that is valid UTF-8 is read as UTF-8 (a leading byte-order mark dropped);
// any other file is taken as Windows-1252 and converted, so the lines are UTF-8.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zalvert {

class TCodePageDecoder;

class TTextFileReader {
  public:
    // Raises EInOutError when the file cannot be opened or read.
    explicit TTextFileReader(const std::string& path);
    ~TTextFileReader();
    TTextFileReader(const TTextFileReader&) = delete;
    TTextFileReader& operator=(const TTextFileReader&) = delete;

    // The next line, valid until the next call; false at the end of the file.
    // Raises EInOutError on a read error.
    bool ReadLine(std::string_view& line);
    bool IsUtf8() const { return utf8_; }

  private:
    void DetectEncoding();
    void Refill();
    size_t ReadChunk();
    std::string_view WithoutCarriageReturns(const char* start, size_t length);

    int fd_ = -1;
    bool utf8_ = true;
    bool eof_ = false;
    bool ended_ = false;
    std::vector<char> raw_;
    std::string data_;  // decoded text not yet returned, from pos_ on
    size_t pos_ = 0;
    std::string scratch_;
    std::unique_ptr<TCodePageDecoder> decoder_;
};

}  // namespace zalvert
