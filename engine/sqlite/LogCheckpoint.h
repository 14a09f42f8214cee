#pragma once
// Copies a long write-ahead log into the database file on a thread and a
// connection of their own. SQLite's automatic checkpoint would run inside the
// commit that filled the log, and the import's commit would wait for it.

#include <memory>
#include <string>

#include "engine/core/BackgroundJob.h"
#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {

class TLogCheckpoint {
  public:
    // Takes over the checkpoints of `connection`, open on the file `path`: a commit
    // that leaves `pages` or more in the log starts one.
    TLogCheckpoint(TSqliteConnection& connection, std::string path, int pages = kPages);
    // Waits for a running checkpoint and gives the checkpoints back to SQLite.
    ~TLogCheckpoint();
    TLogCheckpoint(const TLogCheckpoint&) = delete;
    TLogCheckpoint& operator=(const TLogCheckpoint&) = delete;

    // Log pages after which a checkpoint runs, aside or (where none runs aside)
    // SQLite's own.
    static constexpr int kPages = 8192;

  private:
    static int AfterCommit(void* self, sqlite3* db, const char* schema, int pages);
    void Start();

    TSqliteConnection& connection_;
    std::string path_;
    int pages_;
    std::unique_ptr<TSqliteConnection> own_;  // opened by the first checkpoint
    TBackgroundJob job_;                      // last: ends before the connection goes
};

}  // namespace zalvert::engine
