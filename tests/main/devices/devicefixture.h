#pragma once
// A new database with helpers for the device and history tests: devices, files, values.
#include "tests/common/raised.h"
#include "tests/main/core/dbfixture.h"
#include <QFile>
#include <QRandomGenerator>

namespace testutil {

class DeviceDatabaseTest : public MainDatabaseTest {
protected:
    // Adds a device row; invalid values are left Null.
    void addDevice(qint32 id, const QString& number, const QVariant& serial = QVariant(),
                   const QVariant& depart = QVariant(), const QVariant& place = QVariant())
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
        rs.AddNew();
        rs(QStringLiteral("Dev_ID")).setValue(id);
        rs(QStringLiteral("设备编号")).setValue(number);
        if (serial.isValid())
            rs(QStringLiteral("ManuNo")).setValue(serial);
        if (depart.isValid())
            rs(QStringLiteral("Dep_ID")).setValue(depart);
        if (place.isValid())
            rs(QStringLiteral("安装地点")).setValue(place);
        rs.Update();
        rs.Close();
    }

    // The first column of the first row of a query; Null without a row.
    QVariant value(const QString& sql)
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(sql, dao::dbOpenSnapshot);
        const QVariant v = rs.Eof() ? QVariant() : rs(0).Value();
        rs.Close();
        return v;
    }

    // Every row of the device and history tables, as text.
    QString everything()
    {
        QString all;
        for (const char* t : {"Dev_Info", "Transfer", "Maintain", "Checks", "Discard", "Dev_Docs"}) {
            dao::Recordset rs = ostrel::gDatabase.OpenRecordset(
                QStringLiteral("SELECT * FROM [%1];").arg(QLatin1String(t)), dao::dbOpenSnapshot);
            while (!rs.Eof()) {
                for (int i = 0; i < rs.Fields().Count(); ++i)
                    all += rs(i).Value().toString() + QLatin1Char('|');
                all += QLatin1Char('\n');
                rs.MoveNext();
            }
            rs.Close();
        }
        return all;
    }

    // Writes a file into the program folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder->file(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QByteArray randomBytes(int size)
    {
        QByteArray b(size, Qt::Uninitialized);
        QRandomGenerator gen(17);
        for (int i = 0; i < size; ++i)
            b[i] = char(gen.bounded(256));
        return b;
    }
};

} // namespace testutil
