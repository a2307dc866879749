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

// What lies at a name that is no regular file with one name (lstat, not followed).
enum class Foreign { None, Link, Fifo, Device, Folder, OtherName };
Foreign foreignAt(const char* path);
// What lies there, or, where the name is clear again, what an open refused with err saw
// (ELOOP a link, EISDIR a folder, ENXIO a FIFO or device).
Foreign foreignAt(const char* path, int err);
// That in Chinese: "指向别处的链接", "管道（FIFO）" ...; "" for None.
QString foreignText(Foreign what);

// Removes what the name holds when openSharedFile refuses it: a link, a FIFO, a device;
// a regular file with other names only with SecondNames (its data stays under them),
// an empty folder only with EmptyFolders. Never a regular file with one name.
enum RemoveAlso { SecondNames = 1, EmptyFolders = 2 };
bool removeForeignName(const char* path, int also);

enum class SharedAccess {
    Read,      // an existing file
    Append,    // made when missing
    Replace,   // a new file of this user's in place of whatever the name held
};

// Opens file at its fileName(). For writing, what openSharedFile refuses at the name is
// removed once and the file made anew. Returns 0, or the errno with the reason in
// Chinese in *why.
int openShared(QFile& file, SharedAccess how, QString* why = nullptr);

// Why opening path failed with errno err, in Chinese: for a refused name, what lies
// there (looked at again now).
QString sharedFileError(const QString& path, int err);
// "“path”是<what>（可能是其他用户放置的），程序不会使用它。", with where to look for the
// other names of a file that has them.
QString foreignNameText(const QString& path, Foreign what);

} // namespace plat
