#pragma once
// A scripted host and a fixture that records waits and zoom animations instead of running them.
#include "login/include/quillon.h"
#include "login/misc.h"
#include "login/userinfo.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include "tests/common/testutil.h"
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace logintest {

struct Call {
    QString logName, password, newPassword;
    int style = 0;
};

class ScriptedHost final : public com::Object<quillon::iEXBasis> {
public:
    // Answers each Validate; the default knows "anna" / "secret1".
    std::function<int(const Call&)> answer = [](const Call& c) {
        if (c.logName != QLatin1String("anna"))
            return int(quillon::eUserNotExist);
        if (c.password != QLatin1String("secret1"))
            return int(quillon::ePasswordDenied);
        if ((c.style & quillon::eValidateNewPassword) && c.newPassword.size() < 6)
            return int(quillon::eInvalidPassword);
        return int(quillon::eValidatePassed);
    };
    QList<Call> calls;
    QString rules = QStringLiteral("At least six characters");
    QString rulesGiven;
    int logOffs = 0;
    int stateAsked = 0;
    quillon::eLogStates externalState = quillon::eLogOff;

    void LogOff(quillon::eLogStates& s) override { ++logOffs; s = quillon::eLogOff; }
    void GetUsers(quillon::Users*, qint32) override {}
    void GetState(quillon::eLogStates& s) override { ++stateAsked; s = externalState; }
    quillon::eValidateStates Validate(const QString& n, const QString& p, const QString& np,
                                      quillon::eValidateStyles st) override
    {
        Call c{n, p, np, int(st)};
        calls.append(c);
        return quillon::eValidateStates(answer(c));
    }
    QString PasswordRules(QString& original) override { rulesGiven = original; return rules; }
};

// The visible top-level window of a class, or null.
template <class W>
W* shownWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = dynamic_cast<W*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Runs steps one after another from inside the modal wait that follows.
inline void whenShown(std::function<void()> step)
{
    QTimer::singleShot(0, qApp, std::move(step));
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        quillon::setPauser([this](qint64 ms) { waits.append(ms); });
        quillon::setZoomAnimator([this](QWidget* w, const QRect& from, const QRect& to) {
            zooms.append({w, from, to});
        });
        ui::script::clear();
        info = com::make<quillon::UserInfoImpl>();
        host = com::make<ScriptedHost>();
        info->setEXBasis(host.get());
    }
    void TearDown() override
    {
        info->setPasswordRules(QString());
        info.reset();
        quillon::setPauser({});
        quillon::setZoomAnimator({});
    }

    // Calls through the public interface, which carries the default arguments.
    quillon::UserInfo* api() const { return info.get(); }

    quillon::eValidateStates silent(const QString& name, const QString& pwd)
    {
        return api()->LogIn(name, pwd, quillon::eLogInNoPrompt);
    }
    void answerAlways(int result)
    {
        host->answer = [result](const Call&) { return result; };
    }
    // Runs the step on the dialog of class W once it is shown; counts the dialogs seen.
    template <class W>
    void onDialog(std::function<void(W*)> step)
    {
        whenShown([this, step] {
            W* d = shownWindow<W>();
            ASSERT_TRUE(d);
            ++dialogsSeen;
            step(d);
        });
    }

    struct Zoom {
        QWidget* window;
        QRect from, to;
    };
    testutil::ProgramFolder folder;
    QList<qint64> waits;
    QList<Zoom> zooms;
    int dialogsSeen = 0;
    com::ComPtr<quillon::UserInfoImpl> info;
    com::ComPtr<ScriptedHost> host;
};

} // namespace logintest
