#include "platform/ui/popupmenu.h"
#include "platform/core/msgbox.h"
#include <QAction>
#include <QMenu>
#include <QQueue>

namespace ui {
namespace {

struct MenuScript {
    QQueue<QString> answers;
    QList<ShownMenu> shown;
};

MenuScript& menuScript() { return script::serviceState<MenuScript>(); }

void record(QMenu* menu, ShownMenu& out)
{
    for (QAction* a : menu->actions()) {
        if (!a->objectName().isEmpty())
            out.enabled.insert(a->objectName(), a->isEnabled());
        if (a->menu())
            record(a->menu(), out);
    }
}

// The entry named name, and whether a user could reach it (enabled and visible on the way).
QAction* find(QMenu* menu, const QString& name, bool* reachable)
{
    for (QAction* a : menu->actions()) {
        const bool usable = a->isEnabled() && a->isVisible();
        if (a->objectName() == name) {
            *reachable = usable && !a->isSeparator();
            return a;
        }
        if (a->menu() && usable)
            if (QAction* inner = find(a->menu(), name, reachable))
                return inner;
    }
    return nullptr;
}

} // namespace

QAction* PopupMenu(QMenu* menu, const QPoint& globalPos)
{
    if (!menu)
        return nullptr;
    if (!script::enabled())
        return menu->exec(globalPos);
    MenuScript& s = menuScript();
    ShownMenu shown;
    shown.name = menu->objectName();
    record(menu, shown);
    s.shown.append(shown);
    if (s.answers.isEmpty())
        return nullptr;
    const QString name = s.answers.dequeue();
    if (name.isEmpty())
        return nullptr;
    bool reachable = false;
    QAction* a = find(menu, name, &reachable);
    if (!a || !reachable)
        return nullptr;
    a->trigger();
    return a;
}

namespace script {
void answerMenu(const QString& entryName) { menuScript().answers.enqueue(entryName); }
QList<ShownMenu> menusShown() { return menuScript().shown; }
} // namespace script

} // namespace ui
