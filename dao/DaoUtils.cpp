#include "dao/DaoUtils.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "rtl/IniFile.h"
#include "rtl/Paths.h"

namespace zalvert {
namespace {

std::string SystemIniFolder() {
    const char* folder = std::getenv("ODBCSYSINI");
    std::string path = folder && *folder ? folder : "/etc";
    if (path.back() != '/') path += '/';
    return path;
}

std::string UserIniFile() {
    if (const char* file = std::getenv("ODBCINI"); file && *file) return file;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.odbc.ini";
}

// Sections of an ini file, without the driver manager's own settings section.
std::vector<std::string> Sections(const std::string& path) {
    std::vector<std::string> names;
    for (const std::string& name : TIniFile(path).Sections())
        if (!SameText(name, "ODBC") && !SameText(name, "ODBC Data Sources")) names.push_back(name);
    return names;
}

}  // namespace

std::vector<std::string> OdbcDrivers() {
    return Sections(SystemIniFolder() + "odbcinst.ini");
}
std::vector<std::string> OdbcSystemDataSources() {
    return Sections(SystemIniFolder() + "odbc.ini");
}
std::vector<std::string> OdbcUserDataSources() {
    return Sections(UserIniFile());
}

std::string OdbcDataSourceFile(const std::string& dataSource, bool user) {
    const TIniFile ini(user ? UserIniFile() : SystemIniFolder() + "odbc.ini");
    const std::string dbq = ini.ReadString(dataSource, "DBQ", "");
    return dbq.empty() ? ini.ReadString(dataSource, "Database", "") : dbq;
}

std::string ExeDirectory() {
    return ExtractFilePath(ExecutablePath());
}

std::string WorkingDirectory() {
    std::error_code error;
    std::string path = std::filesystem::current_path(error).string();
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

TMdbMark ReadMdbMark(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char header[160];
    if (!file.read(header, sizeof header)) return TMdbMark::Unreadable;
    return header[156] == '4' && header[157] == '.' ? TMdbMark::Jet4 : TMdbMark::Jet3;
}

std::string CollatingOrderName(int code) {
    switch (code) {
        case 1024:
            return "Neutral";
        case 1025:
            return "Arabic";
        case 1028:
            return "Traditional Chinese";
        case 1029:
            return "Czech";
        case 1030:
            return "Norwegian or Danish";
        case 1032:
            return "Greek";
        case 1033:
            return "General (English, French, German, Portuguese, Italian, and Modern Spanish)";
        case 1034:
            return "Spanish";
        case 1037:
            return "Hebrew";
        case 1038:
            return "Hungarian";
        case 1039:
            return "Icelandic";
        case 1041:
            return "Japanese";
        case 1042:
            return "Korean";
        case 1043:
            return "Dutch";
        case 1045:
            return "Polish";
        case 1049:
            return "Bulgarian or Russian";
        case 1053:
            return "Swedish or Finnish";
        case 1054:
            return "Thai";
        case 1055:
            return "Turkish";
        case 1060:
            return "Slovenian";
        case 2052:
            return "Simplified Chinese";
        case -1:
            return "Undefined or unknown";
        default:
            return {};
    }
}

}  // namespace zalvert
