#include "config/Settings.h"

#include "rtl/IniFile.h"
#include "rtl/Paths.h"

namespace zalvert {

TSettings ReadSettings(const std::string& iniPath) {
    const TIniFile ini(iniPath);
    TSettings s;
    s.Main = ini.ReadString("DB", "Main", "");
    s.Pass = ini.ReadString("DB", "Pass", "");
    s.maxspalte = ini.ReadInteger("Import", "maxspalte", 0);
    s.doppelte = ini.ReadInteger("Import", "doppelte", 0);
    s.pfad = ini.ReadString("Import", "pfad", "");
    s.archiv = ini.ReadString("Import", "archiv", "");
    s.ext = ini.ReadString("Import", "ext", "");
    return s;
}

std::string IniPathForExecutable(const std::string& executablePath) {
    return ChangeFileExt(executablePath, ".ini");
}

}  // namespace zalvert
