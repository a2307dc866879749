#pragma once
// Where the library's failures go: the system log, under the library's name.
#include <QString>
#include <functional>

namespace parvel {

void logFailure(const QString& text);

// Tests watch the log through this; null stops watching.
void setLogWatcher(std::function<void(const QString&)> watcher);

} // namespace parvel
