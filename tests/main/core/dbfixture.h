#pragma once
// A fresh Ostrel.mdb in a private program folder, opened as gDatabase, with a log-in.
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "tests/data/servicefixture.h"
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace testutil {

class MainDatabaseTest : public ServiceTest {
protected:
    void TearDown() override
    {
        ostrel::gUsrInfos.reset();
        ServiceTest::TearDown();
    }

    // Adds a SysInfo row through the layer.
    void addSysInfo(int id, const QString& type, const QVariant& no, const QString& value,
                    const QString& memo = QString())
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(QStringLiteral("SysInfo"), dao::dbOpenDynaset);
        rs.AddNew();
        rs(QStringLiteral("ID")).setValue(id);
        rs(QStringLiteral("Type")).setValue(type);
        rs(QStringLiteral("No")).setValue(no);
        rs(QStringLiteral("Value")).setValue(value);
        if (!memo.isEmpty())
            rs(QStringLiteral("Memo")).setValue(memo);
        rs.Update();
        rs.Close();
    }

    // Logs the user in as gUsrInfos.
    static void logIn(const QString& name, const QString& password)
    {
        ostrel::gUsrInfos = std::make_unique<ostrel::UsrInfos>();
        qint32 id = 0;
        ASSERT_EQ(ostrel::gUsrInfos->Load(name, id, password), 0) << name.toStdString();
    }

    // Another copy of the program on the same file.
    static dao::Database otherCopy()
    {
        return dao::DBEngine::OpenDatabase(ostrel::gDatabase.Name(), false, false, ostrel::schema::connectString());
    }
    // Runs `work` as another copy: the services on a connection of its own.
    static void asOtherCopy(const std::function<void()>& work)
    {
        dao::Database b = otherCopy();
        std::swap(ostrel::gDatabase, b);
        work();
        std::swap(ostrel::gDatabase, b);
        b.Close();
    }

    int count(const QString& sql)
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(sql, dao::dbOpenSnapshot);
        int n = 0;
        while (!rs.Eof()) {
            ++n;
            rs.MoveNext();
        }
        rs.Close();
        return n;
    }
};

} // namespace testutil
