#include "data/RunLock.h"

#include <thread>

#include "data/Daten.h"
#include "data/Schema.h"
#include "engine/Dao.h"

namespace zalvert {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRetryPause = std::chrono::milliseconds(250);

// The transaction has begun; on a server `serverLock` is taken within it. A
// file's transaction takes the write lock as it begins.
void LockOnServer(TData& data, const std::string& serverLock) {
    TZedaDaoDatabase& db = *data.Datenbank;
    if (db.DatabaseType() != "ODBC") return;
    db.DatabaseObject()->Execute(serverLock, engine::dbSQLPassThrough);
}

bool TryBegin(TData& data, const std::string& serverLock) {
    TZedaDaoDatabase& db = *data.Datenbank;
    try {
        db.StartTransaction();
    } catch (const engine::EDaoError& e) {
        if (e.Is(engine::TDaoErr::Locked)) return false;
        throw;
    }
    try {
        LockOnServer(data, serverLock);
        return true;
    } catch (const engine::EDaoError& e) {
        db.Rollback();
        if (e.Is(engine::TDaoErr::Locked)) return false;
        throw;
    } catch (...) {
        db.Rollback();
        throw;
    }
}

// Begins the transaction holding the lock, retrying while another program holds
// it; after `timeout` raises ERunLocked with `whatFailed` after the time waited.
void BeginLocked(TData& data, const std::string& serverLock, std::chrono::milliseconds timeout,
                 const std::function<void(int seconds)>& waiting, const std::string& whatFailed) {
    const auto start = Clock::now();
    while (!TryBegin(data, serverLock)) {
        const auto waited = Clock::now() - start;
        if (waited >= timeout) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
            throw ERunLocked("Die Datenbank ist seit " + std::to_string(seconds) +
                             " Sekunden durch " + whatFailed);
        }
        if (waiting)
            waiting(
                static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(waited).count()));
        std::this_thread::sleep_for(kRetryPause);
    }
}

}  // namespace

void BeginLockedRun(TData& data, std::chrono::milliseconds timeout,
                    const std::function<void(int seconds)>& waiting) {
    BeginLocked(data, std::string("LOCK TABLE ") + kRunLogTable + " IN EXCLUSIVE MODE NOWAIT",
                timeout, waiting,
                "einen anderen Import gesperrt. Es wurde nichts importiert; die Datei bleibt im "
                "Importordner.");
}

void BeginSchemaChange(TData& data, std::chrono::milliseconds timeout) {
    // A lock that conflicts with itself and with rows being written, so that two
    // programs never change the schema at once nor while one imports.
    BeginLocked(data, "LOCK TABLE Zalvert IN SHARE ROW EXCLUSIVE MODE NOWAIT", timeout, {},
                "ein anderes Programm gesperrt. Das Importprotokoll konnte nicht angelegt "
                "werden.");
}

}  // namespace zalvert
