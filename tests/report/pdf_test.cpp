// The library as a host uses it: created by class identifier, printing a record
// set of the database layer to a PDF file.
#include <gtest/gtest.h>
#include "report/include/parvel.h"
#include "report/parvel.h"
#include "platform/dao/dao.h"
#include "platform/print/printer.h"
#include "shared/com/create.h"
#include "tests/common/testutil.h"
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

// Table "tmp_Tbl" of `rows` devices with long names, so that one column set fills the page.
dao::Database makeDevices(const QString& path, int rows)
{
    dao::Database db = dao::DBEngine::CreateDatabase(path, QString::fromLatin1(dao::dbLangChineseSimplified));
    dao::TableDef t = db.CreateTableDef(QStringLiteral("tmp_Tbl"));
    for (const char* name : {"编号", "名称"}) {
        dao::Field f = t.CreateField(QString::fromUtf8(name), dao::dbText, 100);
        f.setAllowZeroLength(true);
        t.Fields().Append(f);
    }
    t.Fields().Append(t.CreateField(QStringLiteral("价值"), dao::dbDouble));
    db.TableDefs().Append(t);
    dao::DBEngine::BeginTrans();
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("tmp_Tbl"));
    for (int i = 1; i <= rows; ++i) {
        rs.AddNew();
        rs(QStringLiteral("编号")).setValue(QStringLiteral("D%1").arg(i, 5, 10, QLatin1Char('0')));
        rs(QStringLiteral("名称")).setValue(QStringLiteral("第%1台全自动生化分析仪（含配套工作站、不间断电源与激光打印机）").arg(i));
        rs(QStringLiteral("价值")).setValue(1000.5 + i);
        rs.Update();
    }
    rs.Close();
    dao::DBEngine::CommitTrans();
    return db;
}

struct Sink final : com::Object<parvel::IParvelEvents> {
    QStringList seen;
    void StateChg(const QString& text, bool&) override { seen << text; }
};

TEST(ReportPdf, ThreePagesOfChineseThroughTheClassIdentifier)
{
    testutil::ProgramFolder folder;
    folder.registerComponents();
    prn::printer().reset();
    prn::printer().setDestination(prn::Printer::Destination::Pdf);

    dao::Database db = makeDevices(folder.file(QStringLiteral("Tmp_DB.tmp")), 60);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [tmp_Tbl];"));

    com::ComPtr<parvel::IParvel> rpt = com::createObject<parvel::IParvel>(parvel::CLSID_Parvel());
    rpt->setPaperSize(9);
    rpt->setCompany(QStringLiteral("某单位"));
    rpt->setUsrName(QStringLiteral("管理员"));
    com::ComPtr<Sink> sink = com::make<Sink>();
    rpt->Advise(sink.get());

    QList<parvel::PrnInfos> cols;
    for (const char* name : {"编号", "名称", "价值"})
        cols.append(parvel::PrnInfos{QString::fromUtf8(name), 0, parvel::alignRight, QString()});
    cols[2].Alignment = parvel::alignLeft;
    cols[2].NumberFormat = QStringLiteral("0.00");
    rpt->ReportPrint(cols, &rs, QStringLiteral("设备清单"), QStringLiteral("2026年03月04日"),
                     QStringLiteral("记录共计:60"));
    rpt->Advise(nullptr);
    rpt.reset();

    EXPECT_EQ(sink->seen.value(2), QStringLiteral("正在打印第1/3页。"));
    EXPECT_EQ(sink->seen.last(), QString());
    for (const parvel::PrnInfos& c : cols)
        EXPECT_GT(c.Width, 0);

    const QString path = prn::printer().takeLastDocument();
    prn::printer().reset();
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
    EXPECT_TRUE(p1.contains(QStringLiteral("设备清单"))) << p1.toStdString();
    EXPECT_TRUE(p1.contains(QStringLiteral("第1页共3页")));
    EXPECT_TRUE(p1.contains(QStringLiteral("2026年03月04日")));
    EXPECT_TRUE(p1.contains(QStringLiteral("第1台全自动生化分析仪")));
    EXPECT_TRUE(p1.contains(QStringLiteral("1001.50")));
    EXPECT_TRUE(p1.contains(QStringLiteral("操作员：管理员")));
    EXPECT_TRUE(p3.contains(QStringLiteral("第3页共3页")));
    EXPECT_TRUE(p3.contains(QStringLiteral("D00060")));
    EXPECT_TRUE(p3.contains(QStringLiteral("记录共计:60")));
    EXPECT_FALSE(p3.contains(QStringLiteral("D00050")));
    db.Close();
}

TEST(ReportPdf, CancelledPrintLeavesNoFile)
{
    testutil::ProgramFolder folder;
    prn::printer().reset();
    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    dao::Database db = makeDevices(folder.file(QStringLiteral("Tmp_DB.tmp")), 60);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [tmp_Tbl];"));

    struct Cancel final : com::Object<parvel::IParvelEvents> {
        void StateChg(const QString& text, bool& cancel) override { cancel = text.startsWith(QStringLiteral("正在打印第2")); }
    };
    com::ComPtr<parvel::IParvel> rpt = com::make<parvel::Parvel>();
    com::ComPtr<Cancel> sink = com::make<Cancel>();
    rpt->Advise(sink.get());
    QList<parvel::PrnInfos> cols(2);
    cols[0].Name = QStringLiteral("编号");
    cols[1].Name = QStringLiteral("名称");
    rpt->ReportPrint(cols, &rs, QStringLiteral("取消"));
    db.Close();
    EXPECT_TRUE(prn::printer().takeLastDocument().isEmpty());
    prn::printer().reset();
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*.pdf"), QStringLiteral(".*")}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST(ReportPdf, ForwardOnlyAndClonedRecordSets)
{
    testutil::ProgramFolder folder;
    auto rec = std::make_shared<prn::Recorder>();
    prn::printer().reset();
    prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    dao::Database db = makeDevices(folder.file(QStringLiteral("Tmp_DB.tmp")), 60);
    com::ComPtr<parvel::IParvel> rpt = com::make<parvel::Parvel>();
    QList<parvel::PrnInfos> cols(2);
    cols[0].Name = QStringLiteral("编号");
    cols[1].Name = QStringLiteral("[名称]");
    cols[0].Width = cols[1].Width = 100;

    // Forward only: counted by walking, still three pages of 25.
    dao::Recordset forward = db.OpenRecordset(QStringLiteral("SELECT * FROM [tmp_Tbl];"), dao::dbOpenForwardOnly);
    rpt->ReportPrint(cols, &forward, QStringLiteral("t"), QString(), QString(), QString(), 1, false);
    EXPECT_EQ(rec->pagesSent(), 3);

    // A clone, as the list printing passes it; the caller's record set keeps its row.
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [tmp_Tbl];"));
    rs.Move(9);
    dao::Recordset clone = rs.Clone();
    rec->clear();
    rpt->ReportPrint(cols, &clone, QStringLiteral("t"), QString(), QStringLiteral("合计"), QString(), 1, false);
    EXPECT_EQ(rec->pagesSent(), 3);
    EXPECT_EQ(rs(QStringLiteral("编号")).Value().toString(), QStringLiteral("D00010"));
    QStringList texts = rec->texts(3);
    EXPECT_TRUE(texts.contains(QStringLiteral("合计")));
    prn::printer().reset();
    db.Close();
}

TEST(ReportObject, PropertiesKeepWhatTheyAreGiven)
{
    testutil::ProgramFolder folder;
    prn::printer().reset();
    com::ComPtr<parvel::Parvel> rpt = com::make<parvel::Parvel>();
    EXPECT_EQ(rpt->PaperSize(), 9);
    EXPECT_FLOAT_EQ(rpt->Left(), 15);
    EXPECT_FLOAT_EQ(rpt->Bottom(), 15);
    EXPECT_TRUE(rpt->UsrName().isEmpty());

    rpt->setCompany(QStringLiteral("  某单位  "));
    EXPECT_EQ(rpt->Company(), QStringLiteral("某单位"));
    EXPECT_EQ(rpt->Company(), QStringLiteral("某单位"));
    rpt->setPhone(QStringLiteral(" 123 "));
    EXPECT_EQ(rpt->Phone(), QStringLiteral("123"));
    rpt->setLeft(-5);
    rpt->setTop(500);
    EXPECT_FLOAT_EQ(rpt->Left(), -5);
    EXPECT_FLOAT_EQ(rpt->Top(), 500);

    // The paper size is what the printer took.
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
