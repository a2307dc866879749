// The library as a host uses it: created by class identifier, printing a record
// set of the database layer to a PDF file.
#include <gtest/gtest.h>
#include "report/include/parvel.h"
#include "report/parvel.h"
#include "platform/dao/dao.h"
#include "platform/print/printer.h"
#include "shared/com/create.h"
#include "tests/common/testutil.h"
#include "platform/dao/transaction.h"
#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess proc;
    proc.start(program, args);
    proc.waitForFinished(60000);
    return QString::fromUtf8(proc.readAllStandardOutput());
}

// Table "tmp_Tbl" of 60 devices with long names, so that one column set fills the page.
struct ReportPdf : ::testing::Test {
    testutil::ProgramFolder folder;
    dao::Database db;
    QList<parvel::PrnInfos> cols = QList<parvel::PrnInfos>(2);

    void SetUp() override
    {
        prn::printer().reset();
        prn::printer().setDestination(prn::Printer::Destination::Pdf);
        db = dao::DBEngine::CreateDatabase(folder.file(QStringLiteral("Tmp_DB.tmp")),
                                           QString::fromLatin1(dao::dbLangChineseSimplified));
        dao::TableDef t = db.CreateTableDef(QStringLiteral("tmp_Tbl"));
        for (const char* name : {"编号", "名称"}) {
            dao::Field f = t.CreateField(QString::fromUtf8(name), dao::dbText, 100);
            f.setAllowZeroLength(true);
            t.Fields().Append(f);
        }
        t.Fields().Append(t.CreateField(QStringLiteral("价值"), dao::dbDouble));
        db.TableDefs().Append(t);
        dao::Transaction tx;
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("tmp_Tbl"));
        for (int i = 1; i <= 60; ++i) {
            rs.AddNew();
            rs(QStringLiteral("编号")).setValue(QStringLiteral("D%1").arg(i, 5, 10, QLatin1Char('0')));
            rs(QStringLiteral("名称")).setValue(QStringLiteral("第%1台全自动生化分析仪（含配套工作站、不间断电源与激光打印机）").arg(i));
            rs(QStringLiteral("价值")).setValue(1000.5 + i);
            rs.Update();
        }
        rs.Close();
        tx.commit();
        cols[0].Name = QStringLiteral("编号");
        cols[1].Name = QStringLiteral("名称");
    }
    void TearDown() override
    {
        db.Close();
        prn::printer().reset();
    }
    dao::Recordset open(int type = 0)
    {
        return db.OpenRecordset(QStringLiteral("SELECT * FROM [tmp_Tbl];"), type);
    }
};

struct CancelAtPage2 final : com::Object<parvel::IParvelEvents> {
    void StateChg(const QString& text, bool& cancel) override { cancel = text.startsWith(QStringLiteral("正在打印第2")); }
};

TEST_F(ReportPdf, ThreePagesOfChineseThroughTheClassIdentifier)
{
    folder.registerComponents();
    dao::Recordset rs = open();
    com::ComPtr<parvel::IParvel> rpt = com::createObject<parvel::IParvel>(parvel::CLSID_Parvel());
    rpt->setPaperSize(9);
    rpt->setUsrName(QStringLiteral("管理员"));

    cols[0].Alignment = cols[1].Alignment = parvel::alignRight;
    cols.append(parvel::PrnInfos{QStringLiteral("价值"), 0, parvel::alignLeft, QStringLiteral("0.00")});
    rpt->ReportPrint(cols, &rs, QStringLiteral("设备清单"), QStringLiteral("2026年03月04日"),
                     QStringLiteral("记录共计:60"));
    rpt.reset();

    const QString path = prn::printer().takeLastDocument();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("设备清单_")));
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());

    const QString info = run(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12](\\.\\d+)? x 595")))) << info.toStdString();
    const auto pageText = [&](int page) {
        QString t = run(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                      QString::number(page), path, QStringLiteral("-")});
        return t.remove(QRegularExpression(QStringLiteral("\\s")));
    };
    const QString p1 = pageText(1), p3 = pageText(3);
    for (const char* s : {"设备清单", "第1页共3页", "2026年03月04日", "第1台全自动生化分析仪", "1001.50", "操作员：管理员"})
        EXPECT_TRUE(p1.contains(QString::fromUtf8(s))) << s << '\n' << p1.toStdString();
    for (const char* s : {"第3页共3页", "D00060", "记录共计:60"})
        EXPECT_TRUE(p3.contains(QString::fromUtf8(s))) << s << '\n' << p3.toStdString();
    EXPECT_FALSE(p3.contains(QStringLiteral("D00050")));
}

TEST_F(ReportPdf, CancelledPrintLeavesNoFile)
{
    dao::Recordset rs = open();
    com::ComPtr<parvel::IParvel> rpt = com::make<parvel::Parvel>();
    com::ComPtr<CancelAtPage2> sink = com::make<CancelAtPage2>();
    rpt->Advise(sink.get());
    rpt->ReportPrint(cols, &rs, QStringLiteral("取消"));
    EXPECT_TRUE(prn::printer().takeLastDocument().isEmpty());
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*.pdf"), QStringLiteral(".*")}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST_F(ReportPdf, ForwardOnlyAndClonedRecordSets)
{
    auto rec = std::make_shared<prn::Recorder>();
    prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    com::ComPtr<parvel::IParvel> rpt = com::make<parvel::Parvel>();
    cols[1].Name = QStringLiteral("[名称]");
    cols[0].Width = cols[1].Width = 100;

    // Forward only: counted by walking, still three pages of 25.
    dao::Recordset forward = open(dao::dbOpenForwardOnly);
    rpt->ReportPrint(cols, &forward, QStringLiteral("t"), QString(), QString(), QString(), 1, false);
    EXPECT_EQ(rec->pagesSent(), 3);

    // A clone, as the list printing passes it; the caller's record set keeps its row.
    dao::Recordset rs = open();
    rs.Move(9);
    dao::Recordset clone = rs.Clone();
    rec->clear();
    rpt->ReportPrint(cols, &clone, QStringLiteral("t"), QString(), QStringLiteral("合计"), QString(), 1, false);
    EXPECT_EQ(rec->pagesSent(), 3);
    EXPECT_EQ(rs(QStringLiteral("编号")).Value().toString(), QStringLiteral("D00010"));
    EXPECT_TRUE(rec->texts(3).contains(QStringLiteral("合计")));
}

TEST(ReportObject, TextsAreTrimmedAndThePaperSizeIsWhatThePrinterTook)
{
    testutil::ProgramFolder folder;
    prn::printer().reset();
    com::ComPtr<parvel::Parvel> rpt = com::make<parvel::Parvel>();
    EXPECT_EQ(rpt->PaperSize(), 9);
    rpt->setCompany(QStringLiteral("  某单位  "));
    EXPECT_EQ(rpt->Company(), QStringLiteral("某单位"));

    rpt->setPaperSize(8);
    EXPECT_EQ(rpt->PaperSize(), 8);
    EXPECT_EQ(prn::printer().PaperSize(), 8);
    rpt->setPaperSize(100000);
    EXPECT_EQ(rpt->PaperSize(), 8);
    rpt->setPaperSize(2); // no such paper
    EXPECT_EQ(rpt->PaperSize(), 8);
    prn::printer().setPaperSize(11);
    com::ComPtr<parvel::Parvel> fresh = com::make<parvel::Parvel>();
    EXPECT_EQ(fresh->PaperSize(), 9); // a new object does not ask the printer
    prn::printer().reset();
}

} // namespace
