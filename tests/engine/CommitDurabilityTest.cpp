// A commit the engine reports done is on the disk: the import archives its file
// right after, and a power failure must not leave the file archived and its
// records gone. Files are watched through a file-system layer of SQLite's that
// counts the flushes of the log.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <string>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

// Our file object, followed in memory by the real file system's.
struct TWatchedFile {
    sqlite3_file Base;
    bool Log;
};

sqlite3_vfs* gReal = nullptr;
int gLogSyncs = 0;

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<sqlite3_file*>(reinterpret_cast<TWatchedFile*>(file) + 1);
}

int Sync(sqlite3_file* file, int flags) {
    if (reinterpret_cast<TWatchedFile*>(file)->Log) ++gLogSyncs;
    return Real(file)->pMethods->xSync(Real(file), flags);
}

// Each call but the flush goes to the real file unchanged.
#define ZI_FORWARD(name, params, args) [] params { return Real(f)->pMethods->name args; }

const sqlite3_io_methods* WatchedMethods(const sqlite3_io_methods* real) {
    static sqlite3_io_methods methods;
    methods = *real;
    methods.xClose = [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); };
    methods.xRead =
        ZI_FORWARD(xRead, (sqlite3_file * f, void* b, int n, sqlite3_int64 o), (Real(f), b, n, o));
    methods.xWrite = ZI_FORWARD(xWrite, (sqlite3_file * f, const void* b, int n, sqlite3_int64 o),
                                (Real(f), b, n, o));
    methods.xTruncate =
        ZI_FORWARD(xTruncate, (sqlite3_file * f, sqlite3_int64 size), (Real(f), size));
    methods.xSync = Sync;
    methods.xFileSize =
        ZI_FORWARD(xFileSize, (sqlite3_file * f, sqlite3_int64 * size), (Real(f), size));
    methods.xLock = ZI_FORWARD(xLock, (sqlite3_file * f, int lock), (Real(f), lock));
    methods.xUnlock = ZI_FORWARD(xUnlock, (sqlite3_file * f, int lock), (Real(f), lock));
    methods.xCheckReservedLock =
        ZI_FORWARD(xCheckReservedLock, (sqlite3_file * f, int* out), (Real(f), out));
    methods.xFileControl =
        ZI_FORWARD(xFileControl, (sqlite3_file * f, int op, void* arg), (Real(f), op, arg));
    methods.xSectorSize = ZI_FORWARD(xSectorSize, (sqlite3_file * f), (Real(f)));
    methods.xDeviceCharacteristics =
        ZI_FORWARD(xDeviceCharacteristics, (sqlite3_file * f), (Real(f)));
    methods.xShmMap =
        ZI_FORWARD(xShmMap, (sqlite3_file * f, int page, int size, int extend, void volatile** out),
                   (Real(f), page, size, extend, out));
    methods.xShmLock = ZI_FORWARD(xShmLock, (sqlite3_file * f, int offset, int n, int flags),
                                  (Real(f), offset, n, flags));
    methods.xShmBarrier = [](sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); };
    methods.xShmUnmap = ZI_FORWARD(xShmUnmap, (sqlite3_file * f, int remove), (Real(f), remove));
    methods.xFetch = ZI_FORWARD(xFetch, (sqlite3_file * f, sqlite3_int64 o, int n, void** out),
                                (Real(f), o, n, out));
    methods.xUnfetch =
        ZI_FORWARD(xUnfetch, (sqlite3_file * f, sqlite3_int64 o, void* p), (Real(f), o, p));
    return &methods;
}
#undef ZI_FORWARD

int OpenWatched(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* watched = reinterpret_cast<TWatchedFile*>(file);
    watched->Base.pMethods = nullptr;
    watched->Log = (flags & SQLITE_OPEN_WAL) != 0;
    const int rc = gReal->xOpen(gReal, name, Real(file), flags, outFlags);
    if (Real(file)->pMethods) watched->Base.pMethods = WatchedMethods(Real(file)->pMethods);
    return rc;
}

class CommitDurability : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        gReal = sqlite3_vfs_find(nullptr);
        vfs_ = *gReal;
        vfs_.zName = "zi_watched";
        vfs_.szOsFile = static_cast<int>(sizeof(TWatchedFile)) + gReal->szOsFile;
        vfs_.xOpen = OpenWatched;
        ASSERT_EQ(sqlite3_vfs_register(&vfs_, 1), SQLITE_OK);
    }
    void TearDown() override {
        db_.reset();
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(gReal, 1);
        EngineTest::TearDown();
    }
    sqlite3_vfs vfs_{};
};

TEST_F(CommitDurability, FlushesTheLogBeforeACommitReturns) {
    db_->Close();
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    db_ = ws->OpenDatabase(path_);
    for (int rows : {1, 300}) {
        SCOPED_TRACE(std::to_string(rows) + " rows");
        ws->BeginTrans();
        auto rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
        for (int i = 0; i < rows; ++i) {
            rs->AddNew();
            rs->Fields().Item("Name")->SetValue(Variant("N" + std::to_string(i)));
            rs->Update();
        }
        const int before = gLogSyncs;
        ws->CommitTrans();
        EXPECT_GT(gLogSyncs, before);
    }
    // An edit outside a transaction commits by itself.
    auto rs = db_->OpenRecordset("Kunden", dbOpenDynaset);
    rs->Edit();
    rs->Fields().Item("Ort")->SetValue(Variant("Bonn"));
    const int before = gLogSyncs;
    rs->Update();
    EXPECT_GT(gLogSyncs, before);
}

}  // namespace
}  // namespace zalvert::engine::testing
