#pragma once
// A small file system mounted for one test, to fill a disk for real; unmounted
// afterwards. Mounting needs the rights of root: where the machine refuses it,
// Mounted() is false and the test skips.

#include <string>

namespace zalvert::testing {

class TSmallFileSystem {
  public:
    // `folder` is created; `size` as the tmpfs option takes it ("256k").
    TSmallFileSystem(const std::string& folder, const std::string& size);
    ~TSmallFileSystem();
    TSmallFileSystem(const TSmallFileSystem&) = delete;
    TSmallFileSystem& operator=(const TSmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace zalvert::testing
