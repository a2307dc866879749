#include "tests/main/core/dbfixture.h"
#include "main/core/frmusers.h"
#include "main/core/password.h"
#include "main/core/startup.h"
#include "main/core/usrinfos.h"
#include "platform/core/msgbox.h"
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace ostrel;
using testutil::MainDatabaseTest;

namespace {

const QChar CR(13);

class UsersTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        adminId = idOf(QStringLiteral("admin"));
        addSysInfo(101, QStringLiteral("Departs"), 1, QStringLiteral("财务处"));
        addSysInfo(102, QStringLiteral("Departs"), 2, QStringLiteral("设备处"));
        addSysInfo(103, QStringLiteral("Departs"), 3, QStringLiteral("信息中心"));
    }

    void TearDown() override
    {
        gUsrInfos.reset();
        MainDatabaseTest::TearDown();
    }
    static void logIn(const QString& name, const QString& password)
    {
        gUsrInfos = std::make_unique<UsrInfos>();
        qint32 id = 0;
        ASSERT_EQ(gUsrInfos->Load(name, id, password), 0) << name.toStdString();
    }

    QVariant column(qint32 id, const QString& name)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [%1] FROM [SysInfo] WHERE [ID]=%2;").arg(name).arg(id), dao::dbOpenSnapshot);
        QVariant v = rs.Eof() ? QVariant() : rs.Fields(0).Value();
        rs.Close();
        return v;
    }
    QString memoOf(qint32 id) { return column(id, QStringLiteral("Memo")).toString(); }
    int levelOf(qint32 id) { return column(id, QStringLiteral("No")).toInt(); }
    qint32 idOf(const QString& name)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [ID] FROM [SysInfo] WHERE [Type]='Users' AND [Value]=") + SqlText(name),
            dao::dbOpenSnapshot);
        const qint32 id = rs.Eof() ? 0 : rs.Fields(0).Value().toInt();
        rs.Close();
        return id;
    }
    int users() { return count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='Users';")); }

    static void select(frmUsers& w, const QString& name)
    {
        const auto found = w.lstUsers->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        w.lstUsers->setCurrentItem(found.first());
    }
    static QListWidgetItem* entry(QListWidget* list, const QString& text)
    {
        const auto found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        return found.isEmpty() ? nullptr : found.first();
    }
    static QStringList ticked(QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                out.append(list->item(i)->text());
        return out;
    }
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

    qint32 adminId = 0;
};

TEST_F(UsersTest, LoadShowsUsersDepartmentsAndFlags)
{
    addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("bob"),
               QStringLiteral("pw") + CR + QStringLiteral("3;1") + CR + QStringLiteral("-1;0;1;0"));
    frmUsers w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("用户管理"));
    ASSERT_EQ(w.lstUsers->count(), 2);
    EXPECT_EQ(w.lstUsers->item(0)->text(), QStringLiteral("admin"));   // by name
    EXPECT_EQ(w.lstOperate->count(), 9);
    EXPECT_EQ(w.lstOperate->item(7)->text(), QStringLiteral("系统备份权限"));
    EXPECT_TRUE(w.optPrivate[3]->isChecked());

    select(w, QStringLiteral("bob"));
    EXPECT_TRUE(w.optPrivate[2]->isChecked());
    EXPECT_TRUE(w.lstDepart->isEnabled());
    EXPECT_TRUE(w.lstOperate->isEnabled());
    EXPECT_EQ(ticked(w.lstDepart), (QStringList{QStringLiteral("信息中心"), QStringLiteral("财务处")}));
    // A flag line of four fields: those four as stored, the other five off.
    EXPECT_EQ(ticked(w.lstOperate), (QStringList{QStringLiteral("设备登记权限"), QStringLiteral("设备维修权限")}));

    w.optPrivate[1]->setChecked(true);
    EXPECT_TRUE(w.lstDepart->isEnabled());
    EXPECT_FALSE(w.lstOperate->isEnabled());
    w.optPrivate[0]->setChecked(true);
    EXPECT_FALSE(w.lstDepart->isEnabled());
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(UsersTest, AddingUsersRefusesExistingNamesAndTakesQuotesSafely)
{
    frmUsers w;
    ui::script::answerInput(QStringLiteral("张三"));
    click(w.cmdAdd);
    ASSERT_EQ(users(), 2);
    const qint32 id = idOf(QStringLiteral("张三"));
    ASSERT_GT(id, adminId);
    EXPECT_EQ(levelOf(id), 0);
    EXPECT_TRUE(column(id, QStringLiteral("Memo")).isNull());
    ASSERT_NE(w.lstUsers->currentItem(), nullptr);
    EXPECT_EQ(w.lstUsers->currentItem()->text(), QStringLiteral("张三"));
    EXPECT_EQ(w.lstUsers->currentItem()->data(Qt::UserRole).toInt(), id);
    EXPECT_TRUE(w.optPrivate[0]->isChecked());
    EXPECT_TRUE(ticked(w.lstDepart).isEmpty());
    EXPECT_TRUE(ticked(w.lstOperate).isEmpty());

    ui::script::clear();
    ui::script::answerInput(QStringLiteral("张三"));
    click(w.cmdAdd);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("同名用户已经存在！"));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(w.lstUsers->count(), 2);

    // Quotes in a name are data, never SQL.
    const QString tricky = QStringLiteral("O'Brien' OR '1'='1");
    ui::script::clear();
    ui::script::answerInput(tricky);
    click(w.cmdAdd);
    EXPECT_EQ(users(), 3);
    EXPECT_NE(idOf(tricky), 0);
    ui::script::answerInput(tricky);
    click(w.cmdAdd);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("同名用户已经存在！"));
    EXPECT_EQ(users(), 3);

    // Cancelling the prompt adds nothing.
    ui::script::answerInput(QString(), true);
    click(w.cmdAdd);
    EXPECT_EQ(users(), 3);
}

TEST_F(UsersTest, DeletingAsksAndRefusesTheLoggedInAndTheLastAdministrator)
{
    addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("bob"), HashPassword(QStringLiteral("pw-bob")));
    addSysInfo(202, QStringLiteral("Users"), 3, QStringLiteral("Admin"));   // a second administrator
    logIn(QStringLiteral("admin"), created.adminPassword);
    ASSERT_EQ(gUsrInfos->UsrID(), adminId);
    frmUsers w;

    select(w, QStringLiteral("admin"));
    click(w.cmdDel);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("不能删除当前登录用户！"));
    EXPECT_EQ(users(), 3);

    // A name differing only in letter case is another user: it may be deleted.
    select(w, QStringLiteral("Admin"));
    ui::script::clear();
    ui::script::answer(ui::vbNo);
    click(w.cmdDel);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("确实要删除指定的用户[Admin]吗？"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(users(), 3);
    ui::script::answer(ui::vbYes);
    click(w.cmdDel);
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(w.lstUsers->findItems(QStringLiteral("Admin"), Qt::MatchExactly | Qt::MatchCaseSensitive).size(), 0);

    // Logged in as bob, admin is now the only administrator: kept.
    logIn(QStringLiteral("bob"), QStringLiteral("pw-bob"));
    select(w, QStringLiteral("admin"));
    ui::script::clear();
    click(w.cmdDel);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("至少要保留一个“维护”级别的用户！"));
    EXPECT_EQ(ui::script::shown().size(), 1);   // refused before asking
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(w.lstUsers->count(), 2);
}

TEST_F(UsersTest, PasswordIsStoredHashedAndKeepsTheOtherLines)
{
    const QString lines23 = QStringLiteral("1;3") + CR + QStringLiteral("-1;0;0;0;0;0;0;-1;0");
    addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("bob"), QStringLiteral("old") + CR + lines23);
    addSysInfo(202, QStringLiteral("Users"), 0, QStringLiteral("carl"));
    frmUsers w;

    select(w, QStringLiteral("bob"));
    ui::script::answerInput(QStringLiteral("新口令-1"));
    click(w.cmdPWD);
    EXPECT_EQ(ui::script::shown().first().prompt, QStringLiteral("请输入用户[bob]的新登录口令："));
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("口令修改成功！"));
    QStringList memo = memoOf(201).split(CR);
    ASSERT_EQ(memo.size(), 3);
    EXPECT_NE(memo[0], QStringLiteral("新口令-1"));
    EXPECT_TRUE(VerifyPassword(memo[0], QStringLiteral("新口令-1")));
    EXPECT_FALSE(VerifyPassword(memo[0], QStringLiteral("old")));
    EXPECT_EQ(memo.mid(1).join(CR), lines23);

    // An empty answer never sets the empty password.
    const QString before = memoOf(201);
    ui::script::answerInput(QString());
    click(w.cmdPWD);
    EXPECT_EQ(memoOf(201), before);

    // A user without a memo gets the password alone.
    select(w, QStringLiteral("carl"));
    ui::script::answerInput(QStringLiteral("abcdef"));
    click(w.cmdPWD);
    EXPECT_FALSE(memoOf(202).contains(CR));
    EXPECT_TRUE(VerifyPassword(memoOf(202), QStringLiteral("abcdef")));
}

TEST_F(UsersTest, SavingRightsKeepsThePasswordLine)
{
    addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("bob"),
               QStringLiteral("pw") + CR + QStringLiteral("2") + CR + QStringLiteral("-1;-1;0;0"));
    addSysInfo(202, QStringLiteral("Users"), 1, QStringLiteral("carl"), QStringLiteral("whole-password"));
    frmUsers w;

    select(w, QStringLiteral("bob"));
    entry(w.lstDepart, QStringLiteral("财务处"))->setCheckState(Qt::Checked);
    entry(w.lstDepart, QStringLiteral("设备处"))->setCheckState(Qt::Unchecked);
    entry(w.lstOperate, QStringLiteral("清空数据权限"))->setCheckState(Qt::Checked);
    w.optPrivate[1]->setChecked(true);   // view only: the disabled flags are still saved
    click(w.cmdSave);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("权限保存成功！"));
    EXPECT_EQ(levelOf(201), 1);
    // Departments in list order (by name): 信息中心 (3) is not ticked, 财务处 (1).
    EXPECT_EQ(memoOf(201), QStringLiteral("pw") + CR + QStringLiteral("1") + CR +
                               QStringLiteral("-1;-1;0;0;0;0;0;0;-1"));

    // A memo without carriage return is the password, kept whole.
    select(w, QStringLiteral("carl"));
    EXPECT_TRUE(ticked(w.lstDepart).isEmpty());
    w.optPrivate[2]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(levelOf(202), 2);
    EXPECT_EQ(memoOf(202), QStringLiteral("whole-password") + CR + CR + QStringLiteral("0;0;0;0;0;0;0;0;0"));
}

TEST_F(UsersTest, TheLastAdministratorCannotBeLowered)
{
    frmUsers w;
    select(w, QStringLiteral("admin"));
    const QString memo = memoOf(adminId);
    w.optPrivate[2]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("至少要保留一个“维护”级别的用户！"));
    EXPECT_EQ(levelOf(adminId), 3);
    EXPECT_EQ(memoOf(adminId), memo);

    // With a second administrator the first may step down.
    addSysInfo(201, QStringLiteral("Users"), 3, QStringLiteral("root2"));
    click(w.cmdSave);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("权限保存成功！"));
    EXPECT_EQ(levelOf(adminId), 2);
}

TEST_F(UsersTest, AUserDeletedMeanwhileIsReportedAndNothingIsWritten)
{
    addSysInfo(201, QStringLiteral("Users"), 2, QStringLiteral("bob"));
    frmUsers w;
    gDatabase.Execute(QStringLiteral("DELETE FROM [SysInfo] WHERE [ID]=201;"));
    select(w, QStringLiteral("bob"));
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("无此用户。"));
    ui::script::clear();
    click(w.cmdSave);
    EXPECT_EQ(users(), 1);
    w.show();
    click(w.Command2);
    EXPECT_FALSE(w.isVisible());
}

} // namespace
