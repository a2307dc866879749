#include "tests/main/core/dbfixture.h"
#include "main/core/ui/frmusers.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/msgbox.h"
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

namespace {

const QChar CR(13);
const QString kExists = u"同名用户已经存在！"_s, kKeepOne = u"至少要保留一个“维护”级别的用户！"_s;

class UsersTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        adminId = idOf(u"admin"_s);
        addSysInfo(101, u"Departs"_s, 1, u"财务处"_s);
        addSysInfo(102, u"Departs"_s, 2, u"设备处"_s);
        addSysInfo(103, u"Departs"_s, 3, u"信息中心"_s);
    }
    QVariant column(qint32 id, const QString& name)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [%1] FROM [SysInfo] WHERE [ID]=%2;"_s.arg(name).arg(id),
                                                    dao::dbOpenSnapshot);
        QVariant v = rs.Eof() ? QVariant() : rs.Fields(0).Value();
        rs.Close();
        return v;
    }
    QString memoOf(qint32 id) { return column(id, u"Memo"_s).toString(); }
    int levelOf(qint32 id) { return column(id, u"No"_s).toInt(); }
    qint32 idOf(const QString& name)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(
            u"SELECT [ID] FROM [SysInfo] WHERE [Type]='Users' AND [Value]="_s + SqlText(name), dao::dbOpenSnapshot);
        const qint32 id = rs.Eof() ? 0 : rs.Fields(0).Value().toInt();
        rs.Close();
        return id;
    }
    int users() { return count(u"SELECT * FROM [SysInfo] WHERE [Type]='Users';"_s); }

    static QListWidgetItem* entry(QListWidget* list, const QString& text)
    {
        const auto found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        return found.size() == 1 ? found.first() : nullptr;
    }
    static void select(frmUsers& w, const QString& name)
    {
        QListWidgetItem* item = entry(w.lstUsers, name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        w.lstUsers->setCurrentItem(item);
    }
    static QStringList ticked(QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                out.append(list->item(i)->text());
        return out;
    }
    // Clicks b, first queueing the answer to the box or prompt it shows.
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static void click(QPushButton* b, int answer) { ui::script::answer(answer); click(b); }
    static void click(QPushButton* b, const QString& input) { ui::script::answerInput(input); click(b); }
    // The password prompt asks twice: both answers queued.
    static void typeTwice(QPushButton* b, const QString& password)
    {
        ui::script::answerInput(password);
        click(b, password);
    }
    static QString lastPrompt() { return ui::script::last().prompt; }

    qint32 adminId = 0;
};

TEST_F(UsersTest, LoadShowsUsersDepartmentsAndFlags)
{
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, u"pw"_s + CR + u"3;1"_s + CR + u"-1;0;1;0"_s);
    frmUsers w;
    ASSERT_EQ(w.lstUsers->count(), 2);
    EXPECT_EQ(w.lstUsers->item(0)->text(), u"admin"_s);   // by name
    EXPECT_EQ(w.lstOperate->count(), 9);
    EXPECT_EQ(w.lstOperate->item(7)->text(), u"系统备份权限"_s);
    EXPECT_TRUE(w.optPrivate[3]->isChecked());

    select(w, u"bob"_s);
    EXPECT_TRUE(w.optPrivate[2]->isChecked());
    EXPECT_TRUE(w.lstDepart->isEnabled() && w.lstOperate->isEnabled());
    EXPECT_EQ(ticked(w.lstDepart), (QStringList{u"财务处"_s, u"信息中心"_s}));   // by reading: cai before xin
    // A flag line of four fields: those four as stored, the other five off.
    EXPECT_EQ(ticked(w.lstOperate), (QStringList{u"设备登记权限"_s, u"设备维修权限"_s}));

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
    click(w.cmdAdd, u"张三"_s);
    ASSERT_EQ(users(), 2);
    const qint32 id = idOf(u"张三"_s);
    ASSERT_GT(id, adminId);
    EXPECT_EQ(levelOf(id), 0);
    EXPECT_TRUE(column(id, u"Memo"_s).isNull());
    ASSERT_NE(w.lstUsers->currentItem(), nullptr);
    EXPECT_EQ(w.lstUsers->currentItem()->text(), u"张三"_s);
    EXPECT_EQ(w.lstUsers->currentItem()->data(Qt::UserRole).toInt(), id);
    EXPECT_TRUE(w.optPrivate[0]->isChecked());
    EXPECT_TRUE(ticked(w.lstDepart).isEmpty() && ticked(w.lstOperate).isEmpty());

    click(w.cmdAdd, u"张三"_s);
    EXPECT_EQ(lastPrompt(), kExists);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(w.lstUsers->count(), 2);

    // Quotes in a name are data, never SQL.
    const QString tricky = u"O'Brien' OR '1'='1"_s;
    ui::script::clear();
    click(w.cmdAdd, tricky);
    EXPECT_EQ(users(), 3);
    EXPECT_NE(idOf(tricky), 0);
    click(w.cmdAdd, tricky);
    EXPECT_EQ(lastPrompt(), kExists);
    // Cancelling the prompt adds nothing.
    ui::script::answerInput(QString(), true);
    click(w.cmdAdd);
    EXPECT_EQ(users(), 3);
}

TEST_F(UsersTest, DeletingAsksAndRefusesTheLoggedInAndTheLastAdministrator)
{
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, HashPassword(u"pw-bob"_s));
    addSysInfo(202, u"Users"_s, 3, u"Admin"_s);   // a second administrator
    logIn(u"admin"_s, created.adminPassword);
    frmUsers w;
    select(w, u"admin"_s);
    click(w.cmdDel);
    EXPECT_EQ(lastPrompt(), u"不能删除当前登录用户！"_s);
    EXPECT_EQ(users(), 3);

    // A name differing only in letter case is another user: it may be deleted.
    select(w, u"Admin"_s);
    click(w.cmdDel, ui::vbNo);
    EXPECT_EQ(lastPrompt(), u"确实要删除指定的用户[Admin]吗？"_s);
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(users(), 3);
    click(w.cmdDel, ui::vbYes);
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(entry(w.lstUsers, u"Admin"_s), nullptr);

    // Logged in as bob, admin is now the only administrator: kept.
    logIn(u"bob"_s, u"pw-bob"_s);
    select(w, u"admin"_s);
    ui::script::clear();
    click(w.cmdDel);
    EXPECT_EQ(lastPrompt(), kKeepOne);
    EXPECT_EQ(ui::script::shown().size(), 1);   // refused before asking
    EXPECT_EQ(users(), 2);
    EXPECT_EQ(w.lstUsers->count(), 2);
}

TEST_F(UsersTest, PasswordIsStoredHashedAndKeepsTheOtherLines)
{
    const QString lines23 = u"1;3"_s + CR + u"-1;0;0;0;0;0;0;-1;0"_s;
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, u"old"_s + CR + lines23);
    addSysInfo(202, u"Users"_s, 0, u"carl"_s);
    frmUsers w;
    select(w, u"bob"_s);
    typeTwice(w.cmdPWD, u"新口令-1"_s);
    EXPECT_EQ(ui::script::shown().first().prompt, u"请输入用户[bob]的新登录口令："_s);
    EXPECT_EQ(lastPrompt(), u"口令修改成功！"_s);
    const QString memo = memoOf(201);
    const QString stored = memo.section(CR, 0, 0);
    EXPECT_TRUE(VerifyPassword(stored, u"新口令-1"_s));
    EXPECT_FALSE(VerifyPassword(stored, u"old"_s));
    EXPECT_FALSE(stored.contains(u"新口令-1"_s));
    EXPECT_EQ(memo.section(CR, 1), lines23);

    // An empty answer never sets the empty password.
    click(w.cmdPWD, QString());
    EXPECT_EQ(memoOf(201), memo);
    // A user without a memo gets the password alone.
    select(w, u"carl"_s);
    typeTwice(w.cmdPWD, u"abcdef"_s);
    EXPECT_FALSE(memoOf(202).contains(CR));
    EXPECT_TRUE(VerifyPassword(memoOf(202), u"abcdef"_s));
}

TEST_F(UsersTest, SavingRightsKeepsThePasswordLine)
{
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, u"pw"_s + CR + u"2"_s + CR + u"-1;-1;0;0"_s);
    addSysInfo(202, u"Users"_s, 1, u"carl"_s, u"whole-password"_s);
    frmUsers w;
    select(w, u"bob"_s);
    entry(w.lstDepart, u"财务处"_s)->setCheckState(Qt::Checked);
    entry(w.lstDepart, u"设备处"_s)->setCheckState(Qt::Unchecked);
    entry(w.lstOperate, u"清空数据权限"_s)->setCheckState(Qt::Checked);
    w.optPrivate[1]->setChecked(true);   // view only: the disabled flags are still saved
    click(w.cmdSave);
    EXPECT_EQ(lastPrompt(), u"权限保存成功！"_s);
    EXPECT_EQ(levelOf(201), 1);
    // Departments in list order (by name): 信息中心 (3) is not ticked, 财务处 (1).
    EXPECT_EQ(memoOf(201), u"pw"_s + CR + u"1"_s + CR + u"-1;-1;0;0;0;0;0;0;-1"_s);

    // A memo without carriage return is the password, kept whole.
    select(w, u"carl"_s);
    EXPECT_TRUE(ticked(w.lstDepart).isEmpty());
    w.optPrivate[2]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(levelOf(202), 2);
    EXPECT_EQ(memoOf(202), u"whole-password"_s);   // only the level was changed and written

    // The last administrator cannot be lowered; with a second one the first may step down.
    select(w, u"admin"_s);
    const QString adminMemo = memoOf(adminId);
    w.optPrivate[2]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(lastPrompt(), kKeepOne);
    EXPECT_EQ(levelOf(adminId), 3);
    EXPECT_EQ(memoOf(adminId), adminMemo);
    addSysInfo(203, u"Users"_s, 3, u"root2"_s);
    click(w.cmdSave);
    EXPECT_EQ(lastPrompt(), u"权限保存成功！"_s);
    EXPECT_EQ(levelOf(adminId), 2);
}

TEST_F(UsersTest, AUserDeletedMeanwhileIsReportedAndNothingIsWritten)
{
    addSysInfo(99, u"Users"_s, 2, u"bob"_s);
    const qint32 carl = users::add(u"carl"_s);
    frmUsers w;
    gDatabase.Execute(u"DELETE FROM [SysInfo] WHERE [ID]=99;"_s);
    select(w, u"bob"_s);
    EXPECT_EQ(lastPrompt(), u"无此用户。"_s);
    click(w.cmdSave);
    EXPECT_EQ(users(), 2);
    // Another copy deletes carl, the last key, and adds eve: raising carl reaches no one.
    select(w, u"carl"_s);
    asOtherCopy([carl] {
        users::remove(carl, 0);
        users::setPassword(users::add(u"eve"_s), u"pw-eve"_s, u"pw-eve"_s);
    });
    w.optPrivate[3]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(lastPrompt(), u"无此用户。"_s);
    EXPECT_EQ(levelOf(idOf(u"eve"_s)), 0);
    EXPECT_FALSE(entry(w.lstUsers, u"carl"_s));
    w.show();
    click(w.Command2);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(UsersTest, AUserAboveDisabledNeedsAPasswordFirst)
{
    addSysInfo(201, u"Users"_s, 0, u"carl"_s);
    addSysInfo(202, u"Users"_s, 0, u"dora"_s, u""_s + CR + u"1"_s + CR + u"0;0;0;0;0;0;0;0;0"_s);
    frmUsers w;
    for (const QString& name : {u"carl"_s, u"dora"_s}) {
        select(w, name);
        const qint32 id = idOf(name);
        const QVariant memo = column(id, u"Memo"_s);
        w.optPrivate[2]->setChecked(true);
        ui::script::clear();
        click(w.cmdSave);
        EXPECT_EQ(lastPrompt(), u"请先为该用户设置口令，再保存“禁用”以上的权限级别！"_s) << name.toStdString();
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
        EXPECT_EQ(levelOf(id), 0);
        EXPECT_EQ(column(id, u"Memo"_s), memo);
        // Disabled it may stay without one.
        w.optPrivate[0]->setChecked(true);
        click(w.cmdSave);
        EXPECT_EQ(lastPrompt(), u"权限保存成功！"_s);
    }
    // With a password the level is saved.
    select(w, u"carl"_s);
    typeTwice(w.cmdPWD, u"carl-pw"_s);
    w.optPrivate[1]->setChecked(true);
    click(w.cmdSave);
    EXPECT_EQ(lastPrompt(), u"权限保存成功！"_s);
    EXPECT_EQ(levelOf(201), 1);
    logIn(u"carl"_s, u"carl-pw"_s);
}

TEST_F(UsersTest, ThePasswordIsMaskedAskedTwiceAndKeepsNoOuterBlanks)
{
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, u"old"_s + CR + u"1"_s + CR + u"0;0;0;0;0;0;0;0;0"_s);
    frmUsers w;
    select(w, u"bob"_s);
    const QString memo = memoOf(201);
    const struct {
        const char16_t *first, *second, *refusal;
    } refused[] = {{u"pw-1234", u"pw-1243", u"两次输入的口令不一致，口令未修改！"},
                   {u"pw-1234", u"", u"两次输入的口令不一致，口令未修改！"},
                   {u" pw 12 ", u" pw 12 ", u"口令的首尾不能是空格！"},
                   {u"pw 12 ", u"pw 12 ", u"口令的首尾不能是空格！"}};
    for (const auto& c : refused) {
        ui::script::clear();
        ui::script::answerInput(QString::fromUtf16(c.first));
        click(w.cmdPWD, QString::fromUtf16(c.second));
        const QList<ui::ShownBox> shown = ui::script::shown();
        ASSERT_EQ(shown.size(), 3);
        EXPECT_TRUE(shown[0].masked && shown[1].masked);
        EXPECT_EQ(shown[1].prompt, u"请再次输入用户[bob]的新登录口令："_s);
        EXPECT_EQ(shown[2].prompt, QString::fromUtf16(c.refusal));
        EXPECT_EQ(ui::iconOf(shown[2].style), ui::vbExclamation);
        EXPECT_EQ(memoOf(201), memo);   // nothing stored
    }
    // A blank inside belongs to the password; the log-in, which trims what is typed, takes it.
    typeTwice(w.cmdPWD, u"pw 12"_s);
    EXPECT_EQ(lastPrompt(), u"口令修改成功！"_s);
    logIn(u"bob"_s, u" pw 12 "_s);
    UsrInfos other;
    qint32 id = 0;
    EXPECT_EQ(other.Load(u"bob"_s, id, u"pw12"_s), kErrPasswordOrLevel);
}

TEST_F(UsersTest, ANameOfBlanksIsRefusedAndNamesAreStoredTrimmed)
{
    frmUsers w;
    for (const QString& name : {u"   "_s, u"\t "_s}) {
        ui::script::clear();
        click(w.cmdAdd, name);
        EXPECT_EQ(lastPrompt(), u"用户名不能为空或只有空格！"_s);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
        EXPECT_EQ(users(), 1);
        EXPECT_EQ(w.lstUsers->count(), 1);
    }
    click(w.cmdAdd, u"  dave "_s);
    EXPECT_NE(idOf(u"dave"_s), 0);
    EXPECT_EQ(w.lstUsers->currentItem()->text(), u"dave"_s);
    click(w.cmdAdd, u"dave  "_s);
    EXPECT_EQ(lastPrompt(), kExists);
    EXPECT_EQ(users(), 2);
}

// Another copy (b) on the same file saves the user this window shows.
TEST_F(UsersTest, AfterASaveTheWindowShowsTheUserAsStoredAndAsksBeforeOverwriting)
{
    const QString flags0 = u"0;0;0;0;0;0;0;0;0"_s;
    addSysInfo(201, u"Users"_s, 2, u"bob"_s, u"pw"_s + CR + u"1"_s + CR + flags0);
    frmUsers w;
    select(w, u"bob"_s);
    dao::Database b = otherCopy();
    b.Execute(u"UPDATE [SysInfo] SET [No]=1,[Memo]='pw"_s + CR + u"1;2"_s + CR + flags0 + u"' WHERE [ID]=201;"_s);
    // Both changed the level: asked; yes keeps b's departments, which the window then shows.
    w.optPrivate[3]->setChecked(true);
    ui::script::clear();
    click(w.cmdSave, ui::vbYes);
    EXPECT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(lastPrompt(), u"权限保存成功！"_s);
    ASSERT_TRUE(entry(w.lstDepart, u"设备处"_s));
    EXPECT_EQ(entry(w.lstDepart, u"设备处"_s)->checkState(), Qt::Checked);
    entry(w.lstDepart, u"未指定"_s)->setCheckState(Qt::Checked);
    ui::script::clear();
    click(w.cmdSave);
    EXPECT_EQ(ui::script::shown().size(), 1);   // no question: the window showed b's departments
    EXPECT_EQ(memoOf(201).section(CR, 1, 1).split(u';').size(), 3);
    EXPECT_EQ(levelOf(201), 3);

    // Both change the flags: No keeps the ticks and shows b's department; asked again.
    b.Execute(u"UPDATE [SysInfo] SET [Memo]='pw"_s + CR + u"3"_s + CR + u"-1' WHERE [ID]=201;"_s);
    entry(w.lstOperate, u"清空数据权限"_s)->setCheckState(Qt::Checked);
    for (int twice = 0; twice < 2; ++twice) {
        ui::script::clear();
        click(w.cmdSave, ui::vbNo);
        EXPECT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(ticked(w.lstOperate), QStringList{u"清空数据权限"_s});
        EXPECT_EQ(ticked(w.lstDepart), QStringList{u"信息中心"_s});
    }
    EXPECT_EQ(memoOf(201), u"pw"_s + CR + u"3"_s + CR + u"-1"_s);
}

} // namespace
