#pragma once
// Twips (1/1440 inch) and pixels of the primary screen.
class QWidget;

namespace ui {

// Twips per pixel across and down (15 on a 96-dpi screen).
double twipsPerPixelX();
double twipsPerPixelY();

int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

// The size of the screen a window is on (the primary screen for none), in twips.
int screenWidthTwips(const QWidget* onScreenOf = nullptr);
int screenHeightTwips(const QWidget* onScreenOf = nullptr);

} // namespace ui
