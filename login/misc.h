#pragma once
// Window zoom, window-menu and system helpers of the library.
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

namespace quillon {

// A window rectangle as the zoom computes it: right and bottom lie just outside.
struct WinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    static WinRect of(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
    friend bool operator==(const WinRect& a, const WinRect& b)
    {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// Twips (1/1440 inch) per screen pixel, across and down.
int twipsPerPixelX();
int twipsPerPixelY();

// The rectangle of a fifth of the size in the middle of a window rectangle.
WinRect centredFifth(const WinRect& r);

// Takes entries from a window's menu: here its title-bar buttons and the user's close request.
void pRemoveMenus(QWidget* window, int menus);

// Centres the form on (ToX, ToY) (twips; negative: the screen centre, written back), animates it
// out of the origin by mode (0 window, 1 cursor, 2 the point FromX/FromY), writes the origin's
// centre back into FromX/FromY and shows the form modally until it hides.
void pZoomFromObj(QWidget* form, int mode, QWidget* origin, int& FromX, int& FromY, int& ToX, int& ToY);

// Animates a window shrinking towards a target by mode (0 window, 1 cursor, 2 the point ToX/ToY).
void pZoomToObj(QWidget* window, int mode, QWidget* target, int ToX, int ToY);

// Shows a window modally; returns once it has been hidden or destroyed.
void ZoomOpen(QWidget* form);

// The user name of the operating system, trimmed; empty when unknown.
QString GetSysUserName();

// Waits between attempts. The real one keeps windows painted and holds user input back.
void pauseMs(qint64 ms);
// Replaces the waiting (for tests); an empty function restores the real one.
void setPauser(std::function<void(qint64 ms)> pauser);

// Runs a window's zoom animation from one pixel rectangle to another.
using ZoomAnimator = std::function<void(QWidget* window, const QRect& from, const QRect& to)>;
// Replaces the animation (for tests); an empty function restores the real one.
void setZoomAnimator(ZoomAnimator animator);

} // namespace quillon
