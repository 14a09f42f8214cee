#pragma once
// What a server recordset is opened on: the whole statement in the server's SQL,
// and, for one table with a one-column key, the parts a keyset is built from.

#include <optional>
#include <string>

#include "engine/odbc/OdbcState.h"

namespace zalvert::engine::odbc {

struct TOdbcSource {
    std::string Name;      // as the caller gave it
    std::string Sql;       // the whole statement
    std::string Table;     // the one table (server name), else empty
    std::string Key;       // its one key column, else empty
    std::string TableRef;  // how the statement names the table: alias or quoted name
    std::string SelectList, From, Where, OrderBy;
    std::optional<long long> Top;
    bool IsTable = false;  // opened on a table by name

    bool Keyed() const { return !Key.empty(); }
    std::string Compose() const;
    // The same source narrowed by a criteria text and sorted by a sort text, both
    // in the engine's dialect.
    TOdbcSource Narrowed(const std::string& filter, const std::string& sort) const;
};

// A table or view by name, or SQL text in the engine's dialect. Raises ESqlSyntax.
TOdbcSource DescribeSource(TOdbcState& db, const std::string& source);

}  // namespace zalvert::engine::odbc
