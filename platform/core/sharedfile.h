#pragma once
// Files the program names in a folder that other users may write too (the database's
// folder). Another user may leave anything at such a name: a link to a file of this
// user's or to nowhere, a FIFO, a device, a folder, a second name of someone's file.
// These open a name without following a link there and without waiting, and use what
// they opened only when it is a regular file with this one name.
#include <QString>
#include <sys/types.h>

class QFile;

namespace plat {

// open(2) with O_NOFOLLOW, O_NONBLOCK (taken off again once open) and O_CLOEXEC added.
// A link at the name fails with ELOOP; anything but a regular file with one name fails
// with ENXIO.
int openSharedFile(const char* path, int flags, mode_t mode = 0666);

// Removes what the name holds when openSharedFile refuses it and it is no folder.
bool removeForeignName(const char* path);

enum class SharedAccess {
    Read,      // an existing file
    Append,    // made when missing
    Replace,   // a new file of this user's in place of whatever the name held
};

// Opens file at its fileName(). For writing, what openSharedFile refuses at the name is
// removed once and the file made anew. Returns 0, or the errno with the reason in
// Chinese in *why.
int openShared(QFile& file, SharedAccess how, QString* why = nullptr);

// Why opening path failed with errno err, in Chinese.
QString sharedFileError(const QString& path, int err);

} // namespace plat
