#pragma once
// The library's own host: one built-in account, bound until a program binds its own.
#include "login/include/quillon.h"

namespace quillon {

class DefaultEXBasis final : public com::Object<iEXBasis> {
public:
    void LogOff(eLogStates& LogState) override { LogState = eLogOff; }
    void GetUsers(quillon::Users*, qint32) override {}
    void GetState(eLogStates&) override {}
    eValidateStates Validate(const QString& LogName, const QString& Password, const QString& NewPassword,
                             eValidateStyles ValidateStyle) override;
    QString PasswordRules(QString& OrignalRules) override { return OrignalRules; }
};

} // namespace quillon
