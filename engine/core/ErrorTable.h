#pragma once
// The engine's error numbers with their descriptions, and raising them.

#include <memory>
#include <string>
#include <vector>

#include "engine/DaoError.h"

namespace zalvert::engine {

// The most recent failure, shared by every object of one engine.
struct TErrorLog {
    std::vector<EDaoError> Errors;
};

// The description of a number; "%s" in it takes `detail`.
std::string ErrorDescription(TDaoErr number, const std::string& detail = {});

// Records the error as the engine's last one and throws it.
[[noreturn]] void RaiseDao(TErrorLog& log, TDaoErr number, const std::string& source,
                           const std::string& detail = {});

}  // namespace zalvert::engine
