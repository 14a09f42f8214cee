#pragma once
// The dialect's words, for the file engine's parser and the server's writer.

#include "engine/core/SqlTokenizer.h"

namespace zalvert::engine {

// A word that ends an expression or begins a clause: never taken as a name.
bool EndsAName(const TToken& token);
// A word the server's writer passes on as a word of SQL instead of quoting it as a name.
bool IsServerWord(const TToken& token);

}  // namespace zalvert::engine
