// The library's four entry points and the one class it serves.
#include "report/parvel.h"
#include "shared/com/server.h"

namespace {
const com::ClassEntry kClasses[] = {
    {parvel::Parvel::clsid(), "Parvels.Parvel", &com::createFor<parvel::Parvel>},
};
} // namespace

COM_SERVER_ENTRY_POINTS(kClasses)
