#pragma once
// Window handles: small numbers that stand for top-level windows and controls where
// callers pass a window as a 32-bit value.
#include <QtGlobal>

class QWidget;

namespace ui {

using HWND = qint32;

// The handle of a widget (the same number for as long as the widget lives); 0 for none.
HWND windowHandle(QWidget* w);
// The widget of a handle, or nullptr when the handle is 0, unknown or its widget is gone.
QWidget* windowFromHandle(HWND h);

} // namespace ui
