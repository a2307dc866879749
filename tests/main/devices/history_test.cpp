#include "main/devices/history.h"
#include "main/core/devicetable.h"
#include "platform/dao/transaction.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace ostrel::devices;
using testutil::errorOf;

namespace {

const QDateTime kWhen(QDate(2026, 3, 4), QTime(9, 30));

class HistoryTest : public testutil::DeviceDatabaseTest {
protected:
    void SetUp() override
    {
        DeviceDatabaseTest::SetUp();
        addDevice(5, QStringLiteral("D5"), QVariant(), 1, QStringLiteral("一楼"));
        gDatabase.Execute(QStringLiteral("UPDATE [Dev_Info] SET [验收状况]=0, [设备状况]=2;"));
    }

    static TransferEntry transfer(const QString& toPlace)
    {
        TransferEntry t;
        t.devId = 5;
        t.handler = 0;
        t.date = kWhen;
        t.memo = QStringLiteral("备注'");
        t.userId = 11;
        t.fromDepart = 1;
        t.toDepart = 3;
        t.fromPlace = QStringLiteral("一楼");
        t.toPlace = toPlace;
        return t;
    }
};

} // namespace

TEST_F(HistoryTest, OutsideATransactionNothingIsWritten)
{
    const QString before = everything();
    for (const auto& call : std::initializer_list<std::function<void()>>{
             [] { AddTransfer(transfer(QStringLiteral("二楼"))); },
             [] { AddMaintain(MaintainEntry{}); },
             [] { AddDocuments(DocumentInfo{}, {}); }})
        EXPECT_EQ(errorOf(call).number(), dao::err::NotInTransaction);
    EXPECT_EQ(everything(), before);
}

TEST_F(HistoryTest, EachKindAddsItsRowAndMakesItsChangeToTheDevice)
{
    dao::Transaction tx;
    EXPECT_EQ(AddTransfer(transfer(QStringLiteral(" 二楼 东 "))), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [调后地点] FROM [Transfer] WHERE [ID]=1;")).toString(),
              QStringLiteral(" 二楼 东 "));
    EXPECT_EQ(value(QStringLiteral("SELECT [备注] FROM [Transfer] WHERE [ID]=1;")).toString(), QStringLiteral("备注'"));
    EXPECT_EQ(value(QStringLiteral("SELECT [日期] FROM [Transfer] WHERE [ID]=1;")).toDateTime(), kWhen);
    EXPECT_EQ(value(QStringLiteral("SELECT [Sur_ID] FROM [Transfer] WHERE [ID]=1;")).toInt(), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [O_ID] FROM [Transfer] WHERE [ID]=1;")).toInt(), 11);
    EXPECT_EQ(value(QStringLiteral("SELECT [安装地点] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toString(),
              QStringLiteral("二楼 东"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Dep_ID] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toInt(), 3);
    EXPECT_EQ(AddTransfer(transfer(QStringLiteral("三楼"))), 2);

    struct Cost {
        QString typed;
        double stored;
    };
    qint32 key = 0;
    for (const Cost& c : {Cost{QStringLiteral("12.5"), 12.5}, Cost{QStringLiteral("  "), 0}, Cost{QString(), 0},
                          Cost{QStringLiteral(" 3e1 "), 30}}) {
        MaintainEntry m;
        m.devId = 5;
        m.kind = 1;
        m.vendor = 2;
        m.cost = c.typed;
        m.date = kWhen;
        key = AddMaintain(m);
        EXPECT_DOUBLE_EQ(value(QStringLiteral("SELECT [费用] FROM [Maintain] WHERE [ID]=%1;").arg(key)).toDouble(),
                         c.stored)
            << c.typed.toStdString();
    }
    EXPECT_EQ(key, 4);

    CheckEntry c;
    c.devId = 5;
    c.before = 0;
    c.after = 2;
    EXPECT_EQ(AddCheck(c), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [验收状况] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toInt(), 2);

    DiscardEntry d;
    d.devId = 5;
    d.residual = QStringLiteral(" 100 ");
    d.result = QStringLiteral("变卖");
    EXPECT_EQ(AddDiscard(d), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [设备状况] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toInt(), 4);
    EXPECT_DOUBLE_EQ(value(QStringLiteral("SELECT [残值收入] FROM [Discard];")).toDouble(), 100);
    EXPECT_EQ(value(QStringLiteral("SELECT [安装地点] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toString(),
              QStringLiteral("三楼"));   // a discard leaves place and department
    EXPECT_EQ(value(QStringLiteral("SELECT [Dep_ID] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toInt(), 3);
    tx.commit();

    // The highest key deleted: it is never given again.
    gDatabase.Execute(QStringLiteral("DELETE * FROM [Transfer] WHERE [ID]=2;"));
    dao::Transaction again;
    EXPECT_EQ(AddTransfer(transfer(QStringLiteral("四楼"))), 3);
    again.commit();
}

TEST_F(HistoryTest, AMissingDeviceFailsAndTheCallerRollsBack)
{
    const QString before = everything();
    const auto inTransaction = [](const std::function<void()>& f) {
        return [f] {
            dao::Transaction tx;
            f();
            tx.commit();
        };
    };
    TransferEntry t = transfer(QStringLiteral("x"));
    t.devId = 77;
    CheckEntry c;
    c.devId = 77;
    DiscardEntry d;
    d.devId = 77;
    EXPECT_EQ(errorOf(inTransaction([&] { AddTransfer(t); })).number(), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf(inTransaction([&] { AddCheck(c); })).number(), dao::err::NoCurrentRecord);
    EXPECT_EQ(errorOf(inTransaction([&] { AddDiscard(d); })).number(), dao::err::NoCurrentRecord);
    EXPECT_EQ(everything(), before);
}

TEST_F(HistoryTest, FilesGoOnConsecutiveKeysAndAFailureAtTheSecondLeavesEveryTableAsItWas)
{
    {
        dao::Transaction tx;
        DocumentInfo first{5, 3, kWhen, 1, QStringLiteral("旧"), 11};
        AddDocuments(first, {{writeFile(QStringLiteral("old.txt"), "old"), QString()}});
        gDatabase.Execute(QStringLiteral("UPDATE [Dev_Docs] SET [ID]=7;"));
        tx.commit();
    }
    const QByteArray big(3 * 1024 * 1024 + 1, '\xfe');
    const QString a = writeFile(QStringLiteral("a.doc"), QByteArray("A\0a", 3)), b = writeFile(QStringLiteral("图纸.pdf"), big),
                  c = writeFile(QStringLiteral("c.txt"), QByteArray());
    {
        dao::Transaction tx;
        AddTransfer(transfer(QStringLiteral("二楼")));
        const DocumentInfo info{5, DocTransfer, kWhen, QVariant(), QVariant(), 11};
        EXPECT_EQ(AddDocuments(info, {{a, QString()}, {b, QStringLiteral("图纸.pdf")}, {c, QStringLiteral("C")}}), 8);
        tx.commit();
    }
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [Type]=11 AND [ID] IN (8,9,10);")), 3);
    EXPECT_EQ(value(QStringLiteral("SELECT [Name] FROM [Dev_Docs] WHERE [ID]=8;")).toString(), QStringLiteral("a.doc"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Value] FROM [Dev_Docs] WHERE [ID]=8;")).toByteArray(), QByteArray("A\0a", 3));
    EXPECT_EQ(value(QStringLiteral("SELECT [Value] FROM [Dev_Docs] WHERE [ID]=9;")).toByteArray(), big);
    EXPECT_EQ(value(QStringLiteral("SELECT [Date] FROM [Dev_Docs] WHERE [ID]=10;")).toDateTime(), kWhen);
    EXPECT_TRUE(value(QStringLiteral("SELECT [M_ID] FROM [Dev_Docs] WHERE [ID]=10;")).isNull());
    EXPECT_EQ(value(QStringLiteral("SELECT [Memo] FROM [Dev_Docs] WHERE [ID]=7;")).toString(), QStringLiteral("旧"));
    // The last of them deleted: the next key goes above it.
    gDatabase.Execute(QStringLiteral("DELETE * FROM [Dev_Docs] WHERE [ID]=10;"));
    EXPECT_EQ(GetNewID(QStringLiteral("Dev_Docs"), QStringLiteral("ID")).toInt(), 11);

    const QString before = everything();
    const QString gone = folder->file(QStringLiteral("gone.doc"));
    const vb::Error e = errorOf([&] {
        dao::Transaction tx;
        AddCheck(CheckEntry{{5, 0, kWhen, QString(), 11}, 0, 1});
        AddDocuments(DocumentInfo{5, DocCheck, kWhen, QVariant(), QVariant(), 11},
                     {{a, QString()}, {gone, QString()}, {c, QString()}});
        tx.commit();
    });
    EXPECT_EQ(e.number(), int(0x80040434u));
    EXPECT_EQ(e.description(), QStringLiteral("找不到文件！") + gone);
    EXPECT_EQ(everything(), before);
}

TEST_F(HistoryTest, NewDatabaseIndexesTheHistoryDates)
{
    for (const char* t : {"Transfer", "Maintain", "Checks", "Discard"})
        EXPECT_NO_THROW(gDatabase.Execute(QStringLiteral("DROP INDEX [%1_Date] ON [%1];").arg(QLatin1String(t)))) << t;
}
