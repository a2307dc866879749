#include "main/core/filehelpers.h"
#include "platform/core/app.h"
#include "platform/core/vbrt.h"
#include <QFile>
#include <QIODevice>
#include <QTextStream>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
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

QString TempDocumentPath(const QString& storedName)
{
    const QString name = SafeFileName(storedName);
    return name.isEmpty() ? QString() : plat::appFile(kTemp) + kSep + name;
}

namespace {

// "Temp" opened as a folder of this user's; for writing, one that no one else may
// write, made when missing or in place of what its name held.
int openTempFolder(bool forWriting)
{
    const QByteArray path = QFile::encodeName(plat::appFile(kTemp));
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

} // namespace

QString WriteTempDocument(const QString& storedName, const QByteArray& bytes)
{
    const QString path = TempDocumentPath(storedName);
    if (path.isEmpty())
        throw vb::Error(vb::errBadFileName, QStringLiteral("资料的文件名无效，无法打开：") + storedName);
    const int folder = openTempFolder(true);
    if (folder < 0)
        throw vb::Error(75, QStringLiteral("“%1”不是本用户的文件夹（可能是其他用户放置的链接或文件夹），"
                                           "不能在其中写出资料。")
                                .arg(plat::appFile(kTemp)));
    const QByteArray name = QFile::encodeName(SplitPath(path, false, false));
    ::unlinkat(folder, name.constData(), 0);
    const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ::close(folder);
    bool written = fd >= 0;
    for (qsizetype done = 0; written && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        written = n > 0 || (n < 0 && errno == EINTR);
        done += qMax<ssize_t>(n, 0);
    }
    if (fd >= 0 && ::close(fd) != 0)
        written = false;
    if (!written)
        throw vb::Error(75, QStringLiteral("无法写入文件：") + path);
    return path;
}

void ClearTempDocuments()
{
    const int folder = openTempFolder(false);
    if (folder < 0)
        return;
    if (DIR* dir = ::fdopendir(::dup(folder))) {
        while (const dirent* entry = ::readdir(dir))
            ::unlinkat(folder, entry->d_name, 0);   // "." and ".." and folders stay
        ::closedir(dir);
    }
    ::close(folder);
    ::rmdir(QFile::encodeName(plat::appFile(kTemp)).constData());
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
