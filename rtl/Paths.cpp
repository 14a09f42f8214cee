#include "rtl/Paths.h"

#include <unistd.h>

#include <vector>

namespace zalvert {
namespace {

size_t NameStart(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

size_t ExtensionStart(std::string_view path) {
    const size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot < NameStart(path) ? path.size() : dot;
}

}  // namespace

std::string ExtractFilePath(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string ExtractFileName(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string ExtractFileExt(std::string_view path) {
    return std::string(path.substr(ExtensionStart(path)));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    return std::string(path.substr(0, ExtensionStart(path))) + std::string(extension);
}

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace zalvert
