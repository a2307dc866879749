#include "platform/dao/closelock.h"
#include "platform/core/sharedfile.h"
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao::detail {

QString closeLockPath(const QString& databasePath)
{
    return QFileInfo(databasePath).absoluteFilePath() + QStringLiteral("-close");
}

CloseLock::CloseLock(const QString& databasePath, int waitMs)
    : m_path(QFile::encodeName(closeLockPath(databasePath)))
{
    // Readable by whoever may read the database (as the engine makes its journal files),
    // whatever this user's umask: the lock needs the file open for reading only.
    struct stat db;
    const mode_t mode = ::stat(QFile::encodeName(databasePath).constData(), &db) == 0 ? (db.st_mode & 0666) : 0644;
    QElapsedTimer waited;
    waited.start();
    bool replaced = false;
    for (;;) {
        int fd = plat::openSharedFile(m_path.constData(), O_RDONLY);
        if (fd < 0) {
            // Missing, it is made here. What is no lock file of a copy that shares the
            // database with this one (a link, a FIFO, a file this user cannot read) is
            // removed and made here, once, where the folder allows.
            const int err = errno;
            if (err != ENOENT && (replaced || ::unlink(m_path.constData()) != 0))
                return;
            replaced = replaced || err != ENOENT;
            fd = plat::openSharedFile(m_path.constData(), O_RDONLY | O_CREAT | O_EXCL, mode);
            if (fd < 0) {
                // another copy made it meanwhile, or took it and has removed it already
                if ((errno == EEXIST || errno == ENOENT) && waited.elapsed() < waitMs)
                    continue;
                return;
            }
            ::fchmod(fd, mode);   // its own new file
        }
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= waitMs) {
                ::close(fd);
                return;
            }
            ::usleep(2000);
        }
        // still the file at its name: a holder removes it before it lets go
        if (plat::isFileAt(fd, AT_FDCWD, m_path.constData())) {
            m_fd = fd;
            return;
        }
        ::close(fd);   // its holder removed it meanwhile: take the file there now
    }
}

CloseLock::~CloseLock()
{
    if (m_fd < 0) return;
    ::unlink(m_path.constData());
    ::close(m_fd);
}

} // namespace dao::detail
