#include "report/eventlog.h"
#include <syslog.h>

namespace parvel {

namespace {
std::function<void(const QString&)>& watcher()
{
    static std::function<void(const QString&)> w;
    return w;
}
} // namespace

void logFailure(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // The ident must outlive the connection, so it is a literal; closing again leaves
    // other users of syslog in this process with their own ident.
    openlog("Parvel", LOG_PID | LOG_NDELAY, LOG_USER);
    syslog(LOG_ERR, "%s", utf8.constData());
    closelog();
    if (watcher())
        watcher()(text);
}

void setLogWatcher(std::function<void(const QString&)> w) { watcher() = std::move(w); }

} // namespace parvel
