#include "data/Schema.h"

#include "engine/Dao.h"
#include "rtl/Utf8.h"

namespace zalvert {

const std::vector<std::string>& RunLogStatements() {
    static const std::vector<std::string> statements = {
        "CREATE TABLE [u_Importlauf] ([ImportID] LONG, [Datei] TEXT(255), [Archivname] TEXT(255), "
        "[Zeit] DATETIME, [SHA256] TEXT(64), [Verarbeitet] LONG, [Importiert] LONG, "
        "[Abgelehnt] LONG, [Rueckgaengig] DATETIME, "
        "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ImportID]))",
        // Every run looks its file up by the hash.
        "CREATE INDEX [SHA256] ON [u_Importlauf] ([SHA256])",
    };
    return statements;
}

const std::vector<std::string>& SchemaStatements() {
    static const std::vector<std::string> statements = [] {
        std::vector<std::string> all = {
            "CREATE TABLE [Zalvert] ([ID] COUNTER, [Recdatum] DATETIME, [Recnr] TEXT(255), "
            "[Recvon] TEXT(255), [Recan] TEXT(255), [Datumvon] DATETIME, [Datumbis] DATETIME, "
            "[Tour] TEXT(255), [Netto] CURRENCY, [Gutschrift] TEXT(255), "
            "[erledigt] YESNO DEFAULT 0, [Bemerkung] MEMO, [erstelltvon] LONG, [ImportID] LONG, "
            "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ID]))",
            // The import looks up the largest identifier.
            "CREATE INDEX [ImportID] ON [Zalvert] ([ImportID])",
            "CREATE TABLE [u_Recvon] ([ID] COUNTER, [Prioritaet] LONG, [Firma] TEXT(50), "
            "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ID]))",
        };
        all.insert(all.end(), RunLogStatements().begin(), RunLogStatements().end());
        return all;
    }();
    return statements;
}

bool IsServerConnect(const std::string& database) {
    return AsciiLowerCase(database.substr(0, 5)) == "odbc;";
}

void CreateZalvertDatabase(const std::string& path, const std::vector<std::string>& companies) {
    auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
    auto workspace = engine->CreateWorkspace("Schema", "Admin", "");
    // On a server the tables go into the database the connect text names.
    auto db = IsServerConnect(path) ? workspace->OpenDatabase(path, Variant(false), false, path)
                                    : engine->CreateDatabase(path);
    for (const std::string& statement : SchemaStatements()) db->Execute(statement);
    auto recvon = db->OpenRecordset("u_Recvon", engine::dbOpenDynaset);
    int priority = 0;
    for (const std::string& company : companies) {
        recvon->AddNew();
        recvon->Fields().Item("Prioritaet")->SetValue(Variant(++priority));
        recvon->Fields().Item("Firma")->SetValue(Variant(company));
        recvon->Update();
    }
    recvon->Close();
    db->Close();
}

}  // namespace zalvert
