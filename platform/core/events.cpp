#include "platform/core/events.h"
#include <QCoreApplication>

namespace ui {
namespace {
int g_busy = 0;
void (*g_pointer)(bool) = nullptr;
} // namespace

void DoEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void setBusyPointer(void (*show)(bool on)) { g_pointer = show; }

void beginBusy()
{
    if (g_busy++ == 0 && g_pointer)
        g_pointer(true);
}

void endBusy()
{
    if (g_busy == 0)
        return;
    if (--g_busy == 0 && g_pointer)
        g_pointer(false);
}

int busyDepth() { return g_busy; }

} // namespace ui
