#include "platform/ui/beep.h"
#include "platform/core/msgbox.h"
#include <QApplication>

namespace ui {
namespace {

void forgetBeeps();

int& beepCount()
{
    static int n = 0;
    static const bool hooked = (script::addClearHook(&forgetBeeps), true);
    Q_UNUSED(hooked);
    return n;
}

void forgetBeeps() { beepCount() = 0; }

} // namespace

void Beep()
{
    ++beepCount();
    if (!script::enabled())
        QApplication::beep();
}

namespace script {
int beeps() { return beepCount(); }
} // namespace script

} // namespace ui
