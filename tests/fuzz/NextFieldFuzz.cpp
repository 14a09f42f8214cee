// Lines split into fields as LoadFile splits them: each call takes something off the
// rest, every field is a trimmed piece of the line, and the splitting ends. Every
// field written back as the refused-lines report writes it reads back the same.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/Mtools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    std::string_view rest = line;
    while (!rest.empty()) {
        const size_t before = rest.size();
        const std::string_view field = zalvert::NextField(rest, ';');
        if (rest.size() >= before) std::abort();  // no progress: an endless line
        if (!field.empty()) {
            if (field.data() < begin || field.data() + field.size() > end) std::abort();
            if (static_cast<unsigned char>(field.front()) <= 32) std::abort();
        }
        for (const char* after : {"", ";x"}) {
            const std::string written = zalvert::FieldText(field, ';') + after;
            std::string_view again = written;
            if (zalvert::NextField(again, ';') != field) std::abort();
            if (again != std::string_view(after).substr(after[0] ? 1 : 0)) std::abort();
        }
    }
    return 0;
}
