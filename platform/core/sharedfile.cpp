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

bool removeForeignName(const char* path)
{
    struct stat st;
    if (::lstat(path, &st) != 0 || S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && st.st_nlink == 1))
        return false;
    return ::unlink(path) == 0;
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
        if (fd < 0 && how == SharedAccess::Append && (errno == ELOOP || errno == ENXIO) &&
            removeForeignName(path.constData()))
            fd = openSharedFile(path.constData(), flags);
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
    switch (err) {
    case ELOOP: return QStringLiteral("“%1”是指向别处的链接，程序不会通过它读写。").arg(path);
    case ENXIO: return QStringLiteral("“%1”不是普通文件（可能是链接、管道、设备或另一文件的第二个名字），程序不会使用它。").arg(path);
    case EISDIR: return QStringLiteral("“%1”是一个文件夹，不是文件。").arg(path);
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
