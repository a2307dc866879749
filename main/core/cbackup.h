#pragma once
// Backing chosen tables of an open database up into a new password-protected file.
#include "platform/dao/dao.h"
#include <QString>
#include <memory>

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

    // Copies the tables of Source named in Tables (";"-separated, letter case ignored;
    // a source name "prefix.Name" matches "Name") into a new database TargetFile.
    // The new file is written beside the target and replaces it only once complete;
    // an existing target is kept until then, and kept for good when anything fails.
    // Returns 1 when the backup was completed, 0 otherwise.
    int Excute(dao::Database& Source, QString& TargetFile, QString& Tables);

    QString TargetFile() const { return m_targetFile; }
    dao::Database Source() const { return m_source; }

    // The progress object of this backup.
    cindral::Hub& progress() const { return *m_progress; }

private:
    void copyTable(const dao::TableDef& source, const QString& name);
    void discardBackup();

    dao::Database m_source;
    QString m_targetFile;
    dao::Database m_backup;
    qint32 m_answer = 0;
    std::unique_ptr<cindral::Hub> m_progress;
    QString m_tempFile;
};

// The main window's backup: gDatabase into Ostrel.STB in the program's folder.
int BackupMainDatabase();

} // namespace ostrel
