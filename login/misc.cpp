#include "login/misc.h"
#include "platform/core/events.h"
#include "platform/ui/twips.h"
#include <QCursor>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <pwd.h>
#include <unistd.h>

namespace quillon {
namespace {

std::function<void(qint64)>& pauser()
{
    static std::function<void(qint64)> p;
    return p;
}

ZoomAnimator& animator()
{
    static ZoomAnimator a;
    return a;
}

int roundDiv(int twips, int perPixel) { return int(std::lround(double(twips) / perPixel)); }

// Window systems that place windows themselves (or have no screen) get no animation.
bool windowsCanBePlaced()
{
    const QString p = QGuiApplication::platformName();
    return !(p.isEmpty() || p == QLatin1String("offscreen") || p == QLatin1String("minimal") ||
             p.startsWith(QLatin1String("wayland")));
}

// Moves and sizes the window's frame through a few steps between two rectangles.
// True when it showed the window itself.
bool animateFrame(QWidget* w, const QRect& from, const QRect& to, bool opening)
{
    if (!windowsCanBePlaced() || !w)
        return false;
    QPointer<QWidget> guard(w);
    const bool wasVisible = w->isVisible();
    const QRect oldGeometry = w->geometry();
    const QSize oldMin = w->minimumSize();
    const QSize oldMax = w->maximumSize();
    QLayout* layout = w->layout();
    const QLayout::SizeConstraint oldConstraint = layout ? layout->sizeConstraint() : QLayout::SetDefaultConstraint;
    if (layout)
        layout->setSizeConstraint(QLayout::SetNoConstraint);
    w->setMinimumSize(1, 1);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (!wasVisible) {
        w->setGeometry(from);
        w->show();
    }
    // Frame margins are known once the window is shown.
    const QRect frame = w->frameGeometry();
    const QRect inner = w->geometry();
    const QMargins m(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    const int steps = 12;
    for (int i = 0; i <= steps && guard; ++i) {
        const double t = double(i) / steps;
        auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
        QRect r(QPoint(mix(from.left(), to.left()), mix(from.top(), to.top())),
                QSize(std::max(1, mix(from.width(), to.width())), std::max(1, mix(from.height(), to.height()))));
        r = r.marginsRemoved(m);
        r.setSize(r.size().expandedTo(QSize(1, 1)));
        w->setGeometry(r);
        ui::DoEvents();
        QThread::msleep(12);
    }
    if (!guard)
        return false;
    if (layout)
        layout->setSizeConstraint(oldConstraint);
    w->setMinimumSize(oldMin);
    w->setMaximumSize(oldMax);
    if (opening) {
        w->move(to.topLeft());
        w->resize(oldGeometry.size());
    } else {
        w->setGeometry(oldGeometry);
        if (!wasVisible)
            w->hide();
    }
    return opening && !wasVisible;
}

bool animate(QWidget* w, const WinRect& from, const WinRect& to, bool opening)
{
    if (animator()) {
        animator()(w, from.toQRect(), to.toQRect());
        return false;
    }
    return animateFrame(w, from.toQRect(), to.toQRect(), opening);
}

// The window's own rectangle; empty when there is none.
WinRect windowRect(QWidget* w)
{
    if (!w)
        return {};
    return WinRect::of(w->window()->frameGeometry());
}

// Refuses the user's requests to close a window; the program may still close it.
class CloseRefuser : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        // A window that turns the request into its own Cancel says so by this property.
        if (e->type() == QEvent::Close && e->spontaneous() && !o->property("quillon_handles_close").toBool()) {
            e->ignore();
            return true;
        }
        return QObject::eventFilter(o, e);
    }
};

// Ends a modal wait when its window hides or goes away.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget* w, QEventLoop* loop) : QObject(nullptr), m_w(w), m_loop(loop) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == m_w && e->type() == QEvent::Hide && !m_w->isVisible())
            m_loop->quit();
        return false;
    }

private:
    QWidget* m_w;
    QEventLoop* m_loop;
};

} // namespace

// The zoom divides by whole twips per pixel.
int twipsPerPixelX() { return std::max(1, int(std::lround(ui::twipsPerPixelX()))); }
int twipsPerPixelY() { return std::max(1, int(std::lround(ui::twipsPerPixelY()))); }

WinRect centredFifth(const WinRect& r)
{
    const double w = r.width(), h = r.height();
    WinRect f;
    f.left = int(std::lround(r.left + w / 2 - w / 10));
    f.right = int(std::lround(r.left + w / 2 - w / 10 + 2 * w / 10));
    f.top = int(std::lround(r.top + h / 2 - h / 10));
    f.bottom = int(std::lround(r.top + h / 2 - h / 10 + 2 * h / 10));
    return f;
}

namespace {

// Where a zoom starts or ends: a fifth of `w` in its centre (mode 0), the mouse pointer (1)
// or the point x, y in twips (2); an empty rectangle otherwise.
WinRect zoomEnd(int mode, QWidget* w, int x, int y)
{
    switch (mode) {
    case 0:
        return w ? centredFifth(windowRect(w)) : WinRect();
    case 1: {
        const QPoint p = QCursor::pos();
        return {p.x(), p.y(), p.x() + 1, p.y() + 1};
    }
    case 2: {
        const int px = x / twipsPerPixelX(), py = y / twipsPerPixelY();
        return {px, py, px + 1, py + 1};
    }
    default:
        return WinRect();
    }
}

} // namespace

void pRemoveMenus(QWidget* window, int menus)
{
    if (!window || !(menus & (1 | 4 | 8 | 16)))
        return;
    QWidget* w = window->window();
    Qt::WindowFlags f = w->windowFlags();
    if (!(f & Qt::CustomizeWindowHint)) {
        // Spell out the buttons the window type has by default before taking some away.
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if ((f & Qt::WindowType_Mask) == Qt::Window)
            f |= Qt::WindowMinMaxButtonsHint;
    }
    if (menus & 1)
        f &= ~Qt::WindowCloseButtonHint;
    if (menus & 4)
        f &= ~Qt::WindowMaximizeButtonHint;
    if (menus & 8)
        f &= ~Qt::WindowMinimizeButtonHint;
    if (f != w->windowFlags()) {
        const bool visible = w->isVisible();
        w->setWindowFlags(f);
        if (visible)
            w->show();
    }
    if (menus & 1) {
        const QString name = QStringLiteral("quillon_close_refuser");
        if (!w->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) {
            auto* refuser = new CloseRefuser(w);
            refuser->setObjectName(name);
            w->installEventFilter(refuser);
        }
    }
    if (menus & 16)
        w->setFixedSize(w->size());
}

void pZoomFromObj(QWidget* form, int mode, QWidget* origin, int& FromX, int& FromY, int& ToX, int& ToY)
{
    const int tx = twipsPerPixelX(), ty = twipsPerPixelY();
    const WinRect from = zoomEnd(mode, origin, FromX, FromY);
    FromX = ((from.left + from.right) / 2) * tx;
    FromY = ((from.top + from.bottom) / 2) * ty;

    if (ToX < 0)
        ToX = ui::screenWidthTwips(origin) / 2;
    if (ToY < 0)
        ToY = ui::screenHeightTwips(origin) / 2;
    if (!form)
        return;

    if (form->windowModality() == Qt::NonModal && !form->isVisible())
        form->setWindowModality(Qt::ApplicationModal);
    form->ensurePolished();
    if (form->layout())
        form->layout()->activate();
    if (!form->testAttribute(Qt::WA_Resized))
        form->adjustSize();
    // The window's frame is known once it exists.
    form->winId();
    const QRect frame = form->frameGeometry();
    const int leftTwips = ToX - (frame.width() * tx) / 2;
    const int topTwips = ToY - (frame.height() * ty) / 2;
    form->move(roundDiv(leftTwips, tx), roundDiv(topTwips, ty));

    QPointer<QWidget> guard(form);
    const bool shown = animate(form, from, WinRect::of(form->frameGeometry()), true);
    // A window hidden (or gone) while it opened is not shown again.
    if (guard && !(shown && !form->isVisible()))
        ZoomOpen(form);
    ui::DoEvents();
}

void pZoomToObj(QWidget* window, int mode, QWidget* target, int ToX, int ToY)
{
    if (!window)
        return;
    animate(window, windowRect(window), zoomEnd(mode, target, ToX, ToY), false);
    ui::DoEvents();
}

void ZoomOpen(QWidget* form)
{
    if (!form)
        return;
    QPointer<QWidget> guard(form);
    if (!form->isVisible()) {
        if (form->windowModality() == Qt::NonModal)
            form->setWindowModality(Qt::ApplicationModal);
        form->show();
    }
    if (guard && form->isVisible()) {
        QEventLoop loop;
        HideWatcher watcher(form, &loop);
        form->installEventFilter(&watcher);
        QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::DialogExec);
        if (guard)
            form->removeEventFilter(&watcher);
    }
    ui::DoEvents();
}

QString GetSysUserName()
{
    QString name;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buf(size > 0 ? size_t(size) : 16384, '\0');
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name)
        name = QString::fromLocal8Bit(found->pw_name);
    if (name.trimmed().isEmpty())
        name = qEnvironmentVariable("USER");
    if (name.trimmed().isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    return name.trimmed();
}

void pauseMs(qint64 ms)
{
    if (ms <= 0)
        return;
    if (pauser()) {
        pauser()(ms);
        return;
    }
    QDeadlineTimer deadline(ms);
    for (;;) {
        ui::DoEvents();
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 15)));
    }
}

void setPauser(std::function<void(qint64)> p) { pauser() = std::move(p); }

void setZoomAnimator(ZoomAnimator a) { animator() = std::move(a); }

} // namespace quillon
