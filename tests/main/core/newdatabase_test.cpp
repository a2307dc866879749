#include "tests/main/core/dbfixture.h"
#include "main/core/defaultrule.h"
#include "main/core/password.h"
#include "main/core/schema.h"
#include "platform/core/app.h"
#include <QFile>
#include <QProcess>

using namespace ostrel;
using testutil::MainDatabaseTest;

TEST_F(MainDatabaseTest, NewDatabaseHasTheSevenTablesAndTheirColumns)
{
    dao::TableDefs defs = gDatabase.TableDefs();
    for (const schema::Table& t : schema::tables()) {
        dao::TableDef td = defs.Item(QString::fromUtf16(t.name));
        ASSERT_EQ(td.Fields().Count(), t.fields.size()) << QString::fromUtf16(t.name).toStdString();
        for (const schema::Field& f : t.fields)
            EXPECT_EQ(td.Fields(QString::fromUtf16(f.name)).Type(), int(f.kind));
    }
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [No]=0 AND [Type] NOT IN ('Users','CodeRule');")), 8);
    for (const QString& type : schema::baseDataTypes())
        EXPECT_EQ(CodeValue(type, 0), QStringLiteral("未指定")) << type.toStdString();
}

TEST_F(MainDatabaseTest, FirstAdministratorHasEveryRightAndAHashedPassword)
{
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='Users';"));
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("Value")).Value().toString(), QStringLiteral("admin"));
    EXPECT_EQ(rs(QStringLiteral("No")).Value().toInt(), 3);
    const QStringList lines = rs(QStringLiteral("Memo")).Value().toString().split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_NE(lines[0], QStringLiteral("secret-1"));
    EXPECT_TRUE(VerifyPassword(lines[0], QStringLiteral("secret-1")));
    EXPECT_EQ(lines[1], QString()); // every department, not only code 0
    EXPECT_EQ(lines[2], QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1;-1"));
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    rs.Close();
    logIn(QStringLiteral("admin"), QStringLiteral("secret-1"));
    EXPECT_EQ(gUsrInfos->DepartIDs(), QString());
}

TEST_F(MainDatabaseTest, RefusesToOverwriteAndWrongPasswordFails)
{
    const QString path = folder->file(QStringLiteral("Ostrel.mdb"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    try {
        CreateNewDatabase(folder->path());
        FAIL() << "overwrote the database";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), dao::err::DatabaseExists);
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(before.startsWith("SQLite format 3"));
    EXPECT_THROW(dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";PWD=WRONG")), vb::Error);
}

TEST(NewDatabaseTool, PrintsTheLogInAndRefusesAnExistingFile)
{
    testutil::ProgramFolder folder;
    QProcess p;
    p.start(testutil::binDir() + QStringLiteral("/ostrel-newdb"), {folder.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
    ASSERT_GE(out.size(), 2);
    EXPECT_EQ(out[0], QStringLiteral("log-in name: admin"));
    ASSERT_TRUE(out[1].startsWith(QStringLiteral("password: ")));
    const QString password = out[1].mid(10);
    EXPECT_GE(password.size(), 8);

    dao::Database db = dao::DBEngine::OpenDatabase(folder.file(QStringLiteral("Ostrel.mdb")), false, false,
                                                   schema::connectString());
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT [Memo] FROM [SysInfo] WHERE [Type]='Users';"));
    EXPECT_TRUE(VerifyPassword(rs(0).Value().toString().section(QLatin1Char('\r'), 0, 0), password));
    rs.Close();
    rs = db.OpenRecordset(QStringLiteral("SELECT [Memo] FROM [SysInfo] WHERE [Type]='CodeRule';"));
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(0).Value().toString(), DefaultCodeRule());
    rs.Close();
    db.Close();

    p.start(testutil::binDir() + QStringLiteral("/ostrel-newdb"), {folder.path()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
}
