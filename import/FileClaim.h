#pragma once
// A claim on a waiting file while this program imports it: an advisory lock of the
// whole file, taken without waiting. Several programs watching one import folder
// each take only the files no other program works on.

#include <string>

namespace zalvert {

class TFileClaim {
  public:
    explicit TFileClaim(const std::string& path);
    ~TFileClaim();
    TFileClaim(const TFileClaim&) = delete;
    TFileClaim& operator=(const TFileClaim&) = delete;

    // False when another program holds the file, or it is gone. A file that cannot
    // be opened for another reason counts as held: its import tells that reason.
    bool Held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace zalvert
