#include "data/RunLock.h"

#include <thread>

#include "data/Daten.h"
#include "data/Schema.h"
#include "engine/Dao.h"

namespace zalvert {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRetryPause = std::chrono::milliseconds(250);
constexpr int kLocked = 3260;

// The transaction has begun; on a server the run log is locked within it. A
// file's transaction takes the write lock as it begins.
void LockRunLog(TData& data) {
    TZedaDaoDatabase& db = *data.Datenbank;
    if (db.DatabaseType() != "ODBC") return;
    db.DatabaseObject()->Execute(
        std::string("LOCK TABLE ") + kRunLogTable + " IN EXCLUSIVE MODE NOWAIT",
        engine::dbSQLPassThrough);
}

bool TryBegin(TData& data) {
    TZedaDaoDatabase& db = *data.Datenbank;
    try {
        db.StartTransaction();
    } catch (const engine::EDaoError& e) {
        if (e.Number() == kLocked) return false;
        throw;
    }
    try {
        LockRunLog(data);
        return true;
    } catch (const engine::EDaoError& e) {
        db.Rollback();
        if (e.Number() == kLocked) return false;
        throw;
    } catch (...) {
        db.Rollback();
        throw;
    }
}

}  // namespace

void BeginLockedRun(TData& data, std::chrono::milliseconds timeout,
                    const std::function<void(int seconds)>& waiting) {
    const auto start = Clock::now();
    while (!TryBegin(data)) {
        const auto waited = Clock::now() - start;
        if (waited >= timeout) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout).count();
            throw ERunLocked("Die Datenbank ist seit " + std::to_string(seconds) +
                             " Sekunden durch einen anderen Import gesperrt. Es wurde nichts "
                             "importiert; die Datei bleibt im Importordner.");
        }
        if (waiting)
            waiting(
                static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(waited).count()));
        std::this_thread::sleep_for(kRetryPause);
    }
}

}  // namespace zalvert
