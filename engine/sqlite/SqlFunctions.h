#pragma once
// The dialect's functions and operators that SQLite lacks, registered on every
// connection under names starting with "zi_".

#include <sqlite3.h>

#include <string_view>

namespace zalvert::engine {

void RegisterSqlFunctions(sqlite3* db);

// The dialect's LIKE: * any run, ? one character, # one digit, [a-z] and [!a-z]
// character lists; letters compared without regard to case.
bool AccessLike(std::string_view text, std::string_view pattern);

}  // namespace zalvert::engine
