#include "main/core/cexbasis.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"

namespace ostrel {

void cEXBasis::LogOff(quillon::eLogStates& LogState) { LogState = quillon::eLogOff; }

void cEXBasis::GetUsers(quillon::Users*, qint32) {}

void cEXBasis::GetState(quillon::eLogStates&) {}

quillon::eValidateStates cEXBasis::Validate(const QString& LogName, const QString& Password,
                                            const QString& NewPassword, quillon::eValidateStyles ValidateStyle)
{
    if (ValidateStyle & quillon::eValidateLogin) {
        if (!gUsrInfos)
            return quillon::eValideIncorrect;
        qint32 id = 0;
        switch (gUsrInfos->Load(LogName, id, Password)) {
        case 0:
            return quillon::eValidatePassed;
        case kErrNoSuchUser:
            return quillon::eUserNotExist;
        case kErrPasswordOrLevel:
            return quillon::ePasswordDenied;
        default:
            return quillon::eValideIncorrect;
        }
    }

    // A password change: the old password always counts.
    if (Validate(LogName, Password, QString(), quillon::eValidateLogin) != quillon::eValidatePassed)
        return quillon::ePasswordDenied;
    if (NewPassword.size() < kMinPasswordLength || HasOuterBlanks(NewPassword))
        return quillon::eInvalidPassword;
    StoreUserPassword(gUsrInfos->UsrID(), NewPassword);
    return quillon::eValidatePassed;
}

QString cEXBasis::PasswordRules(QString&) { return QStringLiteral("At least six character needed!"); }

} // namespace ostrel
