#pragma once
// Backing chosen tables of an open database up into a new password-protected file.
#include "platform/dao/dao.h"
#include <QString>
#include <QStringList>

namespace ostrel {

// What a backup tells while it runs.
class BackupProgress {
public:
    virtual ~BackupProgress() = default;
    virtual void text(const QString& text) = 0;
    virtual void show(bool on) = 0;
    virtual void percent(int value) = 0;
};

// Copies the tables of source named in tables (letter case ignored; a source name
// "prefix.Name" matches "Name") into a new database at target. The new file is written
// beside the target and replaces it only once complete: on any error the old target is
// kept as it was, no partial file is left, and the error is raised.
void BackupTables(dao::Database& source, const QString& target, const QStringList& tables,
                  BackupProgress* progress = nullptr);

} // namespace ostrel
