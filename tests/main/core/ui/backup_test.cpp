#include "tests/main/core/dbfixture.h"
#include "main/core/ui/cbackup.h"
#include "main/core/schema.h"
#include "platform/cindral/cindral.h"
#include "platform/core/msgbox.h"
#include "tests/common/faultvfs.h"
#include "platform/dao/transaction.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <unistd.h>

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

namespace {

const QString kTables = u"Checks;Dev_Docs;Dev_Info;Discard;KeyMarks;Maintain;SysInfo;Transfer"_s;

class BackupTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        target = folder->file(u"Ostrel.STB"_s);
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
        dao::Transaction tx;
        dao::Recordset rs = gDatabase.OpenRecordset(u"Dev_Info"_s, dao::dbOpenDynaset);
        for (int i = 1; i <= 75; ++i) {
            rs.AddNew();
            rs(u"Dev_ID"_s).setValue(i);
            rs(u"设备编号"_s).setValue(u"A-%1"_s.arg(i, 3, 10, QLatin1Char('0')));
            rs(u"设备名称"_s).setValue(u"打印机 '%1'"_s.arg(i));
            rs(u"Dep_ID"_s).setValue(i % 3);
            rs(u"价值"_s).setValue(1234.5 + i);
            rs(u"购置年代"_s).setValue(QDateTime(QDate(2020, 1 + i % 12, 1 + i % 28), QTime(8, 30)));
            rs(u"附加信息"_s).setValue(u"第一行\r\n第二行 \"%1\""_s.arg(i));
            if (i % 2)
                rs(u"图片"_s).setValue(picture(i));
            rs.Update();
        }
        rs.Close();
        for (const QString& table : {u"Transfer"_s, u"Maintain"_s, u"Checks"_s, u"Dev_Docs"_s}) {
            dao::Recordset h = gDatabase.OpenRecordset(table, dao::dbOpenDynaset);
            for (int i = 1; i <= 4; ++i) {
                h.AddNew();
                h(u"ID"_s).setValue(i);
                h(u"Dev_ID"_s).setValue(i);
                h(u"O_ID"_s).setValue(10);
                if (table == u"Dev_Docs"_s)
                    h(u"Value"_s).setValue(picture(100 + i));
                else
                    h(u"备注"_s).setValue(u"记录%1"_s.arg(i));
                h.Update();
            }
            h.Close();
        }
        tx.commit();
        addSysInfo(100, u"Departs"_s, 1, u"财务处"_s, u"说明"_s);
    }
    int runBackup(const QString& tables = kTables)
    {
        QString file = target;
        QString list = tables;
        cBackup backup;
        QObject::connect(&backup.progress(), &cindral::Hub::progressChanged,
                         [&] { texts.append(backup.progress().ProgressText()); });
        const int result = backup.Run(gDatabase, file, list);
        EXPECT_EQ(backup.TargetFile(), target);
        EXPECT_FALSE(backup.Source().isNothing());
        progressLeftShown = backup.progress().progressShown();
        return result;
    }
    // Every row and field definition of a source table and its copy, compared.
    void expectCopied(const QString& table, const QString& source = QString())
    {
        SCOPED_TRACE(table.toStdString());
        dao::Database copy = dao::DBEngine::OpenDatabase(target, false, true, schema::connectString());
        const QString from = source.isEmpty() ? table : source;
        const dao::TableDef ta = gDatabase.TableDefs().Item(from), tb = copy.TableDefs().Item(table);
        ASSERT_EQ(ta.Fields().Count(), tb.Fields().Count());
        for (int j = 0; j < ta.Fields().Count(); ++j) {
            const dao::Field fa = ta.Fields().Item(j), fb = tb.Fields().Item(j);
            EXPECT_EQ(fa.Name(), fb.Name());
            EXPECT_EQ(fa.Type(), fb.Type());
            EXPECT_EQ(fa.Size(), fb.Size());
            EXPECT_EQ(fa.Required(), fb.Required());
            EXPECT_EQ(fa.AllowZeroLength(), fb.AllowZeroLength());
        }
        const QString order = u" ORDER BY [%1];"_s.arg(ta.Fields().Item(0).Name());
        dao::Recordset ra = gDatabase.OpenRecordset(u"SELECT * FROM [%1]"_s.arg(from) + order, dao::dbOpenSnapshot);
        dao::Recordset rb = copy.OpenRecordset(u"SELECT * FROM [%1]"_s.arg(table) + order, dao::dbOpenSnapshot);
        for (int row = 0; !ra.Eof(); ++row, ra.MoveNext(), rb.MoveNext()) {
            ASSERT_FALSE(rb.Eof()) << "row " << row;
            for (int j = 0; j < ra.Fields().Count(); ++j)
                EXPECT_EQ(ra.Fields(j).Value(), rb.Fields(j).Value()) << "row " << row << " field " << j;
        }
        EXPECT_TRUE(rb.Eof());
        ra.Close();
        rb.Close();
        copy.Close();
    }
    // Files beside the database and the backup: none may be left behind.
    QStringList otherFiles() const
    {
        QStringList names = QDir(folder->path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(u"Ostrel.mdb"_s);
        names.removeAll(u"Ostrel.STB"_s);
        // the open database's write-ahead journal is part of it
        names.removeAll(u"Ostrel.mdb-wal"_s);
        names.removeAll(u"Ostrel.mdb-shm"_s);
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

TEST_F(BackupTest, TheBackupHoldsEveryRowOfTheTablesAndTheKeyMarks)
{
    fill();
    ASSERT_EQ(runBackup(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"恭喜！数据备份成功！"_s);
    EXPECT_EQ(ui::script::last().title, u"数据备份"_s);
    EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(u' ').toStdString();
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    dao::Database copy = dao::DBEngine::OpenDatabase(target, false, true, schema::connectString());
    EXPECT_EQ(copy.TableDefs().Count(), 8);
    copy.Close();
    for (const schema::Table& t : schema::tables())
        expectCopied(QString::fromUtf16(t.name));

    EXPECT_TRUE(texts.contains(u"数据表[Dev_Info]下载完毕,共计75条记录."_s));
    EXPECT_TRUE(texts.contains(u"下载数据表[Dev_Info],已经下载60/75.."_s));
    EXPECT_TRUE(texts.contains(u"数据表[Discard]下载完毕,共计0条记录."_s));
    EXPECT_FALSE(progressLeftShown);
    // The password is the main database's: without it the file does not open.
    EXPECT_THROW(dao::DBEngine::OpenDatabase(target, false, true, u";PWD=WRONG"_s), vb::Error);
}

TEST_F(BackupTest, ListedNamesMatchIgnoringCaseAndAfterAPrefix)
{
    dao::TableDef td = gDatabase.CreateTableDef(u"arc.Extra"_s);
    td.Fields().Append(td.CreateField(u"K"_s, dao::dbLong));
    td.Fields().Append(td.CreateField(u"T"_s, dao::dbText, 20));
    gDatabase.TableDefs().Append(td);
    gDatabase.Execute(u"INSERT INTO [arc.Extra] ([K],[T]) VALUES (1,'一');"_s);
    gDatabase.Execute(u"INSERT INTO [arc.Extra] ([K],[T]) VALUES (2,'二');"_s);

    ASSERT_EQ(runBackup(u"EXTRA;sysinfo;NoSuchTable"_s), 1);
    dao::Database copy = dao::DBEngine::OpenDatabase(target, false, true, schema::connectString());
    ASSERT_EQ(copy.TableDefs().Count(), 2);
    EXPECT_EQ(copy.TableDefs().Item(0).Name(), u"Extra"_s);
    EXPECT_EQ(copy.TableDefs().Item(1).Name(), u"SysInfo"_s);
    copy.Close();
    expectCopied(u"Extra"_s, u"arc.Extra"_s);
    expectCopied(u"SysInfo"_s);
    EXPECT_TRUE(texts.contains(u"构建数据表:arc.Extra.."_s));
}

TEST_F(BackupTest, AnExistingBackupIsKeptOnNoOrAFailureAndReplacedOnYes)
{
    fill();
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the last good backup");
    }
    ui::script::answer(ui::vbNo);
    EXPECT_EQ(runBackup(), 0);
    EXPECT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"备份目标文件["_s + target + u"]已经存在,是否删除?"_s);
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(bytesOf(target), QByteArray("the last good backup"));

    ui::script::answer(ui::vbYes);
    ASSERT_EQ(runBackup(), 1);
    expectCopied(u"Dev_Info"_s);
    const QByteArray good = bytesOf(target);

    // A second source table that is also backed up as "Checks": the copy fails after
    // the first tables have been written.
    dao::TableDef td = gDatabase.CreateTableDef(u"zz.Checks"_s);
    td.Fields().Append(td.CreateField(u"K"_s, dao::dbLong));
    gDatabase.TableDefs().Append(td);
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    texts.clear();
    EXPECT_EQ(runBackup(), 0);
    EXPECT_TRUE(texts.contains(u"数据表[Dev_Info]下载完毕,共计75条记录."_s));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    EXPECT_EQ(bytesOf(target), good);
    EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(u' ').toStdString();

    // The source is not left in a transaction and stays writable.
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    addSysInfo(500, u"Trans"_s, 1, u"张三"_s);
    EXPECT_EQ(count(u"SELECT * FROM [SysInfo] WHERE [ID]=500;"_s), 1);
}

TEST_F(BackupTest, AReadOnlyTargetFolderKeepsTheOldBackup)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the super-user";
    const QString sub = folder->file(u"ro"_s);
    ASSERT_TRUE(QDir().mkpath(sub));
    target = sub + u"/Ostrel.STB"_s;
    ASSERT_EQ(runBackup(), 1);
    const QByteArray good = bytesOf(target);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    ui::script::answer(ui::vbYes);
    EXPECT_EQ(runBackup(), 0);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(bytesOf(target), good);
    EXPECT_EQ(QDir(sub).entryList(QDir::Files).size(), 1);
}

TEST_F(BackupTest, SuccessIsAnInformationBox)
{
    ASSERT_EQ(runBackup(), 1);
    EXPECT_EQ(ui::script::last().style, ui::vbOKOnly | ui::vbInformation);
    EXPECT_EQ(ui::script::last().prompt, u"恭喜！数据备份成功！"_s);
    EXPECT_TRUE(QFile::exists(target));
}

// Runs as root too: the disk fails, not a permission.
TEST_F(BackupTest, ABackupCommandFailingOnTheDiskKeepsTheOldBackup)
{
    fill();
    ASSERT_EQ(runBackup(), 1);
    const QByteArray good = bytesOf(target);
    for (faultvfs::Op op : {faultvfs::Write, faultvfs::Sync}) {
        ui::script::clear();
        ui::script::answer(ui::vbYes);
        {
            faultvfs::Guard fault(op, op == faultvfs::Write ? 25 : 1, -1, u".tmp"_s);
            EXPECT_EQ(runBackup(), 0);
            EXPECT_GT(faultvfs::failures(), 0);
        }
        ASSERT_EQ(ui::script::shown().size(), 2);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
        EXPECT_NE(ui::script::last().prompt, u"恭喜！数据备份成功！"_s);
        EXPECT_EQ(bytesOf(target), good);
        EXPECT_TRUE(otherFiles().isEmpty()) << otherFiles().join(u' ').toStdString();
        EXPECT_FALSE(progressLeftShown);
    }
}

} // namespace
