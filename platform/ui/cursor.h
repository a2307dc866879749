#pragma once
// Confining the mouse pointer to a screen rectangle. Qt has no portable confinement, so the
// service only records the rectangle (a drag clamps its own positions to it); callers and
// tests read it back. One confinement at a time, as the system has.
#include <QRect>

namespace ui {

// Confines the pointer to r (screen pixels); an empty rectangle frees it.
void ClipCursor(const QRect& r);
void ReleaseClipCursor();
// The rectangle in force, or an empty one when the pointer is free.
QRect cursorClip();

} // namespace ui
