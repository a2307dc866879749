#pragma once
// Device rows for the tests of the device list's conditions and of the list itself.
#include "main/core/mdlmisc.h"
#include "platform/dao/transaction.h"
#include <QStringList>
#include <QVariant>

namespace testutil::devicerows {

inline QString sqlValue(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QString)
        return ostrel::SqlText(v.toString());
    return ostrel::SqlNumber(v);
}

// A device row; cls1 is its 设备大类, its group 0.
inline void addDevice(qint32 id, const QString& no, const QVariant& name, const QVariant& value, const QVariant& check,
                      const QVariant& state, const QVariant& dep, const QVariant& cls1 = QVariant())
{
    ostrel::gDatabase.Execute(
        QStringLiteral("INSERT INTO [Dev_Info] ([Dev_ID],[设备编号],[设备名称],[价值],[验收状况],[设备状况],[Dep_ID],"
                       "[Dev_Grp],[设备大类]) VALUES (") +
        QStringList{QString::number(id), ostrel::SqlText(no), sqlValue(name), sqlValue(value), sqlValue(check),
                    sqlValue(state), sqlValue(dep), QStringLiteral("0"), sqlValue(cls1)}
            .join(QLatin1Char(',')) +
        QStringLiteral(");"));
}

// n devices "D00001".. with the value 1.25 each, in department (i % 3) + 1.
inline void addDevices(int n, int firstId = 1)
{
    dao::Transaction tx;
    for (int i = 0; i < n; ++i) {
        const int id = firstId + i;
        addDevice(id, QStringLiteral("D%1").arg(id, 5, 10, QLatin1Char('0')), QStringLiteral("设备%1").arg(id), 1.25, 0,
                  0, (i % 3) + 1, QStringLiteral("大类"));
    }
    tx.commit();
}

// Departments 3 "D" and 1 "总部", and devices whose classes hold Null, blank, padded
// and quoted values.
inline void addTreeDevices()
{
    ostrel::gDatabase.Execute(QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (50,'Departs',3,'D');"));
    ostrel::gDatabase.Execute(
        QStringLiteral("INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (51,'Departs',1,'总部');"));
    addDevice(1, QStringLiteral("A1"), QStringLiteral("甲"), 10.5, 0, 0, 1, QStringLiteral("T"));
    addDevice(2, QStringLiteral("A2"), QStringLiteral("乙"), 1, 0, 0, 3, QStringLiteral("  T "));
    addDevice(3, QStringLiteral("A3"), QStringLiteral("丙"), QVariant(), 0, 0, 3, QVariant());
    addDevice(4, QStringLiteral("A4"), QStringLiteral("丁"), 2.25, 0, 0, 3, QStringLiteral("  "));
    addDevice(5, QStringLiteral("A5"), QStringLiteral("戊"), 3, 0, 0, 2, QStringLiteral("O'Brien"));
    addDevice(6, QStringLiteral("A6"), QStringLiteral("己"), 4, 0, 0, 3, QStringLiteral("T"));
}

} // namespace testutil::devicerows
