#pragma once
// The site settings, read once at start from the INI file beside the executable.

#include <string>

namespace zalvert {

struct TSettings {
    std::string Main;    // database file
    std::string Pass;    // workspace password of the engine user
    int maxspalte = 0;   // highest grid column filled from a CSV line
    std::string pfad;    // import folder, ending in a separator
    std::string archiv;  // archive folder, ending in a separator
    std::string ext;     // mask of import files, such as *.csv
    // 1: lines equal to a stored record or an earlier line are stored all the same.
    int doppelte = 0;
};

TSettings ReadSettings(const std::string& iniPath);
// The executable's path with its extension replaced by ".ini" (appended when it has none).
std::string IniPathForExecutable(const std::string& executablePath);

}  // namespace zalvert
