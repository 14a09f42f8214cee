// Any bytes as an import file: the reader either refuses the file with a message
// naming it, or returns lines that are valid UTF-8 and hold no line end.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rtl/Exceptions.h"
#include "rtl/TextFileReader.h"
#include "rtl/Utf8.h"
#include "tests/fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string& path = zalvert::fuzz::WriteInputFile(data, size);
    try {
        zalvert::TTextFileReader reader(path);
        std::string_view line;
        size_t total = 0;
        while (reader.ReadLine(line)) {
            if (!zalvert::IsValidUtf8(line)) std::abort();
            if (line.find('\n') != std::string_view::npos) std::abort();
            total += line.size() + 1;
            // A UTF-8 line never needs more than three bytes per byte read.
            if (total > size * 3 + 1) std::abort();
        }
    } catch (const zalvert::EInOutError& e) {
        if (e.Message().find(path) == std::string::npos) std::abort();
    }
    return 0;
}
