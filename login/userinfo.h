#pragma once
// The log-in session object.
#include "login/include/quillon.h"

namespace quillon {

class UserImpl;
class UsersImpl;
class PrivatesImpl;
class frmLogin;
class frmNewPWD;

// Raises a failed result as an error: kind 0 for a log-in, 1 for a password change.
// Returns for a pass, and for a cancelled password change. A refused log-in names the
// built-in account's password only when the built-in host answered.
void pRaiseError(int result, int kind, bool builtInHost = false);

class UserInfoImpl final : public com::Object<UserInfo> {
public:
    UserInfoImpl();
    ~UserInfoImpl() override;

    void setPasswordRules(const QString& text) override;
    QString PasswordRules() const override;
    void setEXBasis(iEXBasis* host) override;
    qint32 UID() const override;
    QString Name() const override;
    QString LogName() const override;
    void setOptions(eUsrInfoOptions value) override { m_options = value; }
    eUsrInfoOptions Options() const override { return m_options; }
    eValidateStates ChangePassword(const std::optional<QString>& LogName, const std::optional<QString>& OldPassword,
                                   const QString& NewPassword, eLoginOptions Options, QWidget* PWnd, int* FromX,
                                   int* FromY, int* ToX, int* ToY) override;
    eLogStates State() override;
    eLogStates LogOut() override;
    com::ComPtr<quillon::Users> Users() const override;
    eValidateStates LogIn(const std::optional<QString>& LogName, const std::optional<QString>& Password,
                          eLoginOptions Options, QWidget* PWnd, int* FromX, int* FromY, int* ToX,
                          int* ToY) override;
    com::ComPtr<quillon::Privates> Privates() const override;

    // What the session counts, for tests.
    int attemptCount() const { return m_attempts; }
    int sameNameCount() const { return m_sameName; }
    QString rememberedPassword() const { return m_password; }
    // The dialog while it is shown, else null.
    frmLogin* logInDialog() const { return m_fLogIn; }
    frmNewPWD* newPasswordDialog() const { return m_fNewPWD; }

private:
    struct Place {
        QWidget* pwnd = nullptr;
        int fromX = -1, fromY = -1, toX = -1, toY = -1;
    };
    static Place placeOf(QWidget* pwnd, int* fromX, int* fromY, int* toX, int* toY);
    static void writeBack(const Place& p, int* fromX, int* fromY, int* toX, int* toY);

    bool isListed(const com::ComPtr<cUser>& user) const;
    void ValidateAttempt(const QString& logName, const QString& password, QString& newPassword, int style);
    void ShowLogInDialog(const QString& logName, const QString& password, int options, Place& place);
    void ShowChangePasswordDialog(const QString& logName, const QString& oldPassword, const QString& newPassword,
                                  int options, Place& place);
    // Opens a dialog by the popup bits; false when no bit asks for it.
    bool zoomOpen(QWidget* dialog, int options, Place& place);
    // Whether the library's own host (its one built-in account) is bound.
    bool usesBuiltInHost() const;

    com::ComPtr<PrivatesImpl> m_privates;
    com::ComPtr<UsersImpl> m_users;
    com::ComPtr<cUser> m_user;
    QString m_password;
    eLogStates m_state = eLogOff;
    frmLogin* m_fLogIn = nullptr;
    frmNewPWD* m_fNewPWD = nullptr;
    eUsrInfoOptions m_options = eUsrInfoOptions(0);
    int m_result = eValideIncorrect;
    int m_attempts = 0;
    int m_sameName = 0;
    QString m_lastFailed;
    com::ComPtr<iEXBasis> m_host;
};

} // namespace quillon
