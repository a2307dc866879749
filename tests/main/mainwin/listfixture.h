#pragma once
// A fresh database with devices for the tree and list, and users who may see some departments.
#include "main/core/password.h"
#include "tests/data/devicerows.h"
#include "tests/main/core/dbfixture.h"

namespace testutil {

class ListDatabaseTest : public MainDatabaseTest {
protected:
    static void addDevice(qint32 id, const QString& no, const QVariant& name, const QVariant& value,
                          const QVariant& check, const QVariant& state, const QVariant& dep,
                          const QVariant& cls1 = QVariant())
    {
        devicerows::addDevice(id, no, name, value, check, state, dep, cls1);
    }
    static void addDevices(int n, int firstId = 1) { devicerows::addDevices(n, firstId); }
    static void addTreeDevices() { devicerows::addTreeDevices(); }

    // A level-3 user with every flag who may see `departs` (codes joined by ";").
    void logInWithDeparts(const QString& departs, int level = 3,
                          const QString& flags = QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1;-1"))
    {
        addSysInfo(100, QStringLiteral("Users"), level, QStringLiteral("zhou"),
                   ostrel::HashPassword(QStringLiteral("zhou-pw")) + QLatin1Char('\r') + departs + QLatin1Char('\r') +
                       flags);
        logIn(QStringLiteral("zhou"), QStringLiteral("zhou-pw"));
    }
};

} // namespace testutil
