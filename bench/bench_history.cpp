// The history report's queries over 100,000 transfers and 100,000 maintenance rows: the
// report's row function through the layer, side by side with raw SQLite stepping the
// layer's translation of the same statement and making the same cells with the same
// functions; then the report window filled offscreen.
#include "bench/benchutil.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "main/reports/ui/frmreport.h"
#include "main/reports/historyquery.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/dao/jetsql.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/dao/transaction.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

using namespace ostrel;

namespace {

const int kRows = 100000;
const int kDevices = 2000;
const int kRounds = 5;
const QDateTime kFirst(QDate(2020, 1, 1), QTime(8, 0));

using benchutil::median;

void fill()
{
    dao::Transaction tx;
    int id = 5000;
    const char* lists[][2] = {{"Departs", "部门"}, {"Trans", "经办人"}, {"MTypes", "维修类别"}, {"Mains", "维修商"}};
    for (const auto& l : lists)
        for (int no = 1; no <= 20; ++no)
            gDatabase.Execute(QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (%1,'%2',%3,'%4%3');")
                                  .arg(++id)
                                  .arg(QString::fromUtf8(l[0]))
                                  .arg(no)
                                  .arg(QString::fromUtf8(l[1])));
    for (int i = 1; i <= kDevices; ++i)
        gDatabase.Execute(QStringLiteral("INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[设备名称]) VALUES (%1,'A-%2','车床%3');")
                              .arg(i)
                              .arg(i, 6, 10, QLatin1Char('0'))
                              .arg(i % 77));
    for (int i = 1; i <= kRows; ++i) {
        const QString date = kFirst.addSecs(qint64(i) * 600).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        gDatabase.Execute(QStringLiteral("INSERT INTO [Transfer] ([ID],[Dev_ID],[Sur_ID],[Tar_ID],[调前地点],[调后地点],"
                                         "[经办人],[日期],[备注]) VALUES (%1,%2,%3,%4,'一楼%1','二楼',%5,#%6#,'调拨');")
                              .arg(i)
                              .arg(i % kDevices + 1)
                              .arg(i % 20 + 1)
                              .arg((i + 3) % 20 + 1)
                              .arg(i % 21) // code 0 has no row: an empty cell
                              .arg(date));
        gDatabase.Execute(QStringLiteral("INSERT INTO [Maintain] ([ID],[Dev_ID],[MType],[Main_ID],[费用],[经办人],[日期],"
                                         "[备注]) VALUES (%1,%2,%3,%4,%5,%6,#%7#,'保养');")
                              .arg(i)
                              .arg(i % kDevices + 1)
                              .arg(i % 20 + 1)
                              .arg(i % 19 + 1)
                              .arg(100.5 + i % 1000)
                              .arg(i % 20 + 1)
                              .arg(date));
    }
    tx.commit();
}

QVector<CodeTable> codesOf(int kind)
{
    QVector<CodeTable> codes;
    for (const QString& t : HistoryCodeTypes(kind))
        codes << CodeList(t, true);
    return codes;
}

double layerRun(int kind, const QDateTime& start, const QDateTime& end, const QVector<CodeTable>& codes, int* rows)
{
    QElapsedTimer t;
    t.start();
    QVector<HistoryRow> out;
    HistoryRows(gDatabase, kind, start, end, codes, out);
    const double ms = t.nsecsElapsed() / 1e6;
    *rows = out.size();
    return ms;
}

// The layer's translation on raw SQLite, the same cells made by the same HistoryCells.
double rawRun(sqlite3* db, int kind, const QDateTime& start, const QDateTime& end, const QVector<CodeTable>& codes,
              int* rows)
{
    const QByteArray sql = dao::jetsql::translate(HistoryStatement(kind, start, end)).sql.toUtf8();
    QElapsedTimer t;
    t.start();
    const HistoryCells cells(kind, codes);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    std::vector<int> at;
    for (const QString& name : cells.columns()) {
        int found = -1;
        for (int c = 0; c < sqlite3_column_count(st) && found < 0; ++c)
            if (QString::fromUtf8(sqlite3_column_name(st, c)).compare(name, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0) {
            std::fprintf(stderr, "no column %s\n", name.toUtf8().constData());
            std::exit(1);
        }
        at.push_back(found);
    }
    QVector<QVariant> values(int(at.size()));
    QVector<HistoryRow> out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < int(at.size()); ++i) {
            const int c = at[i];
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: values[i] = QVariant(qint64(sqlite3_column_int64(st, c))); break;
            case SQLITE_FLOAT: values[i] = QVariant(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT:
                values[i] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                              sqlite3_column_bytes(st, c));
                break;
            default: values[i] = QVariant(); break;
            }
        }
        out.append(cells.row(values.constData()));
    }
    sqlite3_finalize(st);
    const double ms = t.nsecsElapsed() / 1e6;
    *rows = out.size();
    return ms;
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
    QElapsedTimer filling;
    filling.start();
    fill();
    std::printf("fill seconds: %.1f\n", filling.nsecsElapsed() / 1e9);

    sqlite3* raw = benchutil::openRawRegister(plat::appFile(QStringLiteral("Ostrel.mdb")), SQLITE_OPEN_READONLY);

    // A range holding 90% of the rows.
    const QDateTime start = kFirst.addSecs(qint64(kRows / 20) * 600);
    const QDateTime end = kFirst.addSecs(qint64(kRows - kRows / 20) * 600);
    double layerTotal = 0, rawTotal = 0;
    for (int kind : {0, 1}) {
        const QVector<CodeTable> codes = codesOf(kind);
        std::vector<double> layer, direct;
        int layerRows = 0, rawRows = 0;
        for (int r = 0; r < kRounds; ++r) {
            layer.push_back(layerRun(kind, start, end, codes, &layerRows));
            direct.push_back(rawRun(raw, kind, start, end, codes, &rawRows));
        }
        if (layerRows != rawRows) {
            std::fprintf(stderr, "kind %d: %d rows through the layer, %d raw\n", kind, layerRows, rawRows);
            return 1;
        }
        const double l = median(layer), d = median(direct);
        layerTotal += l;
        rawTotal += d;
        std::printf("history kind %d rows: %d\n", kind, layerRows);
        std::printf("history kind %d layer ms: %.1f\n", kind, l);
        std::printf("history kind %d raw ms: %.1f\n", kind, d);
        std::printf("history kind %d ratio to raw: %.2f\n", kind, l / d);
    }
    std::printf("history query ratio to raw: %.2f\n", layerTotal / rawTotal);
    sqlite3_close(raw);

    {
        frmReport w;
        QElapsedTimer t;
        t.start();
        w.Report(0, start, end);
        std::printf("report window seconds: %.2f\n", t.nsecsElapsed() / 1e9);
        std::printf("report window rows: %d\n", w.lvwReport->topLevelItemCount());
        t.restart();
        QStringList values;
        w.frmDataFilt_GetValue(QStringLiteral("原安装地点"), values);
        std::printf("report column values seconds: %.2f\n", t.nsecsElapsed() / 1e9);
        t.restart();
        w.frmDataFilt_Apply(8, QStringLiteral("="), QStringLiteral("经办人3"), false);
        std::printf("report row filter seconds: %.2f\n", t.nsecsElapsed() / 1e9);
        std::printf("report rows kept: %d\n", w.lvwReport->topLevelItemCount());
    }
    if (!ui::script::shown().isEmpty()) {
        std::fprintf(stderr, "a message was shown: %s\n", ui::script::last().prompt.toUtf8().constData());
        return 1;
    }
    gDatabase.Close();
    return 0;
}
