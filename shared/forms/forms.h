#pragma once
// Giving a window its texts from a string table, and keeping its placement.
//
// Where a window keeps its resource numbers:
//   the window                        property "tag"           -> window title
//   QLabel                            property "tag"           -> text (+ ":" with labelColon)
//   menu entry (QAction in a QMenu or menu bar, or a QMenu's title)
//                                     its text is the number   -> text
//   QTabBar / QTabWidget tabs         tabData(i) of the tab bar -> tab text;
//                                     a numeric tab tool tip   -> tool tip
//   QToolBar actions                  a numeric tool tip       -> tool tip
//   item views (tree, table, list)    headerData(col, Horizontal, Qt::UserRole) -> header text
//   buttons, check boxes, group boxes property "tag" > 0       -> text / title
//   any widget                        a numeric tool tip >= 1  -> tool tip
#include <QString>

class QWidget;

namespace res {
class StringTable;
}

namespace forms {

// The property that holds a widget's resource number.
inline constexpr const char* kTag = "tag";

// Replaces the resource numbers of a window and its controls by the texts of the table,
// gives every control the window's font, and takes font name and size from strings 20
// and 21 when the table has them. The code-rule library passes labelColon = true, which
// puts ":" after every label text it looks up. Whatever cannot be looked up keeps its
// designed text; nothing is reported.
void LoadResStrings(QWidget* form, const res::StringTable& table, bool labelColon = false);

// Restores (load = true) or stores (load = false) a window's placement under key in
// section "Settings" of plat::appName(): "left;top;width;height;state" in twips, the
// state "Normal" or "Max". defaultText is used when nothing is stored (an empty one
// centres the window at its present size); defaultState fills in a missing fifth field.
// show = true shows the window without waiting once it is placed (restoring only).
// A failure is shown in a message box and the placement stays as it was.
void FormLayout(QWidget* form, const QString& key, bool load, const QString& defaultText = QString(),
                const QString& defaultState = QString(), bool show = false);

} // namespace forms
