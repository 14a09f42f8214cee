#pragma once
// What the connection component reads off the machine and the files: the ODBC
// driver manager's drivers and data sources (unixODBC ini files, honouring
// ODBCSYSINI and ODBCINI), folders, the Access file version mark, sort languages.

#include <string>
#include <vector>

namespace zalvert {

std::vector<std::string> OdbcDrivers();
std::vector<std::string> OdbcSystemDataSources();
std::vector<std::string> OdbcUserDataSources();
// The database file a data source names ("DBQ", or "Database"); empty when none.
std::string OdbcDataSourceFile(const std::string& dataSource, bool user);

// The executable's folder and the current folder, each ending in "/".
std::string ExeDirectory();
std::string WorkingDirectory();

// Whether the first 160 bytes of a file could be read and carry the Jet 4 mark
// ("4." at offsets 156 and 157). Empty when fewer than 160 bytes could be read.
enum class TMdbMark { Unreadable, Jet3, Jet4 };
TMdbMark ReadMdbMark(const std::string& path);

// The name of a collating order code; empty for an unknown code.
std::string CollatingOrderName(int code);

}  // namespace zalvert
