#pragma once
// Copies of the program on one file close one at a time. The lock is an advisory lock
// (flock) on a file beside the database, where its journal files are and where every
// user of the database can write. The kernel lets go of it when its holder ends, so a
// file left by a copy that died, of any user, is held by no one and is taken at once.
// Other users may write that folder: a link or a FIFO at the lock's name is never
// followed or waited on, and no mode is changed but that of a file made here.
#include <QByteArray>
#include <QString>

namespace dao::detail {

// "<database>-close"
QString closeLockPath(const QString& databasePath);

class CloseLock {
public:
    // Waits up to waitMs while another copy closes; goes on without the lock past that,
    // or where no lock file can be opened or made.
    CloseLock(const QString& databasePath, int waitMs);
    // Removes the file, then lets go: a copy waiting on the removed file tries again.
    ~CloseLock();
    // Whether this copy holds the lock.
    bool held() const { return m_fd >= 0; }
    CloseLock(const CloseLock&) = delete;
    CloseLock& operator=(const CloseLock&) = delete;

private:
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace dao::detail
