#pragma once
// The input of a fuzz target as a file, for parsers that read files: one file per
// process, written anew for every input.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zalvert::fuzz {

inline const std::string& WriteInputFile(const std::uint8_t* data, size_t size) {
    static const std::string path = [] {
        char pattern[] = "/tmp/zalvert-fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0) std::abort();
        ::close(fd);
        return std::string(pattern);
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

}  // namespace zalvert::fuzz
