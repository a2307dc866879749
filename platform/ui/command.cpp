#include "platform/ui/command.h"

#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"

namespace ui {

void reportError(const std::exception& e, QWidget* parent, const QString& title)
{
    const auto* v = dynamic_cast<const vb::Error*>(&e);
    const QString text = v ? v->description() : QString::fromLocal8Bit(e.what());
    MsgBox(text, vbExclamation, title, parent);
    DoEvents();
}

bool runCommand(const std::function<void()>& body, QWidget* parent, const QString& title)
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
        reportError(e, parent, title);
    } catch (...) {
        restore();
        reportError(vb::Error::runtime(5), parent, title);
    }
    return false;
}

} // namespace ui
