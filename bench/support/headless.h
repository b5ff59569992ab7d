#pragma once
// The window benchmarks run without a display unless one is asked for.

#include <QtGlobal>

namespace bench {

/// Qt's offscreen platform, unless QT_QPA_PLATFORM names another (xcb to
/// watch a benchmark run, for instance). Call before the application exists.
inline void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
