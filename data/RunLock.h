#pragma once
// The lock an import run holds from its start to its end, so that two programs
// importing into one database never take the same import identifier: the run's
// transaction begins holding the database's write lock (a file) or an exclusive
// lock on the run log (a server). While another run holds it, the start waits,
// says so through `waiting`, and gives up after `timeout` with ERunLocked.

#include <chrono>
#include <functional>

#include "rtl/Exceptions.h"

namespace zalvert {

class TData;

class ERunLocked : public Exception {
  public:
    using Exception::Exception;
};

// `waiting` gets the whole seconds waited so far, about every quarter second.
void BeginLockedRun(TData& data, std::chrono::milliseconds timeout,
                    const std::function<void(int seconds)>& waiting);

// Begins a transaction in which the program adds to an older database's schema,
// holding the lock a run holds (on a server a lock on the billing table, since
// the run log may not exist yet), with the same waiting.
void BeginSchemaChange(TData& data, std::chrono::milliseconds timeout);

}  // namespace zalvert
