#include "main/reports/devicefields.h"
#include "main/reports/devicesummary.h"
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

namespace {

class SummaryTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        addSysInfo(100, u"Dev_Grp"_s, 1, u"车床组"_s);
        addSysInfo(101, u"Check"_s, 2, u"合格"_s);
        addSysInfo(102, u"Departs"_s, 3, u"机修车间"_s);
        addSysInfo(103, u"Trans"_s, 4, u"张三"_s);
    }

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
    EXPECT_EQ(DeviceSummary(1, [this](const QString& t) { posted << t; }), expected);
    EXPECT_EQ(expected.count(u"\r\n"_s), 21);
    EXPECT_EQ(posted, (QList<QString>{u"正在下载设备概要信息.."_s, QString()}));
}
