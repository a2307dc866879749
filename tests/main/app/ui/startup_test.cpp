// Start-up and shutdown through the real log-in and code-rule libraries, the log-in
// dialog answered through its controls.
#include "main/core/defaultrule.h"
#include "main/core/ui/frmsplash.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/app/ui/startup.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/twips.h"
#include "shared/com/create.h"
#include "shared/res/strings.h"
#include "tests/common/testutil.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

// Answers the log-in dialog once it runs modally: with a name and password, or Cancel.
class LogInDriver : public QObject {
public:
    // Without a name the dialog is cancelled.
    explicit LogInDriver(const QString& name = QString(), const QString& password = QString())
        : m_name(name), m_password(password)
    {
        connect(&m_timer, &QTimer::timeout, this, &LogInDriver::tick);
        m_timer.start(20);
    }

    bool seen = false;
    QStringList posted;                       // status texts seen from the moment of the dialog
    std::function<void(QWidget* dialog)> onShown;

private:
    void tick()
    {
        QWidget* dlg = QApplication::activeModalWidget();
        if (m_busy || !dlg || dlg->objectName() != QLatin1String("frmLogin") || !dlg->isVisible())
            return;
        m_busy = true;
        if (!seen) {
            seen = true;
            if (gMessenger)
                connect(gMessenger, &cindral::Messenger::NewMessage, this, [this](const QString& t) { posted << t; });
            if (onShown)
                onShown(dlg);
        }
        auto name = dlg->findChild<QLineEdit*>(u"txtLogName"_s);
        auto password = dlg->findChild<QLineEdit*>(u"txtPassword"_s);
        if (!m_name.isEmpty() && !m_tried && name && password) {
            m_tried = true;
            name->setText(m_name);
            password->setText(m_password);
            dlg->findChild<QPushButton*>(u"cmdOK"_s)->click();
        } else if (dlg->isVisible()) {
            dlg->findChild<QPushButton*>(u"cmdCancel"_s)->click();
        }
        m_busy = false;
    }

    QString m_name, m_password;
    QTimer m_timer;
    bool m_busy = false;
    bool m_tried = false;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::make_unique<testutil::ProgramFolder>();
        folder->registerComponents();
        previousTitle = plat::appTitle();
        plat::setAppTitle(kAppTitle);
        CreateNewDatabase(folder->path(), u"admin"_s, u"secret-1"_s);
    }
    void TearDown() override
    {
        ReleaseGlobals();
        folder.reset();
        gAppName.clear();
        plat::setAppName(QString());
        plat::setAppTitle(previousTitle);
    }
    static dao::Database openFile(const QString& path)
    {
        return dao::DBEngine::OpenDatabase(path, false, false, u";PWD=TORVAMS"_s);
    }
    static StartResult start(LogInDriver& driver)
    {
        ui::script::clear();
        const StartResult r = Main();
        driver.disconnect();
        return r;
    }

    std::unique_ptr<testutil::ProgramFolder> folder;
    QString previousTitle;
};

TEST_F(StartupTest, CancelledLogInEndsBeforeTheCodeRule)
{
    LogInDriver driver;
    EXPECT_EQ(start(driver), eStartLogInRefused);
    EXPECT_TRUE(driver.seen);
    EXPECT_FALSE(gCodes);
    EXPECT_TRUE(gFrmMain.isNull());
    EXPECT_TRUE(driver.posted.isEmpty());
    EXPECT_TRUE(ui::script::shown().isEmpty());     // no message of its own
    EXPECT_EQ(gAppName, kAppTitle + u"1.0"_s);
    // Qt's own texts in the user's language from the start.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              res::userLanguage() == 1033 ? u"Cancel"_s : u"取消"_s);
}

TEST_F(StartupTest, PassedLogInShowsTheMainWindow)
{
    LogInDriver driver(u"admin"_s, u"secret-1"_s);
    QString grabbed;
    driver.onShown = [&](QWidget* dialog) {
        // The splash with the log-in dialog over it, for people to look at.
        ASSERT_FALSE(gFrmSplash.isNull());
        EXPECT_TRUE(gFrmSplash->isVisible());
        const QRect splash = gFrmSplash->frameGeometry(), dlg = dialog->frameGeometry();
        const QRect all = splash.united(dlg);
        QImage image(all.size(), QImage::Format_RGB32);
        image.fill(QColor(0x6b, 0x7b, 0x8c));
        QPainter p(&image);
        p.drawPixmap(splash.topLeft() - all.topLeft(), gFrmSplash->grab());
        p.drawPixmap(dialog->geometry().topLeft() - all.topLeft(), dialog->grab());
        p.end();
        grabbed = QDir(testutil::binDir() + u"/.."_s).absoluteFilePath(u"splash-login.png"_s);
        EXPECT_TRUE(image.save(grabbed));
        // The dialog settles at four fifths of the splash.
        const QPoint target(splash.x() + splash.width() * 4 / 5, splash.y() + splash.height() * 4 / 5);
        EXPECT_LE((dlg.center() - target).manhattanLength(), 4);
    };
    ASSERT_EQ(start(driver), eStartRunning);
    EXPECT_TRUE(QFile::exists(grabbed));            // named only once the dialog was seen

    ASSERT_TRUE(gUsrInfos);
    EXPECT_EQ(gUsrInfos->UsrName(), u"admin"_s);
    ASSERT_TRUE(gCodes);
    EXPECT_EQ(gCodes->Definition(), DefaultCodeRule()); // the new database's rule
    EXPECT_TRUE(gFrmSplash.isNull());
    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_TRUE(gFrmMain->isVisible());
    EXPECT_TRUE(gFrmMain->isMaximized());           // no stored placement: the default
    EXPECT_EQ(gFrmMain->sbPanels[1]->text(), u"操作员：admin"_s);

    // The rule, then the main window's scheme, tree and list, each clearing its text.
    EXPECT_EQ(driver.posted, (QStringList{u"下载设备管理规则.."_s, u"下载分类规则.."_s, QString(), u"应用新的分类规则.."_s,
                                          u"下载子节点.."_s, u"下载设备列表.."_s, QString(), QString(), QString(),
                                          QString()}));
    EXPECT_EQ(gFrmMain->sbPanels[0]->text(), QString());
    gMessenger->PostStatus(u"就绪"_s);
    EXPECT_EQ(gFrmMain->sbPanels[0]->text(), u"就绪"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(StartupTest, StoredRuleAndPlacementAreRestoredAndClosingSavesAndCleansUp)
{
    auto rule = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
    rule->Add(u"前缀"_s, tessaly::bsFixed, tessaly::smNoneSwap, u"SB"_s);
    dao::Database db = openFile(folder->file(u"Ostrel.mdb"_s));
    db.Execute(u"UPDATE [SysInfo] SET [Memo]="_s + SqlText(rule->Definition()) + u" WHERE [Type]='CodeRule';"_s);
    db.Close();
    const auto placement = [] { return plat::GetSetting(ComposeAppName(), u"Settings"_s, u"FormMain"_s); };
    plat::SaveSetting(ComposeAppName(), u"Settings"_s, u"FormMain"_s, u"1500;1200;9000;6000;Normal"_s);
    LogInDriver driver(u"admin"_s, u"secret-1"_s);
    ASSERT_EQ(start(driver), eStartRunning);

    ASSERT_TRUE(gCodes);
    EXPECT_EQ(gCodes->Count(), 1);
    EXPECT_EQ(gCodes->Band(1)->Name(), u"前缀"_s);
    EXPECT_EQ(gCodes->Definition(), rule->Definition());
    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_FALSE(gFrmMain->isMaximized());
    EXPECT_EQ(gFrmMain->geometry(), QRect(ui::twipsToPixelsX(1500), ui::twipsToPixelsY(1200),
                                          ui::twipsToPixelsX(9000), ui::twipsToPixelsY(6000)));

    QDir(folder->path()).mkdir(u"Temp"_s);
    for (const QString& name : {u"a.doc"_s, u"图纸.pdf"_s}) {
        QFile f(folder->file(u"Temp/"_s + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QWidget other;
    other.setWindowTitle(u"另一窗口"_s);
    other.show();
    gFrmMain->setGeometry(ui::twipsToPixelsX(2010), ui::twipsToPixelsY(1500), ui::twipsToPixelsX(8400),
                          ui::twipsToPixelsY(5400));
    // Through the menu, as the user closes it: the window must outlive its menu's click.
    gFrmMain->mnuFile->popup(gFrmMain->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(gFrmMain->mnuFile));
    QTest::mouseClick(gFrmMain->mnuFile, Qt::LeftButton, {},
                      gFrmMain->mnuFile->actionGeometry(gFrmMain->mnuFileClose).center());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_FALSE(gFrmMain->isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_FALSE(gCodes);
    EXPECT_FALSE(QDir(folder->file(u"Temp"_s)).exists());
    EXPECT_EQ(placement(), u"2010;1500;8400;5400;Normal"_s);
}

TEST_F(StartupTest, StoredRuleThatCannotBeReadStartsWithAnEmptyRuleAndSaysSo)
{
    const QString damaged = u"#####2\r0\rnot a key\r16\r0=A\r1=3\r2=0\r5=200000000\r17"_s;
    dao::Database db = openFile(folder->file(u"Ostrel.mdb"_s));
    db.Execute(u"UPDATE [SysInfo] SET [Memo]="_s + SqlText(damaged) + u" WHERE [Type]='CodeRule';"_s);
    db.Close();
    // The name typed in other letters: the panel shows it as stored.
    LogInDriver driver(u"ADMIN"_s, u"secret-1"_s);
    ASSERT_EQ(start(driver), eStartRunning);

    ASSERT_TRUE(gCodes);
    EXPECT_EQ(gCodes->Count(), 0);
    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_TRUE(gFrmMain->isVisible());
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // The main window's own status texts come between; the rule's message is the last word.
    ASSERT_FALSE(driver.posted.isEmpty());
    EXPECT_EQ(driver.posted.first(), u"下载设备管理规则.."_s);
    EXPECT_EQ(driver.posted.last(), kRuleUnreadable);
    EXPECT_EQ(gFrmMain->sbPanels[0]->text(), kRuleUnreadable);
    EXPECT_EQ(gFrmMain->sbPanels[1]->text(), u"操作员：admin"_s);
    // The stored text is left for the designer to replace.
    ReleaseGlobals();
    dao::Database check = openFile(folder->file(u"Ostrel.mdb"_s));
    dao::Recordset rs = check.OpenRecordset(u"SELECT [Memo] FROM [SysInfo] WHERE [Type]='CodeRule';"_s);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields(0).Value().toString(), damaged);
    rs.Close();
    check.Close();
}

TEST_F(StartupTest, DatabaseThatCannotBeOpenedEndsTheProgram)
{
    const std::pair<const char*, std::function<void(const QString& path)>> cases[] = {
        {"missing", [](const QString&) {}},
        {"wrong key",
         [](const QString& path) {
             dao::DBEngine::CreateDatabase(path, QString::fromLatin1(dao::dbLangChineseSimplified) + u";pwd=WRONGKEY"_s)
                 .Close();
         }},
        {"no database",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(1024, 'x'));
         }},
    };
    const QString path = folder->file(u"Ostrel.mdb"_s);
    for (const auto& [what, make] : cases) {
        SCOPED_TRACE(what);
        QFile::remove(path);
        make(path);
        QString expected;
        try {
            openFile(path).Close();
        } catch (const vb::Error& e) {
            expected = e.description();
        }
        ASSERT_FALSE(expected.isEmpty());

        LogInDriver driver(u"admin"_s, u"secret-1"_s);
        EXPECT_EQ(start(driver), eStartFailed);
        EXPECT_FALSE(driver.seen);
        EXPECT_FALSE(gUserInfo);
        EXPECT_TRUE(gFrmMain.isNull());
        ASSERT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(ui::script::last().prompt, expected);
        EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
        EXPECT_EQ(ui::script::last().title, kAppTitle);
        ReleaseGlobals();
    }
}

} // namespace
