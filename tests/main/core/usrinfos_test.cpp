#include "tests/main/core/dbfixture.h"
#include "main/core/cexbasis.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

namespace {

const QString kAllFlags = u"-1;-1;-1;-1;-1;-1;-1;-1;-1"_s;

QString memo(const QString& stored, const QString& departs = QString(), const QString& flags = QString())
{
    return stored + u'\r' + departs + u'\r' + flags;
}

class UsrInfosTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        gUsrInfos = std::make_unique<UsrInfos>();
    }
    void addUser(int id, const QVariant& level, const QString& name, const QString& memo)
    {
        addSysInfo(id, u"Users"_s, level, name, memo);
    }
    qint32 load(const QString& name, const QString& password, qint32 id = 0)
    {
        return gUsrInfos->Load(name, id, password);
    }
    QString storedMemo(int id)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [Memo] FROM [SysInfo] WHERE [ID]=%1;"_s.arg(id),
                                                    dao::dbOpenSnapshot);
        const QString m = rs.Eof() ? QString() : rs.Fields(0).Value().toString();
        rs.Close();
        return m;
    }
    // "name|id|level|departments|flags", the flags as 1 and 0 in their order.
    static QString user()
    {
        const UsrInfos& u = *gUsrInfos;
        QString flags;
        for (bool f : {u.PrvAddDev(), u.PrvTrans(), u.PrvMaintain(), u.PrvCheck(), u.PrvDiscard(), u.PrvDocs(),
                       u.PrvDelDev(), u.PrvBackup(), u.PrvClear()})
            flags += f ? u'1' : u'0';
        return u"%1|%2|%3|%4|%5"_s.arg(u.UsrName()).arg(u.UsrID()).arg(u.PrvStyle()).arg(u.DepartIDs(), flags);
    }
};

TEST_F(UsrInfosTest, LevelsDepartmentsAndFlags)
{
    const QString flags = u"-1;0;-1;0;0;0;0;0;-1"_s;
    addUser(100, 2, u"li"_s, memo(HashPassword(u"pw-li"_s), u"3;7;12"_s, flags));
    addUser(101, 1, u"viewer"_s, memo(QString(), u"1"_s, flags));
    addUser(102, 3, u"eight"_s, memo(QString(), QString(), u"-1;-1;-1;-1;-1;-1;-1;-1"_s));

    ASSERT_EQ(load(u"li"_s, u"pw-li"_s), 0);
    EXPECT_EQ(user(), u"li|100|2|3,7,12|101000001"_s);
    // Level 1 refuses every flag, whatever the row holds.
    ASSERT_EQ(load(u"viewer"_s, QString()), 0);
    EXPECT_EQ(user(), u"viewer|101|1|1|000000000"_s);
    // Eight fields for nine flags: none is granted.
    ASSERT_EQ(load(u"eight"_s, QString()), 0);
    EXPECT_EQ(user(), u"eight|102|3||000000000"_s);
    // The name as stored, whatever the letter case typed.
    ASSERT_EQ(load(u"LI"_s, u"pw-li"_s), 0);
    EXPECT_EQ(user(), u"li|100|2|3,7,12|101000001"_s);
    // By key: the name stays empty.
    ASSERT_EQ(load(QString(), u"pw-li"_s, 100), 0);
    EXPECT_EQ(user(), u"|100|2|3,7,12|101000001"_s);
}

TEST_F(UsrInfosTest, RefusalsLeaveThePreviousUserWhole)
{
    addUser(100, 3, u"chief"_s, memo(HashPassword(u"Chief-Pw"_s), u"1;2"_s, kAllFlags));
    addUser(101, 0, u"off"_s, memo(HashPassword(u"off-pw"_s), u"9"_s, kAllFlags));
    addUser(102, QVariant(), u"unset"_s, memo(QString(), QString(), kAllFlags));
    addUser(104, 4, u"four"_s, memo(QString(), QString(), kAllFlags));
    addSysInfo(103, u"Departs"_s, 5, u"nobody"_s);

    ASSERT_EQ(load(u"chief"_s, u"Chief-Pw"_s), 0);
    const QString chief = u"chief|100|3|1,2|111111111"_s;
    EXPECT_EQ(user(), chief);
    EXPECT_EQ(load(u"chief"_s, u"chief-pw"_s), kErrPasswordOrLevel);
    EXPECT_EQ(load(u"off"_s, u"off-pw"_s), kErrPasswordOrLevel);
    EXPECT_EQ(load(u"off"_s, u"wrong"_s), kErrPasswordOrLevel);
    EXPECT_EQ(load(u"unset"_s, QString()), kErrPasswordOrLevel);
    EXPECT_EQ(load(u"four"_s, QString()), kErrPasswordOrLevel);
    EXPECT_EQ(load(u"nobody"_s, QString()), kErrNoSuchUser);
    EXPECT_EQ(load(u"ghost"_s, QString()), kErrNoSuchUser);
    EXPECT_EQ(load(QString(), QString(), 0), kErrBadArguments);
    EXPECT_EQ(load(QString(), QString(), 103), kErrNoSuchUser);
    EXPECT_EQ(user(), chief);

    // A database that cannot be read is a failure as well, and changes nothing.
    gDatabase.Close();
    gDatabase = dao::Database();
    EXPECT_NE(load(u"chief"_s, u"Chief-Pw"_s), 0);
    EXPECT_EQ(user(), chief);
}

TEST_F(UsrInfosTest, QuotesInNamesCannotReachTheStatement)
{
    addSysInfo(90, u"Departs"_s, 7, u"o'brien"_s); // another list's entry of the same text, stored first
    addUser(100, 2, u"o'brien"_s, memo(HashPassword(u"irish-pw"_s), QString(), kAllFlags));
    ASSERT_EQ(load(u"o'brien"_s, u"irish-pw"_s), 0);
    EXPECT_EQ(user(), u"o'brien|100|2||111111111"_s);

    // Crafted names that would select the administrator's row or break the statement.
    for (const QString& name : {u"x') OR ([No]=3) OR ([Value]='"_s, u"admin' OR '1'='1"_s, u"'"_s,
                                u"x')) ORDER BY [ID]; DELETE FROM [SysInfo];"_s}) {
        EXPECT_EQ(load(name, QString()), kErrNoSuchUser) << name.toStdString();
        EXPECT_EQ(gUsrInfos->UsrID(), 100);
    }
    EXPECT_EQ(count(u"SELECT * FROM [SysInfo] WHERE [Type]='Users';"_s), 2);

    EXPECT_EQ(gUsrInfos->GetUsrInfo(u"o'brien"_s, 0), u"100"_s);
    EXPECT_EQ(gUsrInfos->GetUsrInfo(100, 1), u"o'brien"_s);
    EXPECT_EQ(gUsrInfos->GetUsrInfo(QVariant(), 1), QString());
    EXPECT_EQ(gUsrInfos->GetUsrInfo(u"x' OR '1'='1"_s, 0), QString());
    EXPECT_THROW(gUsrInfos->GetUsrInfo(u"1 OR 1=1"_s, 1), vb::Error);
}

TEST_F(UsrInfosTest, PlainPasswordsAreHashedAtLogIn)
{
    // An older row: the password as typed, and a memo of a single line.
    addUser(100, 2, u"old"_s, u"Plain-1"_s);
    addUser(101, 2, u"older"_s, memo(u"Plain-2"_s, u"4;5"_s, u"0;-1;0;0;0;0;0;0;0"_s));

    ASSERT_EQ(load(u"old"_s, u"Plain-1"_s), 0);
    EXPECT_EQ(user(), u"old|100|2||000000000"_s);
    const QString first = storedMemo(100);
    EXPECT_FALSE(NeedsRehash(first));
    EXPECT_TRUE(VerifyPassword(first, u"Plain-1"_s));
    EXPECT_FALSE(first.contains(u"Plain-1"_s));
    EXPECT_EQ(load(u"old"_s, u"Plain-1"_s), 0);

    // A wrong password rehashes nothing; the right one keeps departments and flags.
    EXPECT_EQ(load(u"older"_s, u"plain-2"_s), kErrPasswordOrLevel);
    EXPECT_TRUE(storedMemo(101).startsWith(u"Plain-2\r"_s));
    ASSERT_EQ(load(u"older"_s, u"Plain-2"_s), 0);
    const QStringList lines = storedMemo(101).split(u'\r');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(VerifyPassword(lines[0], u"Plain-2"_s));
    EXPECT_EQ(lines.mid(1), (QStringList{u"4;5"_s, u"0;-1;0;0;0;0;0;0;0"_s}));
    EXPECT_EQ(user(), u"older|101|2|4,5|010000000"_s);
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
    addUser(100, 0, u"off"_s, memo(HashPassword(u"off-pw"_s)));
    EXPECT_EQ(logIn(u"admin"_s, u"secret-1"_s), quillon::eValidatePassed);
    EXPECT_EQ(logIn(u"admin"_s, u"SECRET-1"_s), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(u"admin"_s, QString()), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(u"off"_s, u"off-pw"_s), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(u"nobody"_s, QString()), quillon::eUserNotExist);
    EXPECT_EQ(logIn(QString(), QString()), quillon::eValideIncorrect);
    EXPECT_EQ(gUsrInfos->UsrName(), u"admin"_s);
    EXPECT_EQ(gUsrInfos->PrvStyle(), 3);

    gUsrInfos.reset();
    EXPECT_EQ(logIn(u"admin"_s, u"secret-1"_s), quillon::eValideIncorrect);
}

TEST_F(ValidateTest, PasswordChange)
{
    addUser(100, 2, u"zhao"_s, memo(HashPassword(u"first-pw"_s), u"2;3"_s, kAllFlags));
    const QString before = storedMemo(100);
    EXPECT_EQ(change(u"zhao"_s, u"wrong"_s, u"second-pw"_s), quillon::ePasswordDenied);
    EXPECT_EQ(change(u"ghost"_s, QString(), u"second-pw"_s), quillon::ePasswordDenied);
    EXPECT_EQ(change(u"zhao"_s, u"first-pw"_s, u"12345"_s), quillon::eInvalidPassword);
    // The old password is compared even when the library says it need not be.
    EXPECT_EQ(change(u"zhao"_s, QString(), u"second-pw"_s, 130), quillon::ePasswordDenied);
    EXPECT_EQ(storedMemo(100), before);

    EXPECT_EQ(change(u"zhao"_s, u"first-pw"_s, u"123456"_s), quillon::eValidatePassed);
    const QStringList lines = storedMemo(100).split(u'\r');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0].contains(u"123456"_s));
    EXPECT_TRUE(VerifyPassword(lines[0], u"123456"_s));
    EXPECT_EQ(lines.mid(1), (QStringList{u"2;3"_s, kAllFlags}));
    EXPECT_EQ(logIn(u"zhao"_s, u"first-pw"_s), quillon::ePasswordDenied);
    EXPECT_EQ(logIn(u"zhao"_s, u"123456"_s), quillon::eValidatePassed);
}

TEST_F(ValidateTest, APasswordWithOuterBlanksIsRefusedWhenSetAndTrimmedWhenChecked)
{
    addUser(100, 2, u"zhao"_s, memo(HashPassword(u"first-pw"_s), u"2;3"_s, kAllFlags));
    const QString before = storedMemo(100);
    for (const QString& pw : {u" second-pw"_s, u"second-pw "_s, u"  second-pw  "_s})
        EXPECT_EQ(change(u"zhao"_s, u"first-pw"_s, pw), quillon::eInvalidPassword) << pw.toStdString();
    try {
        StoreUserPassword(100, u"second-pw "_s);
        ADD_FAILURE() << "stored";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), kErrPasswordBlanks);
        EXPECT_EQ(e.description(), u"口令的首尾不能是空格！"_s);
    }
    EXPECT_EQ(storedMemo(100), before);
    // A blank inside is part of the password; the check takes what is typed without outer blanks.
    EXPECT_EQ(change(u"zhao"_s, u" first-pw "_s, u"sec ond"_s), quillon::eValidatePassed);
    EXPECT_EQ(logIn(u"zhao"_s, u"  sec ond "_s), quillon::eValidatePassed);
    EXPECT_EQ(logIn(u"zhao"_s, u"second"_s), quillon::ePasswordDenied);
}

} // namespace
