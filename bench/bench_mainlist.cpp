// The main window's device list over 100,000 and 1,000 devices, side by side: how long
// the first screenful takes, and the whole list against reading the same query raw.
#include "bench/benchutil.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/password.h"
#include "main/core/schema.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "main/core/devicefilter.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/dao/jetsql.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/dao/transaction.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace ostrel;

namespace {

const int kRounds = 21;

void fill(int devices)
{
    dao::Transaction tx;
    for (int i = 1; i <= devices; ++i) {
        gDatabase.Execute(
            QStringLiteral("INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[设备名称],[价值],[验收状况],[设备状况],[Dep_ID],"
                           "[设备大类]) VALUES (%1,'A-%2','笔记本电脑%3',%4,%5,%6,%7,'计算机设备');")
                .arg(i)
                .arg(i, 6, 10, QLatin1Char('0'))
                .arg(i % 77)
                .arg(1234.5 + i % 1000)
                .arg(i % 3)
                .arg(i % 5)
                .arg(i % 20));
    }
    tx.commit();
    gDatabase.Execute(QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value],[Memo]) VALUES "
                                     "(1000,'Users',3,'bench',") +
                      SqlText(HashPassword(QStringLiteral("bench-pw")) + QStringLiteral("\r\r-1;-1;-1;-1;-1;-1;-1;-1;-1")) +
                      QStringLiteral(");"));
}

// Every row of the list's query read with the raw API, the seven columns kept.
double rawFullRead(const QString& path)
{
    sqlite3* db = benchutil::openRawRegister(path, SQLITE_OPEN_READONLY);
    const QByteArray sql = dao::jetsql::translate(ListQuery(QString())).sql.toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    qint64 sum = 0;
    std::vector<QString> keep;
    while (sqlite3_step(st) == SQLITE_ROW) {
        keep.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                                         sqlite3_column_bytes(st, 0)));
        sum += sqlite3_column_int(st, 1);
        keep.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)),
                                         sqlite3_column_bytes(st, 2)));
        sum += qint64(sqlite3_column_double(st, 3) * 10000);
        for (int c = 4; c < 7; ++c)
            sum += sqlite3_column_int(st, c);
    }
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    if (sum == 42)
        std::puts("");
    return ms;
}

struct Figures {
    double firstRows = 0;
    double fullLoad = 0;
    double raw = 0;
    int rows = 0;
};

Figures measure(int devices)
{
    QTemporaryDir dir;
    benchutil::openNewRegister(dir.path(), QStringLiteral("secret-1"));
    fill(devices);
    gUsrInfos = std::make_unique<UsrInfos>();
    qint32 id = 0;
    gUsrInfos->Load(QStringLiteral("bench"), id, QStringLiteral("bench-pw"));

    Figures f;
    std::vector<double> first, full, raw;
    {
        frmMain w;
        w.Form_Load();
        w.show();
        w.finishDeviceList();
        for (int r = 0; r < kRounds; ++r) {
            QElapsedTimer t;
            t.start();
            w.LoadDeviceList();   // returns once the first rows are in the model
            first.push_back(t.nsecsElapsed() / 1e6);
            if (w.deviceList->rowCount() < DeviceListModel::kFirstRows && w.deviceList->rowCount() < devices)
                std::fprintf(stderr, "first rows missing\n");
            while (w.listLoading())
                QCoreApplication::processEvents();
            full.push_back(t.nsecsElapsed() / 1e6);
            f.rows = w.deviceList->rowCount();
            raw.push_back(rawFullRead(plat::appFile(QStringLiteral("Ostrel.mdb"))));
        }
        w.close();
    }
    gUsrInfos.reset();
    gDatabase.Close();
    gDatabase = dao::Database();
    f.firstRows = benchutil::median(first);
    f.fullLoad = benchutil::median(full);
    f.raw = benchutil::median(raw);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    benchutil::offscreenUnlessChosen();
    QApplication app(argc, argv);
    ui::script::enable();
    QTemporaryDir settings;
    plat::setSettingsFolder(settings.path());

    const Figures big = measure(100000);
    const Figures small = measure(1000);
    std::printf("rows 100k: %d\n", big.rows);
    std::printf("rows 1k: %d\n", small.rows);
    std::printf("first rows 100k ms: %.2f\n", big.firstRows);
    std::printf("first rows 1k ms: %.2f\n", small.firstRows);
    std::printf("first rows ratio 100k to 1k: %.2f\n", big.firstRows / small.firstRows);
    std::printf("full load 100k ms: %.1f\n", big.fullLoad);
    std::printf("raw read 100k ms: %.1f\n", big.raw);
    std::printf("full load ratio to raw: %.2f\n", big.fullLoad / big.raw);
    return 0;
}
