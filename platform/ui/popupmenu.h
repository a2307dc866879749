#pragma once
// Pop-up menus. Tests script them: instead of showing the menu, the next queued answer
// chooses an entry by its object name (searched in submenus too), or dismisses the menu;
// every menu popped up is recorded with the state of its entries.
#include <QList>
#include <QMap>
#include <QPoint>
#include <QString>

class QAction;
class QMenu;

namespace ui {

// Shows menu at globalPos and waits; the chosen entry is triggered and returned, or
// nullptr when the menu was dismissed. A scripted choice of a disabled or hidden entry
// is a dismissal, as a user cannot choose it.
QAction* PopupMenu(QMenu* menu, const QPoint& globalPos);

struct ShownMenu {
    QString name;                 // the menu's object name
    QMap<QString, bool> enabled;  // each named entry (submenus' too) -> enabled
};

namespace script {
// Queues the choice for the next pop-up menu: an entry's object name; empty dismisses.
void answerMenu(const QString& entryName);
QList<ShownMenu> menusShown();
} // namespace script

} // namespace ui
