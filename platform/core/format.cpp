#include "platform/core/format.h"
#include "platform/core/vberror.h"

namespace vb {
QString Format(const QVariant& value, const QString&) { return value.toString(); }
double Val(const QString& text) { return text.toDouble(); }
QString CStr(const QVariant& value) { return value.toString(); }
QDateTime toDate(const QVariant& value, bool* ok) { QDateTime d = value.toDateTime(); if (ok) *ok = d.isValid(); return d; }
QDateTime CDate(const QVariant& value) { return value.toDateTime(); }
bool IsDate(const QVariant& value) { return value.toDateTime().isValid(); }
bool IsNumeric(const QVariant& value) { bool ok = false; value.toString().toDouble(&ok); return ok; }
QString dateToStored(const QDateTime& date) { return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }
QDateTime dateFromStored(const QString& text) { return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss")); }
}
