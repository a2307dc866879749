#include "tests/common/testutil.h"
#include "platform/core/app.h"
#include "platform/core/settings.h"
#include <stdexcept>

namespace testutil {

void (*ProgramFolder::s_newFolder)() = nullptr;

ProgramFolder::ProgramFolder() : m_dir(std::make_unique<QTemporaryDir>()), m_previous(plat::appPath())
{
    if (!m_dir->isValid())
        throw std::runtime_error("cannot create a temporary folder");
    plat::setAppPath(m_dir->path());
    // Per-user settings stay inside the folder too, so tests never share them.
    m_previousSettings = plat::settingsFolder();
    plat::setSettingsFolder(m_dir->path() + QStringLiteral("/.settings"));
    if (s_newFolder)
        s_newFolder();
}

ProgramFolder::~ProgramFolder()
{
    plat::setAppPath(m_previous);
    plat::setSettingsFolder(m_previousSettings);
}

QString ProgramFolder::path() const { return m_dir->path(); }
QString ProgramFolder::file(const QString& name) const { return m_dir->path() + QLatin1Char('/') + name; }

QString binDir() { return QStringLiteral(OSTREL_BIN_DIR); }
QString dataFile(const QString& relative) { return QStringLiteral(OSTREL_TEST_DATA_DIR "/") + relative; }

} // namespace testutil
