#include "tests/common/faultvfs.h"
#include <sqlite3.h>
#include <QByteArray>
#include <QMutex>
#include <algorithm>
#include <cstring>

namespace faultvfs {

namespace {

struct Plan {
    bool armed = false;
    Op op = Write;
    int nthCall = 0;
    qint64 afterBytes = -1;
    QByteArray fileText;
    int calls = 0;
    qint64 bytes = 0;
    bool tripped = false;
    int failures = 0;
};

QMutex g_lock;
Plan g_plan;
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

struct File {
    sqlite3_file base;
    sqlite3_file* real;
    char name[1024];   // "" for a temporary file
};

sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

// How many of `amount` bytes may go through before the fault; -1 when all may.
qint64 allowed(sqlite3_file* f, Op op, qint64 amount)
{
    QMutexLocker lock(&g_lock);
    Plan& p = g_plan;
    if (!p.armed || p.op != op ||
        (!p.fileText.isEmpty() && !std::strstr(reinterpret_cast<File*>(f)->name, p.fileText.constData())))
        return -1;
    if (p.tripped) {
        ++p.failures;
        return 0;
    }
    ++p.calls;
    if (p.nthCall > 0 && p.calls >= p.nthCall) {
        p.tripped = true;
        ++p.failures;
        return 0;
    }
    if (p.afterBytes >= 0 && p.bytes + amount > p.afterBytes) {
        p.tripped = true;
        ++p.failures;
        return p.afterBytes - p.bytes;
    }
    p.bytes += amount;
    return -1;
}

int xClose(sqlite3_file* f) { return real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK; }

int xRead(sqlite3_file* f, void* buf, int amt, sqlite3_int64 off)
{
    const qint64 ok = allowed(f, Read, amt);
    if (ok >= 0)
        return SQLITE_IOERR_READ;
    return real(f)->pMethods->xRead(real(f), buf, amt, off);
}

int xWrite(sqlite3_file* f, const void* buf, int amt, sqlite3_int64 off)
{
    const qint64 ok = allowed(f, Write, amt);
    if (ok < 0)
        return real(f)->pMethods->xWrite(real(f), buf, amt, off);
    if (ok > 0)
        real(f)->pMethods->xWrite(real(f), buf, int(ok), off);
    return SQLITE_IOERR_WRITE;
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size) { return real(f)->pMethods->xTruncate(real(f), size); }

int xSync(sqlite3_file* f, int flags)
{
    if (allowed(f, Sync, 0) >= 0)
        return SQLITE_IOERR_FSYNC;
    return real(f)->pMethods->xSync(real(f), flags);
}

int xFileSize(sqlite3_file* f, sqlite3_int64* size) { return real(f)->pMethods->xFileSize(real(f), size); }
int xLock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
int xUnlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* out) { return real(f)->pMethods->xCheckReservedLock(real(f), out); }
int xFileControl(sqlite3_file* f, int op, void* arg) { return real(f)->pMethods->xFileControl(real(f), op, arg); }
int xSectorSize(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
int xShmMap(sqlite3_file* f, int pg, int sz, int extend, void volatile** out)
{
    return real(f)->pMethods->xShmMap(real(f), pg, sz, extend, out);
}
int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void xShmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
int xShmUnmap(sqlite3_file* f, int del) { return real(f)->pMethods->xShmUnmap(real(f), del); }
// No memory-mapped reads: every read goes through xRead, where it can fail.
int xFetch(sqlite3_file*, sqlite3_int64, int, void** out)
{
    *out = nullptr;
    return SQLITE_OK;
}
int xUnfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

const sqlite3_io_methods kMethods = {3,         xClose,     xRead,        xWrite,
                                     xTruncate, xSync,      xFileSize,    xLock,
                                     xUnlock,   xCheckReservedLock, xFileControl, xSectorSize,
                                     xDeviceCharacteristics, xShmMap, xShmLock, xShmBarrier,
                                     xShmUnmap, xFetch,     xUnfetch};

int xOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    File* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    std::memset(file->real, 0, size_t(g_real->szOsFile));
    file->name[0] = 0;
    if (name)
        std::strncat(file->name, name, sizeof file->name - 1);
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    f->pMethods = file->real->pMethods ? &kMethods : nullptr;
    return rc;
}

int xDelete(sqlite3_vfs*, const char* name, int syncDir) { return g_real->xDelete(g_real, name, syncDir); }
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out) { return g_real->xFullPathname(g_real, name, n, out); }
void* xDlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void xDlError(sqlite3_vfs*, int n, char* msg) { g_real->xDlError(g_real, n, msg); }
void (*xDlSym(sqlite3_vfs*, void* h, const char* sym))(void) { return g_real->xDlSym(g_real, h, sym); }
void xDlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int xRandomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int xSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int xCurrentTime(sqlite3_vfs*, double* t) { return g_real->xCurrentTime(g_real, t); }
int xGetLastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError(g_real, n, out); }
int xCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* t) { return g_real->xCurrentTimeInt64(g_real, t); }

} // namespace

void install()
{
    QMutexLocker lock(&g_lock);
    if (g_real)
        return;
    sqlite3_initialize();
    g_real = sqlite3_vfs_find(nullptr);
    std::memset(&g_vfs, 0, sizeof g_vfs);
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = int(sizeof(File)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = "ostrel-fault";
    g_vfs.xOpen = xOpen;
    g_vfs.xDelete = xDelete;
    g_vfs.xAccess = xAccess;
    g_vfs.xFullPathname = xFullPathname;
    g_vfs.xDlOpen = xDlOpen;
    g_vfs.xDlError = xDlError;
    g_vfs.xDlSym = xDlSym;
    g_vfs.xDlClose = xDlClose;
    g_vfs.xRandomness = xRandomness;
    g_vfs.xSleep = xSleep;
    g_vfs.xCurrentTime = xCurrentTime;
    g_vfs.xGetLastError = xGetLastError;
    g_vfs.xCurrentTimeInt64 = xCurrentTimeInt64;
    sqlite3_vfs_register(&g_vfs, 1);
}

void arm(Op op, int nthCall, qint64 afterBytes, const QString& fileText)
{
    QMutexLocker lock(&g_lock);
    g_plan = Plan();
    g_plan.armed = true;
    g_plan.op = op;
    g_plan.nthCall = nthCall;
    g_plan.afterBytes = afterBytes;
    g_plan.fileText = fileText.toUtf8();
}

void disarm()
{
    QMutexLocker lock(&g_lock);
    const int failures = g_plan.failures;
    g_plan = Plan();
    g_plan.failures = failures;
}

int failures()
{
    QMutexLocker lock(&g_lock);
    return g_plan.failures;
}

} // namespace faultvfs
