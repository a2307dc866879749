#pragma once
// What the benchmarks share: the offscreen platform, a new register, its file on the raw API, medians.
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "platform/core/app.h"
#include "platform/dao/sqlfunctions.h"
#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace benchutil {

// Windows offscreen unless a platform is chosen; called before the application object.
inline void offscreenUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The process's own peak resident kilobytes (VmHWM: unlike the usage counters it does
// not carry the parent's peak over into a child).
inline long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A new register in `folder`, made the program's folder and opened as the main database.
inline void openNewRegister(const QString& folder, const QString& adminPassword)
{
    plat::setAppPath(folder);
    ostrel::CreateNewDatabase(folder, QStringLiteral("admin"), adminPassword);
    ostrel::OpenMainDatabase();
}

// A register's file opened with the raw API, keyed, with the layer's functions and collation.
inline sqlite3* openRawRegister(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    const QByteArray key = ostrel::schema::databasePassword().toUtf8();
    sqlite3_key(db, key.constData(), key.size());
    dao::detail::registerFunctions(db);
    return db;
}

} // namespace benchutil
