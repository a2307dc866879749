#include "platform/ui/cursor.h"

namespace ui {
namespace {

QRect& clip()
{
    static QRect r;
    return r;
}

} // namespace

void ClipCursor(const QRect& r) { clip() = r.isValid() ? r : QRect(); }

void ReleaseClipCursor() { clip() = QRect(); }

QRect cursorClip() { return clip(); }

} // namespace ui
