// The engine opens its files beside a database itself (its journals "-journal", "-wal"
// and "-shm"), in a folder other users may write. By itself it follows a link at those
// names (it writes into, truncates or makes the file the link points to), and it
// resolves a link at the database's own name. Its system calls are pointed here:
// a name is opened without following a link and without waiting, only a regular file
// with one name is used, and a link at the database's name is not resolved. A link, a
// FIFO, a device or an empty folder at a journal's name holds no journal: it is removed
// and the journal made in its place. A regular file there is a journal, whatever its
// names: it may hold commits not yet in the database, so it is never removed; with a
// second name it is refused, and so is the database. What was refused is kept for the
// message the layer raises.
#include "platform/core/sharedfile.h"
#include "platform/dao/internal.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <utility>
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

struct Refusal {
    QByteArray path;
    plat::Foreign what = plat::Foreign::None;
};
thread_local Refusal t_refused;

int refuse(const char* path, int err)
{
    t_refused.path = path;
    t_refused.what = plat::foreignAt(path, err);   // gone meanwhile: as the open saw it
    errno = err;
    return -1;
}

int engineOpen(const char* path, int flags, int mode)
{
    // what the engine opens to fill a low descriptor, and for its random numbers
    if (std::strcmp(path, "/dev/null") == 0 || std::strcmp(path, "/dev/urandom") == 0)
        return ::open(path, flags, mode);
    int fd = plat::openSharedFile(path, flags, mode_t(mode));
    if (fd >= 0) {
        if (t_refused.path == path) t_refused = Refusal();   // the engine's second try, read-only
        return fd;
    }
    const int refused = errno;
    if (refused == EACCES || refused == EPERM) {
        // another user's file, or another name of one: what it is, for the message
        if (journalName(path) || plat::foreignAt(path) != plat::Foreign::None) return refuse(path, refused);
        errno = refused;
        return -1;
    }
    if (refused != ELOOP && refused != ENXIO && refused != EISDIR)
        return -1;
    if (journalName(path)) {
        if (!plat::removeForeignName(path, plat::EmptyFolders))
            return refuse(path, refused);
        fd = plat::openSharedFile(path, flags, mode_t(mode));
        return fd >= 0 || (errno != ELOOP && errno != ENXIO && errno != EISDIR) ? fd : refuse(path, errno);
    }
    if ((flags & O_ACCMODE) == O_RDONLY && !(flags & O_CREAT)) {
        // the folder of a file, opened to make its entries durable
        fd = ::open(path, flags | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            return fd;
    }
    return refuse(path, refused);
}

ssize_t engineReadlink(const char*, char*, size_t)
{
    errno = ELOOP;
    return -1;
}

} // namespace

void forgetEngineRefusal() { t_refused = Refusal(); }

QString takeEngineRefusal()
{
    const Refusal r = std::exchange(t_refused, Refusal());
    if (r.path.isEmpty())
        return QString();
    const QString path = QFile::decodeName(r.path);
    if (r.what == plat::Foreign::None)
        return QStringLiteral("数据库的日志“%1”是其他用户的文件，本用户无权读写它，因此不打开数据库。").arg(path);
    if (!journalName(r.path.constData()))
        return plat::foreignNameText(path, r.what);
    if (r.what == plat::Foreign::OtherName)
        return QStringLiteral("数据库的日志“%1”另有其他名字（硬链接，可能是其他用户或文件夹的快照建立的）。"
                              "日志里可能有已提交而尚未并入数据库的更改，程序不会删除或替换它，因此不打开数据库。"
                              "请用“find / -samefile %1”找到它的其他名字，删除后再打开。")
            .arg(path);
    return QStringLiteral("数据库的日志文件名“%1”处是%2，可能是其他用户放置的，里面没有日志，但本用户不能删除它，"
                          "因此不打开数据库。请删除它（或请放置它的用户、管理员删除）后再打开。")
        .arg(path, plat::foreignText(r.what));
}

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
