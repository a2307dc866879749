// The log-in and change-password dialogs, driven offscreen from inside their modal wait.
#include "loginfixture.h"
#include "login/frmlogin.h"
#include "login/frmnewpwd.h"
#include "platform/core/events.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace quillon;
using logintest::LoginTest;
using logintest::shownWindow;

namespace {

void retype(QLineEdit* box, const QString& text)
{
    box->clear();
    QTest::keyClicks(box, text);
}

} // namespace

TEST_F(LoginTest, LogInDialogOpensWithSystemNameAndCancels)
{
    QWidget owner;
    owner.setGeometry(100, 100, 500, 300);
    onDialog<frmLogin>([&](frmLogin* d) {
        EXPECT_EQ(d, info->logInDialog());
        EXPECT_EQ(d->windowTitle(), QStringLiteral("用户登录"));
        EXPECT_EQ(d->lblLabels[0]->text(), QStringLiteral("用户名称(&U):"));
        EXPECT_EQ(d->txtLogName->text(), GetSysUserName());
        EXPECT_EQ(d->txtPassword->text(), QString());
        EXPECT_EQ(d->txtPassword->echoMode(), QLineEdit::Password);
        EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(api()->LogIn(std::nullopt, std::nullopt, eLogInPrompt | ePopupFromObject, &owner), eCanceledByUser);
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_EQ(info->logInDialog(), nullptr);
    EXPECT_TRUE(host->calls.isEmpty());
    // Grown out of the owner's middle fifth, shrunk back to its centre.
    ASSERT_EQ(zooms.size(), 2);
    EXPECT_EQ(zooms[0].from.center(), centredFifth(WinRect::of(owner.frameGeometry())).toQRect().center());
    EXPECT_EQ(zooms[1].to.size(), QSize(1, 1));
}

TEST_F(LoginTest, LogInDialogRefusalKeepsItOpenThenPasses)
{
    onDialog<frmLogin>([&](frmLogin* d) {
        retype(d->txtLogName, QStringLiteral("  anna "));
        retype(d->txtPassword, QStringLiteral("wrong"));
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        // Refused: the message, the dialog still open, the password box focused and selected.
        EXPECT_TRUE(d->isVisible());
        const ui::ShownBox box = ui::script::last();
        EXPECT_EQ(box.title, QStringLiteral("用户登录"));
        EXPECT_EQ(box.prompt, QStringLiteral("无效的口令(密码需区分大小写)")); // a bound host: no hint
        EXPECT_EQ(ui::iconOf(box.style), int(ui::vbInformation));
        EXPECT_EQ(d->focusWidget(), d->txtPassword);
        EXPECT_EQ(d->txtPassword->selectedText(), QStringLiteral("wrong"));

        retype(d->txtLogName, QStringLiteral("nobody"));
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("指定用户不存在！请确认无拼写错误。"));
        EXPECT_EQ(d->focusWidget(), d->txtLogName);

        retype(d->txtLogName, QStringLiteral("anna"));
        retype(d->txtPassword, QStringLiteral(" secret1 "));
        QTest::keyClick(d->txtPassword, Qt::Key_Return);
    });
    EXPECT_EQ(api()->LogIn(std::nullopt, std::nullopt, eLogInPrompt | ePopupFromCursor), eValidatePassed);
    EXPECT_EQ(dialogsSeen, 1);
    ASSERT_EQ(host->calls.size(), 3);
    // Blanks around what was typed are not validated.
    EXPECT_EQ(host->calls[0].logName, QStringLiteral("anna"));
    EXPECT_EQ(host->calls[2].password, QStringLiteral("secret1"));
    EXPECT_EQ(info->State(), eLogOn);
    // Every press of OK was a counted attempt with its wait.
    EXPECT_EQ(waits, (QList<qint64>{30, 240, 30}));
}

TEST_F(LoginTest, OnlyTheBuiltInHostsRefusalNamesItsPassword)
{
    info = com::make<UserInfoImpl>(); // no host of a program bound
    QStringList prompts;
    onDialog<frmLogin>([&](frmLogin* d) {
        retype(d->txtLogName, QStringLiteral("Tavin"));
        retype(d->txtPassword, QStringLiteral("wrong"));
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        prompts << ui::script::last().prompt;
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(api()->LogIn(std::nullopt, std::nullopt, eLogInPrompt | ePopupFromCursor), eCanceledByUser);
    EXPECT_EQ(prompts, QStringList{QStringLiteral("无效的口令(密码需区分大小写)\r\n初始口令为“Tavin”")});
}

TEST_F(LoginTest, LogInDialogShowsHostErrors)
{
    host->answer = [](const logintest::Call&) -> int { throw vb::Error(3024, QStringLiteral("数据库打不开"), "DAO"); };
    onDialog<frmLogin>([&](frmLogin* d) {
        QTest::mouseClick(d->cmdOK, Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("数据库打不开"));
        EXPECT_EQ(ui::script::last().title, QStringLiteral("DAO"));
        EXPECT_EQ(ui::busyDepth(), 0);
        QTest::mouseClick(d->cmdCancel, Qt::LeftButton);
    });
    EXPECT_EQ(api()->LogIn("anna", "x", eLogInPrompt | ePopupFromObject), eCanceledByUser);
    EXPECT_EQ(info->attemptCount(), 0);
}

TEST_F(LoginTest, AutoPromptAndDialogPlacement)
{
    // A silent pass opens nothing.
    EXPECT_EQ(api()->LogIn("anna", "secret1", ePopupFromPoint), eValidatePassed);
    EXPECT_TRUE(zooms.isEmpty());
    // A prompt without a popup bit opens nothing either and returns 0.
    EXPECT_EQ(api()->LogIn("anna", "secret1", eLogInPrompt), eValideIncorrect);
    EXPECT_EQ(host->calls.size(), 1);

    // A silent failure opens the dialog centred on (ToX, ToY), grown from (FromX, FromY).
    const int tx = twipsPerPixelX(), ty = twipsPerPixelY();
    int fromX = 40 * tx, fromY = 30 * ty, toX = 400 * tx, toY = 300 * ty;
    QPoint centre;
    onDialog<frmLogin>([&](frmLogin* d) {
        EXPECT_EQ(d->txtLogName->text(), QStringLiteral("anna"));
        centre = d->frameGeometry().center();
        d->cmdCancel->click();
    });
    info->setOptions(eRaiseLoginError);
    try {
        api()->LogIn("anna", "bad", eLogInAutoPromt | ePopupFromPoint, nullptr, &fromX, &fromY, &toX, &toY);
        ADD_FAILURE() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::componentError(2008));
        EXPECT_EQ(e.source(), QStringLiteral("用户登录"));
    }
    EXPECT_LE(std::abs(centre.x() - 400), 1);
    EXPECT_LE(std::abs(centre.y() - 300), 1);
    ASSERT_EQ(zooms.size(), 2);
    EXPECT_EQ(zooms[0].from, QRect(40, 30, 1, 1));
    EXPECT_EQ(fromX, 40 * tx);
    EXPECT_EQ(toX, 400 * tx);
    EXPECT_EQ(zooms[1].to, QRect(40, 30, 1, 1));
}

TEST_F(LoginTest, SavePasswordBox)
{
    info->setOptions(eSavePasswordAvailable | eSavePasswordForUse);
    onDialog<frmLogin>([&](frmLogin* d) {
        EXPECT_TRUE(d->SavePWD());
        EXPECT_TRUE(d->chkPWd->isChecked());
        d->chkPWd->setChecked(false);
        retype(d->txtLogName, QStringLiteral("anna"));
        retype(d->txtPassword, QStringLiteral("secret1"));
        d->cmdOK->click();
    });
    EXPECT_EQ(api()->LogIn(std::nullopt, std::nullopt, eLogInPrompt | ePopupFromCursor), eValidatePassed);
    // The tick is kept for the next dialog of the session.
    EXPECT_FALSE(info->Options() & eSavePasswordForUse);
    EXPECT_TRUE(info->Options() & eSavePasswordAvailable);

    frmLogin d;
    d.setSavePWD(true);
    d.chkPWd->setChecked(true);
    d.setSavePWD(false);
    EXPECT_FALSE(d.chkPWd->isChecked());
}

TEST_F(LoginTest, ChangePasswordDialogRules)
{
    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    const int before = host->calls.size();
    onDialog<frmNewPWD>([&](frmNewPWD* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("修改密码"));
        EXPECT_EQ(d->txtUserName->text(), QStringLiteral("anna"));
        EXPECT_FALSE(d->txtUserName->isEnabled());
        retype(d->txtOldPWD, QStringLiteral("secret1"));
        retype(d->txtNewPWD, QStringLiteral("Newpass1"));
        retype(d->txtConPWD, QStringLiteral("newpass1"));
        const int attempts = info->attemptCount();
        d->cmdOK->click();
        // A confirmation differing in letter case is refused before anything is asked.
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("确认密码与新密码不同，请重试！"));
        EXPECT_EQ(ui::script::last().title, QStringLiteral("Quillon"));
        EXPECT_EQ(host->calls.size(), before);
        EXPECT_EQ(info->attemptCount(), attempts);
        EXPECT_TRUE(d->isVisible());

        // Too short for the host: its rules follow the message; focus in the new password.
        retype(d->txtNewPWD, QStringLiteral("abc"));
        retype(d->txtConPWD, QStringLiteral("abc"));
        d->cmdOK->click();
        EXPECT_EQ(ui::script::last().prompt,
                  QStringLiteral("新密码不合法！为保障安全，密码需要足够的复杂！\r\n\r\nAt least six characters"));
        EXPECT_EQ(ui::script::last().title, QStringLiteral("修改密码"));
        EXPECT_EQ(d->focusWidget(), d->txtNewPWD);
        EXPECT_EQ(d->txtNewPWD->selectedText(), QStringLiteral("abc"));

        retype(d->txtOldPWD, QStringLiteral("bad"));
        d->cmdOK->click();
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("旧密码无效，请重试！"));
        EXPECT_EQ(d->focusWidget(), d->txtOldPWD);

        retype(d->txtOldPWD, QStringLiteral("secret1"));
        retype(d->txtNewPWD, QStringLiteral("newpass1"));
        retype(d->txtConPWD, QStringLiteral("newpass1"));
        d->cmdOK->click();
    });
    EXPECT_EQ(api()->ChangePassword(std::nullopt, std::nullopt, QString(), eLogInPrompt | ePopupFromCursor),
              eValidatePassed);
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_EQ(host->calls.last().newPassword, QStringLiteral("newpass1"));
    EXPECT_EQ(host->calls.last().style, int(eValidateNewPassword));
    // The success is announced once the dialog has gone.
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("恭喜！密码修改成功！"));
    EXPECT_EQ(ui::script::last().title, QStringLiteral("修改密码"));
}

TEST_F(LoginTest, ChangePasswordWithoutOldPasswordAndCancel)
{
    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    answerAlways(eValidatePassed);
    onDialog<frmNewPWD>([&](frmNewPWD* d) {
        EXPECT_TRUE(d->NoOldPWD());
        EXPECT_FALSE(d->txtOldPWD->isEnabled());
        EXPECT_FALSE(d->lblLabels[1]->isEnabled());
        EXPECT_EQ(d->txtOldPWD->text(), QStringLiteral("xxxxxxxx"));
        // Given as an argument: both boxes hold the new password.
        EXPECT_EQ(d->txtConPWD->text(), QStringLiteral("given12"));
        d->cmdOK->click();
    });
    EXPECT_EQ(api()->ChangePassword("anna", std::nullopt, " given12 ", eLogInPrompt | ePopupFromCursor | eForbidOldPWD),
              eValidatePassed);
    EXPECT_EQ(host->calls.last().password, QStringLiteral("xxxxxxxx"));
    EXPECT_EQ(host->calls.last().style, 130);

    // A cancelled change returns 16 and raises nothing, even when asked to raise.
    info->setOptions(eRaiseLoginError);
    ui::script::clear();
    onDialog<frmNewPWD>([](frmNewPWD* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_EQ(api()->ChangePassword(std::nullopt, std::nullopt, QString(), eLogInPrompt | ePopupFromCursor),
              eCanceledByUser);
    EXPECT_EQ(dialogsSeen, 2);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(LoginTest, CloseRequestIsCancel)
{
    onDialog<frmLogin>([](frmLogin* d) { d->close(); });
    EXPECT_EQ(api()->LogIn("anna", "x", eLogInPrompt | ePopupFromCursor), eCanceledByUser);
}

TEST_F(LoginTest, CancelAndCloseWaitForTheRunningAttempt)
{
    // Requests that arrive while an attempt waits do not cancel the dialog under it.
    bool stillOpen = false;
    setPauser([&](qint64) {
        if (frmLogin* d = shownWindow<frmLogin>()) {
            d->close();
            d->reject();
            d->cmdCancel->click();
            stillOpen = d->isVisible();
        }
    });
    onDialog<frmLogin>([](frmLogin* d) {
        d->txtPassword->setText(QStringLiteral("secret1"));
        d->cmdOK->click();
    });
    EXPECT_EQ(api()->LogIn("anna", std::nullopt, eLogInPrompt | ePopupFromCursor), eValidatePassed);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}
