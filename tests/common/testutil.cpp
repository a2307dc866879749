#include "tests/common/testutil.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "shared/com/create.h"
#include <stdexcept>

namespace testutil {

ProgramFolder::ProgramFolder() : m_dir(std::make_unique<QTemporaryDir>()), m_previous(plat::appPath())
{
    if (!m_dir->isValid())
        throw std::runtime_error("cannot create a temporary folder");
    plat::setAppPath(m_dir->path());
    // Per-user settings stay inside the folder too, so tests never share them.
    m_previousSettings = plat::settingsFolder();
    plat::setSettingsFolder(m_dir->path() + QStringLiteral("/.settings"));
    ui::script::clear();
}

ProgramFolder::~ProgramFolder()
{
    plat::setAppPath(m_previous);
    plat::setSettingsFolder(m_previousSettings);
}

QString ProgramFolder::path() const { return m_dir->path(); }
QString ProgramFolder::file(const QString& name) const { return m_dir->path() + QLatin1Char('/') + name; }

void ProgramFolder::registerComponents() const
{
    // The libraries register into the registry of the current program folder: this one.
    for (const char* lib : {"libTessaly.so", "libQuillon.so", "libParvel.so"}) {
        const QString path = binDir() + QLatin1Char('/') + QLatin1String(lib);
        if (com::failed(com::registerLibrary(path)))
            throw std::runtime_error(std::string("cannot register ") + lib);
    }
}

QString binDir() { return QStringLiteral(OSTREL_BIN_DIR); }
QString dataFile(const QString& relative) { return QStringLiteral(OSTREL_TEST_DATA_DIR "/") + relative; }

} // namespace testutil
