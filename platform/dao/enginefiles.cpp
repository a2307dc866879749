// The engine opens its files beside a database itself (its journals "-journal", "-wal"
// and "-shm"), in a folder other users may write. By itself it follows a link at those
// names (it writes into, truncates or makes the file the link points to), and it
// resolves a link at the database's own name. Its system calls are pointed here:
// a name is opened without following a link and without waiting, only a regular file
// with one name is used, and a link at the database's name is not resolved. A link, a
// FIFO or a device at a journal's name holds no journal: it is removed and the journal
// made in its place.
#include "platform/core/sharedfile.h"
#include "platform/dao/internal.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dao::detail {

namespace {

bool journalName(const char* path)
{
    const size_t n = std::strlen(path);
    for (const char* tail : {"-journal", "-wal", "-shm"}) {
        const size_t t = std::strlen(tail);
        if (n > t && std::strcmp(path + n - t, tail) == 0)
            return true;
    }
    return false;
}

int engineOpen(const char* path, int flags, int mode)
{
    if (std::strcmp(path, "/dev/null") == 0)   // what the engine opens to fill a low descriptor
        return ::open(path, flags, mode);
    int fd = plat::openSharedFile(path, flags, mode_t(mode));
    if (fd >= 0 || (errno != ELOOP && errno != ENXIO))
        return fd;
    if (journalName(path))
        return plat::removeForeignName(path) ? plat::openSharedFile(path, flags, mode_t(mode)) : -1;
    const int refused = errno;
    if ((flags & O_ACCMODE) == O_RDONLY && !(flags & O_CREAT)) {
        // the folder of a file, opened to make its entries durable
        fd = ::open(path, flags | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            return fd;
    }
    errno = refused;
    return -1;
}

ssize_t engineReadlink(const char*, char*, size_t)
{
    errno = ELOOP;
    return -1;
}

} // namespace

void guardEngineFiles()
{
    static const bool guarded = [] {
        sqlite3_initialize();
        sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
        return vfs && vfs->iVersion >= 3 &&
               vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(engineOpen)) == SQLITE_OK &&
               vfs->xSetSystemCall(vfs, "readlink", reinterpret_cast<sqlite3_syscall_ptr>(engineReadlink)) ==
                   SQLITE_OK;
    }();
    if (!guarded)
        raise(err::CannotOpen, QStringLiteral("数据库引擎的文件操作无法设置，为安全起见不打开数据库。"));
}

} // namespace dao::detail
