#pragma once
// Helpers every test may use: a private program folder, fixture paths.
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testutil {

// A fresh temporary folder that becomes the program's folder while the object lives.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    QString path() const;
    QString file(const QString& name) const;
    // Registers the built component libraries in this folder's registry.
    void registerComponents() const;
    // Called for every new folder (the windowed tests' main forgets what was shown).
    static void (*s_newFolder)();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
    QString m_previousSettings;
};

// The folder of the built binaries (libraries, tools).
QString binDir();
// A file under tests/ in the source tree.
QString dataFile(const QString& relative);

} // namespace testutil
