#pragma once
// Files the program names in a folder that other users may write too (the database's
// folder). Another user may leave anything at such a name: a link to a file of this
// user's or to nowhere, a FIFO, a device, a folder, a second name of someone's file.
// These open a name without following a link there and without waiting, and use what
// they opened only when it is a regular file with this one name.
#include <QString>
#include <sys/types.h>

class QFile;
struct stat;

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

// Whether the open fd is the file at name in folder (AT_FDCWD for a path), the name not
// followed through a link.
bool isFileAt(int fd, int folder, const char* name);

// ---- files beside a register ----
// A file beside a register that several users' copies share (its journals, the event
// log) may be read or written only by users who may read and write the register. Its
// owner must be root, the register's owner, or a user who may read and write the
// register through its group's bits (a member of its group, by the user database) or
// everyone's. Its group's bits may let read or write only where its group is the
// register's and the register lets that group do the same, or where the register lets
// every user do it; its everyone's bits only where the register lets every user do it.
enum class Beside {
    Trusted,
    Stranger,   // its owner may not read and write the register
    TooOpen,    // its owner may, but its group or everyone's bits let others in
};
Beside besideRegister(const struct stat& file, const struct stat& reg);
// A file TooOpen that is this user's (any, as root) made the register's group where this
// user may change it to that, and no more open than the rule allows (a Stranger's file
// is left as it is); whether it is Trusted now.
bool narrowBeside(int fd, const struct stat& reg);
// A new file of this user's, made 0600: the register's group (and owner, as root) and
// the register's mode as far as the rule allows.
void takeRegisterAccess(int fd, const struct stat& reg);
// "用户 nobody（65534）"; the number alone names a user the user database does not know.
QString userText(uid_t uid);
// "请文件夹“<folder>”的所有者（用户 …）或管理员删除它"
QString removalAdvice(const QString& path);

} // namespace plat
