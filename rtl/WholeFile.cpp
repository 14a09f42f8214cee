#include "rtl/WholeFile.h"

#include <cerrno>
#include <cstdio>

#include "rtl/FileErrors.h"

namespace zalvert {

std::string ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw FileReadError(errno, path);
    std::string content;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        content.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw FileReadError(error, path);
    return content;
}

void WriteWholeFile(const std::string& path, std::string_view bytes, const std::string& shownPath) {
    const std::string& named = shownPath.empty() ? path : shownPath;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw FileWriteError(errno, named);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = errno;
    // A full disk may show only when the buffered rest is flushed at the close.
    if (std::fclose(file) != 0) {
        if (written) error = errno;
    } else if (written) {
        return;
    }
    throw FileWriteError(error, named);
}

}  // namespace zalvert
