#include "platform/ui/winlock.h"
#include <QList>
#include <QPointer>
#include <QWidget>

namespace ui {
namespace {
// Every lock held, oldest first; a window appears once per lock.
QList<QPointer<QWidget>>& locks()
{
    static QList<QPointer<QWidget>> l;
    return l;
}

void release(int index)
{
    QPointer<QWidget> w = locks().takeAt(index);
    if (w && !locks().contains(w))
        w->setUpdatesEnabled(true);
}
} // namespace

void LockWindowUpdate(QWidget* w)
{
    locks().removeAll(nullptr);
    if (!w) {
        if (!locks().isEmpty())
            release(locks().size() - 1);
        return;
    }
    if (!locks().contains(w))
        w->setUpdatesEnabled(false);
    locks().append(w);
}

void unlockWindowUpdate(QWidget* w)
{
    locks().removeAll(nullptr);
    if (!w)
        return;
    const int i = locks().lastIndexOf(w);
    if (i >= 0)
        release(i);
}

int windowUpdateLocks(const QWidget* w)
{
    int n = 0;
    for (const auto& p : locks())
        if (p.data() == w)
            ++n;
    return n;
}

WindowUpdateLock::WindowUpdateLock(QWidget* w) : m_w(w) { LockWindowUpdate(w); }
WindowUpdateLock::~WindowUpdateLock() { unlockWindowUpdate(m_w); }

} // namespace ui
