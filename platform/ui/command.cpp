#include "platform/ui/command.h"

#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"

namespace ui {

void reportError(const std::exception& e, QWidget* parent)
{
    const auto* v = dynamic_cast<const vb::Error*>(&e);
    const QString text = v ? v->description() : QString::fromLocal8Bit(e.what());
    MsgBox(text, vbExclamation, QString(), parent);
    DoEvents();
}

bool runCommand(const std::function<void()>& body, QWidget* parent)
{
    const int busy = busyDepth();
    auto restore = [busy] {
        while (busyDepth() > busy)
            endBusy();
    };
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        restore();
        reportError(e, parent);
    } catch (...) {
        restore();
        reportError(vb::Error::runtime(5), parent);
    }
    return false;
}

} // namespace ui
