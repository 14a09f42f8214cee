#pragma once
// The database schema the program expects, kept as the engine's DDL, and the
// creation of a new database with it.

#include <string>
#include <vector>

namespace zalvert {

// The statements that create the tables `Zalvert` and `u_Recvon`.
const std::vector<std::string>& SchemaStatements();

// Creates a new database file with the schema; `companies` fill `u_Recvon`
// (priority in list order). Raises the engine's error when the file exists.
void CreateZalvertDatabase(const std::string& path, const std::vector<std::string>& companies);

}  // namespace zalvert
