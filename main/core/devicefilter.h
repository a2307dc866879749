#pragma once
// The conditions of the device tree and the device list, apart from any widget: the
// classification schemes, a node's condition and path, the user filter and the
// departments the operator may see.
#include <QString>
#include <QStringList>
#include <QVector>

namespace ostrel {

// The condition allowing only the operator's departments: "" when departIds is empty,
// "([Dep_ID] IN (1,3))" for the whole numbers of the ","-separated list, and a
// condition no row meets when the list holds none.
QString DepartCondition(const QString& departIds);

} // namespace ostrel
