#pragma once
// Creating a new, empty Ostrel.mdb with its tables, the code-0 entries of the base-data
// lists, a first administrator and the default code rule.
#include "main/core/schema.h"
#include "platform/dao/dao.h"
#include <QString>

namespace ostrel {

// Creates table t in db with its indexes.
void CreateTable(dao::Database& db, const schema::Table& t);

struct NewDatabaseResult {
    QString path;
    QString adminName;
    QString adminPassword;
};

// A password of letters and digits that are hard to mistake for one another.
QString GeneratePassword(int length = 10);

// Creates FOLDER/Ostrel.mdb. Refuses (vb::Error 3204) when the file exists; on any
// failure removes what it created. An empty password generates one; one with a blank at
// either end is refused (password.h).
NewDatabaseResult CreateNewDatabase(const QString& folder, const QString& adminName = QStringLiteral("admin"),
                                    const QString& adminPassword = QString());

} // namespace ostrel
