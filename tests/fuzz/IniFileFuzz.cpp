// Any bytes as the program's INI file: every key the reader lists can be read
// back, its value within the profile's length, its integer reading bounded.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "rtl/IniFile.h"
#include "tests/fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string& path = zalvert::fuzz::WriteInputFile(data, size);
    const zalvert::TIniFile ini(path);
    for (const std::string& section : ini.Sections()) {
        for (const std::string& key : ini.Keys(section)) {
            // Found, the value does not depend on the default.
            const std::string value = ini.ReadString(section, key, "a");
            if (ini.ReadString(section, key, "b") != value) std::abort();
            if (value.size() > zalvert::TIniFile::kMaxValueLength) std::abort();
            ini.ReadInteger(section, key, 0);
        }
    }
    return 0;
}
