// The splash, the about box and the stand-in main window's own commands.
#include "tests/main/core/dbfixture.h"
#include "main/core/ui/frmsplash.h"
#include "main/core/password.h"
#include "main/app/ui/startup.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/ui/frmmain.h"
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
using namespace Qt::StringLiterals;

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

class SplashTest : public testutil::MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        previousTitle = plat::appTitle();
        plat::setAppTitle(kAppTitle);
        setAppVersion({1, 2, 7});
        gAppName = ComposeAppName();
        plat::setAppName(gAppName);
        gMessenger = new cindral::Messenger;
    }
    void TearDown() override
    {
        delete gMessenger;
        gMessenger = nullptr;
        plat::setAppName(QString());
        gAppName.clear();
        setAppVersion({});
        plat::setAppTitle(previousTitle);
        MainDatabaseTest::TearDown();
    }
    QString previousTitle;
};

TEST_F(SplashTest, SplashAndAboutShowTitleAndVersion)
{
    frmSplash splash;
    EXPECT_EQ(splash.lblVersion->text(), u"Version 1.2.7"_s);
    EXPECT_EQ(splash.lblProductName->text(), kAppTitle);

    frmAbout about;
    EXPECT_EQ(about.lblVersion->text(), u"版本 1.2.7"_s);
    EXPECT_EQ(about.lblTitle->text(), kAppTitle);
    EXPECT_EQ(about.windowTitle(), u"关于"_s + kAppTitle);
    EXPECT_EQ(about.lblType->text(), u"单机版"_s);
    about.show();
    QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"此时系统信息不可用"_s);
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(about.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), int(QDialog::Accepted));
}

TEST_F(SplashTest, CommandsFollowThePrivilegesAndAboutIsModalOverTheMainWindow)
{
    addSysInfo(100, u"Users"_s, 2, u"qian"_s,
               HashPassword(u"qian-pw"_s) + u"\r1\r-1;-1;-1;-1;-1;-1;-1;-1;-1"_s);
    logIn(u"qian"_s, u"qian-pw"_s);
    {
        frmMain w;
        w.Form_Load();
        EXPECT_FALSE(w.mnuBasement->isEnabled());
        EXPECT_FALSE(w.mnuToolUsr->isEnabled());
        EXPECT_TRUE(w.mnuFileBackup->isEnabled());   // the flag, not the level
    }
    gUsrInfos->setPrvBackup(false);
    frmMain w;
    w.Form_Load();
    w.show();
    EXPECT_FALSE(w.mnuFileBackup->isEnabled());

    QWidget* owner = nullptr;
    bool modal = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
            owner = about->parentWidget();
            modal = about->isModal();
            about->cmdOK->click();
        }
    });
    driver.start(10);
    w.mnuHelpAbout->trigger();
    driver.stop();
    EXPECT_EQ(owner, &w);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(w.isVisible());
}

} // namespace
