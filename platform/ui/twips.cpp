#include "platform/ui/twips.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace ui {
namespace {
const QScreen* screenOf(const QWidget* w)
{
    if (w && w->screen())
        return w->screen();
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
}
double perPixel(double dpi) { return dpi > 0 ? 1440.0 / dpi : 15.0; }
int toPixels(double twips, double tpp) { return int(std::lround(twips / tpp)); }
int toTwips(int px, double tpp) { return int(std::lround(px * tpp)); }
} // namespace

double twipsPerPixelX()
{
    const QScreen* s = screenOf(nullptr);
    return perPixel(s ? s->logicalDotsPerInchX() : 96.0);
}

double twipsPerPixelY()
{
    const QScreen* s = screenOf(nullptr);
    return perPixel(s ? s->logicalDotsPerInchY() : 96.0);
}

int twipsToPixelsX(double twips) { return toPixels(twips, twipsPerPixelX()); }
int twipsToPixelsY(double twips) { return toPixels(twips, twipsPerPixelY()); }
int pixelsToTwipsX(int pixels) { return toTwips(pixels, twipsPerPixelX()); }
int pixelsToTwipsY(int pixels) { return toTwips(pixels, twipsPerPixelY()); }

int screenWidthTwips(const QWidget* w)
{
    const QScreen* s = screenOf(w);
    return s ? pixelsToTwipsX(s->geometry().width()) : 0;
}

int screenHeightTwips(const QWidget* w)
{
    const QScreen* s = screenOf(w);
    return s ? pixelsToTwipsY(s->geometry().height()) : 0;
}

} // namespace ui
