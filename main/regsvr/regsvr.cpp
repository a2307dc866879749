// ostrel-regsvr [-u] LIBRARY...: registers (or with -u unregisters) component libraries
// in the registry of the folder this tool lives in.
#include "shared/com/create.h"
#include "platform/core/translations.h"
#include "shared/res/strings.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    plat::installQtTranslations(res::userLocale());
    if (argc < 2) {
        std::fprintf(stderr, "usage: ostrel-regsvr [-u] LIBRARY...\n"
                             "  registers the component libraries in the folder of this tool\n"
                             "  (-u: unregisters them)\n");
        return 2;
    }
    bool unregister = false;
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("-u")) {
            unregister = true;
            continue;
        }
        const QString path = QFileInfo(arg).absoluteFilePath();
        const com::HRESULT hr = unregister ? com::unregisterLibrary(path) : com::registerLibrary(path);
        if (com::failed(hr)) {
            const QString why = com::lastLoadFailure();
            std::fprintf(stderr, "ostrel-regsvr: %s failed for %s (0x%08x)%s%s\n",
                         unregister ? "unregister" : "register", qPrintable(path), unsigned(hr),
                         why.isEmpty() ? "" : ": ", why.toLocal8Bit().constData());
            rc = 1;
        }
    }
    return rc;
}
