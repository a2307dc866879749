// The main window's device list, side by side with reading the same query raw: over
// 100,000 and 1,000 devices how long the first screenful and the whole list take, and
// over 1,000,000 devices the whole list, one department, a filter, and the peak memory
// of the list against the same rows held plainly (each side in a process of its own).
//   bench_mainlist                      every figure
//   bench_mainlist --million            the 1M figures alone
//   bench_mainlist --memory list|raw DIR   one side's peak memory over the register in DIR
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
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace ostrel;

namespace {

const int kRounds = 21;
const int kBigRounds = 5;
const int kMillion = 1000000;
const int kDepartments = 20;
// Matches the devices whose value ends in 920..999 of each thousand: 80,000 of 1M.
const QString kFilter = QStringLiteral("([价值]>=2154.5)");
// The 1M register is kept here between runs; the name changes with its contents.
const QString kCachedRegister = QStringLiteral("/tmp/ostrel-bench-mainlist-1m-v2");

const char* const kBenchUser = "bench";
const char* const kBenchPassword = "bench-pw";

void addBenchUser()
{
    gDatabase.Execute(QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value],[Memo]) VALUES "
                                     "(1000,'Users',3,'bench',") +
                      SqlText(HashPassword(QString::fromLatin1(kBenchPassword)) +
                              QStringLiteral("\r\r-1;-1;-1;-1;-1;-1;-1;-1;-1")) +
                      QStringLiteral(");"));
}

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
                .arg(i % kDepartments));
    }
    tx.commit();
    addBenchUser();
}

void rawExec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
    }
}

// A register of 1M devices with their usual columns filled, written in one transaction
// with one prepared statement; kept in /tmp and reused while it is whole.
QString millionRegister()
{
    const QString path = kCachedRegister + QStringLiteral("/Ostrel.mdb");
    if (QFile::exists(kCachedRegister + QStringLiteral("/complete")))
        return kCachedRegister;
    QDir(kCachedRegister).removeRecursively();
    QDir().mkpath(kCachedRegister);
    CreateNewDatabase(kCachedRegister, QStringLiteral("admin"), QStringLiteral("secret-1"));
    sqlite3* db = benchutil::openRawRegister(path, SQLITE_OPEN_READWRITE);
    rawExec(db, "BEGIN IMMEDIATE");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Dev_Info (Dev_ID,设备编号,卡片编号,设备名称,价值,验收状况,设备状况,Dep_ID,设备大类,"
                       "设备属类,设备组别,安装地点,Manufacturer,Model,ManuNo,O_ID) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,1)",
                       -1, &st, nullptr);
    const auto text = [&](int column, const QString& s) {
        const QByteArray b = s.toUtf8();
        sqlite3_bind_text(st, column, b.constData(), b.size(), SQLITE_TRANSIENT);
    };
    for (int i = 1; i <= kMillion; ++i) {
        sqlite3_bind_int(st, 1, i);
        text(2, QStringLiteral("A-%1").arg(i, 7, 10, QLatin1Char('0')));
        text(3, QStringLiteral("K%1").arg(i));
        text(4, QStringLiteral("笔记本电脑%1").arg(i % 77));
        sqlite3_bind_double(st, 5, 1234.5 + i % 1000);
        sqlite3_bind_int(st, 6, i % 3);
        sqlite3_bind_int(st, 7, i % 5);
        sqlite3_bind_int(st, 8, i % kDepartments);
        text(9, QStringLiteral("计算机设备%1").arg(i % 7));
        text(10, QStringLiteral("便携%1").arg(i % 5));
        text(11, QStringLiteral("组%1").arg(i % 11));
        text(12, QStringLiteral("第%1车间").arg(i % 30));
        text(13, QStringLiteral("某电脑公司%1").arg(i % 13));
        text(14, QStringLiteral("T%1-%2").arg(400 + i % 90).arg(i % 17));
        text(15, QStringLiteral("SN%1").arg(i * 7919LL % 100000007));
        if (sqlite3_step(st) != SQLITE_DONE)
            std::fprintf(stderr, "insert: %s\n", sqlite3_errmsg(db));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    for (int d = 1; d < kDepartments; ++d)
        rawExec(db, QStringLiteral("INSERT INTO SysInfo (ID,Type,No,Value) VALUES (%1,'Departs',%2,'部门%2')")
                        .arg(2000 + d)
                        .arg(d)
                        .toUtf8()
                        .constData());
    rawExec(db, "COMMIT");
    sqlite3_close(db);
    plat::setAppPath(kCachedRegister);
    OpenMainDatabase();
    addBenchUser();
    gDatabase.Close();
    gDatabase = dao::Database();
    QFile(kCachedRegister + QStringLiteral("/complete")).open(QIODevice::WriteOnly);
    return kCachedRegister;
}

// One list row held plainly.
struct PlainRow {
    QString no;
    QString name;
    double value = 0;
    bool valueNull = true;
    qint32 devId = 0;
    qint32 codes[3] = {};
};

QString columnText(sqlite3_stmt* st, int c)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c));
}

// Every row of the list's query with this clause read with the raw API into plain rows.
std::vector<PlainRow> rawRows(const QString& path, const QString& where)
{
    sqlite3* db = benchutil::openRawRegister(path, SQLITE_OPEN_READONLY);
    // The file's text order, as the program sorts: the same rows in the same order.
    dao::detail::useChineseOrder(db);
    const QByteArray sql = dao::jetsql::translate(ListQuery(where)).sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    std::vector<PlainRow> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        PlainRow r;
        r.no = columnText(st, 0);
        r.devId = sqlite3_column_int(st, 1);
        r.name = columnText(st, 2);
        r.valueNull = sqlite3_column_type(st, 3) == SQLITE_NULL;
        r.value = sqlite3_column_double(st, 3);
        for (int c = 0; c < 3; ++c)
            r.codes[c] = sqlite3_column_int(st, 4 + c);
        rows.push_back(std::move(r));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Milliseconds of rawRows, the rows freed afterwards.
double rawRead(const QString& path, const QString& where, int* rows = nullptr)
{
    QElapsedTimer t;
    t.start();
    const std::vector<PlainRow> kept = rawRows(path, where);
    const double ms = t.nsecsElapsed() / 1e6;
    if (rows)
        *rows = int(kept.size());
    return ms;
}

// Milliseconds of one load of the list, until its last row is in.
double loadList(frmMain& w)
{
    QElapsedTimer t;
    t.start();
    w.LoadDeviceList();
    while (w.listLoading())
        QCoreApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}

void logIn()
{
    gUsrInfos = std::make_unique<UsrInfos>();
    qint32 id = 0;
    gUsrInfos->Load(QString::fromLatin1(kBenchUser), id, QString::fromLatin1(kBenchPassword));
}

void closeRegister()
{
    gUsrInfos.reset();
    gDatabase.Close();
    gDatabase = dao::Database();
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
    logIn();

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
            raw.push_back(rawRead(plat::appFile(QStringLiteral("Ostrel.mdb")), QString()));
        }
        w.close();
    }
    closeRegister();
    f.firstRows = benchutil::median(first);
    f.fullLoad = benchutil::median(full);
    f.raw = benchutil::median(raw);
    return f;
}

// One narrowing of the 1M list: the list's and the raw read's medians and the rows.
struct Side {
    std::vector<double> list, raw;
    int listRows = 0, rawRows = 0;
    QString totals;
};

void printSide(const char* name, const Side& s)
{
    const double l = benchutil::median(s.list), r = benchutil::median(s.raw);
    std::printf("%s rows: %d\n", name, s.listRows);
    std::printf("%s totals: %s\n", name, s.totals.toUtf8().constData());
    std::printf("%s list at 1M ms: %.1f\n", name, l);
    std::printf("%s raw read at 1M ms: %.1f\n", name, r);
    if (s.rawRows != s.listRows)
        std::fprintf(stderr, "%s: the raw read gave %d rows\n", name, s.rawRows);
}

// The 1M figures: the whole list, one department and a filter, each side by side with
// its raw read, rounds alternating.
void measureMillion(const QString& folder)
{
    plat::setAppPath(folder);
    OpenMainDatabase();
    logIn();
    const QString path = plat::appFile(QStringLiteral("Ostrel.mdb"));
    Side full, depart, filter;
    {
        frmMain w;
        w.Form_Load();
        w.show();
        w.finishDeviceList();
        const auto round = [&](Side& s, const QString& where) {
            s.list.push_back(loadList(w));
            s.listRows = w.deviceList->rowCount();
            s.totals = w.lblTitle[0]->text();
            s.raw.push_back(rawRead(path, where, &s.rawRows));
        };
        // The department scheme; its department 3.
        w.cboTView->setCurrentIndex(3);
        w.cboTView_Click();
        w.finishDeviceList();
        QTreeWidgetItem* root = w.tvwDevices->topLevelItem(0);
        QTreeWidgetItem* department = nullptr;
        for (int i = 0; i < root->childCount(); ++i)
            if (root->child(i)->text(0) == u"部门3")
                department = root->child(i);
        if (!department) {
            std::fprintf(stderr, "no department node\n");
            return;
        }
        const QString departWhere = ListWhere(QStringLiteral("([Dep_ID]=3)"), QString(), QString());
        const QString filterWhere = ListWhere(QString(), kFilter, QString());
        for (int r = 0; r < kBigRounds; ++r) {
            w.tvwDevices->setCurrentItem(root);
            w.frmFilt_Apply(QString());
            w.finishDeviceList();
            round(full, QString());
            w.tvwDevices->setCurrentItem(department);
            round(depart, departWhere);
            w.tvwDevices->setCurrentItem(root);
            w.frmFilt_Apply(kFilter);
            w.finishDeviceList();
            round(filter, filterWhere);
        }
        w.close();
    }
    closeRegister();
    printSide("full", full);
    printSide("department", depart);
    printSide("filter", filter);
    std::printf("full load ratio to raw at 1M: %.2f\n", benchutil::median(full.list) / benchutil::median(full.raw));
    std::printf("department list ratio to raw: %.2f\n", benchutil::median(depart.list) / benchutil::median(depart.raw));
    std::printf("filter list ratio to raw: %.2f\n", benchutil::median(filter.list) / benchutil::median(filter.raw));
}

// One side of the memory figure, in this process: the register opened and the user
// logged in on both sides; then either the main window with its whole list, or the same
// rows read raw and held plainly. Prints the peak resident kilobytes.
int memorySide(const QString& side, const QString& folder)
{
    plat::setAppPath(folder);
    OpenMainDatabase();
    logIn();
    long peak = 0;
    int rows = 0;
    if (side == u"list") {
        frmMain w;
        w.Form_Load();
        w.show();
        while (w.listLoading())
            QCoreApplication::processEvents();
        rows = w.deviceList->rowCount();
        peak = benchutil::peakKilobytes();
    } else {
        const std::vector<PlainRow> kept = rawRows(plat::appFile(QStringLiteral("Ostrel.mdb")), QString());
        rows = int(kept.size());
        peak = benchutil::peakKilobytes();
    }
    closeRegister();
    std::printf("%d %ld\n", rows, peak);
    return 0;
}

// Peak resident kilobytes of one side run in a child process, the median of a few runs.
double childPeak(const QString& side, const QString& folder, int* rows)
{
    std::vector<double> peaks;
    for (int r = 0; r < 3; ++r) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), side, folder});
        p.waitForFinished(-1);
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' '));
        if (out.size() != 2) {
            std::fprintf(stderr, "memory side %s failed\n", qPrintable(side));
            return 0;
        }
        *rows = out[0].toInt();
        peaks.push_back(out[1].toDouble());
    }
    return benchutil::median(peaks);
}

} // namespace

int main(int argc, char** argv)
{
    benchutil::offscreenUnlessChosen();
    QApplication app(argc, argv);
    ui::script::enable();
    QTemporaryDir settings;
    plat::setSettingsFolder(settings.path());
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"--memory")
        return memorySide(args[2], args[3]);

    if (!args.contains(QStringLiteral("--million"))) {
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
    std::fflush(stdout);
    }

    const QString folder = millionRegister();
    measureMillion(folder);
    std::fflush(stdout);
    int listRows = 0, rawRowsRead = 0;
    const double listPeak = childPeak(QStringLiteral("list"), folder, &listRows);
    const double rawPeak = childPeak(QStringLiteral("raw"), folder, &rawRowsRead);
    std::printf("list peak memory MB: %.1f (%d rows)\n", listPeak / 1024, listRows);
    std::printf("raw rows peak memory MB: %.1f (%d rows)\n", rawPeak / 1024, rawRowsRead);
    std::printf("list memory ratio to raw rows: %.2f\n", rawPeak > 0 ? listPeak / rawPeak : 0.0);
    return 0;
}
