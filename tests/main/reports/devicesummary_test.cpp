#include "main/core/status.h"
#include "main/reports/devicefields.h"
#include "main/reports/devicesummary.h"
#include "platform/cindral/cindral.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "tests/main/core/dbfixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

TEST(DeviceFields, TheCatalogueGivesBothTablesExactly)
{
    FieldTable normal{{QStringLiteral("stale")}}, coded;
    ParseDeviceFields(normal, coded);
    ASSERT_EQ(normal.size(), 2);
    EXPECT_EQ(normal[0], QStringList({u"设备编号"_s, u"设备名称"_s, u"卡片编号"_s, u"设备大类"_s, u"设备属类"_s,
                                      u"设备组别"_s, u"价值"_s, u"购置年代"_s, u"安装地点"_s, u"制造商"_s,
                                      u"型号规格"_s, u"出厂编号"_s, u"出厂日期"_s, u"启用日期"_s, u"资金来源"_s}));
    EXPECT_EQ(normal[1], QStringList({u"设备编号"_s, u"设备名称"_s, u"卡片编号"_s, u"设备大类"_s, u"设备属类"_s,
                                      u"设备组别"_s, u"价值"_s, u"购置年代"_s, u"安装地点"_s, u"Manufacturer"_s,
                                      u"Model"_s, u"ManuNo"_s, u"ManuDate"_s, u"启用日期"_s, u"资金来源"_s}));
    ASSERT_EQ(coded.size(), 4);
    EXPECT_EQ(coded[0], QStringList({u"设备组别"_s, u"验收状况"_s, u"设备状况"_s, u"责任人"_s, u"使用部门"_s}));
    EXPECT_EQ(coded[1], QStringList({u"Dev_Grp"_s, u"Check"_s, u"State"_s, u"Trans"_s, u"Departs"_s}));
    EXPECT_EQ(coded[2], QStringList({u"Dev_Grp"_s, u"验收状况"_s, u"设备状况"_s, u"责任人"_s, u"Dep_ID"_s}));
    EXPECT_EQ(coded[3], QStringList(5, QString()));
}

TEST(DeviceFields, DefaultsApplyAndOtherKindsAreDropped)
{
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded, u"甲,2,x,y;乙,,B;丙;丁,1,T;戊,1,,C;己,0,,ignored;庚,01,Z"_s);
    EXPECT_EQ(normal[0], QStringList({u"乙"_s, u"丙"_s, u"己"_s}));
    EXPECT_EQ(normal[1], QStringList({u"B"_s, u"丙"_s, u"己"_s}));
    EXPECT_EQ(coded[0], QStringList({u"丁"_s, u"戊"_s}));
    EXPECT_EQ(coded[1], QStringList({u"T"_s, u"戊"_s}));
    EXPECT_EQ(coded[2], QStringList({u"丁"_s, u"C"_s}));
    EXPECT_EQ(coded[3], QStringList({QString(), QString()}));
}

TEST(StatusTexts, ProgressIsAWholePercentage)
{
    struct Case {
        qint64 done, count;
        int percent;
        bool rounded = false;
    };
    for (const Case& c : {Case{0, 7, 0}, Case{1, 3, 33}, Case{2, 3, 66}, Case{3, 3, 100}, Case{199, 200, 99},
                          Case{5, 0, 0}, Case{3000000000LL, 3000000000LL, 100}, Case{50, 120, 41},
                          Case{50, 120, 42, true}, Case{2, 3, 67, true}, Case{1, 3, 33, true}, Case{1, 8, 13, true},
                          Case{5, 0, 0, true}})
        EXPECT_EQ(ProgressPercent(c.done, c.count, c.rounded), c.percent) << c.done << "/" << c.count;

    cindral::Hub hub;
    cindral::Messenger messenger;
    gMsgHub = &hub;
    gMessenger = &messenger;
    QList<QString> posted;
    QObject::connect(&messenger, &cindral::Messenger::NewMessage, [&](const QString& t) { posted << t; });
    ShowProgress(true);
    EXPECT_TRUE(hub.progressShown());
    SetProgress(2, 3);
    EXPECT_EQ(hub.progress(), 66);
    ShowProgress(false);
    EXPECT_FALSE(hub.progressShown());
    PostStatus(u"正在下载设备数据,请稍候.."_s, 0, 0);
    EXPECT_EQ(messenger.status(), u"正在下载设备数据,请稍候.."_s);
    PostStatus(QString(), -1, 0);
    EXPECT_EQ(posted, (QList<QString>{u"正在下载设备数据,请稍候.."_s, QString()}));
    gMsgHub = nullptr;
    gMessenger = nullptr;
    EXPECT_NO_THROW(ShowProgress(true));   // nothing without the objects
}

namespace {

class SummaryTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        ui::script::enable();
        ui::script::clear();
        gMessenger = &messenger;
        QObject::connect(&messenger, &cindral::Messenger::NewMessage, [this](const QString& t) { posted << t; });
        addSysInfo(100, u"Dev_Grp"_s, 1, u"车床组"_s);
        addSysInfo(101, u"Check"_s, 2, u"合格"_s);
        addSysInfo(102, u"Departs"_s, 3, u"机修车间"_s);
        addSysInfo(103, u"Trans"_s, 4, u"张三"_s);
    }
    void TearDown() override
    {
        gMessenger = nullptr;
        MainDatabaseTest::TearDown();
    }

    void addDevice(qint32 id, const QVariant& host, const QVariant& group = QVariant(),
                   const QVariant& person = QVariant())
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"Dev_Info"_s, dao::dbOpenDynaset);
        rs.AddNew();
        rs(u"Dev_ID"_s).setValue(id);
        rs(u"设备编号"_s).setValue(u"SB-%1"_s.arg(id));
        rs(u"Mas_ID"_s).setValue(host);
        rs(u"Dev_Grp"_s).setValue(group);
        rs(u"责任人"_s).setValue(person);
        rs.Update();
        rs.Close();
    }

    cindral::Messenger messenger;
    QList<QString> posted;
};

} // namespace

TEST_F(SummaryTest, TwentyOneLabelledLinesWithCodesAsTheirTexts)
{
    dao::Recordset rs = gDatabase.OpenRecordset(u"Dev_Info"_s, dao::dbOpenDynaset);
    rs.AddNew();
    rs(u"Dev_ID"_s).setValue(1);
    rs(u"设备编号"_s).setValue(u"SB-01"_s);
    rs(u"设备名称"_s).setValue(u"车床"_s);
    rs(u"卡片编号"_s).setValue(u"K1"_s);
    rs(u"设备大类"_s).setValue(u"机床"_s);
    rs(u"设备属类"_s).setValue(u"金切"_s);
    rs(u"设备组别"_s).setValue(u"车床类"_s);
    rs(u"价值"_s).setValue(12.5);
    rs(u"购置年代"_s).setValue(QDateTime(QDate(2020, 5, 6), QTime(0, 0)));
    rs(u"安装地点"_s).setValue(u"一楼"_s);
    rs(u"Manufacturer"_s).setValue(u"厂"_s);
    rs(u"ManuDate"_s).setValue(u"2019年"_s);
    rs(u"启用日期"_s).setValue(QDateTime(QDate(2020, 6, 1), QTime(8, 30)));
    rs(u"Dev_Grp"_s).setValue(1);
    rs(u"验收状况"_s).setValue(2);
    rs(u"设备状况"_s).setValue(4);
    rs(u"责任人"_s).setValue(9);   // a code without a row
    rs(u"Dep_ID"_s).setValue(3);
    rs.Update();
    rs.Close();

    const QString expected = u"\r\n主机编号:\t无"
                             u"\r\n设备编号:\tSB-01\r\n设备名称:\t车床\r\n卡片编号:\tK1\r\n设备大类:\t机床"
                             u"\r\n设备属类:\t金切\r\n设备组别:\t车床类\r\n价值    :\t12.5\r\n购置年代:\t2020-05-06"
                             u"\r\n安装地点:\t一楼\r\n制造商  :\t厂\r\n型号规格:\t\r\n出厂编号:\t\r\n出厂日期:\t2019年"
                             u"\r\n启用日期:\t2020-06-01 08:30:00\r\n资金来源:\t"
                             u"\r\n设备组别:\t车床组\r\n验收状况:\t合格\r\n设备状况:\t报废\r\n责任人  :\t"
                             u"\r\n使用部门:\t机修车间"_s;
    EXPECT_EQ(DeviceSummary(1), expected);
    EXPECT_EQ(expected.count(u"\r\n"_s), 21);
    EXPECT_EQ(posted, (QList<QString>{u"正在下载设备概要信息.."_s, QString()}));
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(SummaryTest, HostFlagNoKeyNoRowAndFailure)
{
    struct Case {
        qint32 id;
        QVariant host;
        QString shown;
    };
    const Case cases[] = {{1, QVariant(), u"无"_s}, {2, 0, u"无"_s}, {3, -2, u"无"_s}, {4, 1, u"有"_s}, {5, 7, u"有"_s}};
    for (const Case& c : cases) {
        addDevice(c.id, c.host);
        const QString s = GetDeviceSummary(c.id);
        EXPECT_TRUE(s.startsWith(u"\r\n主机编号:\t"_s + c.shown + u"\r\n"_s)) << c.id;
        EXPECT_TRUE(s.contains(u"\r\n设备组别:\t\r\n"_s)) << c.id;   // a Null code: empty
    }

    for (qint32 key : {0, -1, 99}) {
        posted.clear();
        EXPECT_EQ(GetDeviceSummary(key), QString()) << key;
        EXPECT_EQ(posted, (QList<QString>{u"正在下载设备概要信息.."_s, QString()})) << key;
    }
    EXPECT_TRUE(ui::script::shown().isEmpty());

    gDatabase.Close();
    gDatabase = dao::Database();
    posted.clear();
    EXPECT_EQ(GetDeviceSummary(1), QString());
    EXPECT_EQ(posted, (QList<QString>{u"正在下载设备概要信息.."_s, QString()}));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::shown()[0].style & ui::vbExclamation, ui::vbExclamation);
    EXPECT_EQ(ui::busyDepth(), 0);
    EXPECT_THROW(DeviceSummary(1), vb::Error);
}

TEST_F(SummaryTest, AnOlderTableWithoutACatalogueColumnGivesAnEmptyTextAndOneMessage)
{
    gDatabase.Close();
    gDatabase = dao::DBEngine::CreateDatabase(folder->file(u"old.mdb"_s),
                                              QString::fromLatin1(dao::dbLangChineseSimplified));
    dao::TableDef td = gDatabase.CreateTableDef(u"Dev_Info"_s);
    td.Fields().Append(td.CreateField(u"Dev_ID"_s, dao::dbLong));
    td.Fields().Append(td.CreateField(u"Mas_ID"_s, dao::dbLong));
    td.Fields().Append(td.CreateField(u"设备编号"_s, dao::dbText, 50));
    gDatabase.TableDefs().Append(td);
    gDatabase.Execute(u"INSERT INTO [Dev_Info] ([Dev_ID],[Mas_ID],[设备编号]) VALUES (1,0,'A');"_s);

    EXPECT_EQ(GetDeviceSummary(1), QString());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(posted, (QList<QString>{u"正在下载设备概要信息.."_s, QString()}));
    EXPECT_EQ(ui::busyDepth(), 0);
}
