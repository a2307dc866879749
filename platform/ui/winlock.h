#pragma once
// Stopping a window from repainting while it is filled. Locks count: the window
// paints again when the last lock is released.
class QWidget;

namespace ui {

// Locks w. LockWindowUpdate(nullptr) releases the most recent lock still held.
void LockWindowUpdate(QWidget* w);
void unlockWindowUpdate(QWidget* w);
// How many locks w holds.
int windowUpdateLocks(const QWidget* w);

class WindowUpdateLock {
public:
    explicit WindowUpdateLock(QWidget* w);
    ~WindowUpdateLock();
    WindowUpdateLock(const WindowUpdateLock&) = delete;
    WindowUpdateLock& operator=(const WindowUpdateLock&) = delete;

private:
    QWidget* m_w;
};

} // namespace ui
