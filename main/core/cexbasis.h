#pragma once
// The host side of log-in: the log-in library asks this object to validate every
// attempt against the program's own users (gUsrInfos).
#include "login/include/quillon.h"

namespace ostrel {

class cEXBasis final : public com::Object<quillon::iEXBasis> {
public:
    void LogOff(quillon::eLogStates& LogState) override;
    void GetUsers(quillon::Users* users, qint32 Options) override;
    void GetState(quillon::eLogStates& State) override;
    // A log-in loads the user into gUsrInfos. A password change validates the old
    // password as a log-in, wants six characters or more, and stores the new one.
    quillon::eValidateStates Validate(const QString& LogName, const QString& Password,
                                      const QString& NewPassword = QString(),
                                      quillon::eValidateStyles ValidateStyle = quillon::eValidateStyles(0)) override;
    QString PasswordRules(QString& OrignalRules) override;

    static constexpr int kMinPasswordLength = 6;
};

} // namespace ostrel
