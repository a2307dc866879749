#include "tests/main/core/dbfixture.h"
#include "main/core/frmbasements.h"
#include "main/core/password.h"
#include "main/core/startup.h"
#include "main/core/usrinfos.h"
#include "platform/core/msgbox.h"
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

using namespace ostrel;
using testutil::MainDatabaseTest;

namespace {

class BaseDataTest : public MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        logIn(QStringLiteral("admin"), created.adminPassword);
        win = std::make_unique<frmBasements>();
        QString tabs = BaseDataTabs();
        int index = 2;   // 使用部门
        win->ShowInfo(tabs, index);
    }
    void TearDown() override
    {
        win.reset();
        gUsrInfos.reset();
        MainDatabaseTest::TearDown();
    }
    static void logIn(const QString& name, const QString& password)
    {
        gUsrInfos = std::make_unique<UsrInfos>();
        qint32 id = 0;
        ASSERT_EQ(gUsrInfos->Load(name, id, password), 0) << name.toStdString();
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
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
    }
    // Adds entries one after another through one add dialog.
    void addEntries(const QList<QStringList>& entries)
    {
        onDialog([entries](frmAddBases* d) {
            for (const QStringList& e : entries)
                enter(d, e.value(0), e.value(1), e.value(2));
        });
        QTest::mouseClick(win->cmdAdd, Qt::LeftButton);
    }
    void modifyRow(const QString& code, const QString& no, const QString& value, const QString& memo = QString())
    {
        selectRow(code);
        onDialog([=](frmAddBases* d) { enter(d, no, value, memo); });
        QTest::mouseClick(win->cmdUpdate, Qt::LeftButton);
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
            out.append(it->text(0) + QLatin1Char('|') + it->text(1) + QLatin1Char('|') + it->text(2));
        }
        return out;
    }
    QStringList stored(const QString& type)
    {
        QStringList out;
        dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT [No],[Value],[Memo] FROM [SysInfo] WHERE [Type]=") +
                                                        SqlText(type) + QStringLiteral(" ORDER BY [No];"),
                                                    dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            out.append(rs.Fields(0).Value().toString() + QLatin1Char('|') + rs.Fields(1).Value().toString() +
                       QLatin1Char('|') + rs.Fields(2).Value().toString());
            rs.MoveNext();
        }
        rs.Close();
        return out;
    }
    void addDevice(int id, int department)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
        rs.AddNew();
        rs(QStringLiteral("Dev_ID")).setValue(id);
        rs(QStringLiteral("设备编号")).setValue(QStringLiteral("D-%1").arg(id));
        rs(QStringLiteral("Dep_ID")).setValue(department);
        rs.Update();
        rs.Close();
    }
    static QString lastPrompt() { return ui::script::last().prompt; }

    std::unique_ptr<frmBasements> win;
};

TEST_F(BaseDataTest, TabsAreBuiltAndAnIndexOutOfRangeSelectsTheFirst)
{
    EXPECT_EQ(win->windowTitle(), QStringLiteral("基础信息管理"));
    ASSERT_EQ(win->tbsOptions->count(), 8);
    EXPECT_EQ(win->tbsOptions->tabText(7), QStringLiteral("资料类型"));
    EXPECT_EQ(win->tbsOptions->tabData(7).toString(), QStringLiteral("DType"));
    EXPECT_EQ(win->tbsOptions->currentIndex(), 1);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("0|未指定|")});
    EXPECT_EQ(win->lvwDetail->topLevelItem(0)->data(0, Qt::UserRole).toInt(), 2);   // the row's [ID]

    QString none;
    for (int index : {0, 9}) {
        win->tbsOptions->setCurrentIndex(4);
        win->ShowInfo(none, index);
        EXPECT_EQ(index, 1);
        EXPECT_EQ(win->tbsOptions->currentIndex(), 0);
    }
    int state = 5;
    win->ShowInfo(none, state);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("0|未指定|"), QStringLiteral("4|报废|")}));
}

TEST_F(BaseDataTest, CtrlTabMovesToTheNextTabAndWraps)
{
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
        EXPECT_EQ(d->windowTitle(), QStringLiteral("增加信息"));
        enter(d, QStringLiteral(" 1 "), QStringLiteral(" 财务处 "), QStringLiteral(" 一楼"));
        stayedOpen = d->isVisible();
        EXPECT_EQ(d->txtValue[0]->text(), QStringLiteral("1"));
        EXPECT_EQ(d->txtValue[1]->text(), QStringLiteral("财务处"));
        enter(d, QStringLiteral("2"), QStringLiteral("O'Neil's 车间"));
        ui::script::clear();
        enter(d, QStringLiteral("1"), QStringLiteral("别的"));          // code exists
        EXPECT_EQ(lastPrompt(), QStringLiteral("相同编码或描述已经存在！"));
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
        enter(d, QStringLiteral("3"), QStringLiteral("财务处"));        // text exists
        EXPECT_EQ(lastPrompt(), QStringLiteral("相同编码或描述已经存在！"));
        enter(d, QStringLiteral("1.5"), QStringLiteral("半"));
        EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!代码必须是整数."));
        ui::script::clear();
        enter(d, QStringLiteral("   "), QStringLiteral("空"));
        EXPECT_EQ(lastPrompt(), QStringLiteral("代码和描述不能为空。"));
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
        EXPECT_EQ(d->focusWidget(), d->txtValue[0]);
        EXPECT_EQ(d->txtValue[1]->text(), QStringLiteral("空"));   // a failed entry keeps its texts
        QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    });
    QTest::mouseClick(win->cmdAdd, Qt::LeftButton);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(win->frmAddBase, nullptr);
    const QStringList expected{QStringLiteral("0|未指定|"), QStringLiteral("1|财务处| 一楼"),
                               QStringLiteral("2|O'Neil's 车间|")};
    EXPECT_EQ(stored(QStringLiteral("Departs")), expected);
    EXPECT_EQ(rows(), expected);

    // The same text in another list is accepted.
    win->tbsOptions->setCurrentIndex(0);
    addEntries({{QStringLiteral("1"), QStringLiteral("财务处")}});
    EXPECT_EQ(stored(QStringLiteral("Dev_Grp")), (QStringList{QStringLiteral("0|未指定|"), QStringLiteral("1|财务处|")}));
}

TEST_F(BaseDataTest, ModifyingRefusesWhatAddingRefusesAndCodeZero)
{
    addEntries({{QStringLiteral("1"), QStringLiteral("甲")}, {QStringLiteral("2"), QStringLiteral("乙")}});
    ui::script::clear();

    selectRow(QStringLiteral("0"));
    QTest::mouseClick(win->cmdUpdate, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!代码为0的项目禁止更新."));
    EXPECT_EQ(ui::script::last().style, ui::vbOKOnly);
    EXPECT_EQ(win->frmAddBase, nullptr);

    modifyRow(QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("乙"));
    EXPECT_EQ(lastPrompt(), QStringLiteral("相同编码或描述已经存在！"));
    modifyRow(QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("甲"));
    EXPECT_EQ(lastPrompt(), QStringLiteral("相同编码或描述已经存在！"));
    modifyRow(QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("丙"));
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!不能把项目的代码改为0."));
    const QStringList before{QStringLiteral("0|未指定|"), QStringLiteral("1|甲|"), QStringLiteral("2|乙|")};
    EXPECT_EQ(stored(QStringLiteral("Departs")), before);
    EXPECT_EQ(rows(), before);

    // Keeping its own code and text is no duplicate; the dialog closes after a modify.
    bool closed = false;
    selectRow(QStringLiteral("2"));
    onDialog([&](frmAddBases* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("修改信息"));
        EXPECT_EQ(d->txtValue[1]->text(), QStringLiteral("乙"));
        enter(d, QStringLiteral("2"), QStringLiteral("乙"), QStringLiteral("备注"));
        closed = !d->isVisible();
    });
    QTest::mouseClick(win->cmdUpdate, Qt::LeftButton);
    EXPECT_TRUE(closed);
    modifyRow(QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("戊"), QString());
    const QStringList after{QStringLiteral("0|未指定|"), QStringLiteral("1|甲|"), QStringLiteral("5|戊|")};
    EXPECT_EQ(stored(QStringLiteral("Departs")), after);
    EXPECT_EQ(rows(), after);

    // Deleted by someone else in the meantime.
    gDatabase.Execute(QStringLiteral("DELETE FROM [SysInfo] WHERE [Type]='Departs' AND [No]=5;"));
    ui::script::clear();
    modifyRow(QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("己"));
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!记录可能已经被其它用户删除!"));
    EXPECT_EQ(stored(QStringLiteral("Departs")).size(), 2);
}

TEST_F(BaseDataTest, EntriesInUseCanBeNeitherDeletedNorRecoded)
{
    addEntries({{QStringLiteral("1"), QStringLiteral("甲")}, {QStringLiteral("2"), QStringLiteral("乙")}});
    addDevice(1, 1);
    addDevice(2, 1);
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Transfer"), dao::dbOpenDynaset);
    rs.AddNew();
    rs(QStringLiteral("ID")).setValue(1);
    rs(QStringLiteral("Dev_ID")).setValue(1);
    rs(QStringLiteral("Sur_ID")).setValue(1);
    rs(QStringLiteral("Tar_ID")).setValue(1);
    rs.Update();
    rs.Close();
    EXPECT_EQ(CountBaseDataUses(QStringLiteral("Departs"), 1), 3);
    EXPECT_EQ(CountBaseDataUses(QStringLiteral("Departs"), 2), 0);
    EXPECT_EQ(CountBaseDataUses(QStringLiteral("Trans"), 1), 0);
    ui::script::clear();

    selectRow(QStringLiteral("1"));
    QTest::mouseClick(win->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!该项目正被3条设备或历史记录使用,禁止删除."));
    EXPECT_EQ(ui::script::shown().size(), 1);   // refused before asking
    modifyRow(QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("甲"));
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!该项目正被3条设备或历史记录使用,禁止修改代码."));
    // Its text may change.
    modifyRow(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("甲处"));
    EXPECT_EQ(stored(QStringLiteral("Departs")),
              (QStringList{QStringLiteral("0|未指定|"), QStringLiteral("1|甲处|"), QStringLiteral("2|乙|")}));

    ui::script::clear();
    selectRow(QStringLiteral("0"));
    QTest::mouseClick(win->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(), QStringLiteral("对不起!代码为0的项目禁止删除."));
    EXPECT_EQ(ui::script::shown().size(), 1);

    selectRow(QStringLiteral("2"));
    ui::script::clear();
    ui::script::answer(ui::vbNo);
    QTest::mouseClick(win->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(lastPrompt(), QStringLiteral("您确实要删除指定的项目吗?"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(stored(QStringLiteral("Departs")).size(), 3);
    ui::script::answer(ui::vbYes);
    QTest::mouseClick(win->cmdDelete, Qt::LeftButton);
    EXPECT_EQ(stored(QStringLiteral("Departs")), (QStringList{QStringLiteral("0|未指定|"), QStringLiteral("1|甲处|")}));
    EXPECT_EQ(rows(), stored(QStringLiteral("Departs")));
}

TEST_F(BaseDataTest, BelowLevelThreeNothingCanBeChanged)
{
    addSysInfo(200, QStringLiteral("Users"), 2, QStringLiteral("bob"), HashPassword(QStringLiteral("pw-bob")));
    logIn(QStringLiteral("bob"), QStringLiteral("pw-bob"));
    frmBasements w;
    QString tabs = BaseDataTabs();
    int index = 1;
    w.ShowInfo(tabs, index);
    EXPECT_FALSE(w.cmdAdd->isEnabled());
    EXPECT_FALSE(w.cmdUpdate->isEnabled());
    EXPECT_FALSE(w.cmdDelete->isEnabled());
    EXPECT_TRUE(w.cmdClose->isEnabled());
    bool opened = false;
    QObject::connect(&w, &frmBasements::addWinOpened, [&] { opened = true; });
    emit w.lvwDetail->itemDoubleClicked(w.lvwDetail->topLevelItem(0), 0);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(win->cmdAdd->isEnabled());   // opened by the administrator

    gUsrInfos.reset();   // nobody logged in
    frmBasements nobody;
    EXPECT_FALSE(nobody.cmdAdd->isEnabled());
}

} // namespace
