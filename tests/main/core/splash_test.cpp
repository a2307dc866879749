// The splash, the about box and the stand-in main window's own commands.
#include "tests/main/core/dbfixture.h"
#include "main/core/frmsplash.h"
#include "main/core/password.h"
#include "main/core/startup.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/frmmain.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace ostrel;

namespace {

TEST(ChineseFont, ASimplifiedChineseFontIsInstalled)
{
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    ASSERT_FALSE(families.isEmpty()) << "no font for Simplified Chinese: every character would be a box";
    bool draws = false;
    for (const QString& family : families)
        draws = draws || QFontMetrics(QFont(family)).inFont(QChar(u'设'));
    EXPECT_TRUE(draws);
}

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousTitle = plat::appTitle();
        plat::setAppTitle(kAppTitle);
        setAppVersion({1, 2, 7});
        ui::script::clear();
    }
    void TearDown() override
    {
        setAppVersion({});
        plat::setAppTitle(previousTitle);
    }
    testutil::ProgramFolder folder;
    QString previousTitle;
};

TEST_F(SplashTest, SplashShowsTitleAndVersion)
{
    frmSplash splash;
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version 1.2.7"));
    EXPECT_EQ(splash.lblProductName->text(), kAppTitle);
}

TEST_F(SplashTest, AboutBox)
{
    frmAbout about;
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("版本 1.2.7"));
    EXPECT_EQ(about.lblTitle->text(), kAppTitle);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("关于") + kAppTitle);
    EXPECT_EQ(about.lblType->text(), QStringLiteral("单机版"));
    EXPECT_TRUE(about.lblCredit->text().startsWith(QStringLiteral("程序设计:")));

    about.show();
    QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("此时系统信息不可用"));
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));
    EXPECT_TRUE(about.isVisible());

    QTest::mouseClick(about.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), int(QDialog::Accepted));
}

class MainWindowTest : public testutil::MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        previousTitle = plat::appTitle();
        plat::setAppTitle(kAppTitle);
        gAppName = ComposeAppName();
        plat::setAppName(gAppName);
        gMessenger = new cindral::Messenger;
        gUsrInfos = std::make_unique<UsrInfos>();
    }
    void TearDown() override
    {
        delete gMessenger;
        gMessenger = nullptr;
        gUsrInfos.reset();
        plat::setAppName(QString());
        gAppName.clear();
        plat::setAppTitle(previousTitle);
        MainDatabaseTest::TearDown();
    }
    QString previousTitle;
    void logIn(int level, const QString& flags)
    {
        addSysInfo(100, QStringLiteral("Users"), level, QStringLiteral("qian"),
                   HashPassword(QStringLiteral("qian-pw")) + QStringLiteral("\r1\r") + flags);
        qint32 id = 0;
        ASSERT_EQ(gUsrInfos->Load(QStringLiteral("qian"), id, QStringLiteral("qian-pw")), 0);
    }
};

TEST_F(MainWindowTest, CommandsFollowThePrivileges)
{
    logIn(2, QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1;-1"));
    {
        frmMain w;
        w.Form_Load();
        EXPECT_FALSE(w.mnuBasement->isEnabled());
        EXPECT_FALSE(w.mnuToolUsr->isEnabled());
        EXPECT_TRUE(w.mnuFileBackup->isEnabled());
        EXPECT_EQ(w.sbPanels[1]->text(), QStringLiteral("操作员：qian"));
        gMessenger->PostStatus(QStringLiteral("下载部门信息.."));
        EXPECT_EQ(w.sbPanels[0]->text(), QStringLiteral("下载部门信息.."));
    }
    qint32 id = 0;
    ASSERT_EQ(gUsrInfos->Load(QStringLiteral("admin"), id, QStringLiteral("secret-1")), 0);
    frmMain w;
    w.Form_Load();
    EXPECT_TRUE(w.mnuBasement->isEnabled());
    EXPECT_TRUE(w.mnuToolUsr->isEnabled());
}

TEST_F(MainWindowTest, AboutIsModalAndOwnedByTheMainWindow)
{
    logIn(1, QString());
    frmMain w;
    w.Form_Load();
    w.show();
    EXPECT_FALSE(w.mnuFileBackup->isEnabled());

    QWidget* owner = nullptr;
    bool modal = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        if (!about)
            return;
        owner = about->parentWidget();
        modal = about->isModal();
        about->cmdOK->click();
    });
    driver.start(10);
    w.mnuHelpAbout->trigger();
    driver.stop();
    EXPECT_EQ(owner, &w);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(w.isVisible());
}

} // namespace
