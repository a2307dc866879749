#include "main/devices/registration.h"
#include "main/core/devicetable.h"
#include "tests/main/devices/historyfixture.h"
#include <QFile>

using namespace ostrel;
using namespace ostrel::devices;
using testutil::errorOf;

namespace {

const QDateTime kBegan(QDate(2026, 3, 4), QTime(9, 30, 15));
const QDateTime kTyped(QDate(2026, 3, 1), QTime(8, 0));

class RegistrationTest : public testutil::HistoryDatabaseTest {
protected:
    template <typename E>
    static E entry()
    {
        E e;
        e.devId = kDevice;
        e.handler = 1;
        e.date = kTyped;
        e.memo = QStringLiteral("备注");
        e.userId = 7;
        return e;
    }
    static TransferEntry transfer()
    {
        auto t = entry<TransferEntry>();
        t.fromDepart = 2;
        t.toDepart = 3;
        t.fromPlace = QStringLiteral("一楼");
        t.toPlace = QStringLiteral(" 二楼 ");
        return t;
    }
    static DocumentsEntry documents()
    {
        auto d = entry<DocumentsEntry>();
        d.type = 2;
        return d;
    }
    QList<DocumentFile> files(int n)
    {
        QList<DocumentFile> list;
        for (int i = 1; i <= n; ++i) {
            const QString name = QStringLiteral("f%1.txt").arg(i);
            list.append({writeFile(name, QByteArray::number(i)), name});
        }
        return list;
    }
};

} // namespace

TEST_F(RegistrationTest, ATransferWithTwoFilesIsOneRowTheDeviceChangeAndTwoFiles)
{
    EXPECT_EQ(RegisterHistory(transfer(), files(2), kBegan), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Transfer] WHERE [调后地点]=' 二楼 ' AND [Tar_ID]=3;")), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [安装地点] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toString(),
              QStringLiteral("二楼"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Dep_ID] FROM [Dev_Info] WHERE [Dev_ID]=5;")).toInt(), 3);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [Type]=11 AND [ID] IN (1,2) AND [Date]=#2026-03-04 "
                                   "09:30:15# AND [M_ID] IS NULL;")),
              2);
    EXPECT_EQ(value(QStringLiteral("SELECT [Name] FROM [Dev_Docs] WHERE [ID]=2;")).toString(), QStringLiteral("f2.txt"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Value] FROM [Dev_Docs] WHERE [ID]=2;")).toByteArray(), QByteArray("2"));
}

TEST_F(RegistrationTest, DocumentsTakeTheirTypeAndTypedDateAndChangeNoHistoryOrDevice)
{
    const QString before = everything();
    EXPECT_EQ(RegisterHistory(documents(), {}, kBegan), 2); // no file: nothing stored
    EXPECT_EQ(everything(), before);

    auto docs = documents();
    docs.date = QDateTime(QDate::currentDate().addDays(-7), QTime(0, 0));
    EXPECT_EQ(RegisterHistory(docs, files(3), kBegan), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [Type]=2 AND [M_ID]=1 AND [Memo]='备注' AND [O_ID]=7;")),
              3);
    EXPECT_EQ(value(QStringLiteral("SELECT [Date] FROM [Dev_Docs] WHERE [ID]=3;")).toDateTime(), docs.date);
    for (const char* t : {"Transfer", "Maintain", "Checks", "Discard"})
        EXPECT_EQ(count(QStringLiteral("SELECT * FROM [%1];").arg(QLatin1String(t))), 0) << t;
    EXPECT_TRUE(before.section(QLatin1Char('\n'), 0, 0) == everything().section(QLatin1Char('\n'), 0, 0));
}

TEST_F(RegistrationTest, MaintenanceCheckAndDiscardChangeOnlyTheirColumns)
{
    auto m = entry<MaintainEntry>();
    m.kind = 0;
    m.vendor = 0;
    EXPECT_EQ(RegisterHistory(m, {}, kBegan), 1);
    EXPECT_DOUBLE_EQ(value(QStringLiteral("SELECT [费用] FROM [Maintain];")).toDouble(), 0); // empty cost

    auto c = entry<CheckEntry>();
    c.before = 1;
    c.after = 3;
    EXPECT_EQ(RegisterHistory(c, {}, kBegan), 2);
    EXPECT_EQ(value(QStringLiteral("SELECT [验收状况] FROM [Dev_Info];")).toInt(), 3);

    const QString device = everything().section(QLatin1Char('\n'), 0, 0);
    auto d = entry<DiscardEntry>();
    d.result = QStringLiteral("变卖");
    EXPECT_EQ(RegisterHistory(d, files(1), kBegan), 3);
    const QString after = everything().section(QLatin1Char('\n'), 0, 0);
    EXPECT_EQ(value(QStringLiteral("SELECT [设备状况] FROM [Dev_Info];")).toInt(), 4);
    EXPECT_EQ(QString(after).replace(QStringLiteral("|4|"), QStringLiteral("|2|")), device); // nothing else
    EXPECT_EQ(value(QStringLiteral("SELECT [Type] FROM [Dev_Docs];")).toInt(), 14);
}

TEST_F(RegistrationTest, RefusalsAndFailuresLeaveEveryTableAsItWas)
{
    // A key that cannot be taken after the history row.
    {
        auto docs = documents();
        RegisterHistory(docs, files(1), kBegan);
        gDatabase.Execute(QStringLiteral("UPDATE [Dev_Docs] SET [ID]=2147483647;"));
    }
    const QString sparse = folder->file(QStringLiteral("huge.bin"));
    {
        QFile f(sparse);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxStoredBytes + 1));
    }
    const QString before = everything();
    const QList<DocumentFile> three = files(3);
    QFile::remove(three[1].path);

    struct Case {
        const char* what;
        std::function<qint32()> call;
        int number;
        QString message;
    };
    auto noDate = transfer();
    noDate.date = QDateTime();
    auto noHandler = entry<DiscardEntry>();
    noHandler.handler = QVariant();
    auto noPlace = transfer();
    noPlace.toPlace = QStringLiteral("  ");
    auto noState = entry<CheckEntry>();
    noState.before = 1;
    const QString noDevice = QStringLiteral("指定设备不存在！");
    const std::vector<Case> cases = {
        {"date", [&] { return RegisterHistory(noDate, {}, kBegan); }, 1000, QStringLiteral("数据不合法！调拨日期")},
        {"handler", [&] { return RegisterHistory(noHandler, {}, kBegan); }, 1000, QStringLiteral("数据不合法！经办人")},
        {"place", [&] { return RegisterHistory(noPlace, {}, kBegan); }, 1000, QStringLiteral("数据不合法！现安装地点")},
        {"state", [&] { return RegisterHistory(noState, {}, kBegan); }, 1000, QStringLiteral("数据不合法！现验收状态")},
        {"second file", [&] { return RegisterHistory(transfer(), three, kBegan); }, int(0x80040434u),
         QStringLiteral("找不到文件！") + three[1].path},
        {"too large", [&] { return RegisterHistory(documents(), {{sparse, QString()}}, kBegan); },
         dao::err::FieldTooSmall, QString()},
        {"key", [&] { return RegisterHistory(transfer(), {three[0]}, kBegan); }, vb::errOverflow, QString()},
        {"device, transfer", [&] { deleteDevice(); return RegisterHistory(transfer(), {}, kBegan); }, 1001, noDevice},
        {"device, maintenance",
         [&] {
             auto m = entry<MaintainEntry>();
             m.kind = m.vendor = 0;
             return RegisterHistory(m, {}, kBegan);
         },
         1001, noDevice},
        {"device, documents", [&] { return RegisterHistory(documents(), {three[0]}, kBegan); }, 1001, noDevice},
    };
    for (const Case& c : cases) {
        const vb::Error e = errorOf([&] { c.call(); });
        EXPECT_EQ(e.number(), c.number) << c.what;
        if (!c.message.isEmpty()) {
            EXPECT_EQ(e.description(), c.message) << c.what;
        }
        if (QString::fromLatin1(c.what).startsWith(QLatin1String("device")))
            continue;
        EXPECT_EQ(everything(), before) << c.what;
    }
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    restoreDevice();
    EXPECT_EQ(everything(), before);
}

TEST_F(RegistrationTest, FilesOnLinuxAnEmptyFileADotFileAndTheirNames)
{
    const QString empty = writeFile(QStringLiteral("empty.txt"), QByteArray());
    const QString dot = writeFile(QStringLiteral(".profile.v2"), "dot");
    const QString backslash = writeFile(QStringLiteral("a\\b.txt"), "b");
    RegisterHistory(documents(), {{empty, QString()}, {dot, QString()}, {backslash, QString()}}, kBegan);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [ID]=1 AND [Value] IS NOT NULL AND LEN([Value])=0;")),
              1);
    EXPECT_EQ(value(QStringLiteral("SELECT [Name] FROM [Dev_Docs] WHERE [ID]=2;")).toString(),
              QStringLiteral(".profile.v2"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Value] FROM [Dev_Docs] WHERE [ID]=2;")).toByteArray(), QByteArray("dot"));
    EXPECT_EQ(value(QStringLiteral("SELECT [Name] FROM [Dev_Docs] WHERE [ID]=3;")).toString(), QStringLiteral("a\\b.txt"));
}
