#include "tests/main/core/dbfixture.h"
#include "main/core/cexbasis.h"
#include "main/core/password.h"
#include "main/core/startup.h"
#include "main/core/usrinfos.h"

using namespace ostrel;
using testutil::MainDatabaseTest;

namespace {

const QString kAllFlags = QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1;-1");

QString memo(const QString& stored, const QString& departs = QString(), const QString& flags = QString())
{
    return stored + QLatin1Char('\r') + departs + QLatin1Char('\r') + flags;
}

class UsrInfosTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        gUsrInfos = std::make_unique<UsrInfos>();
    }
    void TearDown() override
    {
        gUsrInfos.reset();
        MainDatabaseTest::TearDown();
    }

    qint32 load(const QString& name, const QString& password, qint32 id = 0)
    {
        return gUsrInfos->Load(name, id, password);
    }
    QString storedMemo(int id)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [Memo] FROM [SysInfo] WHERE [ID]=%1;").arg(id), dao::dbOpenSnapshot);
        const QString m = rs.Eof() ? QString() : rs.Fields(0).Value().toString();
        rs.Close();
        return m;
    }
    void expectUser(const UsrInfos& u, const QString& name, int id, int level, const QString& departs)
    {
        EXPECT_EQ(u.UsrName(), name);
        EXPECT_EQ(u.UsrID(), id);
        EXPECT_EQ(u.PrvStyle(), level);
        EXPECT_EQ(u.DepartIDs(), departs);
    }
};

TEST_F(UsrInfosTest, LevelsDepartmentsAndFlags)
{
    const QString flags = QStringLiteral("-1;0;-1;0;0;0;0;0;-1");
    addSysInfo(100, QStringLiteral("Users"), 2, QStringLiteral("li"), memo(HashPassword(QStringLiteral("pw-li")),
                                                                            QStringLiteral("3;7;12"), flags));
    addSysInfo(101, QStringLiteral("Users"), 1, QStringLiteral("viewer"), memo(QString(), QStringLiteral("1"), flags));
    addSysInfo(102, QStringLiteral("Users"), 3, QStringLiteral("eight"),
               memo(QString(), QString(), QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1")));

    ASSERT_EQ(load(QStringLiteral("li"), QStringLiteral("pw-li")), 0);
    expectUser(*gUsrInfos, QStringLiteral("li"), 100, 2, QStringLiteral("3,7,12"));
    EXPECT_TRUE(gUsrInfos->PrvAddDev());
    EXPECT_FALSE(gUsrInfos->PrvTrans());
    EXPECT_TRUE(gUsrInfos->PrvMaintain());
    EXPECT_FALSE(gUsrInfos->PrvCheck() || gUsrInfos->PrvDiscard() || gUsrInfos->PrvDocs() ||
                 gUsrInfos->PrvDelDev() || gUsrInfos->PrvBackup());
    EXPECT_TRUE(gUsrInfos->PrvClear());

    // Level 1 refuses every flag, whatever the row holds.
    ASSERT_EQ(load(QStringLiteral("viewer"), QString()), 0);
    expectUser(*gUsrInfos, QStringLiteral("viewer"), 101, 1, QStringLiteral("1"));
    EXPECT_FALSE(gUsrInfos->PrvAddDev() || gUsrInfos->PrvMaintain() || gUsrInfos->PrvClear());

    // Eight fields for nine flags: none is granted.
    ASSERT_EQ(load(QStringLiteral("eight"), QString()), 0);
    EXPECT_FALSE(gUsrInfos->PrvAddDev() || gUsrInfos->PrvBackup() || gUsrInfos->PrvClear());

    // By key: the name stays empty.
    qint32 id = 100;
    ASSERT_EQ(gUsrInfos->Load(QString(), id, QStringLiteral("pw-li")), 0);
    expectUser(*gUsrInfos, QString(), 100, 2, QStringLiteral("3,7,12"));
}

TEST_F(UsrInfosTest, RefusalsLeaveThePreviousUserWhole)
{
    addSysInfo(100, QStringLiteral("Users"), 3, QStringLiteral("chief"),
               memo(HashPassword(QStringLiteral("Chief-Pw")), QStringLiteral("1;2"), kAllFlags));
    addSysInfo(101, QStringLiteral("Users"), 0, QStringLiteral("off"),
               memo(HashPassword(QStringLiteral("off-pw")), QStringLiteral("9"), kAllFlags));
    addSysInfo(102, QStringLiteral("Users"), QVariant(), QStringLiteral("unset"), memo(QString(), QString(), kAllFlags));
    addSysInfo(104, QStringLiteral("Users"), 4, QStringLiteral("four"), memo(QString(), QString(), kAllFlags));
    addSysInfo(103, QStringLiteral("Departs"), 5, QStringLiteral("nobody"));

    ASSERT_EQ(load(QStringLiteral("chief"), QStringLiteral("Chief-Pw")), 0);
    EXPECT_EQ(load(QStringLiteral("chief"), QStringLiteral("chief-pw")), kErrPasswordOrLevel);
    EXPECT_EQ(load(QStringLiteral("off"), QStringLiteral("off-pw")), kErrPasswordOrLevel);
    EXPECT_EQ(load(QStringLiteral("off"), QStringLiteral("wrong")), kErrPasswordOrLevel);
    EXPECT_EQ(load(QStringLiteral("unset"), QString()), kErrPasswordOrLevel);
    EXPECT_EQ(load(QStringLiteral("four"), QString()), kErrPasswordOrLevel);
    EXPECT_EQ(load(QStringLiteral("nobody"), QString()), kErrNoSuchUser);
    EXPECT_EQ(load(QStringLiteral("ghost"), QString()), kErrNoSuchUser);
    EXPECT_EQ(load(QString(), QString(), 0), kErrBadArguments);
    EXPECT_EQ(load(QString(), QString(), 103), kErrNoSuchUser);

    expectUser(*gUsrInfos, QStringLiteral("chief"), 100, 3, QStringLiteral("1,2"));
    EXPECT_TRUE(gUsrInfos->PrvAddDev() && gUsrInfos->PrvBackup() && gUsrInfos->PrvClear());

    // A database that cannot be read is a failure as well, and changes nothing.
    gDatabase.Close();
    gDatabase = dao::Database();
    EXPECT_NE(load(QStringLiteral("chief"), QStringLiteral("Chief-Pw")), 0);
    expectUser(*gUsrInfos, QStringLiteral("chief"), 100, 3, QStringLiteral("1,2"));
}

TEST_F(UsrInfosTest, QuotesInNamesCannotReachTheStatement)
{
    addSysInfo(100, QStringLiteral("Users"), 2, QStringLiteral("o'brien"),
               memo(HashPassword(QStringLiteral("irish-pw")), QString(), kAllFlags));

    ASSERT_EQ(load(QStringLiteral("o'brien"), QStringLiteral("irish-pw")), 0);
    EXPECT_EQ(gUsrInfos->UsrName(), QStringLiteral("o'brien"));
    EXPECT_EQ(gUsrInfos->UsrID(), 100);

    // Crafted names that would select the administrator's row or break the statement.
    const QStringList crafted = {
        QStringLiteral("x') OR ([No]=3) OR ([Value]='"),
        QStringLiteral("admin' OR '1'='1"),
        QStringLiteral("'"),
        QStringLiteral("x')) ORDER BY [ID]; DELETE FROM [SysInfo];"),
    };
    for (const QString& name : crafted) {
        EXPECT_EQ(load(name, QString()), kErrNoSuchUser) << name.toStdString();
        EXPECT_EQ(gUsrInfos->UsrID(), 100);
    }
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='Users';")), 2);

    EXPECT_EQ(gUsrInfos->GetUsrInfo(QStringLiteral("o'brien"), 0), QStringLiteral("100"));
    EXPECT_EQ(gUsrInfos->GetUsrInfo(100, 1), QStringLiteral("o'brien"));
    EXPECT_EQ(gUsrInfos->GetUsrInfo(QVariant(), 1), QString());
    EXPECT_EQ(gUsrInfos->GetUsrInfo(QStringLiteral("x' OR '1'='1"), 0), QString());
    EXPECT_THROW(gUsrInfos->GetUsrInfo(QStringLiteral("1 OR 1=1"), 1), vb::Error);
}

TEST_F(UsrInfosTest, PlainPasswordsAreHashedAtLogIn)
{
    // An older row: the password as typed, and a memo of a single line.
    addSysInfo(100, QStringLiteral("Users"), 2, QStringLiteral("old"), QStringLiteral("Plain-1"));
    addSysInfo(101, QStringLiteral("Users"), 2, QStringLiteral("older"),
               memo(QStringLiteral("Plain-2"), QStringLiteral("4;5"), QStringLiteral("0;-1;0;0;0;0;0;0;0")));

    ASSERT_EQ(load(QStringLiteral("old"), QStringLiteral("Plain-1")), 0);
    EXPECT_EQ(gUsrInfos->DepartIDs(), QString());
    EXPECT_FALSE(gUsrInfos->PrvAddDev() || gUsrInfos->PrvTrans());
    const QString first = storedMemo(100);
    EXPECT_FALSE(NeedsRehash(first));
    EXPECT_TRUE(VerifyPassword(first, QStringLiteral("Plain-1")));
    EXPECT_FALSE(first.contains(QStringLiteral("Plain-1")));
    EXPECT_EQ(load(QStringLiteral("old"), QStringLiteral("Plain-1")), 0);

    // A wrong password rehashes nothing; the right one keeps departments and flags.
    EXPECT_EQ(load(QStringLiteral("older"), QStringLiteral("plain-2")), kErrPasswordOrLevel);
    EXPECT_TRUE(storedMemo(101).startsWith(QStringLiteral("Plain-2\r")));
    ASSERT_EQ(load(QStringLiteral("older"), QStringLiteral("Plain-2")), 0);
    const QStringList lines = storedMemo(101).split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(VerifyPassword(lines[0], QStringLiteral("Plain-2")));
    EXPECT_EQ(lines[1], QStringLiteral("4;5"));
    EXPECT_EQ(lines[2], QStringLiteral("0;-1;0;0;0;0;0;0;0"));
    EXPECT_TRUE(gUsrInfos->PrvTrans());
}

class ValidateTest : public UsrInfosTest {
protected:
    quillon::eValidateStates logIn(const QString& name, const QString& password)
    {
        return host->Validate(name, password, QString(), quillon::eValidateLogin);
    }
    quillon::eValidateStates change(const QString& name, const QString& oldPw, const QString& newPw, int style = 2)
    {
        return host->Validate(name, oldPw, newPw, quillon::eValidateStyles(style));
    }
    com::ComPtr<cEXBasis> host = com::make<cEXBasis>();
};

TEST_F(ValidateTest, LogInAnswers)
{
    addSysInfo(100, QStringLiteral("Users"), 0, QStringLiteral("off"), memo(HashPassword(QStringLiteral("off-pw"))));
    EXPECT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("secret-1")), quillon::eValidatePassed);
    EXPECT_EQ(gUsrInfos->UsrName(), QStringLiteral("admin"));
    EXPECT_EQ(gUsrInfos->PrvStyle(), 3);
    EXPECT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("SECRET-1")), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(QStringLiteral("admin"), QString()), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(QStringLiteral("off"), QStringLiteral("off-pw")), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(QStringLiteral("nobody"), QString()), quillon::eUserNotExist);
    EXPECT_EQ(logIn(QStringLiteral("admin' OR '1'='1"), QString()), quillon::eUserNotExist);
    EXPECT_EQ(logIn(QString(), QString()), quillon::eValideIncorrect);
    EXPECT_EQ(gUsrInfos->UsrName(), QStringLiteral("admin"));

    gUsrInfos.reset();
    EXPECT_EQ(logIn(QStringLiteral("admin"), QStringLiteral("secret-1")), quillon::eValideIncorrect);
}

TEST_F(ValidateTest, PasswordChange)
{
    addSysInfo(100, QStringLiteral("Users"), 2, QStringLiteral("zhao"),
               memo(HashPassword(QStringLiteral("first-pw")), QStringLiteral("2;3"), kAllFlags));
    const QString before = storedMemo(100);

    EXPECT_EQ(change(QStringLiteral("zhao"), QStringLiteral("wrong"), QStringLiteral("second-pw")),
              quillon::ePasswordDenied);
    EXPECT_EQ(change(QStringLiteral("ghost"), QString(), QStringLiteral("second-pw")), quillon::ePasswordDenied);
    EXPECT_EQ(change(QStringLiteral("zhao"), QStringLiteral("first-pw"), QStringLiteral("12345")),
              quillon::eInvalidPassword);
    EXPECT_EQ(storedMemo(100), before);

    // The old password is compared even when the library says it need not be.
    EXPECT_EQ(change(QStringLiteral("zhao"), QString(), QStringLiteral("second-pw"), 130), quillon::ePasswordDenied);

    EXPECT_EQ(change(QStringLiteral("zhao"), QStringLiteral("first-pw"), QStringLiteral("123456")),
              quillon::eValidatePassed);
    const QStringList lines = storedMemo(100).split(QLatin1Char('\r'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0].contains(QStringLiteral("123456")));
    EXPECT_TRUE(VerifyPassword(lines[0], QStringLiteral("123456")));
    EXPECT_EQ(lines[1], QStringLiteral("2;3"));
    EXPECT_EQ(lines[2], kAllFlags);

    EXPECT_EQ(logIn(QStringLiteral("zhao"), QStringLiteral("first-pw")), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(QStringLiteral("zhao"), QStringLiteral("123456")), quillon::eValidatePassed);
}

} // namespace
