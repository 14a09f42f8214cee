#pragma once
// One statement at a time stepped on a thread of its own, so that SQLite writes
// rows while the caller prepares the next ones. SQLite serialises the connection's
// use; the caller waits for the worker before it uses the statement or the values
// again, or anything that must see the rows.

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "engine/Sqlite.h"

namespace zalvert::engine {

class TStatementWorker {
  public:
    TStatementWorker() = default;
    ~TStatementWorker();
    TStatementWorker(const TStatementWorker&) = delete;
    TStatementWorker& operator=(const TStatementWorker&) = delete;

    // Binds `values` to `statement` (?1, ?2...) and steps it once, in the background.
    // Waits for the statement handed before.
    void Run(TStatement& statement, std::vector<Variant> values);
    // Until the statement handed last is done; raises what it raised (ESqlite).
    void Wait();

  private:
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    TStatement* statement_ = nullptr;  // handed and not yet done
    std::vector<Variant> values_;
    std::exception_ptr failure_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace zalvert::engine
