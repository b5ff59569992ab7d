#pragma once

class QFont;
class QWidget;

namespace platform {

/// Twips (1/1440 inch) and pixels, by the screen's logical DPI:
/// 15 twips per pixel at 96 DPI.
double twipsPerPixel();
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);

/// The primary screen's size in twips.
double screenWidthTwips();
double screenHeightTwips();

/// The dialogs' font: Tahoma 8 pt, or the nearest sans-serif face installed.
QFont dialogFont();

/// Centres a top-level window on the primary screen, or on its parent window.
void centreOnScreen(QWidget& window);
void centreOnParent(QWidget& window);

} // namespace platform
