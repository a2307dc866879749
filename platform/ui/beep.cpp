#include "platform/ui/beep.h"
#include "platform/core/msgbox.h"
#include <QApplication>

namespace ui {
namespace {

struct BeepScript {
    int count = 0;
};

int& beepCount() { return script::serviceState<BeepScript>().count; }

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
