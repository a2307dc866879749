#include "main/core/ui/cpicinfo.h"
#include <memory>

namespace ostrel {

namespace {

std::unique_ptr<cPicInfo>& picInfoStore()
{
    static std::unique_ptr<cPicInfo> p;
    return p;
}

} // namespace

cPicInfo& gPicInfo()
{
    auto& p = picInfoStore();
    if (!p)
        p = std::make_unique<cPicInfo>();
    return *p;
}

void ReleasePicInfo() { picInfoStore().reset(); }

} // namespace ostrel
