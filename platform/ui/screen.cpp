#include "platform/ui/screen.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform {

double twipsPerPixel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

double pixelsToTwips(int pixels)
{
    return pixels * twipsPerPixel();
}

double screenWidthTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return pixelsToTwips(screen ? screen->geometry().width() : 1024);
}

double screenHeightTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return pixelsToTwips(screen ? screen->geometry().height() : 768);
}

QFont dialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    return font;
}

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void centreOnParent(QWidget& window)
{
    const QWidget* parent = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (!parent) {
        centreOnScreen(window);
        return;
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(parent->frameGeometry().center());
    window.move(frame.topLeft());
}

} // namespace platform
