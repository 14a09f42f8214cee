#pragma once
// The dialect's column types, for the file engine's translator and catalogue and
// for the server's writer alike.

#include <string_view>

#include "engine/DaoConstants.h"
#include "engine/core/Metadata.h"

namespace zalvert::engine {

struct TDialectType {
    const char* Name;    // as the dialect writes it, in capitals
    TTypeInfo Engine;    // the engine's type, its size when none is given, its length class
    const char* Server;  // the server's type
};

// The type of that name (capitals); null for any other word.
const TDialectType* FindDialectType(std::string_view upperName);

// A type whose values are texts (and sort as texts).
inline bool IsTextType(const TDialectType& type) {
    return type.Engine.Type == dbText || type.Engine.Type == dbMemo;
}

}  // namespace zalvert::engine
