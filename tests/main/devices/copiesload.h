#pragma once
// Several copies of the program at work on one register (the load test and bench_copies):
// writers add devices through the device editor's service and register a transfer for
// each, a reader reads the device list over and over. Each copy prints one line per step:
//   "add KEY NUMBER" | "addfail ERROR NUMBER" | "delete KEY" | "transfer KEY" | "transferfail ERROR" |
//   "reads N" (any "...fail ERROR" counts as another failure)
#include "main/core/mdlmisc.h"
#include "main/core/schema.h"
#include "main/devices/devicerecord.h"
#include "main/devices/history.h"
#include "platform/dao/transaction.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <cstdio>

namespace copiesload {

inline void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

inline void openShared(const QString& path)
{
    ostrel::gDatabase = dao::DBEngine::OpenDatabase(path, false, false, ostrel::schema::connectString());
}

// Writer number `copy` for `ms` milliseconds; with deleteEvery, every so many devices it
// deletes the device it just added (most often the one with the highest key).
inline void write(const QString& path, int copy, qint64 ms, int deleteEvery = 0)
{
    using namespace ostrel::devices;
    openShared(path);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; clock.elapsed() < ms; ++i) {
        DeviceRecord r;
        r.number = QStringLiteral("W%1-%2-%3").arg(copy).arg(QCoreApplication::applicationPid()).arg(i, 6, 10, QLatin1Char('0'));
        r.card = r.place = r.name = r.classes[0] = r.classes[1] = r.classes[2] = QStringLiteral("x");
        r.group = r.host = r.check = r.state = r.depart = r.person = 0;
        r.purchased = QDateTime(QDate(2020, 1, 2), QTime(3, 4));
        r.serial = r.number;
        qint32 key = 0;
        try {
            key = AddDevice(r, 1);
            say(QStringLiteral("add %1 %2").arg(key).arg(r.number));
        } catch (const vb::Error& e) {
            say(QStringLiteral("addfail %1 %2").arg(e.number()).arg(r.number));
            continue;
        }
        if (deleteEvery > 0 && i % deleteEvery == 0) {
            try {
                ostrel::DeleteDeviceRows(key);
                say(QStringLiteral("delete %1").arg(key));
            } catch (const vb::Error& e) {
                say(QStringLiteral("deletefail %1").arg(e.number()));
            }
            continue;
        }
        try {
            dao::Transaction tx;
            TransferEntry t;
            t.devId = key;
            t.fromDepart = 0;
            t.toDepart = 1;
            t.toPlace = QStringLiteral("楼%1").arg(copy);
            t.date = QDateTime::currentDateTime();
            t.userId = 1;
            const qint32 id = AddTransfer(t);
            tx.commit();
            say(QStringLiteral("transfer %1").arg(id));
        } catch (const vb::Error& e) {
            say(QStringLiteral("transferfail %1").arg(e.number()));
        }
    }
    ostrel::gDatabase.Close();
    ostrel::gDatabase = dao::Database();
}

// Reads the device list over and over for `ms` milliseconds.
inline void read(const QString& path, qint64 ms)
{
    openShared(path);
    QElapsedTimer clock;
    clock.start();
    int reads = 0;
    while (clock.elapsed() < ms) {
        try {
            dao::Recordset rs = ostrel::gDatabase.OpenRecordset(
                QStringLiteral("SELECT [设备编号],[Dev_ID],[设备名称] FROM [Dev_Info] ORDER BY [设备编号];"),
                dao::dbOpenSnapshot);
            for (; !rs.Eof(); rs.MoveNext()) rs.Fields(0).Value();
            rs.Close();
            ++reads;
        } catch (const vb::Error& e) {
            say(QStringLiteral("readfail %1").arg(e.number()));
        }
    }
    say(QStringLiteral("reads %1").arg(reads));
    ostrel::gDatabase.Close();
    ostrel::gDatabase = dao::Database();
}

// What the copies said, added up.
struct Tally {
    QHash<qint32, QString> added;   // key -> number
    QSet<qint32> transfers;
    QSet<qint32> deleted;           // devices added, then deleted
    int duplicateKeys = 0;          // a key reported twice
    QHash<int, int> addFailures;    // error -> count
    QHash<int, int> otherFailures;
    int reads = 0;

    void take(const QByteArray& output)
    {
        for (const QByteArray& raw : output.split('\n')) {
            const QStringList w = QString::fromUtf8(raw).split(QLatin1Char(' '));
            if (w[0] == QLatin1String("add")) {
                if (added.contains(w[1].toInt())) ++duplicateKeys;
                added.insert(w[1].toInt(), w.value(2));
            } else if (w[0] == QLatin1String("delete")) {
                deleted.insert(w[1].toInt());
            } else if (w[0] == QLatin1String("transfer")) {
                if (transfers.contains(w[1].toInt())) ++duplicateKeys;
                transfers.insert(w[1].toInt());
            } else if (w[0] == QLatin1String("addfail")) {
                ++addFailures[w[1].toInt()];
            } else if (w[0].endsWith(QLatin1String("fail"))) {
                ++otherFailures[w[1].toInt()];
            } else if (w[0] == QLatin1String("reads")) {
                reads += w[1].toInt();
            }
        }
    }
};

} // namespace copiesload
