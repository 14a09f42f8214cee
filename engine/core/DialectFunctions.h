#pragma once
// The functions of the engine's SQL dialect, once for both back ends: the
// dialect's name, its arity, the file engine's function and the server's
// spelling. A function without a server spelling is refused there (the server
// has no function that means the same, or only a rewrite would say it).

#include <string_view>

namespace zalvert::engine {

struct TDialectFunction {
    const char* Name;    // as the dialect writes it (any letter case)
    const char* Sqlite;  // the function the file engine registers or has
    const char* Server;  // the server's; null where the server cannot run it
    int MinArgs;
    int MaxArgs;
    bool Aggregate;
};

// The dialect's function of that name (any letter case); null for any other word.
const TDialectFunction* FindDialectFunction(std::string_view name);

}  // namespace zalvert::engine
