#pragma once
// The program-wide objects that services and windows share, and the program's version.
// Start-up makes them; tests set them as they need.
#include "rulegen/include/tessaly.h"
#include <QString>
#include <memory>

namespace ostrel {

class UsrInfos;

struct AppVersion {
    int major = 1;
    int minor = 0;
    int revision = 0;
};
AppVersion appVersion();
void setAppVersion(const AppVersion& version);
// "major.minor.revision"
QString VersionText();

// The settings application name: the title, the major version, "." and the minor one.
QString ComposeAppName();

extern std::unique_ptr<UsrInfos> gUsrInfos;
extern com::ComPtr<tessaly::ICodeClass> gCodes;

} // namespace ostrel
