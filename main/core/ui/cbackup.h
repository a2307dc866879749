#pragma once
// The backup as the program runs it: BackupTables with its progress on a Cindral hub,
// and the command that asks before replacing a backup and tells the outcome.
#include "platform/dao/dao.h"
#include <QString>
#include <memory>

class QWidget;

namespace cindral {
class Hub;
}

namespace ostrel {

class cBackup {
public:
    cBackup();
    ~cBackup();
    cBackup(const cBackup&) = delete;
    cBackup& operator=(const cBackup&) = delete;

    // Copies the tables of Source named in Tables (";"-separated) into TargetFile
    // (BackupTables of backup.h): asks nothing, replaces an existing target once the new
    // file is complete and raises on failure, leaving the old target as it was.
    // Returns 1.
    int Excute(dao::Database& Source, QString& TargetFile, QString& Tables);

    // The user's backup command: asks before an existing TargetFile is replaced, runs
    // Excute and shows its success (information icon) or its error. Returns 1 when done.
    int Run(dao::Database& Source, QString& TargetFile, QString& Tables, QWidget* parent = nullptr);

    QString TargetFile() const { return m_targetFile; }
    dao::Database Source() const { return m_source; }

    // The progress object of this backup.
    cindral::Hub& progress() const { return *m_progress; }

private:
    dao::Database m_source;
    QString m_targetFile;
    std::unique_ptr<cindral::Hub> m_progress;
};

// The main window's backup: gDatabase into Ostrel.STB in the program's folder.
int BackupMainDatabase(QWidget* parent = nullptr);

} // namespace ostrel
