// The main window over real database files: menus, settings, unloading, the tree by
// scheme, the device list and the events of the windows beside it.
#include "main/core/defaultrule.h"
#include "main/core/globals.h"
#include "main/core/schema.h"
#include "main/app/ui/startup.h"
#include "main/devices/ui/frmdevices.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/frmmain.h"
#include "main/reports/ui/devicecard.h"
#include "main/reports/ui/frmfilter.h"
#include "main/reports/ui/frmprncols.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/print/printer.h"
#include "platform/core/settings.h"
#include "shared/com/create.h"
#include "platform/ui/twips.h"
#include "tests/main/mainwin/listfixture.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <sqlite3.h>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSettings = u"Settings"_s;

class MainWindowTest : public testutil::ListDatabaseTest {
protected:
    void SetUp() override
    {
        ListDatabaseTest::SetUp();
        ui::script::clear();
    }

    static void waitForList(frmMain& w)
    {
        while (w.listLoading())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // The window loaded, shown, with its list read.
    static void showLoaded(frmMain& w)
    {
        w.Form_Load();
        w.show();
        waitForList(w);
    }
    static QStringList childTexts(QTreeWidgetItem* node)
    {
        QStringList out;
        for (int i = 0; i < node->childCount(); ++i)
            out << node->child(i)->text(0);
        return out;
    }
    static QTreeWidgetItem* child(QTreeWidgetItem* node, const QString& text)
    {
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->text(0) == text)
                return node->child(i);
        return nullptr;
    }
    static void click(frmMain& w, QTreeWidgetItem* node)
    {
        ASSERT_TRUE(node);
        w.tvwDevices->setCurrentItem(node);
        w.tvwDevices_NodeClick(node);
        waitForList(w);
    }
    static void chooseScheme(frmMain& w, int index)
    {
        w.cboTView->setCurrentIndex(index);
        w.cboTView_Click();
        waitForList(w);
    }
    static QList<qint32> listed(frmMain& w)
    {
        QList<qint32> ids;
        for (int i = 0; i < w.deviceList->rowCount(); ++i)
            ids << w.deviceList->devId(i);
        return ids;
    }
    static int visibleSeparators(QMenu* menu)
    {
        int n = 0;
        for (QAction* a : menu->actions())
            n += a->isSeparator() && a->isVisible();
        return n;
    }
};

TEST_F(MainWindowTest, MenusFollowLevelAndFlags)
{
    struct Case {
        int level;
        QString flags;
        bool level3, add, del, backup, clear;
    } cases[] = {
        {3, u"-1;-1;-1;-1;-1;-1;-1;-1;-1"_s, true, true, true, true, true},
        {2, u"-1;-1;-1;-1;-1;-1;-1;-1;-1"_s, false, true, true, true, true},
        {3, u"0;0;0;0;0;0;-1;0;-1"_s, true, false, true, false, true},
        {2, u"-1;0;0;0;0;0;0;-1;0"_s, false, true, false, true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        addSysInfo(200 + n, u"Users"_s, c.level, u"u%1"_s.arg(n), HashPassword(u"pw"_s) + u"\r\r"_s + c.flags);
        logIn(u"u%1"_s.arg(n++), u"pw"_s);
        frmMain w;
        w.Form_Load();
        EXPECT_EQ(w.mnuBasement->isEnabled(), c.level3);
        EXPECT_EQ(w.mnuFileDevRule->isEnabled(), c.level3);
        EXPECT_EQ(w.mnuToolUsr->isEnabled(), c.level3);
        EXPECT_EQ(w.mnuToolAdd->isEnabled(), c.add);
        EXPECT_EQ(w.mnuFileImport->isEnabled(), c.add);
        EXPECT_EQ(w.mnuToolDelDev->isEnabled(), c.del);
        EXPECT_EQ(w.mnuFileBackup->isEnabled(), c.backup);
        EXPECT_EQ(w.mnuToolClear->isEnabled(), c.clear);
    }

    frmMain w;
    w.Form_Load();
    EXPECT_EQ(w.mnuFile->title(), u"文件(&F)"_s);
    EXPECT_EQ(w.mnuViewRefresh->text(), u"刷新(&R)"_s);
    EXPECT_EQ(w.mnuHelpAbout->text(), u"关于(&A) "_s);
    EXPECT_EQ(w.mnuFilePrint->shortcut(), QKeySequence(u"Ctrl+P"_s));
    EXPECT_EQ(w.mnuFileCard->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(w.mnuViewRefresh->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(w.mnuToolFilt->shortcut(), QKeySequence(Qt::Key_F4));
    for (QAction* hidden : {w.mnuListViewMode[0], w.mnuListViewMode[3], w.mnuViewArrangeIcons, w.mnuGetInfo,
                            w.mnuToolsOptions})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_EQ(visibleSeparators(w.mnuFile), 1);
    EXPECT_EQ(visibleSeparators(w.mnuView), 1);
    EXPECT_EQ(visibleSeparators(w.mnuTools), 3);
    EXPECT_EQ(visibleSeparators(w.mnuHelp), 1);
    EXPECT_FALSE(w.mnuViewToolbar->isEnabled());
    EXPECT_FALSE(w.mnuViewToolbar->isChecked());
    EXPECT_TRUE(w.mnuViewStatusBar->isChecked());
    EXPECT_FALSE(w.tbToolBar->isVisibleTo(&w));
}

TEST_F(MainWindowTest, SettingsAreReadUnderTheirApplicationNames)
{
    logInWithDeparts(QString());
    struct Case {
        QString stored;
        double position;
    } cases[] = {{u"200"_s, 1500}, {u"8000"_s, 7500}, {u"3000"_s, 3000}, {u"junk"_s, 5000}};
    for (const Case& c : cases) {
        plat::SaveSetting(plat::appName(), kSettings, u"MainSplitter"_s, c.stored);
        frmMain w;
        w.resize(ui::twipsToPixelsX(9000), ui::twipsToPixelsY(6000));
        w.Form_Load();
        w.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(w.splitterPosition(), c.position) << c.stored.toStdString();
        // At 7500 the tree gives way to the list's totals.
        const int tree = w.imgSplitter->sizes().value(0);
        if (c.position < 7500)
            EXPECT_EQ(tree, ui::twipsToPixelsX(c.position));
        else
            EXPECT_LT(tree, ui::twipsToPixelsX(c.position));
    }
    {
        // A window shrunk below 8000 by 4500 keeps that size.
        frmMain w;
        w.Form_Load();
        w.show();
        w.resize(100, 100);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.width(), ui::twipsToPixelsX(8000));
        EXPECT_EQ(w.height(), ui::twipsToPixelsY(4500));
    }

    plat::SaveSetting(plat::appTitle(), kSettings, u"Track"_s, u"1"_s);
    plat::SaveSetting(plat::appTitle(), kSettings, u"Filters"_s, u"[价值]>1"_s);
    frmMain w;
    w.Form_Load();
    EXPECT_TRUE(w.chkTrack->isChecked());
    EXPECT_EQ(w.filterText(), u"[价值]>1"_s);
    EXPECT_TRUE(w.windowTitle().endsWith(u"--[过滤状态]"_s));
}

TEST_F(MainWindowTest, UnloadClosesTheEditorAndFilterBeforeSavingAndRemovesTemp)
{
    logInWithDeparts(QString());
    plat::SaveSetting(plat::appName(), kSettings, u"MainSplitter"_s, u"2400"_s);
    QDir(folder->path()).mkdir(u"Temp"_s);
    QFile f(folder->file(u"Temp/说明.doc"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    auto w = std::make_unique<frmMain>();
    w->resize(ui::twipsToPixelsX(9000), ui::twipsToPixelsY(6000));
    w->Form_Load();
    w->show();
    qint32 mode = 0;
    w->ShowAddWin(mode, 0);
    w->mnuToolFilt->trigger();
    ASSERT_TRUE(w->frmDevice);
    ASSERT_TRUE(w->frmFilt);
    EXPECT_TRUE(w->frmFilt->isVisible());
    EXPECT_EQ(w->frmFilt->parentWidget(), w.get());
    double x = 3000;
    w->SizeControls(x);
    w->chkTrack->setChecked(true);

    QStringList seenAtClose;
    const auto stored = [] { return plat::GetSetting(plat::appName(), kSettings, u"MainSplitter"_s); };
    QObject::connect(w->frmDevice.data(), &QObject::destroyed, [&] { seenAtClose << stored(); });
    QObject::connect(w->frmFilt.data(), &QObject::destroyed, [&] { seenAtClose << stored(); });
    w->mnuFileClose->trigger();
    EXPECT_EQ(seenAtClose, (QStringList{u"2400"_s, u"2400"_s}));
    EXPECT_FALSE(w->frmDevice);
    EXPECT_FALSE(w->frmFilt);
    EXPECT_EQ(stored(), u"3000"_s);
    EXPECT_EQ(plat::GetSetting(plat::appName(), kSettings, u"ViewMode"_s), u"3"_s);
    EXPECT_EQ(plat::GetSetting(plat::appTitle(), kSettings, u"Track"_s), u"1"_s);
    EXPECT_FALSE(plat::GetSetting(plat::appName(), kSettings, u"FormMain"_s).isEmpty());
    EXPECT_FALSE(QDir(folder->file(u"Temp"_s)).exists());
}

TEST_F(MainWindowTest, PrintGetsTheListsRestrictionAndCardTheSelection)
{
    addTreeDevices();
    logInWithDeparts(u"1;3"_s);
    plat::SaveSetting(plat::appTitle(), kSettings, u"Filters"_s, u"[价值]>1 OR 1=1"_s);
    frmMain w;
    w.Form_Load();
    w.show();
    waitForList(w);
    chooseScheme(w, 3);
    click(w, child(w.tvwDevices->topLevelItem(0), u"D"_s));

    QString viewWhere, filterText;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto prn = qobject_cast<frmPrnCols*>(QApplication::activeModalWidget())) {
            viewWhere = prn->viewWhere();
            filterText = prn->filterText();
            prn->reject();
        }
    });
    driver.start(10);
    w.mnuFilePrint->trigger();
    EXPECT_EQ(viewWhere, u" WHERE ([Dep_ID]=3) AND ([Dep_ID] IN (1,3))"_s);
    EXPECT_EQ(filterText, u"([价值]>1 OR 1=1)"_s);
    // At the root the departments alone restrict; a filter that is no condition is refused
    // and the list's own filter prints.
    click(w, w.tvwDevices->topLevelItem(0));
    w.mnuFilePrint->trigger();
    EXPECT_EQ(viewWhere, u" WHERE ([Dep_ID] IN (1,3))"_s);
    EXPECT_EQ(w.frmFilt_Apply(u"[价值] >"_s), 0);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
    viewWhere.clear();
    filterText.clear();
    ui::script::clear();
    w.mnuFilePrint->trigger();
    driver.stop();
    EXPECT_EQ(viewWhere, u" WHERE ([Dep_ID] IN (1,3))"_s);
    EXPECT_EQ(filterText, u"([价值]>1 OR 1=1)"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // The card: nothing without a selection, the selected device with one.
    auto rec = std::make_shared<prn::Recorder>();
    prn::printer().reset();
    prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    w.mnuFileCard->trigger();
    EXPECT_EQ(rec->count(prn::PrintCall::BeginDoc), 0);
    ASSERT_GE(w.deviceList->rowCount(), 2);
    w.selectRow(1);
    w.mnuFileCard->trigger();
    const qint32 id = w.deviceList->devId(1);
    dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [设备编号] FROM [Dev_Info] WHERE [Dev_ID]=%1;"_s.arg(id),
                                                dao::dbOpenSnapshot);
    EXPECT_TRUE(rec->texts().contains(rs(0).Value().toString()));
    rs.Close();
    EXPECT_EQ(rec->pagesSent(), 1);
    EXPECT_EQ(w.selectedDevId(), id);
    prn::printer().reset();
}

TEST_F(MainWindowTest, SixSchemesBuildTheirFirstLevel)
{
    addTreeDevices();
    addSysInfo(60, u"Dev_Grp"_s, 1, u"一组"_s);
    addSysInfo(61, u"Check"_s, 1, u"合格"_s);
    logInWithDeparts(QString());
    frmMain w;
    w.Form_Load();
    waitForList(w);
    ASSERT_EQ(w.cboTView->count(), 6);
    const QStringList expected[6] = {
        {QString(), u"O'Brien"_s, u"T"_s},
        {u"未指定"_s, u"合格"_s},
        {u"未指定"_s, u"报废"_s},
        {u"未指定"_s, u"总部"_s, u"D"_s},
        {u"未指定"_s, u"一组"_s},
        {u"未指定"_s, u"一组"_s},
    };
    for (int i = 0; i < 6; ++i) {
        chooseScheme(w, i);
        ASSERT_EQ(w.tvwDevices->topLevelItemCount(), 1);
        QTreeWidgetItem* root = w.tvwDevices->topLevelItem(0);
        EXPECT_EQ(root->text(0), u"所有设备"_s);
        EXPECT_FALSE(root->isExpanded());
        EXPECT_EQ(childTexts(root), expected[i]) << i;
        EXPECT_EQ(w.deviceList->rowCount(), 6);
        EXPECT_EQ(w.treeTag(), u"1"_s);
    }
    // The second grouping scheme has departments under each group, every code of the list.
    QTreeWidgetItem* group = child(w.tvwDevices->topLevelItem(0), u"未指定"_s);
    click(w, group);
    EXPECT_TRUE(group->isExpanded());
    EXPECT_EQ(childTexts(group), (QStringList{u"未指定"_s, u"总部"_s, u"D"_s}));
    EXPECT_EQ(w.deviceList->rowCount(), 6);   // every device is in group 0
    click(w, child(group, u"总部"_s));
    EXPECT_EQ(listed(w), (QList<qint32>{1}));
}

TEST_F(MainWindowTest, TheTitlesDoNotOverlapAtTheSmallestSize)
{
    addTreeDevices();
    logInWithDeparts(QString());
    frmMain w;
    showLoaded(w);
    w.resize(w.minimumSize());
    QCoreApplication::processEvents();
    QLabel* caption = w.lblTitle[1];
    QLabel* totals = w.lblTitle[0];
    EXPECT_EQ(totals->text(), u"设备共计:6 价值:"_s + vb::Format(20.75, u"Currency"_s));
    // Totals that fit the pane are whole; the caption beside them gives way.
    totals->setText(u"设备共计:123 价值:"_s + vb::Format(123456.5, u"Currency"_s));
    QCoreApplication::processEvents();
    ASSERT_LT(totals->sizeHint().width(), totals->parentWidget()->width());
    EXPECT_GE(totals->width(), totals->sizeHint().width());
    EXPECT_LE(totals->geometry().right(), totals->parentWidget()->width());
    EXPECT_LE(caption->geometry().right(), totals->geometry().left());
    EXPECT_EQ(caption->text(), u" 列表视图:"_s);
    // With room, both are whole.
    w.resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_GE(caption->width(), caption->sizeHint().width());
    EXPECT_GE(totals->width(), totals->sizeHint().width());
    EXPECT_LE(caption->geometry().right(), totals->geometry().left());
}

TEST_F(MainWindowTest, TheLoadedTotalsStayWholeWhereverTheWindowAndSplitterStand)
{
    addDevices(363);
    addDevice(1000, u"Z1"_s, u"大型设备"_s, 848521.6, 0, 0, 1);
    logInWithDeparts(QString());
    for (auto [width, height, splitter] : {std::tuple{9000, 6000, 7500.0}, {12000, 9000, 10500.0}}) {
        plat::SaveSetting(plat::appName(), kSettings, u"MainSplitter"_s, QString::number(splitter));
        frmMain w;
        const QSize size(ui::twipsToPixelsX(width), ui::twipsToPixelsY(height));
        w.resize(size);
        showLoaded(w);
        EXPECT_EQ(w.lblTitle[0]->text(), u"设备共计:364 价值:"_s + vb::Format(848975.35, u"Currency"_s));
        // Loaded, the splitter moved either way, the window resized, the totals changed.
        double wide = 1e6, narrow = 1500;
        for (const auto& step : std::initializer_list<std::function<void()>>{
                 [] {}, [&] { w.SizeControls(wide); }, [&] { w.SizeControls(narrow); }, [&] { w.resize(w.minimumSize()); },
                 [&] { w.resize(size); }, [&] { w.frmFilt_Apply(u"[价值]<2"_s), waitForList(w); }}) {
            step();
            QCoreApplication::processEvents();
            const QLabel* totals = w.lblTitle[0];
            EXPECT_GE(totals->width(), totals->fontMetrics().horizontalAdvance(totals->text())) << totals->text().toStdString();
            EXPECT_GE(totals->width(), totals->sizeHint().width());
        }
    }
}

TEST_F(MainWindowTest, EveryDeviceIsUnderExactlyOneNodeAndTheNodesAddUpToTheRoot)
{
    addTreeDevices();
    const QStringList classes = {u"PC"_s, u"pc"_s, u"运输设备\u3000"_s, u"运输设备\t"_s, u"运输设备\r\n"_s, u"运输设备"_s};
    for (int i = 0; i < classes.size(); ++i)
        testutil::devicerows::addDevice(7 + i, u"B%1"_s.arg(i), u"乙"_s, i + 1, 0, 0, 1, classes[i]);
    logInWithDeparts(QString());
    frmMain w;
    showLoaded(w);
    QTreeWidgetItem* root = w.tvwDevices->topLevelItem(0);
    qint64 sum = -w.deviceList->totalTenThousandths();
    QList<qint32> ids;
    for (int i = 0; i < root->childCount(); ++i) {
        click(w, root->child(i));
        ids += listed(w);
        sum += w.deviceList->totalTenThousandths();
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (QList<qint32>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));   // "PC" and "pc" one node
    EXPECT_EQ(sum, 0);
}

TEST_F(MainWindowTest, TheEditorAndTheFilterOpenOverTheMainWindowAndAClassNotInTheRuleIsToldOnce)
{
    addTreeDevices();   // classes the rule does not have
    logInWithDeparts(QString());
    folder->registerComponents();
    gCodes = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
    gCodes->Load(QVariant(DefaultCodeRule()), QString());
    {
        frmMain w;
        showLoaded(w);
        w.setGeometry(150, 100, 500, 400);
        w.selectRow(w.deviceList->findDevice(1));
        w.lvwDevices_DblClick();
        w.mnuToolFilt_Click();
        EXPECT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(ui::script::last().prompt, u"列表中无指定跟踪值。"_s);
        for (QWidget* opened : {static_cast<QWidget*>(w.frmDevice.data()), static_cast<QWidget*>(w.frmFilt.data())})
            EXPECT_LE((opened->frameGeometry().center() - w.frameGeometry().center()).manhattanLength(), 40);
    }
    gCodes = nullptr;
}

TEST_F(MainWindowTest, TreeNodesSelectTheirDevicesAndTheCaptionFollows)
{
    addTreeDevices();
    logInWithDeparts(QString());
    frmMain w;
    showLoaded(w);
    EXPECT_EQ(w.windowTitle(), plat::appTitle() + u" -> [所有设备]"_s);
    EXPECT_EQ(w.lblTitle[0]->text(), u"设备共计:6 价值:"_s + vb::Format(20.75, u"Currency"_s));

    // The example: department 3 "D", then class "T" below it.
    chooseScheme(w, 3);
    QTreeWidgetItem* dep = child(w.tvwDevices->topLevelItem(0), u"D"_s);
    click(w, dep);
    EXPECT_EQ(w.BuildNodeFilter(dep, false), u" WHERE ([Dep_ID]=3)"_s);
    EXPECT_EQ(listed(w), (QList<qint32>{2, 3, 4, 6}));
    EXPECT_EQ(childTexts(dep), (QStringList{QString(), u"T"_s}));   // one node per trimmed value
    QTreeWidgetItem* t = child(dep, u"T"_s);
    click(w, t);
    EXPECT_EQ(w.BuildNodeFilter(t, false), u" WHERE ([Dep_ID]=3) AND (Trim([设备大类])='T')"_s);
    EXPECT_EQ(w.BuildNodeFilter(t, true), u"[所有设备]-[D]-[T]"_s);
    EXPECT_EQ(listed(w), (QList<qint32>{2, 6}));
    EXPECT_EQ(w.windowTitle(), plat::appTitle() + u" -> [所有设备]-[D]-[T]"_s);
    EXPECT_EQ(w.lblTitle[0]->text(), u"设备共计:2 价值:"_s + vb::Format(5.0, u"Currency"_s));

    // Null and blank share the empty node; a quoted value selects its device.
    chooseScheme(w, 0);
    QTreeWidgetItem* root = w.tvwDevices->topLevelItem(0);
    click(w, child(root, QString()));
    EXPECT_EQ(listed(w), (QList<qint32>{3, 4}));
    click(w, child(root, u"O'Brien"_s));
    EXPECT_EQ(listed(w), (QList<qint32>{5}));
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // The user filter narrows the node's devices and marks the caption.
    w.frmFilt_Apply(u"[价值]>3 OR [价值]<1"_s);
    waitForList(w);
    EXPECT_EQ(listed(w), QList<qint32>());
    EXPECT_EQ(w.lblTitle[0]->text(), u"设备共计:0 价值:"_s + vb::Format(0.0, u"Currency"_s));
    EXPECT_TRUE(w.windowTitle().endsWith(u"[O'Brien]--[过滤状态]"_s));
    click(w, root);
    EXPECT_EQ(listed(w), (QList<qint32>{1, 6}));
    w.frmFilt_Apply(QString());
    waitForList(w);
    EXPECT_EQ(w.windowTitle(), plat::appTitle() + u" -> [所有设备]"_s);
    EXPECT_EQ(w.deviceList->rowCount(), 6);
}

TEST_F(MainWindowTest, DepartmentsAndBadFiltersKeepTheListSafe)
{
    addTreeDevices();
    struct Case {
        QString departs;
        QList<qint32> ids;
    } cases[] = {
        {QString(), {1, 2, 3, 4, 5, 6}},
        {u"1;3"_s, {1, 2, 3, 4, 6}},
        {u"2;x"_s, {5}},
        {u"x"_s, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.departs.toStdString());
        addSysInfo(300 + n, u"Users"_s, 3, u"d%1"_s.arg(n), HashPassword(u"pw"_s) + u"\r"_s + c.departs +
                                                             u"\r-1;-1;-1;-1;-1;-1;-1;-1;-1"_s);
        logIn(u"d%1"_s.arg(n++), u"pw"_s);
        frmMain w;
        w.Form_Load();
        waitForList(w);
        EXPECT_EQ(listed(w), c.ids);
        // A filter trying to step out of its parentheses fails; the rows stay.
        ui::script::clear();
        w.frmFilt_Apply(u"x) OR (1=1"_s);
        EXPECT_EQ(listed(w), c.ids);
        ASSERT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
        // One that is no condition fails the same way.
        w.frmFilt_Apply(u"[价值] >"_s);
        EXPECT_EQ(listed(w), c.ids);
        EXPECT_EQ(ui::script::shown().size(), 2);
        // A filter with a top-level OR is kept whole.
        w.frmFilt_Apply(u"[价值]>3 OR [价值]<2"_s);
        waitForList(w);
        QList<qint32> expected;
        for (qint32 id : c.ids)
            if (id == 1 || id == 2 || id == 6)
                expected << id;
        EXPECT_EQ(listed(w), expected);
    }
}

TEST_F(MainWindowTest, ARefusedFilterIsNotRememberedAndARememberedOneIsDroppedOnlyWhenRefused)
{
    addTreeDevices();
    logInWithDeparts(QString());
    cindral::Messenger messenger;
    gMessenger = &messenger;
    const auto filters = [] { return plat::GetSetting(plat::appTitle(), kSettings, u"Filters"_s); };
    for (const QString& bad : {u"x) OR (1=1"_s, u"[无此列]=1"_s, QString(1800, u'(') + u"1=1"_s + QString(1800, u')')}) {
        ui::script::clear();
        plat::SaveSetting(plat::appTitle(), kSettings, u"Filters"_s, bad);
        frmMain w;
        showLoaded(w);
        EXPECT_TRUE(ui::script::shown().isEmpty() && w.filterText().isEmpty() && filters().isEmpty());
        EXPECT_EQ(listed(w).size(), 6);
        EXPECT_EQ(w.sbPanels[0]->text(), u"保存的过滤条件无效，已取消过滤。"_s);
        // Through the filter window: a good filter is kept, a refused one changes nothing.
        w.mnuToolFilt->trigger();
        for (const QString& f : {u"[价值]>3"_s, bad}) {
            w.frmFilt->txtFilt->setPlainText(f);
            w.frmFilt->cmdApply->click();
            waitForList(w);
        }
        EXPECT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(filters() + w.filterText(), u"([价值]>3)([价值]>3)"_s);
        EXPECT_EQ(listed(w).size(), 2);
    }
    // A start whose list meets the file locked by another copy keeps the filter and shows
    // the error. That copy reads as this one opens, so the file keeps its rollback journal,
    // and takes the lock as the list begins.
    gDatabase.Close();
    sqlite3* other = nullptr;
    sqlite3_open(folder->file(u"Ostrel.mdb"_s).toUtf8().constData(), &other);
    const QByteArray key = schema::databasePassword().toUtf8();
    sqlite3_key(other, key.constData(), int(key.size()));
    ASSERT_EQ(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr), SQLITE_OK);
    const int wait = dao::DBEngine::busyTimeout();
    dao::DBEngine::setBusyTimeout(50);
    OpenMainDatabase();
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    QObject::connect(&messenger, &cindral::Messenger::NewMessage, [&](const QString& t) {
        if (t == u"下载设备列表.."_s)
            sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    });
    ui::script::clear();
    showLoaded(*std::make_unique<frmMain>());
    EXPECT_EQ(filters(), u"([价值]>3)"_s);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"数据库已被其他用户锁定，暂时不能读写，请稍后再试。"_s);
    sqlite3_close(other);
    dao::DBEngine::setBusyTimeout(wait);
    gMessenger = nullptr;
}

TEST_F(MainWindowTest, EditorEventsFindTheirNeighboursAndTheWrittenDevice)
{
    addDevices(250);
    logInWithDeparts(QString());
    frmMain w;
    qint32 mode = 0;
    w.ShowAddWin(mode, 0);   // opened first: it lets the event loop run, which would read on
    w.Form_Load();
    w.show();
    ASSERT_TRUE(w.frmDevice);
    // Loading the editor lets the user interface breathe, which may finish the read: read again.
    w.frmFilt_Apply(QString());
    qint32 id = 0;
    emit w.frmDevice->GetItem(1, id);
    EXPECT_EQ(id, 0);   // no selection
    ASSERT_TRUE(w.listLoading());

    // The last row read: the next one is past what was read, so the read finishes first.
    w.selectRow(DeviceListModel::kFirstRows - 1);
    emit w.frmDevice->GetItem(1, id);
    EXPECT_FALSE(w.listLoading());
    EXPECT_EQ(id, DeviceListModel::kFirstRows + 1);
    EXPECT_EQ(w.selectedRow(), DeviceListModel::kFirstRows);

    struct Case {
        int row;
        qint32 direction;
        qint32 id;
    } cases[] = {{0, -1, 0}, {0, 1, 2}, {249, 1, 0}, {249, -1, 249}};
    for (const Case& c : cases) {
        w.selectRow(c.row);
        qint32 got = 0;
        emit w.frmDevice->GetItem(c.direction, got);
        EXPECT_EQ(got, c.id) << c.row << " " << c.direction;
    }

    // A written device is selected once the list has been read again; one the list may
    // not show leaves no selection.
    addDevice(900, u"D00200a"_s, u"新"_s, 5, 0, 0, 1);
    emit w.frmDevice->InfoChg(0, 900);
    EXPECT_EQ(w.selectedDevId(), 900);
    EXPECT_EQ(w.deviceList->rowCount(), 251);
    w.frmFilt_Apply(u"[Dev_ID]<100"_s);
    emit w.frmDevice->InfoChg(1, 900);
    EXPECT_EQ(w.selectedRow(), -1);

    // A history record rebuilds the detail pane for the selected row.
    w.selectRow(4);
    emit w.frmDevice->InfoChg(1, 50);
    EXPECT_EQ(w.selectedDevId(), 50);
    w.frmDynamic_DynaChg(0, 0);
    EXPECT_EQ(w.tbsDeviceTag(), u"50\r1"_s);
}

TEST_F(MainWindowTest, ALoadAskedForDuringALoadStartsAfreshAndCloseEndsIt)
{
    addDevices(1500);
    addSysInfo(50, u"Departs"_s, 2, u"二部"_s);
    logInWithDeparts(QString());
    auto w = std::make_unique<frmMain>();
    w->Form_Load();
    w->show();
    ASSERT_TRUE(w->listLoading());
    EXPECT_EQ(w->deviceList->rowCount(), DeviceListModel::kFirstRows);

    // A filter arriving while rows are read.
    QCoreApplication::processEvents();
    w->frmFilt_Apply(u"[Dep_ID]=2"_s);
    waitForList(*w);
    EXPECT_EQ(w->deviceList->rowCount(), 500);
    EXPECT_EQ(w->lblTitle[0]->text(), u"设备共计:500 价值:"_s + vb::Format(625.0, u"Currency"_s));

    // A tree click and F5 while rows are read.
    w->frmFilt_Apply(QString());
    ASSERT_TRUE(w->listLoading());
    chooseScheme(*w, 3);
    QTreeWidgetItem* dep = child(w->tvwDevices->topLevelItem(0), u"二部"_s);
    w->tvwDevices->setCurrentItem(dep);
    w->tvwDevices_NodeClick(dep);
    ASSERT_TRUE(w->listLoading());
    w->tvwDevices->setCurrentItem(w->tvwDevices->topLevelItem(0));
    w->mnuViewRefresh->trigger();   // the root: the list reloads all the same
    waitForList(*w);
    EXPECT_EQ(w->deviceList->rowCount(), 1500);
    EXPECT_EQ(w->deviceList->totalTenThousandths(), 1500 * 12500);

    // The editor writing a device while rows are read.
    w->mnuViewRefresh->trigger();
    ASSERT_TRUE(w->listLoading());
    qint32 mode = 0;
    w->ShowAddWin(mode, 0);
    emit w->frmDevice->InfoChg(1, 1400);
    EXPECT_FALSE(w->listLoading());
    EXPECT_EQ(w->selectedDevId(), 1400);
    EXPECT_EQ(w->deviceList->rowCount(), 1500);

    // Closing during a load ends the read.
    w->mnuViewRefresh->trigger();
    ASSERT_TRUE(w->listLoading());
    w->close();
    EXPECT_FALSE(w->listLoading());
    QCoreApplication::processEvents();
    w.reset();
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(MainWindowTest, RefreshReloadsTheRootsList)
{
    addDevices(3);
    logInWithDeparts(QString());
    frmMain w;
    w.Form_Load();
    ASSERT_EQ(w.deviceList->rowCount(), 3);
    addDevices(2, 10);
    w.mnuViewRefresh->trigger();
    waitForList(w);
    EXPECT_EQ(w.deviceList->rowCount(), 5);
    EXPECT_EQ(w.lblTitle[0]->text(), u"设备共计:5 价值:"_s + vb::Format(6.25, u"Currency"_s));
}

TEST_F(MainWindowTest, ListColumnsShowAWholeDeviceNumberAndKeepTheUsersWidths)
{
    const QString number = u"01010220260001"_s;   // the default rule's 14 characters
    addDevice(1, number, u"数控铣床（进口）"_s, 123456789.5, 0, 0, 0);
    logInWithDeparts(QString());
    frmMain w;
    w.Form_Load();
    waitForList(w);
    QHeaderView* header = w.lvwDevices->header();
    const QFontMetrics fm(w.lvwDevices->font());
    EXPECT_GT(header->sectionSize(DeviceListModel::ColNo), fm.horizontalAdvance(number));
    EXPECT_GT(header->sectionSize(DeviceListModel::ColName), fm.horizontalAdvance(u"数控铣床（进口）"_s));
    EXPECT_GT(header->sectionSize(DeviceListModel::ColValue), fm.horizontalAdvance(u"123456789.5 "_s));
    // A width the user chose survives loading the list again.
    header->resizeSection(DeviceListModel::ColName, 333);
    w.mnuViewRefresh->trigger();
    waitForList(w);
    EXPECT_EQ(header->sectionSize(DeviceListModel::ColName), 333);
}

} // namespace

namespace {

TEST_F(MainWindowTest, ViewTogglesToolbarButtonsAndHelp)
{
    logInWithDeparts(QString());
    frmMain w;
    w.Form_Load();
    w.show();
    w.mnuViewStatusBar->trigger();
    EXPECT_FALSE(w.mnuViewStatusBar->isChecked());
    EXPECT_FALSE(w.statusBar()->isVisible());
    w.mnuViewStatusBar->trigger();
    EXPECT_TRUE(w.statusBar()->isVisible());

    // The four view buttons set the mode; the others say what is still to be written.
    struct Case {
        QString key;
        int mode;
    } cases[] = {{u"大图标"_s, 0}, {u"列表"_s, 2}, {u"详细资料"_s, 3}};
    for (const Case& c : cases) {
        w.tbToolBar->findChild<QAction*>(c.key)->trigger();
        EXPECT_EQ(w.viewMode(), c.mode);
    }
    EXPECT_TRUE(ui::script::shown().isEmpty());
    w.tbToolBar->findChild<QAction*>(u"粘贴"_s)->trigger();
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"添加 '粘贴' 按钮代码。"_s);
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));

    w.mnuHelpContents->trigger();
    EXPECT_EQ(ui::script::last().prompt, u"无法显示帮助目录，该工程没有相关联的帮助。"_s);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbInformation));
    EXPECT_EQ(ui::script::last().title, w.windowTitle());
}

} // namespace

namespace {

TEST_F(MainWindowTest, ALongLoadPostsItsStatusAndProgress)
{
    addDevices(1500);
    logInWithDeparts(QString());
    cindral::Hub hub;
    cindral::Messenger messenger;
    hub.AttachMessenger(&messenger);
    gMsgHub = &hub;
    gMessenger = &messenger;
    QStringList posted;
    QList<int> progress;
    QObject::connect(&messenger, &cindral::Messenger::NewMessage, [&](const QString& t) { posted << t; });
    QObject::connect(&hub, &cindral::Hub::progressChanged, [&] { progress << (hub.progressShown() ? hub.progress() : -1); });
    {
        frmMain w;
        w.Form_Load();
        EXPECT_TRUE(hub.progressShown());
        waitForList(w);
        EXPECT_FALSE(hub.progressShown());
        EXPECT_EQ(w.sbPanels[0]->text(), QString());
    }
    gMsgHub = nullptr;
    gMessenger = nullptr;

    const QRegularExpression step(u"^下载设备记录:(\\d+)/1500$"_s);
    QList<int> counts;
    for (const QString& t : posted)
        if (const auto m = step.match(t); m.hasMatch())
            counts << m.captured(1).toInt();
    ASSERT_FALSE(counts.isEmpty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.last(), 1500);
    EXPECT_EQ(posted.last(), QString());
    EXPECT_TRUE(posted.contains(u"下载设备列表.."_s));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), -1);                 // switched off at the end
    EXPECT_TRUE(progress.contains(100));
}

} // namespace
