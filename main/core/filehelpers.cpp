#include "main/core/filehelpers.h"
#include "platform/core/app.h"
#include "platform/core/sharedfile.h"
#include "platform/core/vbrt.h"
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QRandomGenerator>
#include <QTextStream>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

const QChar kSep(u'/');
const QString kTemp = QStringLiteral("Temp");

int lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

} // namespace

QString GetLineValue(QTextStream* file, const QString& key)
{
    if (!file || !file->device() || !file->device()->isReadable())
        return QString();
    while (!file->atEnd()) {
        const QString line = vb::Trim(file->readLine());
        if (file->status() != QTextStream::Ok)
            return QString();
        if (line.isEmpty() || line.startsWith(QLatin1Char('\'')))
            continue;
        if (key.isEmpty())
            return line;
        if (line.startsWith(key))
            return line.mid(key.size());
    }
    return QString();
}

QString SplitPath(const QString& path, bool folderPart, bool withSlash)
{
    const int at = lastSeparator(path);
    if (!folderPart)
        return at < 0 ? path : path.mid(at + 1);
    if (at < 0)
        return QString();
    if (at == 0)                     // a file in the root folder
        return path.left(1);
    QString folder = path.left(at);
    if (withSlash)
        folder += path.at(at);
    return folder;
}

QString TrimNull(const QString& text)
{
    const int at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

QString SafeFileName(const QString& storedName)
{
    const QString name = TrimNull(SplitPath(storedName, false, false)).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

namespace {

// A folder of this user's at path, opened without following a link; for writing, one
// that no one else may write, made (0700) when missing or in place of a link, a file or
// an empty folder of someone else's at its name. -1 when the name holds anything else.
int openOwnFolder(const QByteArray& path, bool forWriting)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            // its own folder is kept from other users' writing
            struct stat st;
            if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() &&
                (!forWriting || !(st.st_mode & (S_IWGRP | S_IWOTH)) || ::fchmod(fd, st.st_mode & 0755) == 0))
                return fd;
            ::close(fd);
            if (!forWriting || ::rmdir(path.constData()) != 0)
                return -1;
        } else if (!forWriting ||
                   (errno != ENOENT && ((errno != ELOOP && errno != ENOTDIR) || ::unlink(path.constData()) != 0))) {
            return -1;
        }
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return -1;
    }
    return -1;
}

// Where "Temp" is another user's (several users share the program's folder, and a copy
// that died leaves its folder there), this user's documents go to a folder of its own
// in the system's temporary folder: "Ostrel-<uid>", or, where another user holds that
// name, one made under a new name for as long as this copy runs.
QByteArray ownFolderPath()
{
    return QFile::encodeName(plat::tempFolder() + QStringLiteral("/Ostrel-") + QString::number(::geteuid()));
}

QByteArray& madeFolderPath()
{
    static QByteArray made;
    return made;
}

// The folder of this user's that documents go to, opened; its path in *where.
int openDocumentFolder(QByteArray* where)
{
    QByteArray& made = madeFolderPath();
    for (const QByteArray& path : {QFile::encodeName(plat::appFile(kTemp)), ownFolderPath(), made}) {
        if (path.isEmpty())
            continue;
        const int fd = openOwnFolder(path, true);
        if (fd >= 0) {
            *where = path;
            return fd;
        }
    }
    if (!made.isEmpty())
        return -1;
    QByteArray name = ownFolderPath() + "-XXXXXX";
    if (!::mkdtemp(name.data()))
        return -1;
    made = name;
    *where = made;
    return openOwnFolder(made, true);
}

// Each running copy writes its documents to a folder of its own inside that folder,
// locked (flock) while the copy runs: closing removes its own and those no copy holds
// (left by copies that died), never a running copy's.
struct CopyFolder {
    QByteArray path;
    int fd = -1;
    pid_t pid = 0;   // a forked child is another copy
};

CopyFolder& copyFolder()
{
    static CopyFolder folder;
    return folder;
}

// This copy's folder, opened (a descriptor of its own for the caller); its path in *where.
int openCopyFolder(QByteArray* where)
{
    CopyFolder& mine = copyFolder();
    if (mine.fd >= 0 && (mine.pid != ::getpid() || !plat::isFileAt(mine.fd, AT_FDCWD, mine.path.constData()))) {
        ::close(mine.fd);
        mine = CopyFolder();
    }
    if (mine.fd >= 0) {
        *where = mine.path;
        return ::dup(mine.fd);
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        QByteArray base;
        const int parent = openDocumentFolder(&base);
        if (parent < 0)
            return -1;
        const QByteArray name = QByteArray::number(::getpid()) + '-' +
                                QByteArray::number(QRandomGenerator::global()->generate(), 16);
        int fd = -1;
        if (::mkdirat(parent, name.constData(), 0700) == 0)
            fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        // still there once locked: a closing copy may have taken it for one left behind
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && plat::isFileAt(fd, parent, name.constData())) {
            ::close(parent);
            mine = CopyFolder{base + '/' + name, fd, ::getpid()};
            *where = mine.path;
            return ::dup(fd);
        }
        if (fd >= 0)
            ::close(fd);
        ::close(parent);
    }
    return -1;
}

// Removes the files of an open folder; with the folders no running copy holds, those too.
void clearFolder(int folder, bool copiesLeft)
{
    DIR* dir = ::fdopendir(::dup(folder));
    if (!dir)
        return;
    ::rewinddir(dir);   // the descriptor's place is shared with every other read of it
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const int inside =
            copiesLeft ? ::openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
        if (inside < 0) {
            ::unlinkat(folder, entry->d_name, 0);   // a folder stays
            continue;
        }
        if (::flock(inside, LOCK_EX | LOCK_NB) == 0) {
            clearFolder(inside, false);
            ::unlinkat(folder, entry->d_name, AT_REMOVEDIR);
        }
        ::close(inside);
    }
    ::closedir(dir);
}

// Clears a folder of this user's, then removes it where that leaves it empty.
void clearOwnFolder(const QByteArray& path)
{
    const int folder = openOwnFolder(path, false);
    if (folder < 0)
        return;
    clearFolder(folder, true);
    ::close(folder);
    ::rmdir(path.constData());
}

} // namespace

QString WriteTempDocument(const QString& storedName, const QByteArray& bytes)
{
    const QString fileName = SafeFileName(storedName);
    if (fileName.isEmpty())
        throw vb::Error(vb::errBadFileName, QStringLiteral("资料的文件名无效，无法打开：") + storedName);
    QByteArray where;
    const int folder = openCopyFolder(&where);
    if (folder < 0) {
        const QString temp = plat::tempFolder();
        throw vb::Error(75, QStringLiteral("“%1”不是本用户的文件夹（可能是其他用户放置的链接或文件夹），"
                                           "临时文件夹“%2”%3中也无法建立本用户的文件夹，不能写出资料。")
                                .arg(plat::appFile(kTemp), temp,
                                     QDir(temp).exists() ? QString() : QStringLiteral("（不存在，见环境变量 TMPDIR）")));
    }
    const QByteArray name = QFile::encodeName(fileName);
    const QString written = QFile::decodeName(where) + kSep + fileName;
    ::unlinkat(folder, name.constData(), 0);
    const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    bool ok = fd >= 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        ok = n > 0 || (n < 0 && errno == EINTR);
        done += qMax<ssize_t>(n, 0);
    }
    if (fd >= 0 && ::close(fd) != 0)
        ok = false;
    if (!ok)
        throw vb::Error(75, QStringLiteral("无法写入文件：") + written);
    return written;
}

void ClearTempDocuments()
{
    CopyFolder& mine = copyFolder();
    if (mine.fd >= 0 && mine.pid == ::getpid()) {
        clearFolder(mine.fd, false);
        ::rmdir(mine.path.constData());
    }
    if (mine.fd >= 0)
        ::close(mine.fd);
    mine = CopyFolder();
    for (const QByteArray& path : {QFile::encodeName(plat::appFile(kTemp)), ownFolderPath(), madeFolderPath()})
        if (!path.isEmpty())
            clearOwnFolder(path);
}

QString OpenExternalDatabase(const QString& path, std::unique_ptr<extdb::Source>& database,
                             std::optional<vb::Error>* refusal)
{
    try {
        std::unique_ptr<extdb::Source> source = extdb::open(path);
        if (!source)
            return QString();
        const QString type = source->kind() + QLatin1Char(';');
        database = std::move(source);
        return type;
    } catch (const vb::Error& e) {
        // A damaged file opens as nothing; the reader says why.
        if (refusal)
            *refusal = e;
    }
    return QString();
}

} // namespace ostrel
