#include "tests/main/core/dbfixture.h"
#include "main/core/ui/frmbasements.h"
#include "main/core/ui/frmusers.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/msgbox.h"
#include "tests/common/faultvfs.h"
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::MainDatabaseTest;

namespace {

class BaseDataTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        logIn(u"admin"_s, created.adminPassword);
        win = open(2);   // 使用部门
    }
    static std::unique_ptr<frmBasements> open(int index)
    {
        auto w = std::make_unique<frmBasements>();
        QString tabs = BaseDataTabs();
        w->ShowInfo(tabs, index);
        return w;
    }
    void TearDown() override
    {
        win.reset();
        MainDatabaseTest::TearDown();
    }

    // Runs `script` on the add/modify dialog once its modal display has begun; the dialog
    // is closed afterwards when the script left it open.
    void onDialog(std::function<void(frmAddBases*)> script)
    {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = QObject::connect(win.get(), &frmBasements::addWinOpened, [connection, script](frmAddBases* d) {
            QObject::disconnect(*connection);
            QMetaObject::invokeMethod(
                d,
                [d, script] {
                    script(d);
                    if (d->isVisible())
                        d->hide();
                },
                Qt::QueuedConnection);
        });
    }
    static void enter(frmAddBases* d, const QString& no, const QString& value, const QString& memo = QString())
    {
        d->txtValue[0]->setText(no);
        d->txtValue[1]->setText(value);
        d->txtValue[2]->setText(memo);
        click(d->cmdOK);
    }
    static void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static void click(QPushButton* b, const QString& input)
    {
        ui::script::answerInput(input);
        click(b);
    }
    // Adds entries one after another through one add dialog.
    void addEntries(const QList<QStringList>& entries)
    {
        onDialog([entries](frmAddBases* d) {
            for (const QStringList& e : entries)
                enter(d, e.value(0), e.value(1), e.value(2));
        });
        click(win->cmdAdd);
    }
    void modifyRow(const QString& code, const QString& no, const QString& value, const QString& memo = QString())
    {
        selectRow(code);
        onDialog([=](frmAddBases* d) { enter(d, no, value, memo); });
        click(win->cmdUpdate);
    }
    void selectRow(const QString& code)
    {
        const auto found = win->lvwDetail->findItems(code, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << code.toStdString();
        win->lvwDetail->setCurrentItem(found.first());
    }
    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < win->lvwDetail->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* it = win->lvwDetail->topLevelItem(i);
            out.append(it->text(0) + u'|' + it->text(1) + u'|' + it->text(2));
        }
        return out;
    }
    // The stored rows of the list shown, which the window must show alike.
    QStringList storedAndShown(const QString& type = u"Departs"_s)
    {
        const QStringList s = stored(type);
        EXPECT_EQ(rows(), s);
        return s;
    }
    QStringList stored(const QString& type)
    {
        QStringList out;
        dao::Recordset rs = gDatabase.OpenRecordset(
            u"SELECT [No],[Value],[Memo] FROM [SysInfo] WHERE [Type]="_s + SqlText(type) + u" ORDER BY [No];"_s,
            dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            out.append(rs.Fields(0).Value().toString() + u'|' + rs.Fields(1).Value().toString() + u'|' +
                       rs.Fields(2).Value().toString());
            rs.MoveNext();
        }
        rs.Close();
        return out;
    }
    static QString lastPrompt() { return ui::script::last().prompt; }

    std::unique_ptr<frmBasements> win;
};

const QString kDuplicate = u"相同编码或描述已经存在！"_s;

TEST_F(BaseDataTest, TabsIndexOutOfRangeSelectsTheFirstAndCtrlTabWraps)
{
    ASSERT_EQ(win->tbsOptions->count(), 8);
    EXPECT_EQ(win->tbsOptions->tabText(7), u"资料类型"_s);
    EXPECT_EQ(win->tbsOptions->tabData(7).toString(), u"DType"_s);
    EXPECT_EQ(win->tbsOptions->currentIndex(), 1);
    EXPECT_EQ(rows(), QStringList{u"0|未指定|"_s});
    EXPECT_EQ(win->lvwDetail->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 2);   // the row's [ID]
    win->show();   // every tab in sight, without scroll arrows
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(win->tbsOptions->rect().contains(win->tbsOptions->tabRect(i))) << i;

    QString none;
    for (int index : {0, 9}) {
        win->tbsOptions->setCurrentIndex(4);
        win->ShowInfo(none, index);
        EXPECT_EQ(index, 1);
        EXPECT_EQ(win->tbsOptions->currentIndex(), 0);
    }
    int state = 5;
    win->ShowInfo(none, state);
    EXPECT_EQ(rows(), (QStringList{u"0|未指定|"_s, u"4|报废|"_s}));

    win->tbsOptions->setCurrentIndex(7);
    QTest::keyClick(win->lvwDetail, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(win->tbsOptions->currentIndex(), 0);
    QTest::keyClick(win->cmdClose, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(win->tbsOptions->currentIndex(), 1);
    QTest::keyClick(win->lvwDetail, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(win->tbsOptions->currentIndex(), 1);
}

TEST_F(BaseDataTest, AddingRefusesExistingCodesAndTextsAndBadCodes)
{
    bool stayedOpen = false;
    onDialog([&](frmAddBases* d) {
        EXPECT_EQ(d->windowTitle(), u"增加信息"_s);
        enter(d, u" 1 "_s, u" 财务处 "_s, u" 一楼"_s);
        stayedOpen = d->isVisible();
        EXPECT_EQ(d->txtValue[0]->text(), u"1"_s);
        EXPECT_EQ(d->txtValue[1]->text(), u"财务处"_s);
        enter(d, u"2"_s, u"O'Neil's 车间"_s);
        ui::script::clear();
        enter(d, u"1"_s, u"别的"_s);   // code exists
        EXPECT_EQ(lastPrompt(), kDuplicate);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
        ui::script::clear();
        enter(d, u"3"_s, u"财务处"_s);   // text exists
        EXPECT_EQ(lastPrompt(), kDuplicate);
        enter(d, u"1.5"_s, u"半"_s);
        EXPECT_EQ(lastPrompt(), u"对不起!代码必须是整数."_s);
        enter(d, u"   "_s, u"空"_s);
        EXPECT_EQ(lastPrompt(), u"代码和描述不能为空。"_s);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
        EXPECT_EQ(d->focusWidget(), d->txtValue[0]);
        EXPECT_EQ(d->txtValue[1]->text(), u"空"_s);   // a failed entry keeps its texts
        click(d->cmdCancel);
    });
    click(win->cmdAdd);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(win->frmAddBase, nullptr);
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|财务处| 一楼"_s, u"2|O'Neil's 车间|"_s}));

    // The same text in another list is accepted.
    win->tbsOptions->setCurrentIndex(0);
    addEntries({{u"1"_s, u"财务处"_s}});
    EXPECT_EQ(storedAndShown(u"Dev_Grp"_s), (QStringList{u"0|未指定|"_s, u"1|财务处|"_s}));
}

TEST_F(BaseDataTest, ModifyingRefusesWhatAddingRefusesAndCodeZero)
{
    addEntries({{u"1"_s, u"甲"_s}, {u"2"_s, u"乙"_s}});
    ui::script::clear();
    selectRow(u"0"_s);
    click(win->cmdUpdate);
    EXPECT_EQ(lastPrompt(), u"对不起!代码为0的项目禁止更新."_s);
    EXPECT_EQ(ui::script::last().style, ui::vbOKOnly);
    EXPECT_EQ(win->frmAddBase, nullptr);

    const struct {
        const char16_t *no, *value, *prompt;
    } refused[] = {{u"1", u"乙", u"相同编码或描述已经存在！"},
                   {u"3", u"甲", u"相同编码或描述已经存在！"},
                   {u"0", u"丙", u"对不起!不能把项目的代码改为0."}};
    for (const auto& c : refused) {
        ui::script::clear();
        modifyRow(u"2"_s, QString::fromUtf16(c.no), QString::fromUtf16(c.value));
        EXPECT_EQ(lastPrompt(), QString::fromUtf16(c.prompt)) << QString::fromUtf16(c.no).toStdString();
    }
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲|"_s, u"2|乙|"_s}));

    // Keeping its own code and text is no duplicate; the dialog closes after a modify.
    bool closed = false;
    selectRow(u"2"_s);
    onDialog([&](frmAddBases* d) {
        EXPECT_EQ(d->windowTitle(), u"修改信息"_s);
        EXPECT_EQ(d->txtValue[1]->text(), u"乙"_s);
        enter(d, u"2"_s, u"乙"_s, u"备注"_s);
        closed = !d->isVisible();
    });
    click(win->cmdUpdate);
    EXPECT_TRUE(closed);
    modifyRow(u"2"_s, u"5"_s, u"戊"_s, QString());
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲|"_s, u"5|戊|"_s}));

    // Deleted by someone else in the meantime.
    gDatabase.Execute(u"DELETE FROM [SysInfo] WHERE [Type]='Departs' AND [No]=5;"_s);
    modifyRow(u"5"_s, u"6"_s, u"己"_s);
    EXPECT_EQ(lastPrompt(), u"对不起!记录可能已经被其它用户删除!"_s);
    EXPECT_EQ(stored(u"Departs"_s).size(), 2);
}

TEST_F(BaseDataTest, EntriesInUseCanBeNeitherDeletedNorRecoded)
{
    addEntries({{u"1"_s, u"甲"_s}, {u"2"_s, u"乙"_s}});
    gDatabase.Execute(u"INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[Dep_ID]) VALUES (1,'D-1',1);"_s);
    gDatabase.Execute(u"INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[Dep_ID]) VALUES (2,'D-2',1);"_s);
    gDatabase.Execute(u"INSERT INTO [Transfer] ([ID],[Dev_ID],[Sur_ID],[Tar_ID]) VALUES (1,1,1,1);"_s);
    EXPECT_EQ(CountBaseDataUses(u"Departs"_s, 1), 3);
    EXPECT_EQ(CountBaseDataUses(u"Departs"_s, 2), 0);
    EXPECT_EQ(CountBaseDataUses(u"Trans"_s, 1), 0);

    // Refused before asking.
    for (const auto& [row, prompt] : {std::pair{u"1"_s, u"对不起!该项目正被3条设备或历史记录使用,禁止删除."_s},
                                      std::pair{u"0"_s, u"对不起!代码为0的项目禁止删除."_s}}) {
        ui::script::clear();
        selectRow(row);
        click(win->cmdDelete);
        EXPECT_EQ(lastPrompt(), prompt);
        EXPECT_EQ(ui::script::shown().size(), 1);
    }
    modifyRow(u"1"_s, u"7"_s, u"甲"_s);
    EXPECT_EQ(lastPrompt(), u"对不起!该项目正被3条设备或历史记录使用,禁止修改代码."_s);
    // Its text may change.
    modifyRow(u"1"_s, u"1"_s, u"甲处"_s);
    EXPECT_EQ(stored(u"Departs"_s), (QStringList{u"0|未指定|"_s, u"1|甲处|"_s, u"2|乙|"_s}));

    selectRow(u"2"_s);
    ui::script::clear();
    ui::script::answer(ui::vbNo);
    click(win->cmdDelete);
    EXPECT_EQ(lastPrompt(), u"您确实要删除指定的项目吗?"_s);
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(stored(u"Departs"_s).size(), 3);
    ui::script::answer(ui::vbYes);
    click(win->cmdDelete);
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲处|"_s}));
}

TEST_F(BaseDataTest, BelowLevelThreeNothingCanBeChanged)
{
    addSysInfo(200, u"Users"_s, 2, u"bob"_s, HashPassword(u"pw-bob"_s));
    logIn(u"bob"_s, u"pw-bob"_s);
    const auto w = open(1);
    EXPECT_FALSE(w->cmdAdd->isEnabled() || w->cmdUpdate->isEnabled() || w->cmdDelete->isEnabled());
    EXPECT_TRUE(w->cmdClose->isEnabled());
    bool opened = false;
    QObject::connect(w.get(), &frmBasements::addWinOpened, [&] { opened = true; });
    emit w->lvwDetail->itemDoubleClicked(w->lvwDetail->topLevelItem(0), 0);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(win->cmdAdd->isEnabled());   // opened by the administrator

    gUsrInfos.reset();   // nobody logged in
    EXPECT_FALSE(frmBasements().cmdAdd->isEnabled());
}

TEST_F(BaseDataTest, ADepartmentThatUsersMaySeeIsNeitherDeletedNorRecoded)
{
    addEntries({{u"1"_s, u"甲"_s}, {u"2"_s, u"乙"_s}, {u"3"_s, u"丙"_s}});
    addSysInfo(201, u"Users"_s, 1, u"bob"_s, u"pw"_s + QChar(13) + u"3;1"_s + QChar(13) + u"0"_s);
    addSysInfo(202, u"Users"_s, 1, u"carl"_s, u"pw"_s + QChar(13) + u"1"_s);
    addSysInfo(203, u"Users"_s, 1, u"dora"_s, u"13;21"_s);   // a password line only
    const QStringList before = stored(u"Departs"_s);
    const struct {
        const char16_t* row;
        const char16_t* prompt;
    } refused[] = {{u"1", u"对不起!该部门正被2个用户设为允许查看的部门,禁止删除."},
                   {u"3", u"对不起!该部门正被1个用户设为允许查看的部门,禁止删除."}};
    for (const auto& c : refused) {
        ui::script::clear();
        selectRow(QString::fromUtf16(c.row));
        click(win->cmdDelete);
        EXPECT_EQ(lastPrompt(), QString::fromUtf16(c.prompt));
        EXPECT_EQ(ui::script::shown().size(), 1);   // refused before asking
    }
    modifyRow(u"1"_s, u"7"_s, u"甲"_s);
    EXPECT_EQ(lastPrompt(), u"对不起!该部门正被2个用户设为允许查看的部门,禁止修改代码."_s);
    EXPECT_EQ(storedAndShown(), before);

    // Another list's code 1 is no department.
    win->tbsOptions->setCurrentIndex(0);
    addEntries({{u"1"_s, u"一组"_s}});
    selectRow(u"1"_s);
    ui::script::answer(ui::vbYes);
    click(win->cmdDelete);
    EXPECT_EQ(stored(u"Dev_Grp"_s), QStringList{u"0|未指定|"_s});
    // A department nobody holds goes.
    win->tbsOptions->setCurrentIndex(1);
    selectRow(u"2"_s);
    ui::script::answer(ui::vbYes);
    click(win->cmdDelete);
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲|"_s, u"3|丙|"_s}));
}

TEST_F(BaseDataTest, ARefusedModifyKeepsTheDialogOpenWithWhatWasTyped)
{
    addEntries({{u"1"_s, u"甲"_s}, {u"2"_s, u"乙"_s}});
    selectRow(u"2"_s);
    bool open = false;
    QStringList texts;
    onDialog([&](frmAddBases* d) {
        enter(d, u"1"_s, u"乙乙"_s, u"备注"_s);
        open = d->isVisible();
        texts = {d->txtValue[0]->text(), d->txtValue[1]->text(), d->txtValue[2]->text()};
        EXPECT_EQ(lastPrompt(), kDuplicate);
        EXPECT_EQ(d->windowTitle(), u"修改信息"_s);
        // Corrected, it is accepted and closes.
        enter(d, u"4"_s, u"乙乙"_s, u"备注"_s);
        EXPECT_FALSE(d->isVisible());
    });
    click(win->cmdUpdate);
    EXPECT_TRUE(open);
    EXPECT_EQ(texts, (QStringList{u"1"_s, u"乙乙"_s, u"备注"_s}));
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲|"_s, u"4|乙乙|备注"_s}));
}

TEST_F(BaseDataTest, AChangeFailingAtTheCommitLeavesTheListAsItWasAndTheWindowOpen)
{
    addEntries({{u"1"_s, u"甲"_s}, {u"2"_s, u"乙"_s}});
    const QStringList before = storedAndShown();
    // Each change fails at its commit, where the engine syncs the database file.
    auto failing = [] { return std::make_unique<faultvfs::Guard>(faultvfs::Sync, 1, -1, u"Ostrel.mdb"_s); };
    auto expectFailureShown = [&] {
        EXPECT_GT(faultvfs::failures(), 0);
        const ui::ShownBox box = ui::script::last();
        EXPECT_FALSE(box.prompt.isEmpty());
        EXPECT_NE(box.prompt, kDuplicate);
        EXPECT_EQ(ui::iconOf(box.style), ui::vbExclamation);
    };

    for (bool modify : {false, true}) {
        SCOPED_TRACE(modify ? "modify" : "add");
        bool open = false;
        QString typed;
        if (modify)
            selectRow(u"2"_s);
        onDialog([&](frmAddBases* d) {
            ui::script::clear();
            {
                const auto fault = failing();
                enter(d, u"7"_s, u"庚"_s);
                expectFailureShown();
            }
            open = d->isVisible();
            typed = d->txtValue[0]->text() + u'|' + d->txtValue[1]->text();
        });
        click(modify ? win->cmdUpdate : win->cmdAdd);
        EXPECT_TRUE(open);
        EXPECT_EQ(typed, u"7|庚"_s);
        EXPECT_EQ(storedAndShown(), before);
        EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    }

    selectRow(u"2"_s);
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    {
        const auto fault = failing();
        click(win->cmdDelete);
        expectFailureShown();
    }
    EXPECT_TRUE(win->isEnabled());
    EXPECT_EQ(storedAndShown(), before);

    // The disk sound again, the same change goes through.
    ui::script::answer(ui::vbYes);
    click(win->cmdDelete);
    EXPECT_EQ(storedAndShown(), (QStringList{u"0|未指定|"_s, u"1|甲|"_s}));
}

// Another copy (b) on the same file saves while this window shows the entries.
TEST_F(BaseDataTest, ASaveWritesWhatWasChangedToTheEntryShownAndThenShowsWhatIsStored)
{
    addSysInfo(300, u"Departs"_s, 5, u"设备科"_s);
    addSysInfo(301, u"Departs"_s, 6, u"车间 "_s, u"备注\n"_s);
    addSysInfo(302, u"Departs"_s, 7, u"库房"_s);
    win = open(2);
    dao::Database b = otherCopy();
    // b saves the remark, this window the text: no question, and the list shows b's remark,
    // from which the next change opens: typing over it asks nothing.
    b.Execute(u"UPDATE [SysInfo] SET [Memo]='B 的备注' WHERE [ID]=300;"_s);
    ui::script::clear();
    modifyRow(u"5"_s, u"5"_s, u"设备处"_s);
    EXPECT_EQ(rows()[1], u"5|设备处|B 的备注"_s);
    modifyRow(u"5"_s, u"5"_s, u"设备处"_s, u"A 的备注"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // Both change the text: asked; No keeps the typing and shows b's remark; asked again.
    b.Execute(u"UPDATE [SysInfo] SET [Value]='B 科',[Memo]='B 二' WHERE [ID]=300;"_s);
    QString boxes;
    selectRow(u"5"_s);
    ui::script::answer(ui::vbNo);
    ui::script::answer(ui::vbYes);
    onDialog([&](frmAddBases* d) {
        enter(d, u"5"_s, u"A 科"_s, u"A 的备注"_s);
        boxes = d->txtValue[1]->text() + u'|' + d->txtValue[2]->text();
        click(d->cmdOK);
    });
    click(win->cmdUpdate);
    EXPECT_EQ(boxes, u"A 科|B 二"_s);
    EXPECT_EQ(ui::script::shown().size(), 2);
    // Texts with blanks and line breaks that nobody typed over: not asked about, kept.
    b.Execute(u"UPDATE [SysInfo] SET [Memo]='B 的\n' WHERE [ID]=301;"_s);
    modifyRow(u"6"_s, u"8"_s, u"车间"_s, u"备注\n"_s);
    EXPECT_EQ(ui::script::shown().size(), 2);
    QStringList listed = rows();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{u"0|未指定|"_s, u"5|A 科|B 二"_s, u"7|库房|"_s, u"8|车间 |B 的\n"_s}));

    // b recodes 7 to 9, and a new entry takes 7: this window's save lands on neither.
    b.Execute(u"UPDATE [SysInfo] SET [No]=9 WHERE [ID]=302;"_s);
    b.Execute(u"INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (310,'Departs',7,'新车间');"_s);
    modifyRow(u"7"_s, u"7"_s, u"库房"_s, u"A 的备注"_s);
    EXPECT_EQ(lastPrompt(), u"对不起!该项目的代码已被其它用户改为9,未作任何修改!"_s);
    b.Execute(u"UPDATE [SysInfo] SET [No]=11 WHERE [ID]=302;"_s);
    selectRow(u"9"_s);   // the list shows it by its new code
    ui::script::answer(ui::vbYes);
    click(win->cmdDelete);
    EXPECT_EQ(lastPrompt(), u"对不起!该项目的代码已被其它用户改为11,未作任何修改!"_s);
    EXPECT_EQ(stored(u"Departs"_s), (QStringList{u"0|未指定|"_s, u"5|A 科|B 二"_s, u"7|新车间|"_s,
                                               u"8|车间 |B 的\n"_s, u"11|库房|"_s}));

    // b deletes code 7, the last key, and adds another code 7: modify and delete reach neither.
    const auto replace7 = [] {
        basedata::remove(u"Departs"_s, basedata::list(u"Departs"_s)[2]);
        basedata::add(u"Departs"_s, u"7"_s, u"又一个"_s, QString());
    };
    replace7();   // code 7 now has the last key
    for (const bool deleting : {false, true}) {
        win = open(2);
        asOtherCopy(replace7);
        const QStringList before = stored(u"Departs"_s);
        if (deleting)
            selectRow(u"7"_s), ui::script::answer(ui::vbYes), click(win->cmdDelete);
        else
            modifyRow(u"7"_s, u"7"_s, u"A 的车间"_s);
        EXPECT_EQ(lastPrompt(), u"对不起!记录可能已经被其它用户删除!"_s);
        EXPECT_EQ(stored(u"Departs"_s), before);
        EXPECT_EQ(rows().size(), 4);   // the list drops it
    }
}

// Each box that writes a text into a sized column takes no more than the column holds.
TEST_F(BaseDataTest, LongTextsKeepToTheirColumns)
{
    QList<int> sizes, lengths;   // of each box, and of what it stored
    for (QPushButton* button : {win->cmdAdd, win->cmdUpdate}) {
        const bool add = button == win->cmdAdd;
        onDialog([&](frmAddBases* d) {
            sizes << d->txtValue[1]->maxLength() << d->txtValue[2]->maxLength();
            enter(d, u"2"_s, QString(300, add ? u'甲' : u'乙'), QString(300, add ? u'长' : u'宽'));
        });
        click(button);
        const QString row = stored(u"Departs"_s).value(1);
        lengths << int(row.section(u'|', 1, 1).size()) << int(row.section(u'|', 2).size());
        selectRow(u"2"_s);
    }
    EXPECT_EQ(stored(u"Departs"_s).value(1).left(3), u"2|乙"_s);
    frmUsers users;
    click(users.cmdAdd, QString(300, u'名'));
    sizes << ui::script::last().maxLength;
    lengths << int(users.lstUsers->currentItem()->text().size());
    const char* const boxes[] = {"增加信息 描述", "增加信息 备注", "修改信息 描述", "修改信息 备注", "用户管理 增加"};
    const int holds[] = {255, 300, 255, 300, 255};   // 备注 is a long text: all 300
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(std::min(sizes.value(i), 300), holds[i]) << boxes[i];
        EXPECT_EQ(lengths.value(i), holds[i]) << boxes[i];
    }
}

} // namespace
