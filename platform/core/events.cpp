#include "platform/core/events.h"
#include <QApplication>
#include <QCursor>

namespace ui {
namespace {
int g_busy = 0;
}

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void beginBusy()
{
    if (g_busy++ == 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void endBusy()
{
    if (g_busy == 0)
        return;
    if (--g_busy == 0 && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}

int busyDepth() { return g_busy; }

} // namespace ui
