#pragma once
// A fresh Ostrel.mdb in a private program folder, opened as gDatabase, for the tests of
// the services that show nothing.
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

namespace testutil {

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::make_unique<ProgramFolder>();
        created = ostrel::CreateNewDatabase(folder->path(), QStringLiteral("admin"), QStringLiteral("secret-1"));
        ostrel::OpenMainDatabase();
    }
    void TearDown() override
    {
        if (!ostrel::gDatabase.isNothing())
            ostrel::gDatabase.Close();
        ostrel::gDatabase = dao::Database();
        folder.reset();
    }
    // The rows a query gives, each as its fields joined by "|".
    static QStringList rows(const QString& sql)
    {
        QStringList out;
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(sql, dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            QStringList fields;
            for (int i = 0; i < rs.Fields().Count(); ++i)
                fields.append(rs.Fields(i).Value().toString());
            out.append(fields.join(QLatin1Char('|')));
            rs.MoveNext();
        }
        rs.Close();
        return out;
    }
    static QStringList sysInfo() { return rows(QStringLiteral("SELECT * FROM [SysInfo] ORDER BY [ID];")); }
    static void exec(const QString& sql) { ostrel::gDatabase.Execute(sql); }
    static QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList files() const { return QDir(folder->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<ProgramFolder> folder;
    ostrel::NewDatabaseResult created;
};

} // namespace testutil
