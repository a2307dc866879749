// Start-up and shutdown through the real log-in and code-rule libraries, the log-in
// dialog answered through its controls.
#include "main/core/frmsplash.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/startup.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/frmmain.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/twips.h"
#include "shared/com/create.h"
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

namespace {

// Answers the log-in dialog once it runs modally: with a name and password, or Cancel.
class LogInDriver : public QObject {
public:
    explicit LogInDriver(std::optional<std::pair<QString, QString>> answer) : m_answer(std::move(answer))
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
        auto name = dlg->findChild<QLineEdit*>(QStringLiteral("txtLogName"));
        auto password = dlg->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        if (m_answer && !m_tried && name && password) {
            m_tried = true;
            name->setText(m_answer->first);
            password->setText(m_answer->second);
            dlg->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        } else if (dlg->isVisible()) {
            dlg->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        }
        m_busy = false;
    }

    std::optional<std::pair<QString, QString>> m_answer;
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
    }
    void TearDown() override
    {
        ReleaseGlobals();
        folder.reset();
        gAppName.clear();
        plat::setAppName(QString());
        plat::setAppTitle(previousTitle);
    }
    void createDatabase() { CreateNewDatabase(folder->path(), QStringLiteral("admin"), QStringLiteral("secret-1")); }

    StartResult start(LogInDriver& driver)
    {
        ui::script::clear();
        const StartResult r = Main();
        driver.disconnect();
        return r;
    }

    // Adds the CodeRule row with the definition of a rule of one fixed band.
    QString storeRule()
    {
        auto rule = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
        rule->Add(QStringLiteral("前缀"), tessaly::bsFixed, tessaly::smNoneSwap, QStringLiteral("SB"));
        const QString definition = rule->Definition();
        dao::Database db = dao::DBEngine::OpenDatabase(folder->file(QStringLiteral("Ostrel.mdb")), false, false,
                                                       QStringLiteral(";PWD=TORVAMS"));
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SysInfo"), dao::dbOpenDynaset);
        rs.AddNew();
        rs(QStringLiteral("ID")).setValue(500);
        rs(QStringLiteral("Type")).setValue(QStringLiteral("CodeRule"));
        rs(QStringLiteral("No")).setValue(0);
        rs(QStringLiteral("Memo")).setValue(definition);
        rs.Update();
        rs.Close();
        db.Close();
        return definition;
    }

    std::unique_ptr<testutil::ProgramFolder> folder;
    QString previousTitle;
};

TEST_F(StartupTest, CancelledLogInEndsBeforeTheCodeRule)
{
    createDatabase();
    LogInDriver driver(std::nullopt);
    EXPECT_EQ(start(driver), eStartLogInRefused);
    EXPECT_TRUE(driver.seen);
    EXPECT_FALSE(gCodes);
    EXPECT_TRUE(gFrmMain.isNull());
    EXPECT_TRUE(driver.posted.isEmpty());
    EXPECT_TRUE(ui::script::shown().isEmpty());     // no message of its own
    EXPECT_EQ(gAppName, kAppTitle + QStringLiteral("1.0"));
}

TEST_F(StartupTest, PassedLogInShowsTheMainWindow)
{
    createDatabase();
    LogInDriver driver(std::make_pair(QStringLiteral("admin"), QStringLiteral("secret-1")));
    QString grabbed;
    driver.onShown = [&](QWidget* dialog) {
        // The splash with the log-in dialog over it, for people to look at.
        ASSERT_FALSE(gFrmSplash.isNull());
        EXPECT_TRUE(gFrmSplash->isVisible());
        const QRect splash = gFrmSplash->frameGeometry();
        const QRect dlg = dialog->frameGeometry();
        const QRect all = splash.united(dlg);
        QImage image(all.size(), QImage::Format_RGB32);
        image.fill(QColor(0x6b, 0x7b, 0x8c));
        QPainter p(&image);
        p.drawPixmap(splash.topLeft() - all.topLeft(), gFrmSplash->grab());
        p.drawPixmap(dialog->geometry().topLeft() - all.topLeft(), dialog->grab());
        p.end();
        grabbed = QDir(testutil::binDir() + QStringLiteral("/..")).absoluteFilePath(QStringLiteral("splash-login.png"));
        EXPECT_TRUE(image.save(grabbed));
        // The dialog settles at four fifths of the splash.
        const QPoint target(splash.x() + splash.width() * 4 / 5, splash.y() + splash.height() * 4 / 5);
        EXPECT_LE((dlg.center() - target).manhattanLength(), 4);
    };
    ASSERT_EQ(start(driver), eStartRunning);
    EXPECT_TRUE(driver.seen);
    EXPECT_TRUE(QFile::exists(grabbed));

    ASSERT_TRUE(gUsrInfos);
    EXPECT_EQ(gUsrInfos->UsrName(), QStringLiteral("admin"));
    EXPECT_EQ(gUsrInfos->PrvStyle(), 3);
    ASSERT_TRUE(gCodes);
    EXPECT_EQ(gCodes->Count(), 0);                  // no CodeRule row: an empty rule
    EXPECT_TRUE(gFrmSplash.isNull());
    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_TRUE(gFrmMain->isVisible());
    EXPECT_TRUE(gFrmMain->isMaximized());           // no stored placement: the default
    EXPECT_EQ(gFrmMain->sbPanels[1]->text(), QStringLiteral("操作员：admin"));

    EXPECT_EQ(driver.posted, (QStringList{QStringLiteral("下载设备管理规则.."), QString()}));
    EXPECT_EQ(gMessenger->status(), QString());
    EXPECT_EQ(gFrmMain->sbPanels[0]->text(), QString());
    gMessenger->PostStatus(QStringLiteral("就绪"));
    EXPECT_EQ(gFrmMain->sbPanels[0]->text(), QStringLiteral("就绪"));
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(StartupTest, StoredRuleAndPlacementAreRestored)
{
    createDatabase();
    const QString definition = storeRule();
    plat::SaveSetting(ComposeAppName(), QStringLiteral("Settings"), QStringLiteral("FormMain"),
                      QStringLiteral("1500;1200;9000;6000;Normal"));
    LogInDriver driver(std::make_pair(QStringLiteral("admin"), QStringLiteral("secret-1")));
    ASSERT_EQ(start(driver), eStartRunning);

    ASSERT_TRUE(gCodes);
    EXPECT_EQ(gCodes->Count(), 1);
    EXPECT_EQ(gCodes->Band(1)->Name(), QStringLiteral("前缀"));
    EXPECT_EQ(gCodes->Definition(), definition);

    ASSERT_FALSE(gFrmMain.isNull());
    EXPECT_FALSE(gFrmMain->isMaximized());
    const QRect g = gFrmMain->geometry();
    EXPECT_EQ(g.x(), ui::twipsToPixelsX(1500));
    EXPECT_EQ(g.y(), ui::twipsToPixelsY(1200));
    EXPECT_EQ(g.width(), ui::twipsToPixelsX(9000));
    EXPECT_EQ(g.height(), ui::twipsToPixelsY(6000));
}

TEST_F(StartupTest, ClosingTheMainWindowSavesAndCleansUp)
{
    createDatabase();
    LogInDriver driver(std::make_pair(QStringLiteral("admin"), QStringLiteral("secret-1")));
    ASSERT_EQ(start(driver), eStartRunning);
    ASSERT_FALSE(gFrmMain.isNull());

    QDir(folder->path()).mkdir(QStringLiteral("Temp"));
    for (const char* name : {"a.doc", "图纸.pdf"}) {
        QFile f(folder->file(QStringLiteral("Temp/") + QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QWidget other;
    other.setWindowTitle(QStringLiteral("另一窗口"));
    other.show();

    gFrmMain->showNormal();
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
    EXPECT_FALSE(QDir(folder->file(QStringLiteral("Temp"))).exists());
    EXPECT_EQ(plat::GetSetting(ComposeAppName(), QStringLiteral("Settings"), QStringLiteral("FormMain")),
              QStringLiteral("2010;1500;8400;5400;Normal"));
}

TEST_F(StartupTest, DatabaseThatCannotBeOpenedEndsTheProgram)
{
    struct Case {
        const char* what;
        std::function<void(const QString& path)> make;
    };
    const QList<Case> cases = {
        {"missing", [](const QString&) {}},
        {"wrong key",
         [](const QString& path) {
             dao::DBEngine::CreateDatabase(path, QString::fromLatin1(dao::dbLangChineseSimplified) +
                                                     QStringLiteral(";pwd=WRONGKEY"))
                 .Close();
         }},
        {"no database",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(1024, 'x'));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = folder->file(QStringLiteral("Ostrel.mdb"));
        QFile::remove(path);
        c.make(path);
        QString expected;
        try {
            dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";PWD=TORVAMS")).Close();
        } catch (const vb::Error& e) {
            expected = e.description();
        }
        ASSERT_FALSE(expected.isEmpty());

        LogInDriver driver(std::make_pair(QStringLiteral("admin"), QStringLiteral("secret-1")));
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
