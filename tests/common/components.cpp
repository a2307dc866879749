#include "tests/common/testutil.h"
#include "shared/com/create.h"
#include <stdexcept>

namespace testutil {

void ProgramFolder::registerComponents() const
{
    // The libraries register into the registry of the current program folder: this one.
    for (const char* lib : {"libTessaly.so", "libQuillon.so", "libParvel.so"}) {
        const QString path = binDir() + QLatin1Char('/') + QLatin1String(lib);
        if (com::failed(com::registerLibrary(path)))
            throw std::runtime_error(std::string("cannot register ") + lib);
    }
}

} // namespace testutil
