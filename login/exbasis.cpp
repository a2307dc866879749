#include "login/exbasis.h"

namespace quillon {

eValidateStates DefaultEXBasis::Validate(const QString& LogName, const QString& Password, const QString&,
                                         eValidateStyles)
{
    static const QString account = QStringLiteral("Tavin");
    if (LogName != account)
        return eUserNotExist;
    if (Password != account)
        return ePasswordDenied;
    return eValidatePassed;
}

} // namespace quillon
