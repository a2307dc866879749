#include "main/core/ui/status.h"
#include "main/reports/devicesummary.h"
#include "main/reports/ui/summarytext.h"
#include "platform/cindral/cindral.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "tests/main/core/dbfixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

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
