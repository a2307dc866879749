#pragma once
// The one boundary around a window's command: a raised error's description is shown
// in a message box with the exclamation icon, the window stays open and the busy
// pointer is back where it was when the command began.
//
//   void frmX::cmdOK_Click() { ui::runCommand([&] { ... }); }
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace ui {

// Shows e's description (a vb::Error's, or what() of any other) with the exclamation icon;
// an empty title is the host program's (a component library passes its own).
void reportError(const std::exception& e, QWidget* parent = nullptr, const QString& title = QString());

// Runs body; returns false when it raised (after the message was shown).
bool runCommand(const std::function<void()>& body, QWidget* parent = nullptr, const QString& title = QString());

} // namespace ui
