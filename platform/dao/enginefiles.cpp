// The engine opens its files beside a database itself (its journals "-journal", "-wal"
// and "-shm"), in a folder other users may write. By itself it follows a link at those
// names (it writes into, truncates or makes the file the link points to), it resolves a
// link at the database's own name, and it uses, replays and removes whatever regular
// file lies at a journal's name, whoever made it. Its system calls are pointed here:
// - a name is opened without following a link and without waiting, only a regular file
//   with one name is used, and a link at the database's name is not resolved;
// - the journals are the names of a database it was asked to open with their endings
//   (not any name that ends like one, as the folder it syncs may);
// - a link, a FIFO, a device or an empty folder at a journal's name holds no journal: it
//   is removed and the journal made in its place;
// - a regular file there is a journal, whatever its names: it may hold commits not yet
//   in the database, so it is never removed; with a second name, or where users who may
//   not read and write the database could read or write it (plat::besideRegister), it
//   is neither used, replayed nor removed, and the database is refused;
// - a journal made here takes the database's group and no wider mode (the engine's own
//   fchmod and fchown are left out: it would give a new journal the database's mode
//   whatever its group).
// What was refused is kept for the message the layer raises.
#include "platform/core/sharedfile.h"
#include "platform/dao/internal.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao::detail {

namespace {

const char* const kJournalEnds[] = {"-journal", "-wal", "-shm"};

// The databases the engine was asked to open, by the names it gives them.
std::mutex g_databasesLock;
std::set<std::string>& databases()
{
    static std::set<std::string> names;
    return names;
}

// Whether path is a journal's name of a database the engine opens; its name in *db.
bool journalOf(const char* path, std::string* db)
{
    const size_t n = std::strlen(path);
    std::lock_guard<std::mutex> lock(g_databasesLock);
    for (const char* tail : kJournalEnds) {
        const size_t t = std::strlen(tail);
        if (n > t && std::strcmp(path + n - t, tail) == 0 && databases().count(std::string(path, n - t))) {
            db->assign(path, n - t);
            return true;
        }
    }
    return false;
}

struct Refusal {
    QByteArray path;
    plat::Foreign what = plat::Foreign::None;
    QString text;   // what the user is told, where it is not what lies at the name
};
thread_local Refusal t_refused;

int refuse(const char* path, int err, const QString& text = QString())
{
    t_refused.path = path;
    t_refused.what = plat::foreignAt(path, err);   // gone meanwhile: as the open saw it
    t_refused.text = t_refused.what == plat::Foreign::None ? text : QString();
    errno = err;
    return -1;
}

// Why the regular file at a journal's name is not used.
QString untrustedText(const char* path, const struct stat& st, plat::Beside how)
{
    const QString name = QFile::decodeName(path), owner = plat::userText(st.st_uid);
    if (how == plat::Beside::Stranger)
        return QStringLiteral("数据库的日志“%1”是%2的文件，该用户无权读写数据库，这个日志可能是其他用户放置的。"
                              "程序不会使用、恢复或删除它，因此不打开数据库。%3后再打开。")
            .arg(name, owner, plat::removalAdvice(name));
    if (how == plat::Beside::TooOpen)
        return QStringLiteral("数据库的日志“%1”是%2的文件，但它的组或权限（%3）让无权读写数据库的用户也能读写它，"
                              "程序不会使用它，因此不打开数据库。请%2或管理员用 chgrp、chmod 使它的组和权限"
                              "不宽于数据库后再打开。")
            .arg(name, owner, QString::number(st.st_mode & 07777, 8));
    return QStringLiteral("数据库的日志“%1”是%2的文件，本用户无权读写它，因此不打开数据库。").arg(name, owner);
}

// Whether the journal at path may go: a regular file only where it is trusted.
bool mayRemoveJournal(const char* path, const std::string& db)
{
    struct stat st, reg;
    if (::lstat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return true;
    if (::stat(db.c_str(), &reg) != 0)
        return st.st_uid == ::geteuid();
    const plat::Beside how = plat::besideRegister(st, reg);
    if (how == plat::Beside::Trusted)
        return true;
    refuse(path, EACCES, untrustedText(path, st, how));
    return false;
}

int openJournal(const char* path, int flags, mode_t mode, const std::string& db)
{
    struct stat reg;
    if (::stat(db.c_str(), &reg) != 0)
        return -1;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // an existing journal first: a new one is made here, 0600 until it has its group
        int fd = plat::openSharedFile(path, flags & ~O_CREAT, mode);
        if (fd < 0 && errno == ENOENT && (flags & O_CREAT)) {
            fd = plat::openSharedFile(path, flags | O_EXCL, 0600);
            if (fd >= 0) {
                plat::takeRegisterAccess(fd, reg);
                return fd;
            }
            if (errno == EEXIST)
                continue;   // another copy made it meanwhile
        }
        if (fd >= 0) {
            if (plat::narrowBeside(fd, reg)) {
                if (t_refused.path == path) t_refused = Refusal();   // the engine's second try, read-only
                return fd;
            }
            struct stat st;
            ::fstat(fd, &st);
            ::close(fd);
            return refuse(path, EACCES, untrustedText(path, st, plat::besideRegister(st, reg)));
        }
        const int refused = errno;
        if (refused == EACCES || refused == EPERM) {
            // another user's file, or another name of one: what it is, for the message
            struct stat st;
            if (::lstat(path, &st) != 0 || !S_ISREG(st.st_mode))
                return refuse(path, refused);
            const plat::Beside how = plat::besideRegister(st, reg);
            if (how == plat::Beside::Trusted && st.st_size == 0 && attempt < 2) {
                ::usleep(2000);   // just made by another copy, still 0600 until it has its group
                continue;
            }
            return refuse(path, refused, untrustedText(path, st, how));
        }
        if (refused != ELOOP && refused != ENXIO && refused != EISDIR)
            return -1;
        if (attempt > 0 || !plat::removeForeignName(path, plat::EmptyFolders))
            return refuse(path, refused);
    }
    return refuse(path, EEXIST);   // made and removed again and again meanwhile
}

int engineOpen(const char* path, int flags, int mode)
{
    // what the engine opens to fill a low descriptor, and for its random numbers
    if (std::strcmp(path, "/dev/null") == 0 || std::strcmp(path, "/dev/urandom") == 0)
        return ::open(path, flags, mode);
    std::string db;
    if (journalOf(path, &db))
        return openJournal(path, flags, mode_t(mode), db);
    int fd = plat::openSharedFile(path, flags, mode_t(mode));
    if (fd >= 0) {
        if (t_refused.path == path) t_refused = Refusal();   // the engine's second try, read-only
        return fd;
    }
    const int refused = errno;
    if (refused == EACCES || refused == EPERM) {
        if (plat::foreignAt(path) != plat::Foreign::None) return refuse(path, refused);
        errno = refused;
        return -1;
    }
    if (refused != ELOOP && refused != ENXIO && refused != EISDIR)
        return -1;
    if ((flags & O_ACCMODE) == O_RDONLY && !(flags & O_CREAT)) {
        // the folder of a file, opened to make its entries durable
        fd = ::open(path, flags | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            return fd;
    }
    return refuse(path, refused);
}

int engineUnlink(const char* path)
{
    std::string db;
    if (journalOf(path, &db) && !mayRemoveJournal(path, db)) {
        errno = EACCES;
        return -1;
    }
    return ::unlink(path);
}

// Modes and owners of the files the engine makes are set where they are opened.
int engineFchmod(int, mode_t) { return 0; }
int engineFchown(int, uid_t, gid_t) { return 0; }

ssize_t engineReadlink(const char*, char*, size_t)
{
    errno = ELOOP;
    return -1;
}

} // namespace

void guardJournalsOf(const char* path)
{
    sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
    std::string full(size_t(vfs->mxPathname) + 1, '\0');
    if (vfs->xFullPathname(vfs, path, int(full.size()), &full[0]) != SQLITE_OK)
        full = path;
    full.resize(std::strlen(full.c_str()));
    std::lock_guard<std::mutex> lock(g_databasesLock);
    databases().insert(full);
}

void removeJournalsOf(const QString& path)
{
    const QByteArray db = QFile::encodeName(path);
    for (const char* tail : kJournalEnds) {
        const QByteArray name = db + tail;
        if (mayRemoveJournal(name.constData(), db.toStdString()))
            ::unlink(name.constData());
    }
    forgetEngineRefusal();
}

void forgetEngineRefusal() { t_refused = Refusal(); }

QString takeEngineRefusal()
{
    const Refusal r = std::exchange(t_refused, Refusal());
    if (r.path.isEmpty())
        return QString();
    if (!r.text.isEmpty())
        return r.text;
    const QString path = QFile::decodeName(r.path);
    std::string db;
    if (r.what == plat::Foreign::None)
        return QStringLiteral("数据库的日志“%1”是其他用户的文件，本用户无权读写它，因此不打开数据库。").arg(path);
    if (!journalOf(r.path.constData(), &db))
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
        if (!vfs || vfs->iVersion < 3) return false;
        const std::pair<const char*, sqlite3_syscall_ptr> calls[] = {
            {"open", reinterpret_cast<sqlite3_syscall_ptr>(engineOpen)},
            {"unlink", reinterpret_cast<sqlite3_syscall_ptr>(engineUnlink)},
            {"fchmod", reinterpret_cast<sqlite3_syscall_ptr>(engineFchmod)},
            {"fchown", reinterpret_cast<sqlite3_syscall_ptr>(engineFchown)},
            {"readlink", reinterpret_cast<sqlite3_syscall_ptr>(engineReadlink)},
        };
        for (const auto& call : calls)
            if (vfs->xSetSystemCall(vfs, call.first, call.second) != SQLITE_OK) return false;
        return true;
    }();
    if (!guarded)
        raise(err::CannotOpen, QStringLiteral("数据库引擎的文件操作无法设置，为安全起见不打开数据库。"));
}

} // namespace dao::detail
