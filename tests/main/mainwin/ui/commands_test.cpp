// The main window's device, history and tool commands over real database files:
// confirmations, refusals, privileges and what each leaves behind.
#include "main/core/ui/cpicinfo.h"
#include "main/core/globals.h"
#include "main/devices/ui/frmdevices.h"
#include "main/mainwin/devicelist.h"
#include "main/reports/ui/frmfilter.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/vberror.h"
#include "platform/ui/beep.h"
#include "platform/ui/modal.h"
#include "tests/main/mainwin/ui/detailfixture.h"
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QWindow>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kDataTables = {u"Checks"_s, u"Dev_Docs"_s, u"Dev_Info"_s, u"Discard"_s, u"Maintain"_s, u"Transfer"_s};

class CommandsTest : public testutil::DetailDatabaseTest {
protected:
    void TearDown() override
    {
        ui::setModalHook(nullptr);
        DetailDatabaseTest::TearDown();
    }
    // One row in each of the six data tables for devices 1 and 2.
    void addHistories()
    {
        for (qint32 dev : {1, 2}) {
            for (const QString& t : {u"Transfer"_s, u"Maintain"_s, u"Checks"_s, u"Discard"_s})
                addRow(t, {{u"ID"_s, dev}, {u"Dev_ID"_s, dev}, {u"日期"_s, at(u"2024-01-01 00:00"_s)}});
            addRow(u"Dev_Docs"_s, {{u"ID"_s, dev}, {u"Dev_ID"_s, dev}, {u"Name"_s, u"a.txt"_s}});
        }
    }
    static QString lastRow(const QString& table)
    {
        return u"SELECT TOP 1 * FROM [%1] ORDER BY [%2] DESC;"_s.arg(table, table == u"Dev_Info"_s ? u"Dev_ID"_s : u"ID"_s);
    }
    // Another copy deletes the last row of `table` and adds one like it, but for `column`, under
    // the key it takes (the first column); returns the new row.
    QStringList replaceLast(const QString& table, const QString& column)
    {
        asOtherCopy([&] {
            dao::Recordset rs = gDatabase.OpenRecordset(lastRow(table), dao::dbOpenSnapshot);
            QList<QPair<QString, QVariant>> fields;
            for (int i = 1; i < rs.Fields().Count(); ++i)
                fields << qMakePair(rs(i).Name(), rs(i).Name() == column ? QVariant(u"新的"_s) : rs(i).Value());
            const QString key = rs(0).Name();
            gDatabase.Execute(u"DELETE * FROM [%1] WHERE [%2]=%3;"_s.arg(table, key, rs(0).Value().toString()));
            rs.Close();
            fields.prepend({key, GetNewID(table, key)});
            addRow(table, fields);
        });
        return rows(lastRow(table));
    }
    QList<int> tableCounts()
    {
        QList<int> n;
        for (const QString& t : kDataTables)
            n << count(u"SELECT * FROM ["_s + t + u"];"_s);
        return n;
    }
};

TEST_F(CommandsTest, AddOpensTheDeviceEditorOrTheHistoryEditorByTab)
{
    addTreeDevices();
    logInWithDeparts(QString());
    QStringList modal;
    QWidget* modalParent = reinterpret_cast<QWidget*>(1);
    ui::setModalHook([&](QDialog* d) {
        modal << d->objectName();
        modalParent = d->parentWidget();
    });
    auto w = openWindow();

    // The summary: an empty editor for a new device, whatever is selected.
    show(*w, 2, u"Summary"_s);
    w->cmdAdd->click();
    ASSERT_TRUE(w->frmDevice);
    EXPECT_EQ(w->frmDevice->currentDevice(), 0);
    EXPECT_TRUE(w->frmDevice->isVisible());
    EXPECT_EQ(w->frmDevice->parentWidget(), w.get());
    // An editor already open keeps the device it shows.
    w->lvwDevices_DblClick();
    EXPECT_EQ(w->frmDevice->currentDevice(), 2);
    w->mnuToolAdd->trigger();
    EXPECT_EQ(w->frmDevice->currentDevice(), 2);

    // A history tab: the history editor, modal and owned, gone afterwards.
    show(*w, 2, u"Discard"_s);
    w->cmdAdd->click();
    EXPECT_EQ(modal, QStringList{u"frmDynamics"_s});
    EXPECT_EQ(modalParent, w.get());
    EXPECT_FALSE(w->frmDynamic);
    // No device: refused by the editor, which is not shown.
    show(*w, 0, u"Discard"_s);
    ui::script::clear();
    w->cmdAdd->click();
    EXPECT_EQ(modal.size(), 1);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"错误的设备ID号。"_s);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
    EXPECT_FALSE(w->frmDynamic);
    // The picture tab adds nothing.
    show(*w, 2, u"Picture"_s);
    ui::script::clear();
    w->cmdAdd_Click();
    EXPECT_EQ(modal.size(), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(CommandsTest, TheWindowsItOpensStayAboveTheMainWindow)
{
    addTreeDevices();
    logInWithDeparts(QString());
    auto w = openWindow();
    w->show();
    QStringList opened;
    const auto owned = [&](QWidget* d) {
        opened << d->windowTitle();
        d->show();
        QApplication::setActiveWindow(w.get());   // the user clicks the main list
        // a dialog-type window the main window owns stays above it
        EXPECT_TRUE(d->parentWidget() == w.get() && d->windowType() == Qt::Dialog && d->isVisible()) << opened.size();
        EXPECT_EQ(d->windowHandle()->transientParent(), w->windowHandle());
    };
    ui::setModalHook([&](QDialog* d) { owned(d), d->hide(); });
    w->mnuToolAdd->trigger(), owned(w->frmDevice);
    w->mnuToolFilt->trigger(), owned(w->frmFilt);
    show(*w, 1, u"Trans"_s), w->cmdAdd->click();
    show(*w, 1, u"Picture"_s), w->imgDevice_Click();
    w->mnuQuery->trigger();
    EXPECT_EQ(opened, (QStringList{u"设备信息"_s, u"过滤条件"_s, u"设备动态信息"_s, u"设备图片"_s, u"查询.."_s}));
    // Escape closes the filter window as its close button does.
    QTest::keyClick(w->frmFilt->txtFilt, Qt::Key_Escape);
    EXPECT_FALSE(w->frmFilt->isVisible());
}

TEST_F(CommandsTest, DeletingHistoryRecordsAsksAndBeepsWithoutASelection)
{
    addTreeDevices();
    addHistories();
    logInWithDeparts(QString());
    auto w = openWindow();
    show(*w, 1, u"Maintain"_s);
    ASSERT_EQ(w->lstDetail->topLevelItemCount(), 1);

    const int beeps = ui::script::beeps();
    w->cmdDelete->click();
    EXPECT_EQ(ui::script::beeps(), beeps + 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    w->lstDetail->setCurrentItem(w->lstDetail->topLevelItem(0));
    ui::script::answer(ui::vbNo);
    w->cmdDelete->click();
    EXPECT_EQ(w->lstDetail->topLevelItemCount(), 1);
    EXPECT_EQ(count(u"SELECT * FROM [Maintain];"_s), 2);

    ui::script::answer(ui::vbYes);
    w->cmdDelete->click();
    EXPECT_EQ(w->lstDetail->topLevelItemCount(), 0);
    EXPECT_EQ(count(u"SELECT * FROM [Maintain] WHERE [Dev_ID]=1;"_s), 0);
    EXPECT_EQ(count(u"SELECT * FROM [Maintain] WHERE [Dev_ID]=2;"_s), 1);
    EXPECT_EQ(ui::script::shown().size(), 2);
}

TEST_F(CommandsTest, DeletingADeviceRebuildsThePane)
{
    addTreeDevices();
    addHistories();
    logInWithDeparts(QString());
    auto w = openWindow();
    ASSERT_EQ(w->deviceList->rowCount(), 6);

    // No device on the summary: a beep.
    show(*w, 0, u"Summary"_s);
    const int beeps = ui::script::beeps();
    w->cmdDelete->click();
    EXPECT_EQ(ui::script::beeps(), beeps + 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // Declined: nothing changes.
    show(*w, 1, u"Summary"_s);
    ui::script::answer(ui::vbNo);
    w->cmdDelete->click();
    EXPECT_EQ(ui::script::last().prompt, u"确实要删除设备编码为[A1]的设备信息吗？"_s);
    EXPECT_EQ(w->deviceList->rowCount(), 6);
    EXPECT_EQ(tableCounts(), (QList<int>{2, 2, 6, 2, 2, 2}));

    // Confirmed: the device's rows go, its list row goes, the pane shows no deleted device.
    ui::script::answer(ui::vbYes);
    w->cmdDelete->click();
    EXPECT_EQ(tableCounts(), (QList<int>{1, 1, 5, 1, 1, 1}));
    EXPECT_EQ(w->deviceList->rowCount(), 5);
    EXPECT_EQ(w->deviceList->findDevice(1), -1);
    // The totals above the list count what is left (A1 was worth 10.5 of 20.75).
    EXPECT_EQ(w->lblTitle[0]->text(), u"设备共计:5 价值:"_s + FormatCurrency(102500));
    EXPECT_FALSE(w->txtDeviceTag().startsWith(u"1\t"_s));
    EXPECT_FALSE(w->txtDevice->toPlainText().contains(u"A1"_s));

    // The menu command: nothing without a selection, the selected device with one.
    w->lvwDevices->clearSelection();
    ui::script::clear();
    w->mnuToolDelDev->trigger();
    EXPECT_TRUE(ui::script::shown().isEmpty());
    w->selectRow(w->deviceList->findDevice(2));
    ui::script::answer(ui::vbYes);
    w->mnuToolDelDev->trigger();
    EXPECT_EQ(w->deviceList->findDevice(2), -1);
    EXPECT_EQ(tableCounts(), (QList<int>{0, 0, 4, 0, 0, 0}));
    EXPECT_FALSE(w->txtDeviceTag().startsWith(u"2\t"_s));
}

// A's window shows the last row of a table; another copy deletes it and adds a new one to the
// same table: A's command on the row it shows says so and leaves the new row, and the list
// drops the row.
TEST_F(CommandsTest, ACommandOnARowAnotherCopyReplacedIsRefused)
{
    addTreeDevices();
    addHistories();
    logInWithDeparts(QString());
    gDatabase.Close();
    OpenMainDatabase();   // which marks the keys of the rows written here as given
    ui::setModalHook([](QDialog* d) { d->hide(); });
    const auto deleteIt = [](frmMain& w) { ui::script::answer(ui::vbYes), w.cmdDelete->click(); };
    const struct {
        const char16_t *tab, *table, *column, *message;
        std::function<void(frmMain&)> command;
    } cases[] = {
        {u"Summary", u"Dev_Info", u"设备编号", u"指定设备不存在！",
         [](frmMain& w) { ui::script::answer(ui::vbYes), w.mnuToolDelDev->trigger(); }},
        {u"Trans", u"Dev_Info", u"设备编号", u"指定设备不存在！", [](frmMain& w) { w.cmdAdd->click(); }},
        {u"Maintain", u"Maintain", u"备注", u"指定记录已不存在！可能已被其他用户删除。", deleteIt},
        {u"Docs", u"Dev_Docs", u"Name", u"指定资料已不存在！", [](frmMain& w) { w.lstDetail_DblClick(); }},
        {u"Docs", u"Dev_Docs", u"Name", u"指定资料已不存在！", deleteIt},
    };
    for (const auto& c : cases) {
        const QString table = QString::fromUtf16(c.table);
        SCOPED_TRACE(table.toStdString() + " on " + QString::fromUtf16(c.tab).toStdString());
        const bool device = table == u"Dev_Info"_s;
        const qint32 devId = rows(lastRow(table)).first().split(u'|')[device ? 0 : 1].toInt();
        auto w = openWindow();
        show(*w, devId, QString::fromUtf16(c.tab));
        w->lstDetail->setCurrentItem(w->lstDetail->topLevelItem(0));
        const QStringList added = replaceLast(table, QString::fromUtf16(c.column));
        c.command(*w);
        EXPECT_EQ(ui::script::last().prompt, QString::fromUtf16(c.message));
        EXPECT_EQ(rows(lastRow(table)), added);
        EXPECT_TRUE(device ? w->deviceList->findDevice(devId) < 0 : w->lstDetail->topLevelItemCount() == 0);
    }
}

TEST_F(CommandsTest, ButtonsFollowThePrivilegesOfEachTab)
{
    addTreeDevices();
    // Flags: add, trans, maintain, check, discard, docs, delete, backup, clear.
    struct Case {
        QString flags;
        QString key;
        bool add, del;
    } cases[] = {
        {u"-1;0;0;0;0;0;0;0;0"_s, u"Summary"_s, true, false},   // may add, may not delete
        {u"0;0;0;0;0;0;-1;0;0"_s, u"Summary"_s, false, true},
        {u"-1;-1;-1;-1;-1;-1;-1;0;0"_s, u"Picture"_s, false, false},
        {u"0;-1;0;0;0;0;0;0;0"_s, u"Trans"_s, true, true},
        {u"-1;0;-1;-1;-1;-1;-1;0;0"_s, u"Trans"_s, false, false},
        {u"0;0;-1;0;0;0;0;0;0"_s, u"Maintain"_s, true, true},
        {u"0;0;0;-1;0;0;0;0;0"_s, u"Checks"_s, true, true},
        {u"0;0;0;0;-1;0;0;0;0"_s, u"Discard"_s, true, true},
        {u"0;0;0;0;0;-1;0;0;0"_s, u"Docs"_s, true, true},
        {u"-1;-1;-1;-1;-1;0;-1;0;0"_s, u"Docs"_s, false, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        addSysInfo(400 + n, u"Users"_s, 2, u"p%1"_s.arg(n), HashPassword(u"pw"_s) + u"\r\r"_s + c.flags);
        logIn(u"p%1"_s.arg(n++), u"pw"_s);
        auto w = openWindow();
        show(*w, 1, c.key);
        EXPECT_EQ(w->cmdAdd->isEnabled(), c.add);
        EXPECT_EQ(w->cmdDelete->isEnabled(), c.del);
    }
}

TEST_F(CommandsTest, ClearingAsksAndEmptiesAllSixTablesOrNone)
{
    addTreeDevices();
    addHistories();
    logInWithDeparts(QString());
    const int sysInfo = count(u"SELECT * FROM [SysInfo];"_s);
    const QList<int> full = {2, 2, 6, 2, 2, 2};
    auto w = openWindow();
    show(*w, 1, u"Picture"_s);
    ASSERT_EQ(gPicInfo().ID(), 1);

    // No.
    ui::script::answer(ui::vbNo);
    w->mnuToolClear->trigger();
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"确实要清空数据库吗？清空后全部数据将丢失！！"_s);
    EXPECT_EQ(ui::script::last().style, int(ui::vbYesNo | ui::vbExclamation));
    EXPECT_EQ(ui::script::last().title, plat::appTitle());
    EXPECT_EQ(tableCounts(), full);

    // Yes: all six empty, the base data kept, the list reloaded at the root, the cache empty.
    cindral::Hub hub;
    cindral::Messenger messenger;
    hub.AttachMessenger(&messenger);
    gMessenger = &messenger;
    QStringList posted;
    QObject::connect(&messenger, &cindral::Messenger::NewMessage, [&](const QString& t) { posted << t; });
    ui::script::answer(ui::vbYes);
    w->mnuToolClear->trigger();
    gMessenger = nullptr;
    EXPECT_EQ(tableCounts(), (QList<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(count(u"SELECT * FROM [SysInfo];"_s), sysInfo);
    while (w->listLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(w->deviceList->rowCount(), 0);
    EXPECT_EQ(gPicInfo().ID(), 0);
    EXPECT_EQ(w->tbsDeviceTag(), u"0\r2"_s);
    for (const QString& t : kDataTables)
        EXPECT_TRUE(posted.contains(u"清理数据表:"_s + t)) << t.toStdString();
    EXPECT_EQ(posted.last(), QString());

    // A user without the flag clears nothing.
    addDevices(6);
    addHistories();
    addSysInfo(500, u"Users"_s, 3, u"nc"_s, HashPassword(u"pw"_s) + u"\r\r-1;-1;-1;-1;-1;-1;-1;-1;0"_s);
    logIn(u"nc"_s, u"pw"_s);
    ui::script::clear();
    w->mnuToolClear_Click();
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(tableCounts(), full);

    // A table that fails: the others come back as they were.
    logIn(u"zhou"_s, u"zhou-pw"_s);
    w->mnuViewRefresh->trigger();
    while (w->listLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    gDatabase.Execute(u"DROP TABLE [Maintain];"_s);
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    w->mnuToolClear->trigger();
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
    for (const QString& t : {u"Checks"_s, u"Dev_Docs"_s, u"Dev_Info"_s, u"Discard"_s, u"Transfer"_s})
        EXPECT_EQ(count(u"SELECT * FROM ["_s + t + u"];"_s), t == u"Dev_Info"_s ? 6 : 2) << t.toStdString();
    EXPECT_EQ(w->deviceList->rowCount(), 6);
}

TEST_F(CommandsTest, ClearingAndDeletingDuringALoad)
{
    addDevices(300);
    logInWithDeparts(QString());
    auto w = openWindow();
    w->mnuViewRefresh->trigger();
    ASSERT_TRUE(w->listLoading());
    w->selectRow(2);
    ui::script::answer(ui::vbYes);
    w->mnuToolDelDev->trigger();
    EXPECT_EQ(w->deviceList->findDevice(3), -1);
    EXPECT_EQ(count(u"SELECT * FROM [Dev_Info];"_s), 299);

    w->mnuViewRefresh->trigger();
    ASSERT_TRUE(w->listLoading());
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    w->mnuToolClear->trigger();
    while (w->listLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(count(u"SELECT * FROM [Dev_Info];"_s), 0);
    EXPECT_EQ(w->deviceList->rowCount(), 0);
}

TEST_F(CommandsTest, ToolWindowsAndInfo)
{
    logInWithDeparts(QString());
    QStringList modal;
    QList<QWidget*> parents;
    ui::setModalHook([&](QDialog* d) {
        modal << d->objectName();
        parents << d->parentWidget();
    });
    auto w = openWindow();
    w->mnuQuery->trigger();
    EXPECT_EQ(modal, QStringList{u"frmQuery"_s});
    EXPECT_EQ(parents, QList<QWidget*>{w.get()});

    // The filter window is made once and shown again.
    w->mnuToolFilt->trigger();
    QPointer<frmFilter> first = w->frmFilt;
    w->frmFilt->hide();
    w->mnuToolFilt->trigger();
    EXPECT_EQ(w->frmFilt, first);
    EXPECT_TRUE(w->frmFilt->isVisible());

    // "Info": the file's error, a file without pairs, a file with them.
    struct Case {
        QByteArray contents;   // empty: no file
        QString shown;
    } cases[] = {
        {QByteArray(), vb::Error::runtimeText(vb::errFileNotFound)},
        {QByteArray("\n"), u"对不起,必要的参数丢失!"_s},
        {QByteArray("' comment\n\n'another\n"), u"对不起,必要的参数丢失!"_s},
        {QByteArray("单位: 某厂\n'x\n地址\n"), QString()},
    };
    for (const Case& c : cases) {
        QFile::remove(folder->file(u"Agency.txt"_s));
        if (!c.contents.isEmpty()) {
            QFile f(folder->file(u"Agency.txt"_s));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.contents);
        }
        ui::script::clear();
        w->mnuGetInfo_Click();
        if (c.shown.isEmpty()) {
            EXPECT_TRUE(ui::script::shown().isEmpty());
        } else {
            ASSERT_EQ(ui::script::shown().size(), 1) << c.contents.toStdString();
            EXPECT_EQ(ui::script::last().prompt, c.shown);
            EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
        }
    }
    // Written and closed: the file can be replaced at once.
    EXPECT_TRUE(QFile::remove(folder->file(u"Agency.txt"_s)));
}

} // namespace
