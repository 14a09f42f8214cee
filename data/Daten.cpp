#include "data/Daten.h"

namespace zalvert {

TData::TData(IUserInteraction& ui, std::string iniPath) : iniPath_(std::move(iniPath)) {
    RunGuarded(ui, [this] { DataModuleCreate(); });
}

void TData::DataModuleCreate() {
    settings_ = ReadSettings(iniPath_);
}

}  // namespace zalvert
