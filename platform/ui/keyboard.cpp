#include "platform/ui/keyboard.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace platform {

unsigned X11KeyboardIndicators::indicatorState()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return 0;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success)
        return 0;
    return state;
}

// Caps Lock and Num Lock are the first two indicators of the core keyboard.
bool X11KeyboardIndicators::capsLock()
{
    return (indicatorState() & 0x01U) != 0;
}

bool X11KeyboardIndicators::numLock()
{
    return (indicatorState() & 0x02U) != 0;
}

} // namespace platform
