// The library's four entry points and the classes it serves.
#include "login/activezoom.h"
#include "login/exbasis.h"
#include "login/userinfo.h"
#include "shared/com/server.h"

namespace {
const com::ClassEntry kClasses[] = {
    {quillon::UserInfo::clsid(), "Quillon.UserInfo", &com::createFor<quillon::UserInfoImpl>},
    {quillon::ActiveZoom::clsid(), "Quillon.ActiveZoom", &com::createFor<quillon::ActiveZoomImpl>},
    {quillon::iEXBasis::clsid(), "Quillon.iEXBasis", &com::createFor<quillon::DefaultEXBasis>},
};
} // namespace

COM_SERVER_ENTRY_POINTS(kClasses)
