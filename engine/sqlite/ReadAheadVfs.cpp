#include "engine/sqlite/ReadAheadVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace zalvert::engine {
namespace {

// The most one read fetches ahead: a few dozen pages, little memory for each
// connection that reads this way.
constexpr int kMaxStretch = 256 * 1024;

struct TFile {
    sqlite3_file Base;  // first: what SQLite holds
    sqlite3_file* Real = nullptr;
    bool Database = false;
    unsigned char* Stretch = nullptr;  // kMaxStretch bytes once a read went ahead
    sqlite3_int64 Start = 0;           // the file offset of Stretch[0]
    int Length = 0;                    // bytes of Stretch that are the file's
    int Window = 0;                    // what the next read ahead fetches
    sqlite3_int64 Previous = 0;        // where the last read not from Stretch began
    sqlite3_int64 Next = 0;            // and where it ended
};

// The lower layer's file lives in the same allocation, after ours.
constexpr int kRealOffset = (sizeof(TFile) + 7) / 8 * 8;

sqlite3_vfs vfs;
// Alike but for their version: a file offers the calls its lower file offers
// (shared memory from 2 on, mapping from 3 on).
sqlite3_io_methods methods[3];

TFile& Of(sqlite3_file* file) {
    return *reinterpret_cast<TFile*>(file);
}
sqlite3_file* Real(sqlite3_file* file) {
    return Of(file).Real;
}
sqlite3_vfs* Lower() {
    return static_cast<sqlite3_vfs*>(vfs.pAppData);
}
void Forget(sqlite3_file* file) {
    Of(file).Length = 0;
}

enum class TWalk { None, Forward, Backward };

// Beyond the last read or the stretch and close to it: a walk in file order, up
// or down.
TWalk WalkOf(const TFile& file, sqlite3_int64 offset, int amount) {
    const sqlite3_int64 reach = 2 * std::max(file.Window, amount);
    const auto after = [&](sqlite3_int64 end) { return offset >= end && offset < end + reach; };
    const auto before = [&](sqlite3_int64 begin) {
        return offset + amount <= begin && offset + amount > begin - reach;
    };
    // The stretch first: the walk it serves goes on past reads of inner pages.
    if (file.Length > 0 && after(file.Start + file.Length)) return TWalk::Forward;
    if (file.Length > 0 && before(file.Start)) return TWalk::Backward;
    if (after(file.Next)) return TWalk::Forward;
    if (before(file.Previous)) return TWalk::Backward;
    return TWalk::None;
}

// Reads `amount` bytes at `offset` and a stretch beyond them in the walk's
// direction into file.Stretch; false where the stretch cannot be had (the caller
// then reads plainly).
bool FetchStretch(TFile& file, TWalk walk, int amount, sqlite3_int64 offset) {
    sqlite3_int64 size = 0;
    if (file.Real->pMethods->xFileSize(file.Real, &size) != SQLITE_OK || size < offset + amount)
        return false;
    if (!file.Stretch) file.Stretch = static_cast<unsigned char*>(sqlite3_malloc(kMaxStretch));
    if (!file.Stretch) return false;
    file.Window = std::min(kMaxStretch, std::max(2 * file.Window, 4 * amount));
    const sqlite3_int64 start =
        walk == TWalk::Forward ? offset : std::max<sqlite3_int64>(0, offset + amount - file.Window);
    const int length = static_cast<int>(walk == TWalk::Forward
                                            ? std::min<sqlite3_int64>(file.Window, size - offset)
                                            : offset + amount - start);
    file.Length = 0;
    if (file.Real->pMethods->xRead(file.Real, file.Stretch, length, start) != SQLITE_OK)
        return false;
    file.Start = start;
    file.Length = length;
    return true;
}

int Read(sqlite3_file* handle, void* out, int amount, sqlite3_int64 offset) {
    TFile& file = Of(handle);
    if (!file.Database || amount <= 0 || amount > kMaxStretch / 4)
        return file.Real->pMethods->xRead(file.Real, out, amount, offset);
    const bool inStretch =
        file.Length > 0 && offset >= file.Start && offset + amount <= file.Start + file.Length;
    if (!inStretch) {
        // A read elsewhere (the tree's inner pages) keeps the stretch for the walk.
        const TWalk walk = WalkOf(file, offset, amount);
        if (walk == TWalk::None || !FetchStretch(file, walk, amount, offset)) {
            file.Window /= 2;
            file.Previous = offset;
            file.Next = offset + amount;
            return file.Real->pMethods->xRead(file.Real, out, amount, offset);
        }
    }
    std::memcpy(out, file.Stretch + (offset - file.Start), static_cast<size_t>(amount));
    return SQLITE_OK;
}

int Close(sqlite3_file* handle) {
    TFile& file = Of(handle);
    const int rc = file.Real->pMethods ? file.Real->pMethods->xClose(file.Real) : SQLITE_OK;
    sqlite3_free(file.Stretch);
    file.~TFile();
    return rc;
}

// Whatever may change the file, or starts or ends a transaction, drops the stretch.
int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    Forget(file);
    return Real(file)->pMethods->xWrite(Real(file), data, amount, offset);
}
int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    Forget(file);
    return Real(file)->pMethods->xTruncate(Real(file), size);
}
int Lock(sqlite3_file* file, int level) {
    Forget(file);
    return Real(file)->pMethods->xLock(Real(file), level);
}
int Unlock(sqlite3_file* file, int level) {
    Forget(file);
    return Real(file)->pMethods->xUnlock(Real(file), level);
}
int ShmLock(sqlite3_file* file, int offset, int n, int flags) {
    Forget(file);
    return Real(file)->pMethods->xShmLock(Real(file), offset, n, flags);
}

int Sync(sqlite3_file* file, int flags) {
    return Real(file)->pMethods->xSync(Real(file), flags);
}
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    return Real(file)->pMethods->xFileSize(Real(file), size);
}
int CheckReservedLock(sqlite3_file* file, int* out) {
    return Real(file)->pMethods->xCheckReservedLock(Real(file), out);
}
int FileControl(sqlite3_file* file, int op, void* arg) {
    return Real(file)->pMethods->xFileControl(Real(file), op, arg);
}
int SectorSize(sqlite3_file* file) {
    return Real(file)->pMethods->xSectorSize(Real(file));
}
int DeviceCharacteristics(sqlite3_file* file) {
    return Real(file)->pMethods->xDeviceCharacteristics(Real(file));
}
int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return Real(file)->pMethods->xShmMap(Real(file), region, size, extend, out);
}
void ShmBarrier(sqlite3_file* file) {
    Real(file)->pMethods->xShmBarrier(Real(file));
}
int ShmUnmap(sqlite3_file* file, int deleteFlag) {
    return Real(file)->pMethods->xShmUnmap(Real(file), deleteFlag);
}
int Fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
    return Real(file)->pMethods->xFetch(Real(file), offset, amount, out);
}
int Unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
    return Real(file)->pMethods->xUnfetch(Real(file), offset, page);
}

int Open(sqlite3_vfs*, const char* name, sqlite3_file* handle, int flags, int* outFlags) {
    auto* file = new (handle) TFile();
    file->Real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(handle) + kRealOffset);
    file->Database = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    const int rc = Lower()->xOpen(Lower(), name, file->Real, flags, outFlags);
    // Failed, SQLite closes nothing of this layer: the lower file is closed here.
    if (rc != SQLITE_OK || !file->Real->pMethods) {
        if (file->Real->pMethods) file->Real->pMethods->xClose(file->Real);
        file->~TFile();
        handle->pMethods = nullptr;
        return rc != SQLITE_OK ? rc : SQLITE_CANTOPEN;
    }
    const int version = std::clamp(file->Real->pMethods->iVersion, 1, 3);
    handle->pMethods = &methods[version - 1];
    return SQLITE_OK;
}

void FillMethods() {
    for (int version = 1; version <= 3; ++version) {
        sqlite3_io_methods& m = methods[version - 1];
        m.iVersion = version;
        m.xClose = Close;
        m.xRead = Read;
        m.xWrite = Write;
        m.xTruncate = Truncate;
        m.xSync = Sync;
        m.xFileSize = FileSize;
        m.xLock = Lock;
        m.xUnlock = Unlock;
        m.xCheckReservedLock = CheckReservedLock;
        m.xFileControl = FileControl;
        m.xSectorSize = SectorSize;
        m.xDeviceCharacteristics = DeviceCharacteristics;
        m.xShmMap = ShmMap;
        m.xShmLock = ShmLock;
        m.xShmBarrier = ShmBarrier;
        m.xShmUnmap = ShmUnmap;
        m.xFetch = Fetch;
        m.xUnfetch = Unfetch;
    }
}

void Register() {
    sqlite3_vfs* lower = sqlite3_vfs_find(nullptr);
    vfs = *lower;
    vfs.iVersion = std::min(3, lower->iVersion);
    vfs.szOsFile = kRealOffset + lower->szOsFile;
    vfs.zName = "zalvert-read-ahead";
    vfs.pNext = nullptr;
    vfs.pAppData = lower;
    vfs.xOpen = Open;
    // Every other call of the lower layer takes its own pAppData through `vfs`:
    // forwarded with the lower layer's object.
    vfs.xDelete = [](sqlite3_vfs*, const char* name, int sync) {
        return Lower()->xDelete(Lower(), name, sync);
    };
    vfs.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
        return Lower()->xAccess(Lower(), name, flags, out);
    };
    vfs.xFullPathname = [](sqlite3_vfs*, const char* name, int size, char* out) {
        return Lower()->xFullPathname(Lower(), name, size, out);
    };
    vfs.xDlOpen = [](sqlite3_vfs*, const char* name) { return Lower()->xDlOpen(Lower(), name); };
    vfs.xDlError = [](sqlite3_vfs*, int size, char* out) { Lower()->xDlError(Lower(), size, out); };
    vfs.xDlSym = [](sqlite3_vfs*, void* library, const char* symbol) {
        return Lower()->xDlSym(Lower(), library, symbol);
    };
    vfs.xDlClose = [](sqlite3_vfs*, void* library) { Lower()->xDlClose(Lower(), library); };
    vfs.xRandomness = [](sqlite3_vfs*, int size, char* out) {
        return Lower()->xRandomness(Lower(), size, out);
    };
    vfs.xSleep = [](sqlite3_vfs*, int micro) { return Lower()->xSleep(Lower(), micro); };
    vfs.xCurrentTime = [](sqlite3_vfs*, double* out) {
        return Lower()->xCurrentTime(Lower(), out);
    };
    vfs.xGetLastError = [](sqlite3_vfs*, int size, char* out) {
        return Lower()->xGetLastError(Lower(), size, out);
    };
    if (vfs.iVersion >= 2)
        vfs.xCurrentTimeInt64 = [](sqlite3_vfs*, sqlite3_int64* out) {
            return Lower()->xCurrentTimeInt64(Lower(), out);
        };
    if (vfs.iVersion >= 3) {
        vfs.xSetSystemCall = [](sqlite3_vfs*, const char* name, sqlite3_syscall_ptr call) {
            return Lower()->xSetSystemCall(Lower(), name, call);
        };
        vfs.xGetSystemCall = [](sqlite3_vfs*, const char* name) {
            return Lower()->xGetSystemCall(Lower(), name);
        };
        vfs.xNextSystemCall = [](sqlite3_vfs*, const char* name) {
            return Lower()->xNextSystemCall(Lower(), name);
        };
    }

    FillMethods();
    sqlite3_vfs_register(&vfs, 0);
}

}  // namespace

const char* ReadAheadVfsName() {
    static std::once_flag registered;
    std::call_once(registered, Register);
    return vfs.zName;
}

}  // namespace zalvert::engine
