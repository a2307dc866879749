// Opening, creating, keying and locking database files; engine-wide transactions.
#include "daotest.h"
#include <QFile>

using namespace daotest;
using dao::DBEngine;

namespace {
const QString kConnect = QStringLiteral(";PWD=TORVAMS");
}

TEST(DaoEngine, CreateThenOpenWithPassword)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("Ostrel.mdb"));
    {
        dao::Database db = makeItems(path);
        addItem(db, 1, QStringLiteral("设备甲"));
        db.Close();
    }
    dao::Database db = DBEngine::OpenDatabase(path, false, false, kConnect);
    EXPECT_EQ(db.Name(), path);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [Items]"), dao::dbOpenSnapshot);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("设备甲"));
    // the connect string's key is found in any letter case
    db.Close();
    EXPECT_NO_THROW(DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=TORVAMS")).Close());
}

TEST(DaoEngine, FileOnDiskIsNotPlaintext)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("Ostrel.mdb"));
    const QString secret = QStringLiteral("PLAIN-MARK-4711");
    {
        dao::Database db = makeItems(path);
        addItem(db, 1, secret);
        db.Close();
    }
    QByteArray bytes = fileBytes(path);
    ASSERT_GT(bytes.size(), 0);
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    EXPECT_FALSE(bytes.contains(secret.toUtf8()));
    EXPECT_FALSE(bytes.contains("Items"));
    EXPECT_FALSE(bytes.contains("CREATE TABLE"));
}

TEST(DaoEngine, WrongOrMissingPasswordFailsCleanly)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("Ostrel.mdb"));
    makeItems(path).Close();
    const QByteArray before = fileBytes(path);
    for (const QString& connect : {QStringLiteral(";PWD=WRONGPW"), QString(), QStringLiteral(";PWD=")}) {
        try {
            DBEngine::OpenDatabase(path, false, false, connect);
            ADD_FAILURE() << "opened with " << connect.toStdString();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), dao::err::NotValidPassword);
            EXPECT_EQ(e.source(), QStringLiteral("DAO"));
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_NO_THROW(DBEngine::OpenDatabase(path, false, false, kConnect).Close());
}

TEST(DaoEngine, MissingForeignAndExistingFiles)
{
    testutil::ProgramFolder folder;
    EXPECT_EQ(errorOf([&] { DBEngine::OpenDatabase(folder.file(QStringLiteral("none.mdb")), false, false, kConnect); }),
              dao::err::FileNotFound);

    const QString text = folder.file(QStringLiteral("notes.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is a text file, not a database\r\n");
    }
    EXPECT_EQ(errorOf([&] { DBEngine::OpenDatabase(text, false, false, kConnect); }), dao::err::NotADatabase);
    const QString empty = folder.file(QStringLiteral("empty.mdb"));
    { QFile f(empty); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); }
    EXPECT_EQ(errorOf([&] { DBEngine::OpenDatabase(empty, false, false, kConnect); }), dao::err::NotADatabase);
    EXPECT_EQ(QFileInfo(empty).size(), 0);

    const QString path = folder.file(QStringLiteral("db.mdb"));
    makeItems(path).Close();
    const QByteArray before = fileBytes(path);
    EXPECT_EQ(errorOf([&] { DBEngine::CreateDatabase(path, chineseLocale()); }), dao::err::DatabaseExists);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(errorOf([&] { DBEngine::CreateDatabase(folder.file(QStringLiteral("no/such/dir/x.mdb")), chineseLocale()); }),
              dao::err::CannotOpen);
}

TEST(DaoEngine, CreateWithoutPasswordAndReopen)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("Tmp_DB.tmp"));
    dao::Database db = DBEngine::CreateDatabase(path, chineseLocale(), dao::dbVersion30);
    db.Close();
    dao::Database again = DBEngine::OpenDatabase(path);
    EXPECT_EQ(again.TableDefs().Count(), 0);
}

TEST(DaoEngine, ClosedObjectsRefuseUse)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    addItem(db, 1, QStringLiteral("x"));
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("Items"));
    dao::Field f = rs(QStringLiteral("Name"));
    rs.Close();
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), dao::err::ObjectInvalid);
    EXPECT_EQ(errorOf([&] { f.Value(); }), dao::err::ObjectInvalid);
    dao::Recordset rs2 = db.OpenRecordset(QStringLiteral("Items"));
    db.Close();
    EXPECT_EQ(errorOf([&] { rs2.Eof(); }), dao::err::ObjectInvalid);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("DELETE * FROM Items")); }), dao::err::ObjectInvalid);
    dao::Database nothing;
    EXPECT_EQ(errorOf([&] { nothing.OpenRecordset(QStringLiteral("Items")); }), dao::err::ObjectNotSet);
}

TEST(DaoEngine, ReadOnlyDatabaseRefusesWrites)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("a.mdb"));
    {
        dao::Database db = makeItems(path);
        addItem(db, 1, QStringLiteral("x"));
    }
    dao::Database db = DBEngine::OpenDatabase(path, false, true, kConnect);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items"));
    EXPECT_FALSE(rs.Updatable());
    EXPECT_EQ(errorOf([&] { rs.AddNew(); }), dao::err::NotUpdatable);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("DELETE * FROM Items")); }), dao::err::NotUpdatable);
    EXPECT_EQ(rs.RecordCount(), 1);
}

TEST(DaoEngine, TransactionsCommitAndRollBack)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    addItem(db, 1, QStringLiteral("kept"));

    DBEngine::BeginTrans();
    addItem(db, 2, QStringLiteral("rolled back"));
    db.Execute(QStringLiteral("DELETE * FROM [Items] WHERE [ID]=1;"));
    DBEngine::Rollback();
    EXPECT_EQ(DBEngine::TransactionLevel(), 0);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items"), dao::dbOpenSnapshot);
    rs.MoveLast();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("kept"));
    rs.Close();

    DBEngine::BeginTrans();
    addItem(db, 3, QStringLiteral("outer"));
    DBEngine::BeginTrans();
    addItem(db, 4, QStringLiteral("inner"));
    DBEngine::Rollback();
    DBEngine::CommitTrans();
    rs = db.OpenRecordset(QStringLiteral("SELECT [ID] FROM Items ORDER BY [ID]"), dao::dbOpenSnapshot);
    QList<int> ids;
    for (; !rs.Eof(); rs.MoveNext()) ids << rs(0).Value().toInt();
    EXPECT_EQ(ids, (QList<int>{1, 3}));

    EXPECT_EQ(errorOf([] { DBEngine::CommitTrans(); }), dao::err::NotInTransaction);
    EXPECT_EQ(errorOf([] { DBEngine::Rollback(); }), dao::err::NotInTransaction);
}

TEST(DaoEngine, RollbackKeepsAnOpenRecordsetUsable)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    for (int i = 1; i <= 5; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    rs.MoveNext();
    DBEngine::BeginTrans();
    db.Execute(QStringLiteral("DELETE * FROM Items WHERE ID=5"));
    DBEngine::Rollback();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 2);
    rs.MoveNext();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 3);
    rs.MoveLast();
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), 5);
}

TEST(DaoEngine, BusyDatabaseIsReportedAs3228)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("shared.mdb"));
    dao::Database first = makeItems(path);
    addItem(first, 1, QStringLiteral("x"));
    const int previous = DBEngine::busyTimeout();
    DBEngine::setBusyTimeout(50);

    // the transaction takes the write lock at once
    DBEngine::BeginTrans();
    addItem(first, 2, QStringLiteral("y"));
    // a second connection made outside the transaction: another running copy
    dao::Database second = DBEngine::OpenDatabase(path, false, false, kConnect);
    try {
        second.Execute(QStringLiteral("DELETE * FROM Items WHERE ID=1"));
        ADD_FAILURE() << "a locked database accepted a write";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), dao::err::Locked);
        EXPECT_FALSE(e.description().isEmpty());
    }
    DBEngine::CommitTrans();
    EXPECT_EQ(second.Execute(QStringLiteral("DELETE * FROM Items WHERE ID=1")), 1);
    second.Close();
    first.Close();
    DBEngine::setBusyTimeout(previous);
}

TEST(DaoEngine, ExclusiveOpenLocksOutOthers)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("x.mdb"));
    makeItems(path).Close();
    const int previous = DBEngine::busyTimeout();
    DBEngine::setBusyTimeout(50);
    dao::Database mine = DBEngine::OpenDatabase(path, true, false, kConnect);
    EXPECT_EQ(errorOf([&] { DBEngine::OpenDatabase(path, false, false, kConnect); }), dao::err::Locked);
    mine.Close();
    EXPECT_NO_THROW(DBEngine::OpenDatabase(path, false, false, kConnect).Close());
    DBEngine::setBusyTimeout(previous);
}

TEST(DaoEngine, TransactionsAroundOpenRecordsets)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("a.mdb")));
    DBEngine::BeginTrans();
    for (int i = 1; i <= 5; ++i) addItem(db, i, QStringLiteral("n%1").arg(i));
    DBEngine::CommitTrans();
    // a record set stands on its first row while a transaction begins, writes and commits
    dao::Recordset reader = db.OpenRecordset(QStringLiteral("SELECT * FROM Items ORDER BY ID"), dao::dbOpenSnapshot);
    dao::Recordset writer = db.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE ID=3"));
    DBEngine::BeginTrans();
    writer.Edit();
    writer(QStringLiteral("Name")).setValue(QStringLiteral("edited"));
    writer.Update();
    db.Execute(QStringLiteral("DELETE * FROM Items WHERE ID=5"));
    DBEngine::CommitTrans();
    EXPECT_EQ(reader(QStringLiteral("ID")).Value().toInt(), 1);
    reader.MoveNext();
    EXPECT_EQ(reader(QStringLiteral("ID")).Value().toInt(), 2);
    // the handle CreateDatabase gave: the snapshot keeps row 5 deleted through it
    reader.MoveLast();
    EXPECT_EQ(reader(QStringLiteral("ID")).Value().toInt(), 5);
    EXPECT_EQ(reader(QStringLiteral("Name")).Value().toString(), QStringLiteral("n5"));
    EXPECT_EQ(writer(QStringLiteral("Name")).Value().toString(), QStringLiteral("edited"));
    dao::Recordset check = db.OpenRecordset(QStringLiteral("Items"));
    EXPECT_EQ(check.RecordCount(), 4);
}
