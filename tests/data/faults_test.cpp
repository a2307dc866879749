// Faults of the disk, caused by the test file system: nothing is lost, the engine's error
// is raised, the process goes on. These run as root too.
#include "main/core/backup.h"
#include "main/core/basedata.h"
#include "main/core/schema.h"
#include "tests/common/faultvfs.h"
#include "tests/common/raised.h"
#include "tests/data/servicefixture.h"
#include "platform/dao/transaction.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::ServiceTest;
using testutil::errorOf;

namespace {

const QStringList kTables = {u"Checks"_s, u"Dev_Docs"_s, u"Dev_Info"_s, u"Discard"_s, u"Maintain"_s, u"SysInfo"_s,
                             u"Transfer"_s};

class FaultTest : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        target = folder->file(u"Ostrel.STB"_s);
        dao::Transaction tx;
        dao::Recordset rs = gDatabase.OpenRecordset(u"Dev_Info"_s, dao::dbOpenDynaset);
        for (int i = 1; i <= 300; ++i) {
            rs.AddNew();
            rs(u"Dev_ID"_s).setValue(i);
            rs(u"设备编号"_s).setValue(u"A-%1"_s.arg(i, 4, 10, QLatin1Char('0')));
            rs(u"设备名称"_s).setValue(u"打印机 %1 "_s.arg(i).repeated(8));
            rs(u"图片"_s).setValue(QByteArray(2000, char(i)));
            rs.Update();
        }
        rs.Close();
        tx.commit();
    }
    QString target;
};

TEST_F(FaultTest, ABackupFailingHalfWayLeavesTheOldBackupAndNoPartialFile)
{
    BackupTables(gDatabase, target, kTables);
    const QByteArray good = bytesOf(target);
    ASSERT_GT(good.size(), 300 * 2000);
    const QStringList filesBefore = files();
    exec(u"UPDATE [Dev_Info] SET [设备名称]='改' WHERE [Dev_ID]=1;"_s);

    const struct {
        faultvfs::Op op;
        int nth;
        qint64 bytes;
        const char* file;
    } faults[] = {
        {faultvfs::Write, 0, 100000, ".tmp"},   // half-way through the new file
        {faultvfs::Write, 40, -1, ".tmp"},
        {faultvfs::Write, 1, -1, ".tmp-wal"},
        {faultvfs::Sync, 1, -1, ".tmp"},       // at the commit
        {faultvfs::Read, 0, 200000, "Ostrel.mdb"},   // reading the source
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(std::string(f.file) + " op " + std::to_string(int(f.op)));
        if (f.op == faultvfs::Read) {
            // Reopened: nothing of the source in the engine's cache yet.
            gDatabase.Close();
            OpenMainDatabase();
        }
        vb::Error e(0, QString());
        {
            faultvfs::Guard fault(f.op, f.nth, f.bytes, QString::fromLatin1(f.file));
            e = errorOf([&] { BackupTables(gDatabase, target, kTables); });
            EXPECT_GT(faultvfs::failures(), 0);
        }
        EXPECT_NE(e.number(), 0);
        EXPECT_FALSE(e.description().isEmpty());
        EXPECT_EQ(bytesOf(target), good);
        EXPECT_EQ(files(), filesBefore);
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    }
    // The source was never harmed and the next backup succeeds.
    EXPECT_EQ(rows(u"SELECT [设备名称] FROM [Dev_Info] WHERE [Dev_ID]=1;"_s), QStringList{u"改"_s});
    EXPECT_EQ(rows(u"SELECT [Dev_ID] FROM [Dev_Info];"_s).size(), 300);
    BackupTables(gDatabase, target, kTables);
    dao::Database copy = dao::DBEngine::OpenDatabase(target, false, true, schema::connectString());
    dao::Recordset rs = copy.OpenRecordset(u"SELECT [设备名称] FROM [Dev_Info] WHERE [Dev_ID]=1;"_s, dao::dbOpenSnapshot);
    EXPECT_EQ(rs.Fields(0).Value().toString(), u"改"_s);
    rs.Close();
    copy.Close();
}

TEST_F(FaultTest, ABackupWhoseNewFileCannotFoldItsJournalBackKeepsTheOldBackup)
{
    BackupTables(gDatabase, target, kTables);
    const QByteArray good = bytesOf(target);
    const QStringList filesBefore = files();
    // another connection holds the new file open from its first table on
    struct Holder : BackupProgress {
        QString folder;
        dao::Database held;
        void text(const QString&) override
        {
            const QStringList found = QDir(folder).entryList({u"Ostrel.STB.~*.tmp"_s});
            if (held.isNothing() && !found.isEmpty())
                held = dao::DBEngine::OpenDatabase(folder + u'/' + found[0], false, true, schema::connectString());
        }
        void show(bool) override {}
        void percent(int) override {}
    } holder;
    holder.folder = folder->path();
    const vb::Error e = errorOf([&] { BackupTables(gDatabase, target, kTables, &holder); });
    holder.held.Close();
    EXPECT_EQ(e.number(), dao::err::Locked) << e.description().toStdString();
    EXPECT_EQ(bytesOf(target), good);
    EXPECT_EQ(files(), filesBefore);
}

TEST_F(FaultTest, ADatabaseThatCannotBeWrittenReportsTheEnginesError)
{
    const QStringList before = sysInfo();
    for (faultvfs::Op op : {faultvfs::Write, faultvfs::Sync}) {
        vb::Error e(0, QString());
        {
            faultvfs::Guard fault(op, 1, -1, u"Ostrel.mdb"_s);
            e = errorOf([] { basedata::add(u"Departs"_s, u"1"_s, u"甲"_s, QString()); });
            EXPECT_GT(faultvfs::failures(), 0);
        }
        EXPECT_NE(e.number(), 0);
        EXPECT_NE(e.number(), basedata::kRefusal);
        EXPECT_FALSE(e.description().isEmpty());
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
        EXPECT_EQ(sysInfo(), before);
    }
    // Written again once the disk is sound.
    basedata::add(u"Departs"_s, u"1"_s, u"甲"_s, QString());
    EXPECT_EQ(sysInfo().size(), before.size() + 1);
}

TEST_F(FaultTest, ADatabaseThatCannotBeReadReportsTheEnginesError)
{
    const QString path = gDatabase.Name();
    gDatabase.Close();
    gDatabase = dao::Database();
    {
        faultvfs::Guard fault(faultvfs::Read, 1, -1, u"Ostrel.mdb"_s);
        const vb::Error e = errorOf([] { OpenMainDatabase(); });
        EXPECT_NE(e.number(), 0);
        EXPECT_FALSE(e.description().isEmpty());
    }
    OpenMainDatabase();
    EXPECT_EQ(rows(u"SELECT [Dev_ID] FROM [Dev_Info];"_s).size(), 300);
    EXPECT_EQ(QFileInfo(path).fileName(), u"Ostrel.mdb"_s);
}

} // namespace
