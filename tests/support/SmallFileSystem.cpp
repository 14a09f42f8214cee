#include "tests/support/SmallFileSystem.h"

#include <sys/mount.h>

#include <filesystem>

namespace zalvert::testing {

TSmallFileSystem::TSmallFileSystem(const std::string& folder, const std::string& size)
    : folder_(folder) {
    std::filesystem::create_directories(folder);
    mounted_ = ::mount("zalvert-test", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

TSmallFileSystem::~TSmallFileSystem() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace zalvert::testing
