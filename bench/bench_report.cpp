// A 10,000-row report printed to PDF, and how its cost grows with the rows.
#include "bench/benchutil.h"
#include "report/include/parvel.h"
#include "report/parvel.h"
#include "platform/core/app.h"
#include "platform/dao/dao.h"
#include "platform/print/printer.h"
#include "platform/dao/transaction.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

struct PageCounter final : com::Object<parvel::IParvelEvents> {
    int pages = 0;
    void StateChg(const QString& text, bool&) override
    {
        if (text.startsWith(QStringLiteral("正在打印第")))
            ++pages;
    }
};

void fill(dao::Database& db, const QString& table, int rows)
{
    dao::TableDef t = db.CreateTableDef(table);
    for (const char* name : {"编号", "名称", "部门"}) {
        dao::Field f = t.CreateField(QString::fromUtf8(name), dao::dbText, 100);
        f.setAllowZeroLength(true);
        t.Fields().Append(f);
    }
    t.Fields().Append(t.CreateField(QStringLiteral("价值"), dao::dbDouble));
    db.TableDefs().Append(t);
    dao::Transaction tx;
    dao::Recordset rs = db.OpenRecordset(table);
    for (int i = 1; i <= rows; ++i) {
        rs.AddNew();
        rs(QStringLiteral("编号")).setValue(QStringLiteral("D%1").arg(i, 5, 10, QLatin1Char('0')));
        rs(QStringLiteral("名称")).setValue(QStringLiteral("第%1台全自动生化分析仪").arg(i));
        rs(QStringLiteral("部门")).setValue(QStringLiteral("检验科%1").arg(i / 40 + 1));
        rs(QStringLiteral("价值")).setValue(1000.5 + i);
        rs.Update();
    }
    rs.Close();
    tx.commit();
}

// Seconds to print the table; pages printed in *pages.
double printTable(dao::Database& db, const QString& table, int* pages)
{
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [%1];").arg(table));
    com::ComPtr<parvel::IParvel> rpt = com::make<parvel::Parvel>();
    com::ComPtr<PageCounter> counter = com::make<PageCounter>();
    rpt->Advise(counter.get());
    QList<parvel::PrnInfos> cols;
    for (const char* name : {"编号", "名称", "部门", "价值"})
        cols.append(parvel::PrnInfos{QString::fromUtf8(name), 0, parvel::alignRight, QString()});
    cols[3].NumberFormat = QStringLiteral("0.00");
    QElapsedTimer timer;
    timer.start();
    rpt->ReportPrint(cols, &rs, QStringLiteral("设备清单"), QStringLiteral("2026年03月04日"),
                     QStringLiteral("记录共计:%1").arg(table.mid(1)), QString(), 0, true, true);
    const double seconds = timer.nsecsElapsed() / 1e9;
    rpt->Advise(nullptr);
    rs.Close();
    *pages = counter->pages;
    const QString pdf = prn::printer().takeLastDocument();
    if (pdf.isEmpty())
        std::fprintf(stderr, "no PDF written for %s\n", qPrintable(table));
    else if (qEnvironmentVariableIsSet("BENCH_KEEP_PDF"))
        QFile::copy(pdf, QDir(qEnvironmentVariable("BENCH_KEEP_PDF")).filePath(table + QStringLiteral(".pdf")));
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    benchutil::offscreenUnlessChosen();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    plat::setAppPath(dir.path());
    prn::printer().setDestination(prn::Printer::Destination::Pdf);

    dao::Database db = dao::DBEngine::CreateDatabase(dir.filePath(QStringLiteral("bench.mdb")),
                                                     QString::fromLatin1(dao::dbLangChineseSimplified));
    fill(db, QStringLiteral("R1000"), 1000);
    fill(db, QStringLiteral("R10000"), 10000);

    int pagesSmall = 0, pagesLarge = 0;
    printTable(db, QStringLiteral("R1000"), &pagesSmall); // warms fonts and caches
    const double small = printTable(db, QStringLiteral("R1000"), &pagesSmall);
    const double large = printTable(db, QStringLiteral("R10000"), &pagesLarge);
    db.Close();

    std::printf("pages (10000 rows): %d\n", pagesLarge);
    std::printf("seconds (10000 rows): %.3f\n", large);
    std::printf("pages per second: %.1f\n", pagesLarge / large);
    std::printf("ratio 10000 to 1000 rows: %.2f\n", large / small);
    return pagesLarge > 0 ? 0 : 1;
}
