#pragma once
// SQLite's failures as the engine's numbered errors.

#include <string>

#include "engine/core/EngineState.h"
#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {

// Raises the engine error that stands for a failed SQLite call.
[[noreturn]] void FailSqlite(TEngineState& engine, const ESqlite& error, const char* source,
                             const std::string& context = {});

}  // namespace zalvert::engine
