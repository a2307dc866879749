#include "platform/core/eventlog.h"
#include <QHash>
#include <QMutex>
#include <syslog.h>

namespace plat {

namespace {
QMutex g_lock;
QHash<QString, QString>& lastEntries()
{
    static QHash<QString, QString> entries;
    return entries;
}
} // namespace

void LogEvent(const QString& source, const QString& text)
{
    const QByteArray ident = source.toUtf8();
    const QByteArray utf8 = text.toUtf8();
    {
        QMutexLocker lock(&g_lock);
        lastEntries().insert(source, text);
        // openlog keeps the ident's pointer: it lives until closelog, so other users of
        // syslog in this process keep their own ident.
        openlog(ident.constData(), LOG_PID | LOG_NDELAY, LOG_USER);
        syslog(LOG_ERR, "%s", utf8.constData());
        closelog();
    }
}

QString TakeLastEvent(const QString& source)
{
    QMutexLocker lock(&g_lock);
    return lastEntries().take(source);
}

} // namespace plat
