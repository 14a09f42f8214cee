#pragma once
// The rows of a database file read on a thread of their own, for a caller that has
// other work to do meanwhile.

#include <memory>

#include "engine/sqlite/SqliteState.h"

namespace zalvert::engine {

// Starts stepping `statement`, a SELECT prepared on `db`'s connection, on another
// thread, handing each row to `each` and then calling `done`.
std::unique_ptr<RowReader> ReadRowsAside(TSqliteRef db, std::unique_ptr<TStatement> statement,
                                         RowHandler each, std::function<void()> done);

}  // namespace zalvert::engine
