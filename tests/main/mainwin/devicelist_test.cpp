// The device list model over a real file: first rows at once, the rest in chunks.
#include "main/mainwin/devicelist.h"
#include "main/core/devicefilter.h"
#include "tests/main/mainwin/listfixture.h"
#include "platform/core/format.h"
#include <QAbstractItemModelTester>
#include <QEventLoop>
#include <QSignalSpy>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

class DeviceListTest : public testutil::ListDatabaseTest {
protected:
    static void waitFor(DeviceListModel& m)
    {
        QEventLoop loop;
        QObject::connect(&m, &DeviceListModel::finished, &loop, &QEventLoop::quit);
        if (m.loading())
            loop.exec();
    }
    static QString cell(const DeviceListModel& m, int row, int column)
    {
        return m.data(m.index(row, column)).toString();
    }
};

TEST_F(DeviceListTest, RowsShowTheirColumnsAndTheTotalIsExact)
{
    addSysInfo(50, u"Departs"_s, 3, u"机房"_s);
    addSysInfo(51, u"Check"_s, 2, u"合格"_s);
    addDevice(7, u"B2"_s, QVariant(), QVariant(), QVariant(), 0, 3);
    addDevice(8, u"B1"_s, u"服务器"_s, 0.1, 2, 0, 3);
    addDevice(9, u"B3"_s, u"路由"_s, 0.2, 9, 4, QVariant());

    DeviceListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy done(&m, &DeviceListModel::finished);
    m.start(gDatabase, QString());
    EXPECT_FALSE(m.loading());
    EXPECT_EQ(done.count(), 1);
    ASSERT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.columnCount(), 6);
    EXPECT_EQ(m.headerData(5, Qt::Horizontal).toString(), u"使用部门"_s);
    // In the order of the number; Null name and value show empty, an unknown code nothing.
    const QStringList first = {cell(m, 0, 0), cell(m, 0, 1), cell(m, 0, 2), cell(m, 0, 3), cell(m, 0, 4), cell(m, 0, 5)};
    EXPECT_EQ(first, (QStringList{u"B1"_s, u"服务器"_s, u"0.1 "_s, u"合格"_s, u"未指定"_s, u"机房"_s}));
    EXPECT_EQ(cell(m, 1, 1), QString());
    EXPECT_EQ(cell(m, 1, 2), u" "_s);
    EXPECT_EQ(cell(m, 2, 3), QString());
    EXPECT_EQ(cell(m, 2, 4), u"报废"_s);
    EXPECT_EQ(cell(m, 2, 5), QString());
    EXPECT_EQ(m.data(m.index(1, 0), DeviceListModel::DevIdRole).toInt(), 7);
    EXPECT_EQ(m.findDevice(9), 2);
    EXPECT_EQ(m.findDevice(99), -1);
    // 0.1 + 0.2 summed in ten-thousandths is 0.3 exactly.
    EXPECT_EQ(m.totalTenThousandths(), 3000);
    EXPECT_EQ(FormatCurrency(m.totalTenThousandths()), vb::Format(0.3, u"Currency"_s));
}

TEST_F(DeviceListTest, FirstRowsAtOnceTheRestWhileTheLoopRuns)
{
    addDevices(1500);
    DeviceListModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);
    QList<QPair<int, int>> steps;
    QObject::connect(&m, &DeviceListModel::progress, [&](int read, int all) { steps << qMakePair(read, all); });
    m.start(gDatabase, QString());
    EXPECT_TRUE(m.loading());
    EXPECT_EQ(m.rowCount(), DeviceListModel::kFirstRows);
    waitFor(m);
    EXPECT_FALSE(m.loading());
    EXPECT_EQ(m.rowCount(), 1500);
    EXPECT_EQ(m.totalTenThousandths(), 1500 * 12500);
    ASSERT_FALSE(steps.isEmpty());
    for (const auto& s : steps)
        EXPECT_EQ(s.second, 1500);   // counted before the second chunk
    EXPECT_EQ(steps.last().first, 1500);
    EXPECT_EQ(cell(m, 1499, 0), u"D01500"_s);

    // A narrowed list counts exactly the rows it then reads.
    for (const QString& where : {ListWhere(QString(), QString(), u"2"_s), ListWhere(QString(), u"[Dev_ID]>700"_s, u"1,2"_s)}) {
        steps.clear();
        m.start(gDatabase, where);
        waitFor(m);
        ASSERT_GT(m.rowCount(), DeviceListModel::kFirstRows);
        ASSERT_FALSE(steps.isEmpty());
        for (const auto& s : steps)
            EXPECT_EQ(s.second, m.rowCount()) << where.toStdString();
    }
    // Uncounted, the number is known once the rows are read.
    steps.clear();
    m.start(gDatabase, QString(), false);
    waitFor(m);
    EXPECT_EQ(steps.last(), qMakePair(1500, 1500));
    for (int i = 0; i + 1 < steps.size(); ++i)
        EXPECT_EQ(steps[i].second, 0);
}

TEST_F(DeviceListTest, FinishReadsTheRestAndARestartStopsTheRunningRead)
{
    addDevices(600);
    DeviceListModel m;
    m.start(gDatabase, QString());
    ASSERT_TRUE(m.loading());
    m.finish();
    EXPECT_FALSE(m.loading());
    EXPECT_EQ(m.rowCount(), 600);

    // A new load while one runs: the old read stops, the new one alone fills the list.
    m.start(gDatabase, QString());
    ASSERT_TRUE(m.loading());
    m.start(gDatabase, ListWhere(QString(), QString(), u"2"_s));
    waitFor(m);
    EXPECT_EQ(m.rowCount(), 200);
    for (int i = 0; i < m.rowCount(); ++i)
        ASSERT_EQ((m.devId(i) - 1) % 3, 1);
    EXPECT_EQ(m.totalTenThousandths(), 200 * 12500);

    m.start(gDatabase, QString());
    m.cancel();
    EXPECT_FALSE(m.loading());
    EXPECT_EQ(m.rowCount(), DeviceListModel::kFirstRows);
}

TEST_F(DeviceListTest, AQueryThatFailsKeepsTheRows)
{
    addDevices(3);
    DeviceListModel m;
    m.start(gDatabase, QString());
    ASSERT_EQ(m.rowCount(), 3);
    EXPECT_THROW(m.start(gDatabase, u" WHERE [无此列]=1"_s), vb::Error);
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.totalTenThousandths(), 3 * 12500);
}

} // namespace
