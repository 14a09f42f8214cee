#pragma once
// The database schema the program expects, kept as the engine's DDL, and the
// creation of a new database with it.

#include <string>
#include <vector>

namespace zalvert {

// The statements that create the tables `Zalvert`, `u_Recvon` and `u_Importlauf`.
const std::vector<std::string>& SchemaStatements();

// The run log: one row per import run, with the SHA-256 of the file's bytes so
// that a file imported before is recognised.
constexpr const char* kRunLogTable = "u_Importlauf";
// When the run was undone; empty while its records stand.
constexpr const char* kRunLogUndoField = "Rueckgaengig";
const std::vector<std::string>& RunLogStatements();

// Whether the database setting is an ODBC connect text ("odbc;DSN=...") rather than a file.
bool IsServerConnect(const std::string& database);

// Creates a new database file with the schema, or the schema's tables in the server
// database an ODBC connect text names; `companies` fill `u_Recvon` (priority in list
// order). Raises the engine's error when the file or a table exists.
void CreateZalvertDatabase(const std::string& path, const std::vector<std::string>& companies);

}  // namespace zalvert
