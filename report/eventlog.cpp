#include "report/eventlog.h"
#include "platform/core/eventlog.h"

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
    plat::LogEvent(QStringLiteral("Parvel"), text);
    if (watcher())
        watcher()(text);
}

void setLogWatcher(std::function<void(const QString&)> w) { watcher() = std::move(w); }

} // namespace parvel
