#include "login/userinfo.h"
#include "login/collections.h"
#include "login/exbasis.h"
#include "login/frmlogin.h"
#include "login/frmnewpwd.h"
#include "login/misc.h"
#include "login/strings.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include <QCheckBox>
#include <limits>
#include <memory>

namespace quillon {
namespace {

// Shared by every session on the thread.
QString& passwordRulesText()
{
    static thread_local QString rules;
    return rules;
}

const QString kLineBreak = QStringLiteral("\r\n");

// The wait after the n-th attempt: 30 n³ ms.
qint64 attemptDelay(qint64 n)
{
    constexpr qint64 ceiling = std::numeric_limits<qint32>::max();
    if (n > 4000) // 30 n³ would pass the ceiling long before
        return ceiling;
    return std::min(ceiling, 30 * n * n * n);
}

} // namespace

void pRaiseError(int result, int kind, bool builtInHost)
{
    // The hint names the built-in account: a program's own users have no such password.
    const QString hint = builtInHost ? kLineBreak + msg(2012) : QString();
    int first = 0;
    QString text;
    if (kind == 0) {
        switch (result) {
        case eValideIncorrect: first = 2011; text = msg(2011) + hint; break;
        case eUserNotExist: first = 2013; break;
        case eUserForbid: first = 2014; break;
        case ePasswordDenied: first = 2015; text = msg(2015) + hint; break;
        case eRefusedByServer: first = 2010; break;
        case eCanceledByUser: first = 2008; break;
        case eValidatePassed: return;
        default: first = 2016; break;
        }
    } else {
        switch (result) {
        case eValideIncorrect:
        case eUserNotExist: first = 2020; break;
        case eUserForbid: first = 2021; break;
        case ePasswordDenied: first = 2017; break;
        case eInvalidCertify: first = 2019; break;
        case eInvalidPassword:
            first = 2023;
            text = msg(2023);
            if (!passwordRulesText().isEmpty())
                text += kLineBreak + kLineBreak + passwordRulesText();
            break;
        case eRefusedByServer: first = 2010; break;
        case eCanceledByUser:
        case eValidatePassed: return;
        default: first = 2020; break;
        }
    }
    if (text.isEmpty())
        text = msg(first);
    throw vb::Error(vb::componentError(first), text, msg(kind == 0 ? 2001 : 2018));
}

UserInfoImpl::UserInfoImpl()
{
    auto user = com::make<UserImpl>();
    user->setLogName(GetSysUserName());
    m_user = user;
    m_users = com::make<UsersImpl>();
    m_privates = com::make<PrivatesImpl>();
    setEXBasis(com::make<DefaultEXBasis>().get());
}

UserInfoImpl::~UserInfoImpl()
{
    // No host is told of the log-out at release.
    m_host.reset();
    LogOut();
    m_user.reset();
    m_users.reset();
    m_privates.reset();
}

void UserInfoImpl::setPasswordRules(const QString& text) { passwordRulesText() = text; }

QString UserInfoImpl::PasswordRules() const { return passwordRulesText(); }

void UserInfoImpl::setEXBasis(iEXBasis* host)
{
    if (!host)
        return;
    m_host = com::ComPtr<iEXBasis>(host);
    QString rules = passwordRulesText();
    passwordRulesText() = m_host->PasswordRules(rules);
}

bool UserInfoImpl::usesBuiltInHost() const { return dynamic_cast<DefaultEXBasis*>(m_host.get()) != nullptr; }

qint32 UserInfoImpl::UID() const { return m_user->UID(); }
QString UserInfoImpl::Name() const { return m_user->Name(); }
QString UserInfoImpl::LogName() const { return m_user->LogName(); }

com::ComPtr<quillon::Users> UserInfoImpl::Users() const { return m_users; }
com::ComPtr<quillon::Privates> UserInfoImpl::Privates() const { return m_privates; }

eLogStates UserInfoImpl::State()
{
    if ((m_options & eGetLogStateExternal) && m_host) {
        eLogStates s = m_state;
        m_host->GetState(s);
        return s;
    }
    return m_state;
}

eLogStates UserInfoImpl::LogOut()
{
    if (State() == eLogOn) {
        m_state = eLogOff;
        if (m_host) {
            eLogStates s = eLogOff;
            m_host->LogOff(s);
        }
    }
    return m_state;
}

void UserInfoImpl::ValidateAttempt(const QString& logName, const QString& password, QString& newPassword, int style)
{
    ui::BusyCursor busy;
    int answer = eRefusedByServer;
    if (m_attempts <= 15 && m_sameName <= 3 && m_host)
        answer = m_host->Validate(logName, password, newPassword, eValidateStyles(style));
    m_result = answer & 63;
    if (m_result == eValidatePassed) {
        m_attempts = 0;
        m_sameName = 0;
        if (style & eValidateLogin) {
            m_state = eLogOn;
            // An entry of the users list stays as it is: another name gets an object of its own.
            if (m_user->LogName() != logName && isListed(m_user))
                m_user = com::make<UserImpl>();
            m_user->setLogName(logName);
            const int n = m_users->Count();
            for (int i = 1; i <= n; ++i) {
                com::ComPtr<cUser> u = m_users->Item(i);
                if (u->LogName() == logName) {
                    m_user = u;
                    break;
                }
            }
        }
        // Remember what now opens the account: after a change, the new password.
        if (m_user->LogName() == logName)
            m_password = (style & eValidateNewPassword) ? newPassword : password;
    } else {
        if (m_lastFailed != logName)
            m_sameName = 0;
        m_lastFailed = logName;
    }
    ++m_sameName;
    ++m_attempts;
    pauseMs(attemptDelay(m_attempts));
}

bool UserInfoImpl::isListed(const com::ComPtr<cUser>& user) const
{
    for (const com::ComPtr<cUser>& u : m_users->NewEnum())
        if (u == user)
            return true;
    return false;
}

UserInfoImpl::Place UserInfoImpl::placeOf(QWidget* pwnd, int* fromX, int* fromY, int* toX, int* toY)
{
    Place p;
    p.pwnd = pwnd;
    if (fromX) p.fromX = *fromX;
    if (fromY) p.fromY = *fromY;
    if (toX) p.toX = *toX;
    if (toY) p.toY = *toY;
    return p;
}

void UserInfoImpl::writeBack(const Place& p, int* fromX, int* fromY, int* toX, int* toY)
{
    if (fromX) *fromX = p.fromX;
    if (fromY) *fromY = p.fromY;
    if (toX) *toX = p.toX;
    if (toY) *toY = p.toY;
}

eValidateStates UserInfoImpl::LogIn(const std::optional<QString>& logNameArg, const std::optional<QString>& passwordArg,
                                    eLoginOptions options, QWidget* PWnd, int* FromX, int* FromY, int* ToX, int* ToY)
{
    m_result = eValideIncorrect;
    QString logName = logNameArg.value_or(QString());
    if (logName.isEmpty())
        logName = m_user->LogName();
    const QString password = passwordArg ? *passwordArg : m_password;
    Place place = placeOf(PWnd, FromX, FromY, ToX, ToY);
    QString noNewPassword;
    if (options & eLogInNoPrompt) {
        ValidateAttempt(logName, password, noNewPassword, eValidateLogin);
    } else if (options & eLogInPrompt) {
        ShowLogInDialog(logName, password, options, place);
    } else {
        ValidateAttempt(logName, password, noNewPassword, eValidateLogin);
        if (m_result != eValidatePassed)
            ShowLogInDialog(logName, password, options, place);
    }
    writeBack(place, FromX, FromY, ToX, ToY);
    if (m_options & eRaiseLoginError)
        pRaiseError(m_result, 0, usesBuiltInHost());
    return eValidateStates(m_result);
}

eValidateStates UserInfoImpl::ChangePassword(const std::optional<QString>& logNameArg,
                                             const std::optional<QString>& oldPasswordArg, const QString& NewPassword,
                                             eLoginOptions options, QWidget* PWnd, int* FromX, int* FromY, int* ToX,
                                             int* ToY)
{
    if (State() != eLogOn)
        throw vb::Error(vb::componentError(2024), msg(2024), msg(2018));
    m_result = eValideIncorrect;
    int style = eValidateNewPassword;
    if (options & eForbidOldPWD)
        style |= eValidateNoOldPWD;
    const QString logName = logNameArg ? *logNameArg : m_user->LogName();
    const QString oldPassword = oldPasswordArg.value_or(QString());
    QString newPassword = NewPassword;
    Place place = placeOf(PWnd, FromX, FromY, ToX, ToY);
    if (options & eLogInNoPrompt) {
        ValidateAttempt(logName, oldPassword, newPassword, style);
    } else if (options & eLogInPrompt) {
        ShowChangePasswordDialog(logName, oldPassword, newPassword, options, place);
    } else {
        ValidateAttempt(logName, oldPassword, newPassword, style);
        if (m_result != eValidatePassed)
            ShowChangePasswordDialog(logName, oldPassword, newPassword, options, place);
    }
    writeBack(place, FromX, FromY, ToX, ToY);
    if (m_options & eRaiseLoginError)
        pRaiseError(m_result, 1);
    return eValidateStates(m_result);
}

bool UserInfoImpl::zoomOpen(QWidget* dialog, int options, Place& place)
{
    int mode = -1;
    if (options & ePopupFromCursor)
        mode = eZoomFromCusor;
    else if (options & ePopupFromPoint)
        mode = eZoomFromPoint;
    else if (options & ePopupFromObject)
        mode = eZoomFromObject;
    if (mode < 0)
        return false;
    pZoomFromObj(dialog, mode, place.pwnd, place.fromX, place.fromY, place.toX, place.toY);
    return true;
}

void UserInfoImpl::ShowLogInDialog(const QString& logName, const QString& password, int options, Place& place)
{
    std::unique_ptr<frmLogin> dlg(new frmLogin);
    m_fLogIn = dlg.get();
    dlg->builtInHost = usesBuiltInHost();
    dlg->Validate = [this](const QString& name, const QString& pwd, int& result) {
        // The box's tick is kept for the next dialog of this session.
        if (result & eSavePassword)
            m_options = m_options | eSavePasswordForUse;
        else
            m_options = m_options & ~eSavePasswordForUse;
        QString noNewPassword;
        ValidateAttempt(name, pwd, noNewPassword, eValidateLogin);
        result = m_result;
    };
    dlg->Cancel = [this] {
        m_result = eCanceledByUser;
        ui::DoEvents();
    };
    dlg->setLogName(logName);
    dlg->setPassword(password);
    dlg->setSavePWD(m_options & eSavePasswordAvailable);
    dlg->chkPWd->setChecked(m_options & eSavePasswordForUse);
    struct Release {
        frmLogin*& held;
        ~Release() { held = nullptr; }
    } release{m_fLogIn};
    if (zoomOpen(dlg.get(), options, place))
        pZoomToObj(dlg.get(), eZoomFromPoint, nullptr, place.fromX, place.fromY);
}

void UserInfoImpl::ShowChangePasswordDialog(const QString& logName, const QString& oldPassword,
                                            const QString& newPassword, int options, Place& place)
{
    {
        std::unique_ptr<frmNewPWD> dlg(new frmNewPWD);
        m_fNewPWD = dlg.get();
        struct Release {
            frmNewPWD*& held;
            ~Release() { held = nullptr; }
        } release{m_fNewPWD};
        dlg->Validate = [this, d = dlg.get()](const QString& name, const QString& oldPwd, const QString& newPwd,
                                              int& result) {
            QString n = newPwd;
            ValidateAttempt(name, oldPwd, n, d->NoOldPWD() ? (eValidateNewPassword | eValidateNoOldPWD)
                                                           : eValidateNewPassword);
            result = m_result;
        };
        dlg->Cancel = [this] {
            m_result = eCanceledByUser;
            ui::DoEvents();
        };
        dlg->setLogName(logName);
        dlg->setNoOldPWD(options & eForbidOldPWD);
        dlg->setOldPassword(oldPassword);
        dlg->setNewPassword(newPassword);
        if (zoomOpen(dlg.get(), options, place))
            pZoomToObj(dlg.get(), eZoomFromPoint, nullptr, place.fromX, place.fromY);
    }
    if (m_result == eValidatePassed) {
        ui::DoEvents();
        ui::MsgBox(msg(2025), ui::vbInformation, msg(2018));
        ui::DoEvents();
    }
}

} // namespace quillon
