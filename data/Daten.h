#pragma once
// The data module: created first at start, it reads the settings and will own the
// database connection and the datasets that every window shares.

#include <string>

#include "config/Settings.h"
#include "rtl/Interaction.h"

namespace zalvert {

class TData {
  public:
    // Runs the creation handler; an error in it is shown and creation goes on.
    TData(IUserInteraction& ui, std::string iniPath);
    TData(const TData&) = delete;
    TData& operator=(const TData&) = delete;

    const TSettings& Settings() const { return settings_; }
    const std::string& IniPath() const { return iniPath_; }

    void DataModuleCreate();

  private:
    std::string iniPath_;
    TSettings settings_;
};

}  // namespace zalvert
