#include "main/reports/ui/printlist.h"
#include "tests/main/reports/ui/printfixture.h"
#include "tests/common/faultvfs.h"
#include "tests/common/raised.h"
#include <QFile>
#include <QTreeWidget>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

class PrintListTest : public testutil::PrintTest {
protected:
    // A list view with the given headers and rows.
    static std::unique_ptr<QTreeWidget> listView(const QStringList& headers, const QList<QStringList>& rows)
    {
        auto tree = std::make_unique<QTreeWidget>();
        tree->setHeaderLabels(headers);
        for (const QStringList& r : rows)
            tree->addTopLevelItem(new QTreeWidgetItem(r));
        return tree;
    }
};

TEST_F(PrintListTest, AListViewPrintsItsHeadersRowsAndTotalAndLeavesNoFile)
{
    QList<QStringList> rows = {{u"1"_s, u"x"_s, u"y"_s}};
    for (int i = 2; i <= 37; ++i)
        rows.append({QString::number(i), u"名称%1"_s.arg(i), u"2026-01-%1"_s.arg(i % 28 + 1, 2, 10, QChar(u'0'))});
    auto tree = listView({u"编号"_s, u"名称"_s, u"日期"_s}, rows);

    EXPECT_EQ(PrintListView(u"查询结果"_s, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), tree->model(), nullptr), 1);
    const QStringList t = printed();
    for (const QString& s : {u"查询结果"_s, u"2026年03月04日"_s, u"编号"_s, u"名称"_s, u"日期"_s, u"x"_s, u"y"_s,
                             u"记录共计:37"_s})
        EXPECT_TRUE(t.contains(s)) << s.toStdString();
    EXPECT_EQ(rec->pagesSent(), 1);  // three narrow columns: several sets side by side
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_TRUE(tempFiles().isEmpty());

    ASSERT_TRUE(gReport);
    EXPECT_EQ(gReport->PaperSize(), 9);
    EXPECT_EQ(gReport->Company(), OrganisationName());
    const auto first = gReport.get();
    EXPECT_EQ(PrintListView(u"查询结果"_s, QDateTime::currentDateTime(), tree->model(), nullptr), 1);
    EXPECT_NE(gReport.get(), first);  // a new report object per print
    EXPECT_FALSE(printed().contains(u"操作员：admin"_s));
    logIn(u"admin"_s, u"secret-1"_s);   // the footer names the operator
    PrintListView(u"查询结果"_s, QDateTime::currentDateTime(), tree->model(), nullptr);
    EXPECT_TRUE(printed().contains(u"操作员：admin"_s));

    // A text longer than a plain text field takes reaches the library, which cuts it to its column.
    rows[5][1] = QString(300, QChar(u'长'));
    auto longTree = listView({u"编号"_s, u"名称"_s, u"日期"_s}, rows);
    EXPECT_EQ(PrintListView(u"查询结果"_s, QDateTime::currentDateTime(), longTree->model(), nullptr), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(PrintListTest, ACallersRecordSetIsPrintedFromACloneAndCreatesNoFile)
{
    for (int i = 1; i <= 5; ++i)
        addDevice(i, u"SB-%1"_s.arg(i), QVariant(), 1);
    dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [设备编号],[Dep_ID] FROM [Dev_Info] ORDER BY [设备编号];"_s,
                                                dao::dbOpenSnapshot);
    rs.Move(2);
    EXPECT_EQ(PrintListView(u"设备清单"_s, QDateTime::currentDateTime(), nullptr, &rs), 1);
    EXPECT_EQ(rs(u"设备编号"_s).Value().toString(), u"SB-3"_s);
    EXPECT_TRUE(printed().contains(u"记录共计:5"_s));
    EXPECT_TRUE(printed().contains(u"SB-5"_s));
    EXPECT_TRUE(tempFiles().isEmpty());
    rs.Close();
}

TEST_F(PrintListTest, APrintWithoutPrinterTellsWhereItsFileIs)
{
    auto tree = listView({u"编号"_s}, {{u"1"_s}});
    // Recorded: nothing to tell.
    EXPECT_EQ(PrintListView(u"查询结果"_s, QDateTime::currentDateTime(), tree->model(), nullptr), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    EXPECT_EQ(PrintListView(u"查询结果"_s, QDateTime::currentDateTime(), tree->model(), nullptr), 1);
    ASSERT_EQ(ui::script::shown().size(), 1);
    const ui::ShownBox box = ui::script::last();
    EXPECT_EQ(box.style & 0x70, int(ui::vbInformation));
    const QStringList pdfs = QDir(folder->path()).entryList({u"查询结果*.pdf"_s}, QDir::Files);
    ASSERT_EQ(pdfs.size(), 1);
    EXPECT_TRUE(box.prompt.endsWith(QDir::toNativeSeparators(QDir(folder->path()).filePath(pdfs[0]))))
        << box.prompt.toStdString();
    EXPECT_TRUE(prn::printer().takeLastDocument().isEmpty());   // told once
}

TEST_F(PrintListTest, AFailingPrintShowsTheErrorReturnsZeroAndLeavesNoFile)
{
    QStringList wide;
    for (int i = 0; i < 40; ++i)
        wide << u"很长的列标题第%1列"_s.arg(i);
    // Two headers of one name: the second field is refused silently and the copy fails;
    // forty wide headings: the library gives the print up and its reason is shown.
    for (const QStringList& headers : {QStringList{u"编号"_s, u"编号"_s}, wide}) {
        auto tree = listView(headers, {headers});
        EXPECT_EQ(PrintListView(u"t"_s, QDateTime::currentDateTime(), tree->model(), nullptr), 0);
        EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbExclamation));
        EXPECT_TRUE(tempFiles().isEmpty());
        EXPECT_EQ(rec->pagesSent(), 0);
    }
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::script::last().prompt, u"报表没有打印：报表列数太多或某些字段太长，无法自动生成报表。"_s);
}

TEST_F(PrintListTest, TheTemporaryDatabaseIsKeyedOwnAndDeleted)
{
    QString path;
    {
        TempPrintDatabase a, b;
        EXPECT_NE(a.path(), b.path());
        AppendField(a.table(), u"名称"_s, kPrintTextType);
        dao::Recordset rs = a.Create();
        rs.AddNew();
        rs(0).setValue(u"SECRET-机密设备"_s);
        rs.Update();
        rs.Close();
        path = a.path();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
        EXPECT_FALSE(bytes.contains("SECRET"));
        EXPECT_FALSE(bytes.contains(u"机密设备"_s.toUtf8()));
        EXPECT_EQ(testutil::errorOf([&] { dao::DBEngine::OpenDatabase(path); }).number(), dao::err::NotValidPassword);
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(PrintListTest, ColumnInfosAlignTextRightAndTheRestLeft)
{
    dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [设备编号],[价值],[Dep_ID],[购置年代] FROM [Dev_Info];"_s,
                                                dao::dbOpenSnapshot);
    const QList<parvel::PrnInfos> infos = ColumnInfos(rs);
    ASSERT_EQ(infos.size(), 4);
    EXPECT_EQ(infos[0].Name, u"设备编号"_s);
    const qint16 expected[] = {1, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(infos[i].Alignment, expected[i]) << i;
        EXPECT_EQ(infos[i].Width, 0.0f);
        EXPECT_TRUE(infos[i].NumberFormat.isEmpty());
    }
    rs.Close();
}

TEST_F(PrintListTest, AppendFieldDefaultsDuplicatesAndFailures)
{
    TempPrintDatabase tmp;
    dao::TableDef& t = tmp.table();
    EXPECT_EQ(AppendField(t, u"甲"_s, dao::dbText), 1);
    EXPECT_EQ(t.Fields(u"甲"_s).Size(), 255);
    EXPECT_TRUE(t.Fields(u"甲"_s).AllowZeroLength());
    EXPECT_EQ(AppendField(t, u"乙"_s, dao::dbLong, -1, 0, -1), 1);
    EXPECT_EQ(AppendField(t, u"甲"_s, dao::dbText), 0);  // already defined: silent
    EXPECT_TRUE(ui::script::shown().isEmpty());

    EXPECT_EQ(AppendField(t, u"丙"_s, 99, -1, 0, -1, true), 0);  // silent
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(AppendField(t, u"丙"_s, 99), 0);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_TRUE(ui::script::last().prompt.endsWith(u"\r\n Err:[No 3001]"_s)) << ui::script::last().prompt.toStdString();
    EXPECT_EQ(t.Fields().Count(), 2);
}

// Rows of type "Batch" in SysInfo.
int batchRows()
{
    dao::Recordset rs =
        gDatabase.OpenRecordset(u"SELECT [ID] FROM [SysInfo] WHERE [Type]='Batch';"_s, dao::dbOpenSnapshot);
    int n = 0;
    for (; !rs.Eof(); rs.MoveNext())
        ++n;
    rs.Close();
    return n;
}

void addBatchRows(int first, int n, RowBatches& batches)
{
    dao::Recordset rs = gDatabase.OpenRecordset(u"SysInfo"_s, dao::dbOpenTable);
    for (int i = first; i < first + n; ++i) {
        rs.AddNew();
        rs(u"ID"_s).setValue(1000 + i);
        rs(u"Type"_s).setValue(u"Batch"_s);
        rs(u"No"_s).setValue(i);
        rs(u"Value"_s).setValue(QString::number(i));
        rs.Update();
        batches.added();
    }
    rs.Close();
}

TEST_F(PrintListTest, RowBatchesRollBackAnUnfinishedBatchAndCommitOnFinish)
{
    {
        RowBatches batches(3);
        addBatchRows(0, 2, batches);
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 1);
    }  // not finished: its rows go
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    EXPECT_EQ(batchRows(), 0);
    {
        RowBatches batches(3);
        addBatchRows(10, 7, batches);
        batches.finish();
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    }
    EXPECT_EQ(batchRows(), 7);
}

TEST_F(PrintListTest, RowBatchesLeaveNoTransactionOpenWhenTheCommitFails)
{
    {
        RowBatches batches(100);
        addBatchRows(0, 5, batches);
        faultvfs::Guard fault(faultvfs::Sync, 1, -1, u"Ostrel.mdb"_s);
        testutil::errorOf([&] { batches.finish(); });
        EXPECT_GT(faultvfs::failures(), 0);
    }
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    EXPECT_EQ(batchRows(), 0);
}

} // namespace
