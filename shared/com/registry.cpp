#include "shared/com/registry.h"
#include "platform/core/app.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace com::registry {

QString filePath() { return plat::appFile(QStringLiteral("Components.reg")); }

namespace {

// The library as the file holds it: relative to the program's folder when inside it.
QString storedName(const QString& library)
{
    // through links when both exist, else as written
    QString folder = QDir(plat::appPath()).canonicalPath();
    QString file = QFileInfo(library).canonicalFilePath();
    if (folder.isEmpty() || file.isEmpty()) {
        folder = QDir(plat::appPath()).absolutePath();
        file = QFileInfo(library).absoluteFilePath();
    }
    const QString relative = QDir(folder).relativeFilePath(file);
    if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return library;
    return relative;
}

QString wholePath(const QString& stored)
{
    return QDir::isAbsolutePath(stored) ? stored : QDir(plat::appPath()).absoluteFilePath(stored);
}

} // namespace

QList<Entry> entries()
{
    QList<Entry> r;
    QFile f(filePath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return r;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() != 3)
            continue;
        Entry e{QUuid(parts[0]), parts[1], wholePath(parts[2])};
        if (!e.clsid.isNull())
            r.append(e);
    }
    return r;
}

bool find(const CLSID& clsid, Entry* out)
{
    for (const Entry& e : entries())
        if (e.clsid == clsid) {
            if (out)
                *out = e;
            return true;
        }
    return false;
}

bool findByProgId(const QString& progId, Entry* out)
{
    for (const Entry& e : entries())
        if (e.progId.compare(progId, Qt::CaseInsensitive) == 0) {
            if (out)
                *out = e;
            return true;
        }
    return false;
}

namespace {
bool write(const QList<Entry>& list)
{
    QSaveFile f(filePath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (const Entry& e : list)
        f.write((e.clsid.toString(QUuid::WithBraces) + QLatin1Char('\t') + e.progId + QLatin1Char('\t') +
                 storedName(e.library) + QLatin1Char('\n'))
                    .toUtf8());
    return f.commit();
}
} // namespace

bool put(const QList<Entry>& add)
{
    QList<Entry> list = entries();
    for (const Entry& a : add) {
        bool replaced = false;
        for (Entry& e : list)
            if (e.clsid == a.clsid) {
                e = a;
                replaced = true;
            }
        if (!replaced)
            list.append(a);
    }
    return write(list);
}

bool remove(const QList<CLSID>& clsids)
{
    QList<Entry> list = entries();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const Entry& e) { return clsids.contains(e.clsid); }),
               list.end());
    return write(list);
}

} // namespace com::registry
