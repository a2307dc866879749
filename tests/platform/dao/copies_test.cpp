// Several running copies on one file: snapshots stay as they were and block no save,
// a copy killed in the middle of a write leaves a file that opens, the journal goes
// with the last close, and a dynaset edited while it is walked visits each row once.
// The test runs itself again as the second copy (DAO_TEST_CHILD names its part).
#include "daotest.h"
#include "platform/dao/closelock.h"
#include "platform/dao/transaction.h"
#include "tests/common/copies.h"
#include "tests/common/faultvfs.h"
#include "tests/common/raised.h"
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

using namespace daotest;

namespace {

const QString kConnect = QStringLiteral(";PWD=") + kPassword;

// ---- the second copy ----

void childSave(const QString& path)
{
    try {
        dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
        dao::DBEngine::setBusyTimeout(0);   // "at once": no waiting for a lock
        addItem(db, 99, QStringLiteral("other copy"));
        db.Execute(QStringLiteral("DELETE * FROM Items WHERE ID = 1"));
        db.Close();
        std::printf("saved\n");
        std::fflush(stdout);
        _exit(0);
    } catch (const vb::Error& e) {
        std::printf("error %d %s\n", e.number(), e.description().toUtf8().constData());
        std::fflush(stdout);
        _exit(2);
    }
}

void childCrash(const QString& path)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::DBEngine::BeginTrans();
    for (int i = 1001; i <= 1100; ++i) addItem(db, i, QStringLiteral("committed %1").arg(i));
    dao::DBEngine::CommitTrans();
    dao::DBEngine::BeginTrans();
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items"));
    for (int i = 5001; i <= 25000; ++i) {
        rs.AddNew();
        rs("ID").setValue(i);
        rs("Name").setValue(QStringLiteral("never committed"));
        rs("Memo").setValue(QString(200, u'x'));
        rs.Update();
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) ::pause();
}

// Adds a row of its own, then closes when told to (a line on its input).
void childClose(const QString& path)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Transaction tx;
    dao::Recordset top = db.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM Items ORDER BY ID DESC"));
    addItem(db, top("ID").Value().toInt() + 1, QStringLiteral("closing"));
    top.Close();
    tx.commit();
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) _exit(4);
    db.Close();
    _exit(0);
}

// Takes the close lock without waiting and says whether it holds it.
void childLock(const QString& path)
{
    {
        const dao::detail::CloseLock taken(path, 0);
        std::printf(taken.held() ? "held\n" : "not held\n");
    }
    std::fflush(stdout);
    _exit(0);
}

const bool kChild = [] {
    const QByteArray role = testutil::copyPart();
    if (role.isEmpty()) return false;
    const QString path = testutil::copyFile();
    if (role == "save") childSave(path);
    if (role == "crash") childCrash(path);
    if (role == "close") childClose(path);
    if (role == "lock") childLock(path);
    return false;   // a part another test of this executable plays
}();

void startChild(QProcess& p, const char* role, const QString& path) { testutil::startCopy(p, role, path); }

// Reads what the copy says until it says `word`.
bool waitFor(QProcess& p, const char* word)
{
    QByteArray said;
    while (!said.contains(word) && p.state() == QProcess::Running)
        if (p.waitForReadyRead(60000)) said += p.readAll();
    return said.contains(word);
}

QList<int> idsOf(dao::Recordset& rs)
{
    QList<int> out;
    for (; !rs.Eof(); rs.MoveNext()) out << rs("ID").Value().toInt();
    return out;
}

QStringList filesBeside(const QString& path)
{
    QFileInfo fi(path);
    return QDir(fi.absolutePath()).entryList({fi.fileName() + u'*'}, QDir::Files | QDir::Hidden);
}

QString integrity(const QString& path) { return testutil::integrity(path, kPassword); }

// A second name of the file beside it (a snapshot of the folder, another user).
QString secondName(const QString& name)
{
    const QString other = name + QStringLiteral(".snapshot");
    EXPECT_EQ(::link(QFile::encodeName(name).constData(), QFile::encodeName(other).constData()), 0);
    return other;
}

bool refusedNaming(const QString& said, const QString& journal)
{
    return said.contains(journal) && said.contains(QStringLiteral("另有其他名字"));
}

// A further copy, apart so that a crash fails the test, saves or refuses naming the
// journal with a second name; whether it saved.
bool savedOrRefused(const QString& path, const QString& journal)
{
    QProcess p;
    testutil::startCopy(p, "save", path);
    EXPECT_TRUE(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit);
    const QString said = QString::fromUtf8(p.readAll());
    EXPECT_TRUE(said.contains(QStringLiteral("saved")) || refusedNaming(said, journal)) << said.toStdString();
    return said.contains(QStringLiteral("saved"));
}

struct DaoCopies : ::testing::Test {
    testutil::ProgramFolder folder;
    QString path = folder.file(QStringLiteral("Ostrel.mdb"));

    void SetUp() override
    {
        dao::Database db = makeItems(path);
        dao::DBEngine::BeginTrans();
        for (int i = 1; i <= 5; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
        dao::DBEngine::CommitTrans();
        db.Close();
    }
};

} // namespace

TEST_F(DaoCopies, AnotherCopySavesAtOnceWhileASnapshotIsReadAndTheSnapshotKeepsItsRows)
{
    ASSERT_FALSE(kChild);
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Recordset list = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    EXPECT_EQ(list("ID").Value().toInt(), 1);
    list.MoveNext();

    QProcess other;
    startChild(other, "save", path);
    ASSERT_TRUE(other.waitForFinished(60000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();

    // walked to the end, back to the start and once more: the rows as they were
    list.MoveFirst();
    EXPECT_EQ(idsOf(list), (QList<int>{1, 2, 3, 4, 5}));
    list.MoveLast();
    EXPECT_EQ(list.RecordCount(), 5);
    list.MoveFirst();
    EXPECT_EQ(list("Name").Value().toString(), QStringLiteral("n1"));
    // a new record set, or the same one run again, sees the save
    dao::Recordset fresh = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    EXPECT_EQ(idsOf(fresh), (QList<int>{2, 3, 4, 5, 99}));
    list.Requery();
    EXPECT_EQ(idsOf(list), (QList<int>{2, 3, 4, 5, 99}));
    list.Close();
    fresh.Close();
    db.Close();
    EXPECT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
}

TEST_F(DaoCopies, ThisCopyWritesWhileItsOwnRecordSetStandsMidWalkAfterAnotherCopySaved)
{
    ASSERT_FALSE(kChild);
    struct Case {
        const char* source;
        int type;
        int options;
    } cases[] = {
        {"Items", dao::dbOpenTable, 0},
        {"Items", dao::dbOpenTable, dao::dbReadOnly},
        {"SELECT * FROM Items ORDER BY ID", dao::dbOpenDynaset, dao::dbReadOnly},
        {"SELECT DISTINCT ID, Name FROM Items ORDER BY ID", dao::dbOpenDynaset, 0},
    };
    const int previous = dao::DBEngine::busyTimeout();
    dao::DBEngine::setBusyTimeout(0);   // a write refused is refused at once
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        SCOPED_TRACE(c.type * 100 + c.options);
        const QString file = folder.file(QStringLiteral("walk%1.mdb").arg(++round));
        ASSERT_TRUE(QFile::copy(path, file));
        dao::Database db = dao::DBEngine::OpenDatabase(file, false, false, kConnect);
        dao::Recordset rs = db.OpenRecordset(QString::fromLatin1(c.source), c.type, c.options);
        EXPECT_EQ(rs("ID").Value().toInt(), 1);
        rs.MoveNext();
        EXPECT_EQ(rs("ID").Value().toInt(), 2);

        QProcess other;
        startChild(other, "save", file);
        ASSERT_TRUE(other.waitForFinished(60000));
        ASSERT_EQ(other.exitCode(), 0) << other.readAll().toStdString();

        // this copy's writes go through, through the set itself too
        EXPECT_EQ(errorOf([&] { addItem(db, 60, QStringLiteral("mine")); }), 0);
        EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("UPDATE Items SET Qty = 7 WHERE ID = 3")); }), 0);
        if (rs.Updatable()) {
            rs.Edit();
            rs("Name").setValue(QStringLiteral("edited"));
            EXPECT_EQ(errorOf([&] { rs.Update(); }), 0);
        }
        // the walk goes on from where it stood, each row once
        rs.MoveNext();
        EXPECT_EQ(idsOf(rs), (QList<int>{3, 4, 5}));
        rs.Close();
        dao::Recordset all = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
        EXPECT_EQ(idsOf(all), (QList<int>{2, 3, 4, 5, 60, 99}));
        all.Close();
        db.Close();
    }
    dao::DBEngine::setBusyTimeout(previous);
}

TEST_F(DaoCopies, AWriteThatMustWaitWaitsBoundedlyThenGets3228)
{
    const int previous = dao::DBEngine::busyTimeout();
    dao::DBEngine::setBusyTimeout(100);
    dao::Database mine = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Database other = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    {
        dao::Transaction tx;
        addItem(mine, 50, QStringLiteral("mine"));
        EXPECT_EQ(errorOf([&] { other.Execute(QStringLiteral("DELETE * FROM Items WHERE ID = 2")); }),
                  dao::err::Locked);
        tx.commit();
    }
    EXPECT_EQ(other.Execute(QStringLiteral("DELETE * FROM Items WHERE ID = 2")), 1);
    mine.Close();
    other.Close();
    dao::DBEngine::setBusyTimeout(previous);
}

TEST_F(DaoCopies, ATransactionThatReadsFirstHoldsTheLockFromItsFirstRead)
{
    // what it reads decides what it writes: no other copy writes in between
    const int previous = dao::DBEngine::busyTimeout();
    dao::DBEngine::setBusyTimeout(0);
    dao::Database mine = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Database other = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    for (int type : {int(dao::dbOpenSnapshot), int(dao::dbOpenDynaset)}) {
        dao::Transaction tx;
        dao::Recordset top = mine.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM Items ORDER BY ID DESC"), type);
        const int next = top("ID").Value().toInt() + 1;
        top.Close();
        EXPECT_EQ(errorOf([&] { addItem(other, next, QStringLiteral("theirs")); }), dao::err::Locked);
        addItem(mine, next, QStringLiteral("mine"));
        tx.commit();
    }
    EXPECT_EQ(mine.TableDefs()(QStringLiteral("Items")).RecordCount(), 7);
    other.Close();
    mine.Close();
    dao::DBEngine::setBusyTimeout(previous);
}

TEST_F(DaoCopies, ATransactionThatOnlyReadsSharedSeesOneStateAndLocksNothing)
{
    // as the backup reads: one transaction over the source and the new file
    dao::Database source = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Database other = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    const int previous = dao::DBEngine::busyTimeout();
    dao::DBEngine::setBusyTimeout(0);
    dao::Database target = makeItems(folder.file(QStringLiteral("copy.mdb")));
    dao::DBEngine::BeginTrans(dao::dbReadsShared);
    EXPECT_EQ(source.TableDefs()(QStringLiteral("Items")).RecordCount(), 5);
    dao::Recordset first = source.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    addItem(target, 1, QStringLiteral("copied"));
    // another copy saves meanwhile, at once
    EXPECT_EQ(other.Execute(QStringLiteral("DELETE * FROM Items WHERE ID <= 2")), 2);
    addItem(other, 77, QStringLiteral("new"));
    dao::Recordset second = source.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    EXPECT_EQ(source.TableDefs()(QStringLiteral("Items")).RecordCount(), 5);
    EXPECT_EQ(idsOf(first), (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(idsOf(second), (QList<int>{1, 2, 3, 4, 5}));
    first.Close();
    dao::DBEngine::CommitTrans();
    EXPECT_EQ(source.TableDefs()(QStringLiteral("Items")).RecordCount(), 4);
    second.Close();
    dao::DBEngine::setBusyTimeout(previous);
    target.Close();
    other.Close();
    source.Close();
}

TEST_F(DaoCopies, ACopyKilledInTheMiddleOfAWriteLeavesAFileThatOpens)
{
    QProcess crash;
    startChild(crash, "crash", path);
    ASSERT_TRUE(waitFor(crash, "ready"));
    ::kill(pid_t(crash.processId()), SIGKILL);
    crash.waitForFinished(30000);
    // its journal with a second name: the commit in it is never thrown away
    const QString snapshot = secondName(path + QStringLiteral("-wal"));
    savedOrRefused(path, path + QStringLiteral("-wal"));
    ASSERT_TRUE(QFile::remove(snapshot));

    // read-only first: it recovers or opens, never "unrecognised format"
    dao::Database ro = dao::DBEngine::OpenDatabase(path, false, true, kConnect);
    dao::Recordset rs = ro.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE ID > 1000"), dao::dbOpenSnapshot);
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 100);
    rs.Close();
    ro.Close();
    dao::Database rw = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    EXPECT_EQ(rw.TableDefs()(QStringLiteral("Items")).RecordCount(), 105);
    addItem(rw, 2000, QStringLiteral("after"));
    rw.Close();
    EXPECT_EQ(integrity(path), QStringLiteral("ok"));
    EXPECT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
}

TEST_F(DaoCopies, AReadOnlyOpenOfAnUnfinishedJournalThatCannotBeRecoveredSaysWhy)
{
    // A write left unfinished under the rollback journal: the file and its journal as a
    // copy stopped in the middle of a transaction left them.
    const QString hot = folder.file(QStringLiteral("hot.mdb"));
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        const QByteArray key = kPassword.toUtf8();
        sqlite3_key(raw, key.constData(), key.size());
        ASSERT_EQ(sqlite3_exec(raw, "PRAGMA cache_size=5; BEGIN; UPDATE Items SET Memo = hex(randomblob(3000));",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(raw);
        ASSERT_TRUE(QFile::copy(path, hot));
        ASSERT_TRUE(QFile::copy(path + QStringLiteral("-journal"), hot + QStringLiteral("-journal")));
        sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_NE(fileBytes(hot), fileBytes(path));   // changed pages reached the file

    {
        // the recovery cannot write the file back
        faultvfs::Guard fault(faultvfs::Write, 1, -1, QStringLiteral("hot.mdb"));
        try {
            dao::DBEngine::OpenDatabase(hot, false, true, kConnect);
            ADD_FAILURE() << "opened";
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), dao::err::CannotOpen);
            EXPECT_TRUE(e.description().contains(QStringLiteral("未完成的日志"))) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QStringLiteral("I/O"))) << e.description().toStdString();
        }
        EXPECT_GT(faultvfs::failures(), 0);
    }
    // nothing was lost: once the file can be written, the read-only open recovers it
    EXPECT_TRUE(QFile::exists(hot + QStringLiteral("-journal")));
    dao::Database ro = dao::DBEngine::OpenDatabase(hot, false, true, kConnect);
    dao::Recordset rs = ro.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE Memo IS NULL ORDER BY ID"),
                                         dao::dbOpenSnapshot);
    EXPECT_EQ(idsOf(rs), (QList<int>{1, 2, 3, 4, 5}));
    rs.Close();
    ro.Close();
    EXPECT_EQ(integrity(hot), QStringLiteral("ok"));
}

TEST_F(DaoCopies, ClosingLeavesOneFileAndAReadOnlyOpenAddsNone)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    addItem(db, 10, QStringLiteral("x"));
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("Items"), dao::dbOpenSnapshot);
    EXPECT_GT(filesBeside(path).size(), 1);   // the journal beside it while it is open
    rs.Close();
    db.Close();
    EXPECT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
    dao::Database ro = dao::DBEngine::OpenDatabase(path, false, true, kConnect);
    dao::Recordset all = ro.OpenRecordset(QStringLiteral("Items"), dao::dbOpenSnapshot);
    all.MoveLast();
    EXPECT_EQ(all.RecordCount(), 6);
    all.Close();
    ro.Close();
    EXPECT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
}

TEST_F(DaoCopies, CopiesClosingAtTheSameInstantLeaveTheFileAlone)
{
    ASSERT_FALSE(kChild);
    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE(round);
        QProcess copies[4];
        for (QProcess& p : copies) startChild(p, "close", path);
        for (QProcess& p : copies) ASSERT_TRUE(waitFor(p, "ready"));
        for (QProcess& p : copies) p.write("go\n");
        for (QProcess& p : copies) p.waitForBytesWritten(10000);
        for (QProcess& p : copies) ASSERT_TRUE(p.waitForFinished(60000));
        for (QProcess& p : copies) EXPECT_EQ(p.exitCode(), 0);
        ASSERT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
    }
    EXPECT_EQ(integrity(path), QStringLiteral("ok"));
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, true, kConnect);
    EXPECT_EQ(db.TableDefs()(QStringLiteral("Items")).RecordCount(), 5 + 40);
    db.Close();
}

TEST_F(DaoCopies, ASecondNameOfTheIndexWhileACopyHoldsTheFileOpenLosesNoCommit)
{
    ASSERT_FALSE(kChild);
    QProcess holder;
    startChild(holder, "close", path);   // adds row 6 and holds the file open
    ASSERT_TRUE(waitFor(holder, "ready"));
    const QString snapshot = secondName(path + QStringLiteral("-shm"));
    const bool saved = savedOrRefused(path, path + QStringLiteral("-shm"));   // row 99 in, row 1 out
    holder.write("go\n");
    ASSERT_TRUE(holder.waitForFinished(60000));
    QFile::remove(snapshot);
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, true, kConnect);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    EXPECT_EQ(idsOf(rs), saved ? (QList<int>{2, 3, 4, 5, 6, 99}) : (QList<int>{1, 2, 3, 4, 5, 6}));
    db.Close();
}

TEST_F(DaoCopies, ASecondNameOfTheJournalWhileTheFileIsOpenStopsANewReaderNamingIt)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    db.Execute(QStringLiteral("UPDATE Items SET Qty = 7 WHERE ID = 3"));   // no reader of its own yet
    const QString snapshot = secondName(path + QStringLiteral("-wal"));
    const QString sql = QStringLiteral("SELECT * FROM Items WHERE Qty = 7");
    EXPECT_TRUE(refusedNaming(
        testutil::errorOf([&] { db.OpenRecordset(sql, dao::dbOpenSnapshot); }).description(), path + QStringLiteral("-wal")));
    ASSERT_TRUE(QFile::remove(snapshot));
    dao::Recordset rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    EXPECT_EQ(idsOf(rs), QList<int>{3});
    db.Close();
}

TEST_F(DaoCopies, WhatIsLeftAtTheCloseLocksNameIsTakenAtOnceAndNeverFollowedOrWaitedOn)
{
    ASSERT_FALSE(kChild);
    // Left by a copy of another user that died (the second only root can open), or put
    // there by another user: a link to a private file of this one, a link to nowhere, a
    // FIFO. The copies run apart, so that one waiting on a FIFO fails instead of hanging.
    const QString lock = dao::detail::closeLockPath(path);
    const QString key = folder.file(QStringLiteral("private.key")), nowhere = folder.file(QStringLiteral("nowhere"));
    const QByteArray lockName = QFile::encodeName(lock);
    const auto leaveFile = [&](QFile::Permissions mode) {
        QFile left(lock);
        ASSERT_TRUE(left.open(QIODevice::WriteOnly) && left.write("4242\n") == 5 && left.setPermissions(mode));
        left.close();
        ASSERT_TRUE(geteuid() != 0 || ::chown(lockName.constData(), 65534, 65534) == 0);
    };
    const std::function<void()> leave[] = {
        [&] { leaveFile(QFile::ReadOwner | QFile::ReadOther); },
        [&] { leaveFile(QFile::Permissions()); },
        [&] { ASSERT_TRUE(QFile::link(key, lock)); },
        [&] { ASSERT_TRUE(QFile::link(nowhere, lock)); },
        [&] { ASSERT_EQ(::mkfifo(lockName.constData(), 0666), 0); },
    };
    QFile secret(key);
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
    secret.close();
    ASSERT_EQ(::chmod(QFile::encodeName(key).constData(), 0600), 0);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        leave[i]();
        QProcess taker;
        startChild(taker, "lock", path);
        ASSERT_TRUE(taker.waitForFinished(60000));
        EXPECT_EQ(taker.readAll().trimmed(), QByteArray("held"));   // without waiting at all
        leave[i]();
        QProcess closer;
        startChild(closer, "close", path);
        ASSERT_TRUE(waitFor(closer, "ready"));
        closer.write("go\n");
        ASSERT_TRUE(closer.waitForFinished(60000));
        EXPECT_EQ(closer.exitCode(), 0);
        EXPECT_EQ(filesBeside(path), QStringList{QStringLiteral("Ostrel.mdb")});
        struct stat st;
        EXPECT_TRUE(::stat(QFile::encodeName(key).constData(), &st) == 0 && (st.st_mode & 07777) == 0600);
        EXPECT_EQ(fileBytes(key), QByteArray("secret"));
        EXPECT_FALSE(QFileInfo::exists(nowhere));
    }
}

TEST_F(DaoCopies, ADynasetEditedWhileWalkedVisitsEachRowOnce)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Database other = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY [Name]"), dao::dbOpenDynaset);
    QStringList visited;
    int step = 0;
    int deleted = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        QString name;
        if (errorOf([&] { name = rs("Name").Value().toString(); }) == 3167) {
            ++deleted;   // a row another copy deleted meanwhile
            continue;
        }
        visited << name;
        // the edit moves the row to the end of the order
        rs.Edit();
        rs("Name").setValue(QStringLiteral("z") + name);
        rs.Update();
        if (++step == 2) {
            // another copy deletes a row not yet visited and adds one
            other.Execute(QStringLiteral("DELETE * FROM Items WHERE ID = 4"));
            addItem(other, 6, QStringLiteral("a-new"));
        }
    }
    EXPECT_EQ(visited, (QStringList{QStringLiteral("n1"), QStringLiteral("n2"), QStringLiteral("n3"), QStringLiteral("n5")}));
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(rs.RecordCount(), 5);   // its keys as they were when it was opened
    rs.MoveFirst();
    EXPECT_EQ(rs("Name").Value().toString(), QStringLiteral("zn1"));
    rs.Requery();
    EXPECT_EQ(rs("Name").Value().toString(), QStringLiteral("a-new"));
    rs.Close();
    other.Close();
    db.Close();
}

TEST_F(DaoCopies, ADynasetEditedInsideItsTransactionVisitsEachRowOnce)
{
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, kConnect);
    for (int i = 6; i <= 300; ++i) addItem(db, i, QStringLiteral("n%1").arg(i, 3, 10, QLatin1Char('0')));
    db.Execute(QStringLiteral("CREATE INDEX ix_name ON Items ([Name])"));
    dao::Transaction tx;
    addItem(db, 301, QStringLiteral("m"));   // written in the transaction before the dynaset opens
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY [Name]"), dao::dbOpenDynaset);
    QSet<int> seen;
    int visits = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        ++visits;
        seen.insert(rs("ID").Value().toInt());
        rs.Edit();
        rs("Name").setValue(QStringLiteral("z") + rs("Name").Value().toString());
        rs.Update();
    }
    rs.Close();
    tx.commit();
    EXPECT_EQ(visits, 301);
    EXPECT_EQ(seen.size(), 301);
    dao::Recordset check = db.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE [Name] LIKE 'zz*'"), dao::dbOpenSnapshot);
    EXPECT_TRUE(check.Eof());
    check.Close();
    db.Close();
}
