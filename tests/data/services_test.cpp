// The base-data and users services on a real database, without a window.
#include "main/core/basedata.h"
#include "main/core/users.h"
#include "main/core/usrinfos.h"
#include "main/core/password.h"
#include "tests/data/servicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::ServiceTest;

namespace {

const QChar CR(13);

// The refusal a call raises ("" when it raised none).
template <typename F>
QString refusal(F&& call)
{
    try {
        call();
    } catch (const vb::Error& e) {
        return e.description();
    }
    return QString();
}

// Entry `no` of list `type` as a window shows it now.
BaseEntry shownAs(const QString& type, qint32 no)
{
    BaseEntry e{QVariant(), no};
    for (const BaseEntry& listed : basedata::list(type))
        e = listed.no == no ? listed : e;
    return e;
}

// What a save came to; its refusal raised, as the window raises it.
basedata::Outcome raised(const basedata::Outcome& out)
{
    if (!out.refusal.isEmpty())
        throw vb::Error(basedata::kRefusal, out.refusal);
    return out;
}

void modify(const QString& type, qint32 no, const QString& newNo, const QString& value, const QString& memo = {})
{
    basedata::ShownRow row{shownAs(type, no), shownAs(type, no)};
    raised(basedata::modify(type, row, newNo, value, memo));
}

bool remove(const QString& type, qint32 no) { return raised(basedata::remove(type, shownAs(type, no))).written; }

class BaseDataServiceTest : public ServiceTest {
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        basedata::add(u"Departs"_s, u"1"_s, u"甲"_s, QString());
        basedata::add(u"Departs"_s, u"2"_s, u"乙"_s, u"二楼"_s);
        exec(u"INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[Dep_ID]) VALUES (1,'D-1',2);"_s);
        exec(u"INSERT INTO [SysInfo] ([ID],[Type],[No],[Value],[Memo]) VALUES (90,'Users',1,'bob','pw"_s + CR +
             u"1;5"_s + CR + u"0');"_s);
    }
};

TEST_F(BaseDataServiceTest, RefusalsChangeNothing)
{
    const QStringList before = sysInfo();
    const struct {
        std::function<void()> call;
        const char16_t* text;
    } cases[] = {
        {[] { basedata::add(u"Departs"_s, u"1"_s, u"丙"_s, QString()); }, u"相同编码或描述已经存在！"},
        {[] { basedata::add(u"Departs"_s, u"3"_s, u"乙"_s, QString()); }, u"相同编码或描述已经存在！"},
        {[] { basedata::add(u"Departs"_s, u"3.5"_s, u"丙"_s, QString()); }, u"对不起!代码必须是整数."},
        {[] { basedata::add(u"Departs"_s, u"99999999999"_s, u"丙"_s, QString()); }, u"对不起!代码必须是整数."},
        {[] { modify(u"Departs"_s, 2, u"1"_s, u"乙"_s); }, u"相同编码或描述已经存在！"},
        {[] { modify(u"Departs"_s, 2, u"0"_s, u"乙"_s); }, u"对不起!不能把项目的代码改为0."},
        {[] { modify(u"Departs"_s, 2, u"7"_s, u"乙"_s); }, u"对不起!该项目正被1条设备或历史记录使用,禁止修改代码."},
        {[] { modify(u"Departs"_s, 1, u"7"_s, u"甲"_s); }, u"对不起!该部门正被1个用户设为允许查看的部门,禁止修改代码."},
        {[] { modify(u"Departs"_s, 8, u"9"_s, u"甲"_s); }, u"对不起!记录可能已经被其它用户删除!"},
        {[] { modify(u"Departs"_s, 2, u"2"_s, QString(300, u'乙')); },
         u"字段 '描述' 太小，不能接受要添加的数据量(最多 255 个字符)。"},
        {[] { basedata::add(u"Departs"_s, u"3"_s, QString(256, u'丙'), QString()); },
         u"字段 '描述' 太小，不能接受要添加的数据量(最多 255 个字符)。"},
        {[] { users::add(QString(256, u'丙')); }, u"字段 '用户名称' 太小，不能接受要添加的数据量(最多 255 个字符)。"},
        {[] { basedata::checkDeletable(u"Departs"_s, u"0"_s); }, u"对不起!代码为0的项目禁止删除."},
        {[] { remove(u"Departs"_s, 2); }, u"对不起!该项目正被1条设备或历史记录使用,禁止删除."},
        {[] { remove(u"Departs"_s, 1); }, u"对不起!该部门正被1个用户设为允许查看的部门,禁止删除."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusal(c.call), QString::fromUtf16(c.text));
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    }
    EXPECT_EQ(sysInfo(), before);
}

TEST_F(BaseDataServiceTest, ChangesAreStoredAsReturned)
{
    const BaseEntry e = basedata::add(u"Trans"_s, u" 12 "_s, u"O'Neil"_s, u"备注"_s);
    EXPECT_EQ(e.no, 12);
    EXPECT_EQ(rows(u"SELECT [ID],[No],[Value],[Memo] FROM [SysInfo] WHERE [Type]='Trans' AND [No]=12;"_s),
              QStringList{e.id.toString() + u"|12|O'Neil|备注"_s});
    modify(u"Trans"_s, 12, u"13"_s, u"O'Neil"_s, QString());
    EXPECT_EQ(basedata::list(u"Trans"_s).last().no, 13);
    EXPECT_EQ(basedata::countDepartmentUsers(5), 1);
    EXPECT_EQ(basedata::countDepartmentUsers(2), 0);
    EXPECT_TRUE(remove(u"Trans"_s, 13));
    EXPECT_EQ(refusal([] { remove(u"Trans"_s, 13); }), u"对不起!记录可能已经被其它用户删除!"_s);   // gone already
    EXPECT_EQ(basedata::list(u"Trans"_s).size(), 1);
}

// Saves rights over what a window showing the user now would hold.
void saveRights(qint32 id, const users::Rights& r)
{
    const users::Rights stored = users::rights(id);
    users::ShownRights shown{stored, stored};
    users::saveRights(id, r, shown);
}

// What another copy saved meanwhile stays unless the user changed it too, and then only
// when the user says so.
TEST_F(BaseDataServiceTest, ChangesKeepWhatAnotherCopySaved)
{
    const qint32 bob = 90;
    users::ShownRights rights{users::rights(bob), users::rights(bob)};
    const BaseEntry listed = basedata::list(u"Departs"_s)[2];
    basedata::ShownRow row{listed, listed};
    exec(u"UPDATE [SysInfo] SET [Memo]='二楼半' WHERE [Type]='Departs' AND [No]=2;"_s);
    exec(u"UPDATE [SysInfo] SET [Memo]='pw"_s + CR + u"1;2"_s + CR + u"0' WHERE [ID]=90;"_s);
    FieldConflicts asked;
    const auto answer = [&](bool yes) {
        return [&asked, yes](const FieldConflicts& c) {
            asked = c;
            return yes;
        };
    };
    EXPECT_TRUE(basedata::modify(u"Departs"_s, row, u"2"_s, u"乙二"_s, u"二楼"_s, answer(false)).written);
    users::Rights level = rights.window;
    level.level = 2;
    EXPECT_TRUE(users::saveRights(bob, level, rights, answer(false)));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(rows(u"SELECT [Value],[Memo] FROM [SysInfo] WHERE [Type]='Departs' AND [No]=2;"_s),
              QStringList{u"乙二|二楼半"_s});
    EXPECT_EQ(users::rights(bob).departs, (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(users::rights(bob).level, 2);

    exec(u"UPDATE [SysInfo] SET [Value]='丙' WHERE [Type]='Departs' AND [No]=2;"_s);
    EXPECT_FALSE(basedata::modify(u"Departs"_s, row, u"2"_s, u"丁"_s, u"二楼半"_s, answer(false)).written);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].label + asked[0].yours + asked[0].stored, u"描述丁丙"_s);
    EXPECT_EQ(basedata::modify(u"Departs"_s, row, u"2"_s, u"丁"_s, u"二楼半"_s, answer(true)).stored->value, u"丁"_s);
    exec(u"UPDATE [SysInfo] SET [Memo]='pw"_s + CR + u"1;2"_s + CR + u"-1' WHERE [ID]=90;"_s);
    users::Rights flags = rights.window;
    flags.flags = QStringList{u"0"_s, u"-1"_s};
    EXPECT_FALSE(users::saveRights(bob, flags, rights, answer(false)));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].label, u"允许进行下列操作"_s);
    EXPECT_EQ(users::rights(bob).flags, QStringList{u"-1"_s});
}

TEST_F(ServiceTest, UserRulesRefuseAndStoreNothing)
{
    const qint32 admin = users::list().first().key.toInt();
    const qint32 bob = users::add(u" bob "_s);
    const QStringList before = sysInfo();
    const struct {
        std::function<void()> call;
        const char16_t* text;
    } cases[] = {
        {[] { users::add(u"  "_s); }, u"用户名不能为空或只有空格！"},
        {[] { users::add(u"bob"_s); }, u"同名用户已经存在！"},
        {[=] { users::checkDeletable(admin, admin); }, u"不能删除当前登录用户！"},
        {[=] { users::remove(admin, bob); }, u"至少要保留一个“维护”级别的用户！"},
        {[=] { saveRights(admin, {2, {}, {}}); }, u"至少要保留一个“维护”级别的用户！"},
        {[=] { saveRights(bob, {1, {u"1"_s}, {}}); }, u"请先为该用户设置口令，再保存“禁用”以上的权限级别！"},
        {[=] { users::setPassword(bob, u"abc-123"_s, u"abc-124"_s); }, u"两次输入的口令不一致，口令未修改！"},
        {[=] { users::setPassword(bob, u" abc-123"_s, u" abc-123"_s); }, u"口令的首尾不能是空格！"},
        {[=] { users::setPassword(bob, QString(), QString()); }, u"无效参数。"},
        {[] { users::rights(4711); }, u"无此用户。"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusal(c.call), QString::fromUtf16(c.text));
    EXPECT_EQ(sysInfo(), before);

    users::setPassword(bob, u"a b c"_s, u"a b c"_s);
    saveRights(bob, {2, {u"1"_s, u"3"_s}, {u"-1"_s, u"0"_s}});
    const users::Rights r = users::rights(bob);
    EXPECT_EQ(r.level, 2);
    EXPECT_EQ(r.departs, (QStringList{u"1"_s, u"3"_s}));
    EXPECT_EQ(r.flags, (QStringList{u"-1"_s, u"0"_s}));
    UsrInfos u;
    qint32 id = 0;
    EXPECT_EQ(u.Load(u"bob"_s, id, u" a b c "_s), 0);   // typed with blanks, checked without
    EXPECT_EQ(u.DepartIDs(), u"1,3"_s);
    users::remove(bob, admin);
    EXPECT_EQ(users::list().size(), 1);
}

TEST(NewDatabase, AFirstPasswordWithOuterBlanksIsRefused)
{
    testutil::ProgramFolder folder;
    try {
        CreateNewDatabase(folder.path(), u"admin"_s, u" pw-1234"_s);
        ADD_FAILURE() << "created";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), kErrPasswordBlanks);
    }
    EXPECT_FALSE(QFile::exists(folder.file(u"Ostrel.mdb"_s)));
}

} // namespace
