#pragma once
// The data module: created first at start, it reads the settings and owns the
// database connection and the datasets every window shares.

#include <string>

#include "config/Settings.h"
#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "dataset/Component.h"
#include "dataset/DataSource.h"
#include "rtl/Interaction.h"

namespace zalvert {

class TData : public TComponent {
  public:
    // Makes the five components with their settings, then runs the creation
    // handler; an error in it is shown and creation goes on.
    TData(IUserInteraction& ui, std::string iniPath);

    const TSettings& Settings() const { return settings_; }
    const std::string& IniPath() const { return iniPath_; }

    void DataModuleCreate();

    // The components, by their names in the module.
    TZedaDaoDatabase* const Datenbank;
    TZedaDaoTable* const Zalvert;
    TZedaDaoTable* const Recvon;
    TZedaDaoTable* const qImportid;
    TDataSource* const Zalvert1;
    // The run log: `Importlauf` takes a run's entry, `qImportlauf` finds the runs
    // of a file by its hash (parameter "Hash"), newest first.
    TZedaDaoTable* const Importlauf;
    TZedaDaoTable* const qImportlauf;

  private:
    void SetUpDatabase();
    void SetUpTable(TZedaDaoTable& table);
    void SetUpZalvertFields();
    void SetUpRecvonFields();
    // Whether the run log has its table and every column.
    bool RunLogComplete();
    // Databases made before the run log existed get its table.
    void CreateRunLogWhenMissing();

    std::string iniPath_;
    TSettings settings_;
};

}  // namespace zalvert
