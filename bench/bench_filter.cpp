// Filters composed by the device filter window over 100,000 devices, each run as the
// device list's query through the layer's record set (every field read), side by side
// with raw SQLite running the layer's translation of the same statement.
#include "bench/benchutil.h"
#include "main/core/devicefilter.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "main/reports/ui/devicelistprint.h"
#include "main/reports/ui/frmfilter.h"
#include "main/reports/rowfilter.h"
#include "platform/print/printer.h"
#include "shared/com/create.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/dao/jetsql.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/dao/transaction.h"
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace ostrel;

namespace {

const int kDevices = 100000;
const int kRounds = 7;

void fill()
{
    dao::Transaction tx;
    for (int no = 1; no <= 20; ++no)
        gDatabase.Execute(QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (%1,'Departs',%2,'部门%2');")
                              .arg(5000 + no)
                              .arg(no));
    for (int i = 1; i <= kDevices; ++i) {
        const QDate bought = QDate(1995, 1, 1).addDays(i % 9000);
        gDatabase.Execute(
            QStringLiteral("INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[设备名称],[价值],[验收状况],[设备状况],[Dep_ID],"
                           "[设备大类],[购置年代]) VALUES (%1,'A-%2','笔记本电脑%3',%4,%5,%6,%7,'计算机设备',#%8#);")
                .arg(i)
                .arg(i, 6, 10, QLatin1Char('0'))
                .arg(i % 77)
                .arg(1234.5 + i % 1000)
                .arg(i % 3)
                .arg(i % 5)
                .arg(i % 20 + 1)
                .arg(bought.toString(QStringLiteral("yyyy-MM-dd"))));
    }
    tx.commit();
}

// Every row and field through the layer's record set.
double layerRun(const QString& jet, int* rows)
{
    QElapsedTimer t;
    t.start();
    dao::Recordset rs = gDatabase.OpenRecordset(jet, dao::dbOpenSnapshot);
    const int n = rs.Fields().Count();
    qint64 sum = 0;
    *rows = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        ++*rows;
        for (int c = 0; c < n; ++c)
            sum += rs.Fields(c).Value().isNull() ? 0 : 1;
    }
    rs.Close();
    const double ms = t.nsecsElapsed() / 1e6;
    if (sum == -1)
        std::puts("");
    return ms;
}

// The layer's translation of the same statement on raw SQLite, every column kept.
double rawRun(sqlite3* db, const QString& jet, int* rows)
{
    const QByteArray sql = dao::jetsql::translate(jet).sql.toUtf8();
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    const int n = sqlite3_column_count(st);
    std::vector<QVariant> keep;
    *rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++*rows;
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: keep.emplace_back(sqlite3_column_int64(st, c)); break;
            case SQLITE_FLOAT: keep.emplace_back(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT:
                keep.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                                    sqlite3_column_bytes(st, c)));
                break;
            default: keep.emplace_back(); break;
            }
        }
    }
    sqlite3_finalize(st);
    return t.nsecsElapsed() / 1e6;
}

// Composes a filter in the window: conditions added through its controls, codes checked.
QString compose(frmFilter& w, const QList<QStringList>& conditions, int tab, const QList<int>& codes)
{
    w.cmdDel->click();
    for (int t = 1; t < w.tbsDynas->count(); ++t) {
        w.tbsDynas->setCurrentIndex(t);
        for (int i = 0; i < w.lstFilt->count(); ++i)
            w.lstFilt->item(i)->setCheckState(Qt::Unchecked);
    }
    w.tbsDynas->setCurrentIndex(0);
    for (const QStringList& c : conditions) {
        const int i = w.cboFilt[0]->findText(c[0]);
        w.cboFilt[0]->setCurrentIndex(i);
        Q_EMIT w.cboFilt[0]->activated(i);
        w.cboFilt[1]->setCurrentText(c[1]);
        w.cboFilt[2]->setCurrentText(c[2]);
        w.cmdAdd->click();
    }
    if (tab > 0) {
        w.tbsDynas->setCurrentIndex(tab);
        for (int i = 0; i < w.lstFilt->count(); ++i)
            if (codes.contains(w.lstFilt->item(i)->data(Qt::UserRole).toInt()))
                w.lstFilt->item(i)->setCheckState(Qt::Checked);
    }
    QString filter;
    QObject::connect(&w, &frmFilter::Apply, &w, [&](const QString& f) { filter = f; });
    w.cmdApply->click();
    QObject::disconnect(&w, &frmFilter::Apply, &w, nullptr);
    return filter;
}

} // namespace

int main(int argc, char** argv)
{
    benchutil::offscreenUnlessChosen();
    QApplication app(argc, argv);
    ui::script::enable();
    QTemporaryDir dir;
    plat::setSettingsFolder(dir.path() + QStringLiteral("/.settings"));
    benchutil::openNewRegister(dir.path(), QStringLiteral("secret-1"));
    fill();

    struct Case {
        const char* name;
        QList<QStringList> conditions;
        int tab;
        QList<int> codes;
        QString filter;
    };
    QList<Case> cases = {
        {"like", {{QStringLiteral("设备名称"), QStringLiteral("LIKE"), QStringLiteral("*脑1*")}}, 0, {}, {}},
        {"date", {{QStringLiteral("购置年代"), QStringLiteral("<"), QStringLiteral("2001-01-01")}}, 0, {}, {}},
        {"value", {{QStringLiteral("价值"), QStringLiteral(">="), QStringLiteral("2000")}}, 0, {}, {}},
        {"codes", {}, 5, {2, 5, 7, 11}, {}},
        {"all",
         {{QStringLiteral("设备名称"), QStringLiteral("LIKE"), QStringLiteral("*脑1*")},
          {QStringLiteral("购置年代"), QStringLiteral(">="), QStringLiteral("1996-01-01")},
          {QStringLiteral("价值"), QStringLiteral("<"), QStringLiteral("2100")}},
         5,
         {2, 5, 7, 11},
         {}},
    };
    {
        frmFilter w;
        for (Case& c : cases)
            c.filter = compose(w, c.conditions, c.tab, c.codes);
    }
    if (!ui::script::shown().isEmpty()) {
        std::fprintf(stderr, "the window refused a condition: %s\n", ui::script::last().prompt.toUtf8().constData());
        return 1;
    }

    sqlite3* raw = benchutil::openRawRegister(plat::appFile(QStringLiteral("Ostrel.mdb")), SQLITE_OPEN_READONLY);

    double layerTotal = 0, rawTotal = 0;
    for (const Case& c : cases) {
        const QString jet = ListQuery(ListWhere(QString(), c.filter, QString()));
        std::vector<double> layer, direct;
        int layerRows = 0, rawRows = 0;
        for (int r = 0; r < kRounds; ++r) {
            layer.push_back(layerRun(jet, &layerRows));
            direct.push_back(rawRun(raw, jet, &rawRows));
        }
        if (layerRows != rawRows) {
            std::fprintf(stderr, "%s: %d rows through the layer, %d raw\n", c.name, layerRows, rawRows);
            return 1;
        }
        const double l = benchutil::median(layer), d = benchutil::median(direct);
        layerTotal += l;
        rawTotal += d;
        std::printf("filter %s: %s\n", c.name, c.filter.toUtf8().constData());
        std::printf("filter %s rows: %d\n", c.name, layerRows);
        std::printf("filter %s layer ms: %.1f\n", c.name, l);
        std::printf("filter %s raw ms: %.1f\n", c.name, d);
        std::printf("filter %s ratio to raw: %.2f\n", c.name, l / d);
    }
    std::printf("filter ratio to raw: %.2f\n", layerTotal / rawTotal);
    sqlite3_close(raw);

    // The whole register printed with two chosen columns, to a recorder.
    com::registerLibrary(QCoreApplication::applicationDirPath() + QStringLiteral("/libParvel.so"));
    auto rec = std::make_shared<prn::Recorder>();
    prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    QElapsedTimer t;
    t.start();
    PrintDeviceList({{QStringLiteral("设备编号"), 0, true}, {QStringLiteral("使用部门"), 1, true}}, QString(), QString(),
                    QString());
    std::printf("device list print ms: %.0f\n", t.nsecsElapsed() / 1e6);
    std::printf("device list print pages: %d\n", rec->pagesSent());

    // A refused 10 MB filter text: the message quotes an excerpt; a 10 MB LIKE value over 10 cells.
    const QString huge(10 << 20, u'x');
    t.restart();
    try {
        CheckUserFilter(QStringLiteral("[设备名称]='") + huge);
    } catch (const vb::Error& e) {
        std::printf("refused 10 MB filter message chars: %lld\n", static_cast<long long>(e.description().size()));
    }
    std::printf("refused 10 MB filter ms: %.1f\n", t.nsecsElapsed() / 1e6);
    t.restart();
    const RowCondition like(QStringLiteral("LIKE"), QStringLiteral("*") + huge, false);
    int kept = 0;
    for (int i = 0; i < 10; ++i)
        kept += like.passes(QStringLiteral("cell %1").arg(i)) ? 1 : 0;
    std::printf("row filter 10 MB LIKE over 10 cells ms: %.1f (kept %d)\n", t.nsecsElapsed() / 1e6, kept);
    gDatabase.Close();
    return 0;
}
