#include "platform/core/sharedfile.h"
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

int openSharedFile(const char* path, int flags, mode_t mode)
{
    // truncated only once it is known to be a file of its own
    const bool truncate = flags & O_TRUNC;
    int fd;
    do
        fd = ::open(path, (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd);
        // no name left: removed since it was opened, as if it had not been there
        errno = st.st_nlink == 0 && S_ISREG(st.st_mode) ? ENOENT : ENXIO;
        return -1;
    }
    if (!(flags & O_NONBLOCK))
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

Foreign foreignAt(const char* path)
{
    struct stat st;
    if (::lstat(path, &st) != 0) return Foreign::None;
    if (S_ISLNK(st.st_mode)) return Foreign::Link;
    if (S_ISFIFO(st.st_mode)) return Foreign::Fifo;
    if (S_ISDIR(st.st_mode)) return Foreign::Folder;
    if (!S_ISREG(st.st_mode)) return Foreign::Device;
    return st.st_nlink > 1 ? Foreign::OtherName : Foreign::None;
}

Foreign foreignAt(const char* path, int err)
{
    const Foreign what = foreignAt(path);
    if (what != Foreign::None || (err != ELOOP && err != ENXIO && err != EISDIR))
        return what;
    return err == ELOOP ? Foreign::Link : err == EISDIR ? Foreign::Folder : Foreign::Device;
}

QString foreignText(Foreign what)
{
    switch (what) {
    case Foreign::Link: return QStringLiteral("指向别处的链接");
    case Foreign::Fifo: return QStringLiteral("管道（FIFO）");
    case Foreign::Device: return QStringLiteral("设备或套接字");
    case Foreign::Folder: return QStringLiteral("文件夹");
    case Foreign::OtherName: return QStringLiteral("另有其他名字的普通文件");
    case Foreign::None: break;
    }
    return QString();
}

QString foreignNameText(const QString& path, Foreign what)
{
    if (what == Foreign::OtherName)
        return QStringLiteral("“%1”是普通文件，但另有其他名字（硬链接，可能是其他用户或文件夹的快照建立的），"
                              "程序不会使用它。它的其他名字可用“find / -samefile %1”找到。")
            .arg(path);
    return QStringLiteral("“%1”是%2，可能是其他用户放置的，程序不会使用它。").arg(path, foreignText(what));
}

bool removeForeignName(const char* path, int also)
{
    switch (foreignAt(path)) {
    case Foreign::None: return false;
    case Foreign::OtherName: return (also & SecondNames) && ::unlink(path) == 0;
    case Foreign::Folder: return (also & EmptyFolders) && ::rmdir(path) == 0;
    default: return ::unlink(path) == 0;
    }
}

int openShared(QFile& file, SharedAccess how, QString* why)
{
    const QByteArray path = QFile::encodeName(file.fileName());
    int flags = O_RDONLY;
    QIODevice::OpenMode mode = QIODevice::ReadOnly;
    int fd = -1;
    errno = 0;
    if (how == SharedAccess::Replace) {
        flags = O_WRONLY | O_CREAT | O_EXCL;
        mode = QIODevice::WriteOnly;
        if (::unlink(path.constData()) == 0 || errno == ENOENT)
            fd = openSharedFile(path.constData(), flags);
    } else {
        if (how == SharedAccess::Append) {
            flags = O_WRONLY | O_APPEND | O_CREAT;
            mode = QIODevice::WriteOnly | QIODevice::Append;
        }
        fd = openSharedFile(path.constData(), flags);
        if (fd < 0 && how == SharedAccess::Append && (errno == ELOOP || errno == ENXIO)) {
            // the refusal is what the user is told when the name cannot be cleared
            const int refused = errno;
            if (removeForeignName(path.constData(), SecondNames))
                fd = openSharedFile(path.constData(), flags);
            else
                errno = refused;
        }
    }
    int err = fd < 0 ? errno : 0;
    if (fd >= 0 && !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        err = EIO;
    }
    if (err && why)
        *why = sharedFileError(file.fileName(), err);
    return err;
}

QString sharedFileError(const QString& path, int err)
{
    // what lies at the name, rather than that this user may not use or remove it
    const Foreign what = foreignAt(QFile::encodeName(path).constData(), err);
    if (what != Foreign::None)
        return foreignNameText(path, what);
    switch (err) {
    case ENOENT: return QStringLiteral("文件未找到: %1").arg(path);
    case ENOTDIR: return QStringLiteral("路径未找到: %1").arg(path);
    case EACCES:
    case EPERM:
    case EROFS: return QStringLiteral("没有权限: %1").arg(path);
    case EEXIST: return QStringLiteral("“%1”已被占用，不能新建。").arg(path);
    default: return QStringLiteral("不能打开文件“%1”: %2").arg(path, QString::fromLocal8Bit(std::strerror(err)));
    }
}

bool isFileAt(int fd, int folder, const char* name)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

namespace {

// The user's name and primary group from the user database.
bool userEntry(uid_t uid, QByteArray* name, gid_t* group)
{
    std::vector<char> buf(16384);
    struct passwd pw, *found = nullptr;
    if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) != 0 || !found)
        return false;
    *name = pw.pw_name;
    *group = pw.pw_gid;
    return true;
}

// Whether the user is a member of the group: for this user, by the groups it runs with;
// for another, by the user database.
bool inGroup(uid_t uid, gid_t gid)
{
    if (uid == ::geteuid()) {
        std::vector<gid_t> groups(size_t(std::max(::getgroups(0, nullptr), 0)));
        const int n = ::getgroups(int(groups.size()), groups.data());
        return ::getegid() == gid || std::find(groups.begin(), groups.begin() + std::max(n, 0), gid) != groups.end();
    }
    QByteArray name;
    gid_t primary;
    if (!userEntry(uid, &name, &primary))
        return false;
    if (primary == gid)
        return true;
    int n = 64;
    std::vector<gid_t> groups(64);
    if (::getgrouplist(name.constData(), primary, groups.data(), &n) < 0) {
        groups.resize(size_t(n));
        if (::getgrouplist(name.constData(), primary, groups.data(), &n) < 0)
            return false;
    }
    for (int i = 0; i < n; ++i)
        if (groups[size_t(i)] == gid)
            return true;
    return false;
}

// Whether the user may read and write the register.
bool mayUse(uid_t uid, const struct stat& reg)
{
    if (uid == 0 || uid == reg.st_uid)
        return true;
    const mode_t need = inGroup(uid, reg.st_gid) ? 060 : 006;
    return (reg.st_mode & need) == need;
}

// The group and everyone's read and write bits a file beside the register may have.
mode_t allowedBits(const struct stat& file, const struct stat& reg)
{
    const bool sameGroup = file.st_gid == reg.st_gid;
    mode_t allowed = 0;
    for (const mode_t both : {mode_t(044), mode_t(022)}) {
        if ((reg.st_mode & both) == both)
            allowed |= both;
        else if (sameGroup)
            allowed |= reg.st_mode & both & 070;
    }
    return allowed;
}

} // namespace

Beside besideRegister(const struct stat& file, const struct stat& reg)
{
    if (!mayUse(file.st_uid, reg))
        return Beside::Stranger;
    return (file.st_mode & 066 & ~allowedBits(file, reg)) ? Beside::TooOpen : Beside::Trusted;
}

bool narrowBeside(int fd, const struct stat& reg)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    // a stranger's file is left as it is
    if ((::geteuid() == 0 || st.st_uid == ::geteuid()) && besideRegister(st, reg) == Beside::TooOpen) {
        if (st.st_gid != reg.st_gid && ::fchown(fd, uid_t(-1), reg.st_gid) == 0)
            ::fstat(fd, &st);
        const mode_t wide = st.st_mode & 066 & ~allowedBits(st, reg);
        if (wide && ::fchmod(fd, st.st_mode & 07777 & ~wide) == 0)
            ::fstat(fd, &st);
    }
    return besideRegister(st, reg) == Beside::Trusted;
}

void takeRegisterAccess(int fd, const struct stat& reg)
{
    // fails where this user is no member of the register's group: no group bits then
    (void)::fchown(fd, ::geteuid() == 0 ? reg.st_uid : uid_t(-1), reg.st_gid);
    struct stat st;
    if (::fstat(fd, &st) == 0)
        ::fchmod(fd, reg.st_mode & 0666 & (0600 | allowedBits(st, reg)));
}

QString userText(uid_t uid)
{
    QByteArray name;
    gid_t group;
    if (!userEntry(uid, &name, &group))
        return QStringLiteral("用户 %1").arg(uid);
    return QStringLiteral("用户 %1（%2）").arg(QString::fromLocal8Bit(name)).arg(uid);
}

QString removalAdvice(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    struct stat st;
    const QString owner = ::stat(QFile::encodeName(folder).constData(), &st) == 0 ? userText(st.st_uid) : QString();
    return owner.isEmpty() ? QStringLiteral("请文件夹“%1”的所有者或管理员删除它").arg(folder)
                           : QStringLiteral("请文件夹“%1”的所有者（%2）或管理员删除它").arg(folder, owner);
}

} // namespace plat
