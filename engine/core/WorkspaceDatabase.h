#pragma once
// A database as its workspace sees it: one file of this engine or a connection to a
// server, either of which takes part in the workspace's transactions.

#include "engine/Dao.h"

namespace zalvert::engine {

class TWorkspaceDatabase : public Database {
  public:
    virtual bool Closed() const = 0;
    // Transaction levels this database has begun.
    virtual int TransactionDepth() const = 0;
    // Begins level `level` (the database is at level - 1); the outermost level takes
    // the write lock at once, so that two users' transactions wait for each other at
    // their start rather than fail in the middle.
    virtual void BeginLevel(int level) = 0;
    virtual void EndLevel(int level, bool rollback) = 0;
};

}  // namespace zalvert::engine
