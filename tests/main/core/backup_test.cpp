#include "tests/main/core/dbfixture.h"
#include "main/core/cbackup.h"
#include "main/core/schema.h"
#include "platform/cindral/cindral.h"
#include "platform/core/msgbox.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <unistd.h>

using namespace ostrel;
using testutil::MainDatabaseTest;

namespace {

const QString kTables = QStringLiteral("Checks;Dev_Docs;Dev_Info;Discard;Maintain;SysInfo;Transfer");

class BackupTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        target = folder->file(QStringLiteral("Ostrel.STB"));
    }

    static QByteArray picture(int seed)
    {
        QByteArray b;
        for (int i = 0; i < 3000 + seed; ++i)
            b.append(char((i * 7 + seed) & 0xff));   // zero bytes included
        return b;
    }

    void fill()
    {
        dao::DBEngine::BeginTrans();
        dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
        for (int i = 1; i <= 75; ++i) {
            rs.AddNew();
            rs(QStringLiteral("Dev_ID")).setValue(i);
            rs(QStringLiteral("设备编号")).setValue(QStringLiteral("A-%1").arg(i, 3, 10, QLatin1Char('0')));
            rs(QStringLiteral("设备名称")).setValue(QStringLiteral("打印机 '%1'").arg(i));
            rs(QStringLiteral("Dep_ID")).setValue(i % 3);
            rs(QStringLiteral("价值")).setValue(1234.5 + i);
            rs(QStringLiteral("购置年代")).setValue(QDateTime(QDate(2020, 1 + i % 12, 1 + i % 28), QTime(8, 30)));
            rs(QStringLiteral("附加信息")).setValue(QStringLiteral("第一行\r\n第二行 \"%1\"").arg(i));
            if (i % 2)
                rs(QStringLiteral("图片")).setValue(picture(i));
            rs.Update();
        }
        rs.Close();
        const char* history[] = {"Transfer", "Maintain", "Checks", "Dev_Docs"};
        for (const char* table : history) {
            dao::Recordset h = gDatabase.OpenRecordset(QString::fromLatin1(table), dao::dbOpenDynaset);
            for (int i = 1; i <= 4; ++i) {
                h.AddNew();
                h(QStringLiteral("ID")).setValue(i);
                h(QStringLiteral("Dev_ID")).setValue(i);
                h(QStringLiteral("O_ID")).setValue(10);
                if (QLatin1String(table) == QLatin1String("Dev_Docs"))
                    h(QStringLiteral("Value")).setValue(picture(100 + i));
                else
                    h(QStringLiteral("备注")).setValue(QStringLiteral("记录%1").arg(i));
                h.Update();
            }
            h.Close();
        }
        dao::DBEngine::CommitTrans();
        addSysInfo(100, QStringLiteral("Departs"), 1, QStringLiteral("财务处"), QStringLiteral("说明"));
    }

    int runBackup(const QString& tables = kTables)
    {
        QString file = target;
        QString list = tables;
        cBackup backup;
        QObject::connect(&backup.progress(), &cindral::Hub::progressChanged,
                         [&] { texts.append(backup.progress().ProgressText()); });
        const int result = backup.Excute(gDatabase, file, list);
        EXPECT_EQ(backup.TargetFile(), target);
        EXPECT_FALSE(backup.Source().isNothing());
        progressLeftShown = backup.progress().progressShown();
        return result;
    }

    static dao::Database openBackup(const QString& path)
    {
        return dao::DBEngine::OpenDatabase(path, false, true, schema::connectString());
    }

    // Every row and field definition of `table` in both databases, compared.
    static void expectSameTable(dao::Database& a, dao::Database& b, const QString& table)
    {
        SCOPED_TRACE(table.toStdString());
        const dao::TableDef ta = a.TableDefs().Item(table), tb = b.TableDefs().Item(table);
        ASSERT_EQ(ta.Fields().Count(), tb.Fields().Count());
        for (int j = 0; j < ta.Fields().Count(); ++j) {
            const dao::Field fa = ta.Fields().Item(j), fb = tb.Fields().Item(j);
            EXPECT_EQ(fa.Name(), fb.Name());
            EXPECT_EQ(fa.Type(), fb.Type());
            EXPECT_EQ(fa.Size(), fb.Size());
            EXPECT_EQ(fa.Required(), fb.Required());
            EXPECT_EQ(fa.AllowZeroLength(), fb.AllowZeroLength());
        }
        const QString key = ta.Fields().Item(0).Name();
        const QString sql = QStringLiteral("SELECT * FROM [%1] ORDER BY [%2];").arg(table, key);
        dao::Recordset ra = a.OpenRecordset(sql, dao::dbOpenSnapshot), rb = b.OpenRecordset(sql, dao::dbOpenSnapshot);
        int rows = 0;
        while (!ra.Eof()) {
            ASSERT_FALSE(rb.Eof()) << "row " << rows;
            for (int j = 0; j < ra.Fields().Count(); ++j)
                EXPECT_EQ(ra.Fields(j).Value(), rb.Fields(j).Value()) << "row " << rows << " field " << j;
            ra.MoveNext();
            rb.MoveNext();
            ++rows;
        }
        EXPECT_TRUE(rb.Eof());
        ra.Close();
        rb.Close();
    }

    QStringList otherFiles() const
    {
        QStringList names = QDir(folder->path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("Ostrel.mdb"));
        names.removeAll(QStringLiteral("Ostrel.STB"));
        return names;
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QString target;
    QStringList texts;
    bool progressLeftShown = false;
};

TEST_F(BackupTest, TheBackupHoldsEveryRowOfTheSevenTables)
{
    fill();
    ASSERT_EQ(runBackup(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("恭喜！数据备份成功！"));
    EXPECT_EQ(ui::script::last().title, QStringLiteral("数据备份"));
    EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);

    dao::Database copy = openBackup(target);
    EXPECT_EQ(copy.TableDefs().Count(), 7);
    for (const schema::Table& t : schema::tables())
        expectSameTable(gDatabase, copy, QString::fromUtf16(t.name));
    copy.Close();

    EXPECT_TRUE(texts.contains(QStringLiteral("数据表[Dev_Info]下载完毕,共计75条记录.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("下载数据表[Dev_Info],已经下载60/75..")));
    EXPECT_TRUE(texts.contains(QStringLiteral("数据表[Discard]下载完毕,共计0条记录.")));
    EXPECT_FALSE(progressLeftShown);

    // The password is the main database's: without it the file does not open.
    EXPECT_THROW(dao::DBEngine::OpenDatabase(target, false, true, QStringLiteral(";PWD=WRONG")), vb::Error);
}

TEST_F(BackupTest, ListedNamesMatchIgnoringCaseAndAfterAPrefix)
{
    dao::TableDef td = gDatabase.CreateTableDef(QStringLiteral("arc.Extra"));
    td.Fields().Append(td.CreateField(QStringLiteral("K"), dao::dbLong));
    td.Fields().Append(td.CreateField(QStringLiteral("T"), dao::dbText, 20));
    gDatabase.TableDefs().Append(td);
    gDatabase.Execute(QStringLiteral("INSERT INTO [arc.Extra] ([K],[T]) VALUES (1,'一');"));
    gDatabase.Execute(QStringLiteral("INSERT INTO [arc.Extra] ([K],[T]) VALUES (2,'二');"));

    ASSERT_EQ(runBackup(QStringLiteral("EXTRA;sysinfo;NoSuchTable")), 1);
    dao::Database copy = openBackup(target);
    ASSERT_EQ(copy.TableDefs().Count(), 2);
    EXPECT_EQ(copy.TableDefs().Item(0).Name(), QStringLiteral("Extra"));
    EXPECT_EQ(copy.TableDefs().Item(1).Name(), QStringLiteral("SysInfo"));
    dao::Recordset rs = copy.OpenRecordset(QStringLiteral("SELECT * FROM [Extra] ORDER BY [K];"), dao::dbOpenSnapshot);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("T")).Value().toString(), QStringLiteral("一"));
    rs.MoveNext();
    EXPECT_EQ(rs(QStringLiteral("T")).Value().toString(), QStringLiteral("二"));
    rs.Close();
    expectSameTable(gDatabase, copy, QStringLiteral("SysInfo"));
    copy.Close();
    EXPECT_TRUE(texts.contains(QStringLiteral("构建数据表:arc.Extra..")));
}

TEST_F(BackupTest, AnExistingBackupIsKeptOnNoAndReplacedOnYes)
{
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the last good backup");
    }
    ui::script::answer(ui::vbNo);
    EXPECT_EQ(runBackup(), 0);
    EXPECT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("备份目标文件[") + target + QStringLiteral("]已经存在,是否删除?"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(bytesOf(target), QByteArray("the last good backup"));

    ui::script::answer(ui::vbYes);
    EXPECT_EQ(runBackup(), 1);
    dao::Database copy = openBackup(target);
    expectSameTable(gDatabase, copy, QStringLiteral("SysInfo"));
    copy.Close();
    EXPECT_TRUE(otherFiles().isEmpty());
}

TEST_F(BackupTest, AFailureHalfWayKeepsTheOldBackupAndLeavesNoPartialFile)
{
    fill();
    ASSERT_EQ(runBackup(), 1);
    const QByteArray good = bytesOf(target);
    ASSERT_FALSE(good.isEmpty());

    // A second source table that is also backed up as "Checks": the copy fails after
    // the first tables have been written.
    dao::TableDef td = gDatabase.CreateTableDef(QStringLiteral("zz.Checks"));
    td.Fields().Append(td.CreateField(QStringLiteral("K"), dao::dbLong));
    gDatabase.TableDefs().Append(td);

    ui::script::clear();
    ui::script::answer(ui::vbYes);
    texts.clear();
    EXPECT_EQ(runBackup(), 0);
    EXPECT_TRUE(texts.contains(QStringLiteral("数据表[Dev_Info]下载完毕,共计75条记录.")));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    EXPECT_EQ(bytesOf(target), good);
    EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(QLatin1Char(' ')).toStdString();

    // The source is not left in a transaction and stays writable.
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    addSysInfo(500, QStringLiteral("Trans"), 1, QStringLiteral("张三"));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [ID]=500;")), 1);
}

TEST_F(BackupTest, AReadOnlyTargetFolderKeepsTheOldBackup)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the super-user";
    const QString sub = folder->file(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(sub));
    target = sub + QStringLiteral("/Ostrel.STB");
    ASSERT_EQ(runBackup(), 1);
    const QByteArray good = bytesOf(target);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    ui::script::answer(ui::vbYes);
    EXPECT_EQ(runBackup(), 0);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(bytesOf(target), good);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files).size(), 1);
}

} // namespace
