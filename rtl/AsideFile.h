#pragma once
// A file written under a temporary name beside its final one and given that name
// only when complete: a cancel, a failure or a crash leaves no half file under the
// final name, and a file that was there stays as it was until the end.

#include <string>
#include <string_view>

namespace zalvert {

class TAsideFile {
  public:
    // Raises EInOutError naming `path` when its folder takes no new file.
    explicit TAsideFile(std::string path);
    // Removes the temporary file unless it was committed.
    ~TAsideFile();
    TAsideFile(const TAsideFile&) = delete;
    TAsideFile& operator=(const TAsideFile&) = delete;

    // Raises EInOutError naming the final path ("Der Datenträger ist voll").
    void Write(std::string_view bytes);
    // For a library that writes the file itself: the temporary name, closed.
    const std::string& TemporaryPath();
    // Flushes the file to disk and gives it its final name, replacing a file there.
    void Commit();
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace zalvert
