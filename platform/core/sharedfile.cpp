#include "platform/core/sharedfile.h"
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd);
        errno = ENXIO;
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

} // namespace plat
