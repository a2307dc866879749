#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/app.h"

namespace ostrel {

std::unique_ptr<UsrInfos> gUsrInfos;
com::ComPtr<tessaly::ICodeClass> gCodes;

namespace {

AppVersion& versionStore()
{
    static AppVersion v;
    return v;
}

} // namespace

AppVersion appVersion() { return versionStore(); }
void setAppVersion(const AppVersion& version) { versionStore() = version; }

QString VersionText()
{
    const AppVersion v = appVersion();
    return QString::number(v.major) + QLatin1Char('.') + QString::number(v.minor) + QLatin1Char('.') +
           QString::number(v.revision);
}

QString ComposeAppName()
{
    const AppVersion v = appVersion();
    return plat::appTitle() + QString::number(v.major) + QLatin1Char('.') + QString::number(v.minor);
}

} // namespace ostrel
