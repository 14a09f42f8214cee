#pragma once
// Rewrites the engine's SQL dialect for a database server: bracketed and plain
// names as lower-case quoted names (the server folds unquoted names, the dialect
// ignores case), strings in single quotes, #date# and {guid} literals, True and
// False, TOP n as LIMIT n, "&" as "||", LIKE patterns with * and ?, and in
// CREATE TABLE and ALTER TABLE the dialect's type names. Constraint and index
// names, which a server keeps per schema rather than per table, get the table's
// name in front. LIKE becomes ILIKE and the dialect's common functions (LCase,
// Len, Mid, Nz, Date()...) the server's. What cannot be written raises ESqlSyntax.

#include <string>
#include <string_view>

namespace zalvert::engine::odbc {

std::string ToServerSql(std::string_view sql);
// A name as the server stores it: lower case, quoted.
std::string ServerName(std::string_view name);
// An index or constraint name of a table as the server keeps it, and back.
std::string ServerIndexName(std::string_view table, std::string_view index);
std::string IndexNameOnTable(std::string_view table, std::string_view serverIndex);

}  // namespace zalvert::engine::odbc
