#pragma once
// A fresh folder for one test, removed afterwards.

#include <string>
#include <string_view>

namespace zalvert::testing {

class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The folder's path, ending in "/".
    const std::string& Path() const { return path_; }
    // Writes `content` byte for byte into the file `name` of the folder; returns its path.
    std::string Write(std::string_view name, std::string_view content) const;

  private:
    std::string path_;
};

// The whole file, byte for byte; empty when there is none.
std::string ReadFile(const std::string& path);

}  // namespace zalvert::testing
