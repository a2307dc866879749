// The hourglass of ui::beginBusy/endBusy, shown once this library is loaded.
#include "platform/core/events.h"
#include <QApplication>
#include <QCursor>

namespace {

void showBusy(bool on)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

const bool registered = (ui::setBusyPointer(showBusy), true);

} // namespace
