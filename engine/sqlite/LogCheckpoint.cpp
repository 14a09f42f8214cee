#include "engine/sqlite/LogCheckpoint.h"

namespace zalvert::engine {

TLogCheckpoint::TLogCheckpoint(TSqliteConnection& connection, std::string path, int pages)
    : connection_(connection), path_(std::move(path)), pages_(pages) {
    sqlite3_wal_hook(connection_.Handle(), &TLogCheckpoint::AfterCommit, this);
}

TLogCheckpoint::~TLogCheckpoint() {
    sqlite3_wal_autocheckpoint(connection_.Handle(), kPages);
    try {
        job_.Wait();
    } catch (...) {
        // As SQLite's own: a checkpoint that failed is tried again by a later one.
    }
}

// Called inside the commit, on the committing thread.
int TLogCheckpoint::AfterCommit(void* self, sqlite3*, const char*, int pages) {
    auto& checkpoint = *static_cast<TLogCheckpoint*>(self);
    if (pages >= checkpoint.pages_) checkpoint.Start();
    return SQLITE_OK;
}

void TLogCheckpoint::Start() {
    if (job_.Started()) {
        if (job_.Running()) return;  // the next long commit tries again
        try {
            job_.Wait();
        } catch (...) {
        }
    }
    job_.Start([this] {
        if (!own_) {
            auto opened = std::make_unique<TSqliteConnection>(path_, SQLITE_OPEN_READWRITE);
            // A connection finds the log only once it has read the file.
            opened->Exec("SELECT count(*) FROM sqlite_master");
            own_ = std::move(opened);
        }
        // Passive: it copies what no reader still needs and never waits for a lock.
        sqlite3_wal_checkpoint_v2(own_->Handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                  nullptr);
    });
}

}  // namespace zalvert::engine
