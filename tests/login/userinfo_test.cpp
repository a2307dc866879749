// The session object against a scripted host: results, limits, waits, raised errors.
#include "loginfixture.h"
#include "platform/core/events.h"

using namespace quillon;
using logintest::LoginTest;
using logintest::ScriptedHost;

namespace {

int raisedNumber(const std::function<void()>& f, QString* source = nullptr, QString* description = nullptr)
{
    try {
        f();
    } catch (const vb::Error& e) {
        if (source)
            *source = e.source();
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

} // namespace

TEST_F(LoginTest, SilentLogInResultsAndState)
{
    EXPECT_EQ(info->State(), eLogOff);
    EXPECT_EQ(silent("nobody", "x"), eUserNotExist);
    EXPECT_EQ(silent("anna", "SECRET1"), ePasswordDenied);
    EXPECT_EQ(info->State(), eLogOff);
    EXPECT_EQ(silent("anna", "secret1"), eValidatePassed);
    EXPECT_EQ(info->State(), eLogOn);
    EXPECT_EQ(info->LogName(), QStringLiteral("anna"));
    ASSERT_EQ(host->calls.size(), 3);
    EXPECT_EQ(host->calls[2].style, int(eValidateLogin));
    EXPECT_EQ(host->calls[2].newPassword, QString());
    // Every host answer is cut to six bits.
    const int answers[][2] = {{0, 0}, {1, 1}, {5, 5}, {8, 8}, {16, 16}, {63, 63}, {96, 32}, {67, 3}, {-1, 63}};
    for (const auto& a : answers) {
        answerAlways(a[0]);
        EXPECT_EQ(silent(QStringLiteral("n%1").arg(a[0]), "x"), a[1]) << a[0];
    }
}

TEST_F(LoginTest, OmittedNamesAndRememberedPassword)
{
    // An omitted or empty name is the current user's, at first the system's user name.
    const QString sysName = GetSysUserName();
    EXPECT_EQ(info->LogName(), sysName);
    silent(QString(), "p");
    api()->LogIn(std::nullopt, QStringLiteral("p"), eLogInNoPrompt);
    ASSERT_EQ(host->calls.size(), 2);
    EXPECT_EQ(host->calls[0].logName, sysName);
    EXPECT_EQ(host->calls[1].logName, sysName);

    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    // No password given: the one of the last pass.
    EXPECT_EQ(api()->LogIn(std::nullopt, std::nullopt, eLogInNoPrompt), eValidatePassed);
    EXPECT_EQ(host->calls.last().password, QStringLiteral("secret1"));
    // A given empty password is used as it is.
    EXPECT_EQ(api()->LogIn(std::nullopt, QString(), eLogInNoPrompt), ePasswordDenied);
}

TEST_F(LoginTest, PassedLogInTakesTheMatchingUserEntry)
{
    info->Users()->Add(7, QStringLiteral("Anna"), QStringLiteral("Anna Upper"));
    info->Users()->Add(9, QStringLiteral("anna2"), QStringLiteral("Other"));
    answerAlways(eValidatePassed);
    ASSERT_EQ(silent("anna", "x"), eValidatePassed);
    // The look-up after a pass is exact: "Anna" is not "anna".
    EXPECT_EQ(info->UID(), 0);
    EXPECT_EQ(info->LogName(), QStringLiteral("anna"));
    ASSERT_EQ(silent("Anna", "x"), eValidatePassed);
    EXPECT_EQ(info->UID(), 7);
    EXPECT_EQ(info->Name(), QStringLiteral("Anna Upper"));
    // A pass with an unlisted name is not taken for the listed user: no number, list untouched.
    ASSERT_EQ(silent("zed", "x"), eValidatePassed);
    EXPECT_EQ(info->LogName(), QStringLiteral("zed"));
    EXPECT_EQ(info->UID(), 0);
    EXPECT_EQ(info->Name(), QString());
    EXPECT_EQ(info->Users()->Item(1)->LogName(), QStringLiteral("Anna"));
    EXPECT_EQ(info->Users()->Item(QStringLiteral("anna"))->UID(), 7);
}

TEST_F(LoginTest, SameNameLimitAndGrowingWaits)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(silent("anna", "bad"), ePasswordDenied);
    EXPECT_EQ(host->calls.size(), 4);
    // The fifth with the same name is refused without asking the host.
    EXPECT_EQ(silent("anna", "secret1"), eRefusedByServer);
    EXPECT_EQ(host->calls.size(), 4);
    // Refused as well with another name: the count is reset only after that attempt.
    EXPECT_EQ(silent("bob", "x"), eRefusedByServer);
    EXPECT_EQ(host->calls.size(), 4);
    EXPECT_EQ(info->sameNameCount(), 1);
    EXPECT_EQ(silent("bob", "x"), eUserNotExist);
    EXPECT_EQ(host->calls.size(), 5);
    EXPECT_EQ(waits, (QList<qint64>{30, 240, 810, 1920, 3750, 6480, 10290}));
}

TEST_F(LoginTest, PassResetsCountersToOne)
{
    silent("anna", "bad");
    silent("anna", "bad");
    EXPECT_EQ(info->attemptCount(), 2);
    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    EXPECT_EQ(info->attemptCount(), 1);
    EXPECT_EQ(info->sameNameCount(), 1);
    EXPECT_EQ(waits.last(), 30);
}

TEST_F(LoginTest, SixteenAttemptsWithoutPassLockEveryName)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(silent(QStringLiteral("u%1").arg(i), "x"), eUserNotExist) << i;
    EXPECT_EQ(waits.last(), 30LL * 16 * 16 * 16); // 122 880 ms
    EXPECT_EQ(silent("anna", "secret1"), eRefusedByServer);
    EXPECT_EQ(host->calls.size(), 16);
    // Refused attempts are counted and waited for as well.
    EXPECT_EQ(info->attemptCount(), 17);
    EXPECT_EQ(waits.last(), 30LL * 17 * 17 * 17);
}

TEST_F(LoginTest, PointerIsBusyDuringTheAttemptAndItsWait)
{
    int depthInHost = -1, depthInWait = -1;
    host->answer = [&](const logintest::Call&) { depthInHost = ui::busyDepth(); return 0; };
    setPauser([&](qint64) { depthInWait = ui::busyDepth(); });
    silent("anna", "x");
    EXPECT_GT(depthInHost, 0);
    EXPECT_GT(depthInWait, 0);
    EXPECT_EQ(ui::busyDepth(), 0);
    // A host error is passed on, neither counted nor waited for, and the pointer comes back.
    host->answer = [](const logintest::Call&) -> int { throw vb::Error(1234, QStringLiteral("db down"), "host"); };
    depthInWait = -1;
    EXPECT_EQ(raisedNumber([&] { silent("anna", "secret1"); }), 1234);
    EXPECT_EQ(ui::busyDepth(), 0);
    EXPECT_EQ(info->attemptCount(), 1);
    EXPECT_EQ(depthInWait, -1);
}

TEST_F(LoginTest, RaiseLoginErrorNumbersAndSources)
{
    const int rows[][2] = {{0, 2011}, {1, 2013}, {2, 2014}, {3, 2015}, {4, 2016}, {5, 2016}, {8, 2010}, {6, 2016}};
    for (const auto& r : rows) {
        info = com::make<UserInfoImpl>(); // fresh counters for each row
        info->setEXBasis(host.get());
        info->setOptions(eRaiseLoginError);
        answerAlways(r[0]);
        QString source, text;
        EXPECT_EQ(raisedNumber([&] { silent("anna", "x"); }, &source, &text), vb::componentError(r[1])) << r[0];
        EXPECT_EQ(source, QStringLiteral("用户登录"));
        // A bound host's users have no built-in password: no hint naming one.
        if (r[0] == ePasswordDenied)
            EXPECT_EQ(text, QStringLiteral("无效的口令(密码需区分大小写)"));
        if (r[0] == eValideIncorrect)
            EXPECT_EQ(text, QStringLiteral("错误的用户名或口令！(密码需区分大小写)"));
    }
    // The library's own host keeps the hint.
    com::ComPtr<UserInfo> own = com::make<UserInfoImpl>();
    own->setOptions(eRaiseLoginError);
    QString text;
    const auto wrongPassword = [&] { own->LogIn(QStringLiteral("Tavin"), QStringLiteral("wrong"), eLogInNoPrompt); };
    EXPECT_EQ(raisedNumber(wrongPassword, nullptr, &text), vb::componentError(2015));
    EXPECT_EQ(text, QStringLiteral("无效的口令(密码需区分大小写)\r\n初始口令为“Tavin”"));
    answerAlways(32);
    EXPECT_EQ(raisedNumber([&] { silent("anna", "x"); }), 0);
    // Without the option the same result is only returned.
    info->setOptions(eUsrInfoOptions(0));
    answerAlways(eUserNotExist);
    EXPECT_EQ(raisedNumber([&] { EXPECT_EQ(silent("anna", "x"), eUserNotExist); }), 0);
}

TEST_F(LoginTest, PasswordChangeErrorTable)
{
    const struct {
        int result, number;
    } rows[] = {{0, 2020}, {1, 2020}, {2, 2021}, {3, 2017}, {4, 2019}, {5, 2023}, {8, 2010}, {7, 2020}};
    for (const auto& r : rows) {
        QString source;
        EXPECT_EQ(raisedNumber([&] { pRaiseError(r.result, 1); }, &source), vb::componentError(r.number)) << r.result;
        EXPECT_EQ(source, QStringLiteral("修改密码"));
    }
    EXPECT_EQ(raisedNumber([] { pRaiseError(eCanceledByUser, 1); }), 0);
    EXPECT_EQ(raisedNumber([] { pRaiseError(eCanceledByUser, 0); }), vb::componentError(2008));
    QString text;
    raisedNumber([] { pRaiseError(eInvalidPassword, 1); }, nullptr, &text);
    EXPECT_EQ(text, QStringLiteral("新密码不合法！为保障安全，密码需要足够的复杂！\r\n\r\nAt least six characters"));
    info->setPasswordRules(QString());
    raisedNumber([] { pRaiseError(eInvalidPassword, 1); }, nullptr, &text);
    EXPECT_EQ(text, QStringLiteral("新密码不合法！为保障安全，密码需要足够的复杂！"));
}

TEST_F(LoginTest, ChangePassword)
{
    // Logged off: always raised, whatever the options.
    QString source;
    EXPECT_EQ(raisedNumber([&] { api()->ChangePassword("anna", "secret1", "newpass1", eLogInNoPrompt); }, &source),
              vb::componentError(2024));
    EXPECT_EQ(source, QStringLiteral("修改密码"));
    EXPECT_TRUE(host->calls.isEmpty());

    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    EXPECT_EQ(api()->ChangePassword(std::nullopt, "secret1", "short", eLogInNoPrompt), eInvalidPassword);
    EXPECT_EQ(host->calls.last().logName, QStringLiteral("anna"));
    EXPECT_EQ(host->calls.last().style, int(eValidateNewPassword));
    EXPECT_EQ(api()->ChangePassword("anna", "secret1", "newpass1", eLogInNoPrompt | eForbidOldPWD),
              eValidatePassed);
    EXPECT_EQ(host->calls.last().style, 130);
    EXPECT_EQ(host->calls.last().newPassword, QStringLiteral("newpass1"));
    EXPECT_EQ(info->State(), eLogOn);
    // The remembered password is the new one.
    EXPECT_EQ(info->rememberedPassword(), QStringLiteral("newpass1"));
    // A given empty name stays empty.
    api()->ChangePassword(QString(), "x", "y", eLogInNoPrompt);
    EXPECT_EQ(host->calls.last().logName, QString());
    // Raised with the option; a pass raises nothing.
    info->setOptions(eRaiseLoginError);
    answerAlways(ePasswordDenied);
    EXPECT_EQ(raisedNumber([&] { api()->ChangePassword("anna", "bad", "newpass2", eLogInNoPrompt); }),
              vb::componentError(2017));
    answerAlways(eValidatePassed);
    EXPECT_EQ(raisedNumber([&] { api()->ChangePassword("anna", "ok", "newpass2", eLogInNoPrompt); }), 0);
}

TEST_F(LoginTest, StateLogOutAndRelease)
{
    info->setOptions(eGetLogStateExternal);
    host->externalState = eLogOn;
    EXPECT_EQ(info->State(), eLogOn);
    EXPECT_EQ(host->stateAsked, 1);
    // The host's state also governs LogOut.
    EXPECT_EQ(info->LogOut(), eLogOff);
    EXPECT_EQ(host->logOffs, 1);
    info->setOptions(eUsrInfoOptions(0));
    EXPECT_EQ(info->LogOut(), eLogOff);
    EXPECT_EQ(host->logOffs, 1);
    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    EXPECT_EQ(info->LogOut(), eLogOff);
    EXPECT_EQ(host->logOffs, 2);
    ASSERT_EQ(silent("anna", "secret1"), eValidatePassed);
    // Released while logged on: the host is not told.
    info.reset();
    EXPECT_EQ(host->logOffs, 2);
    info = com::make<UserInfoImpl>();
}

TEST_F(LoginTest, BindingHosts)
{
    // Nothing keeps the previous host.
    info->setEXBasis(nullptr);
    silent("anna", "secret1");
    EXPECT_EQ(host->calls.size(), 1);
    // Rules pass through each bound host.
    auto second = com::make<ScriptedHost>();
    second->rules = QStringLiteral("R2");
    info->setEXBasis(second.get());
    EXPECT_EQ(second->rulesGiven, QStringLiteral("At least six characters"));
    EXPECT_EQ(info->PasswordRules(), QStringLiteral("R2"));
    // The rules are shared by every session.
    auto other = com::make<UserInfoImpl>();
    EXPECT_EQ(other->PasswordRules(), QStringLiteral("R2"));
}

TEST_F(LoginTest, LongWaitsDoNotOverflow)
{
    // Many failures, each waited for: the wait stays a positive, bounded number.
    answerAlways(0);
    for (int i = 0; i < 500; ++i)
        api()->LogIn(QStringLiteral("n%1").arg(i), QStringLiteral("x"), eLogInNoPrompt);
    for (qint64 w : waits)
        ASSERT_GT(w, 0);
    EXPECT_EQ(waits[414], 30LL * 415 * 415 * 415);
    EXPECT_EQ(waits[415], 2147483647LL);
}

namespace {
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};
} // namespace

TEST(QuillonWait, RealWaitKeepsWindowsServiced)
{
    quillon::setPauser({});
    PaintCounter w;
    w.resize(50, 50);
    w.show();
    ui::DoEvents();
    w.paints = 0;
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    w.update();
    pauseMs(20);
    // Posted work and repaints were handled while waiting, not after.
    EXPECT_TRUE(timerRan);
    EXPECT_GE(w.paints, 1);
}
