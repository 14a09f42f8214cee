#include "tests/support/BothEngines.h"

#include <cstdlib>

namespace zalvert::testing {

std::string EngineKindName(const ::testing::TestParamInfo<TEngineKind>& info) {
    return info.param == TEngineKind::File ? "Datei" : "Server";
}

TBothEngines::TBothEngines(TEngineKind kind) : kind_(kind) {
    if (kind_ == TEngineKind::Server) {
        const char* connect = std::getenv("ZALVERT_TEST_ODBC");
        setting_ = connect ? connect : "";
        return;
    }
    setting_ = dir_.Path() + "beide.db";
    engine::CreateDBEngine("DAO.DBEngine.36")->CreateDatabase(setting_)->Close();
}

bool TBothEngines::Available(std::string& why) const {
    if (!setting_.empty()) return true;
    why = "ZALVERT_TEST_ODBC names no server here (scripts/test.sh starts one)";
    return false;
}

std::shared_ptr<engine::Database> TBothEngines::Connect() {
    auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
    engines_.push_back(engine);
    auto workspace = engine->CreateWorkspace("Test", "Admin", "");
    engine->Workspaces().Append(workspace);
    return Server() ? workspace->OpenDatabase(setting_, Variant(false), false, setting_)
                    : workspace->OpenDatabase(setting_);
}

void TBothEngines::DropTables(const std::vector<std::string>& tables) {
    auto db = Connect();
    for (const std::string& table : tables) {
        try {
            db->Execute("DROP TABLE [" + table + "]");
        } catch (const engine::EDaoError&) {
            // not there
        }
    }
    db->Close();
}

}  // namespace zalvert::testing
