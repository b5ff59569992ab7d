#include "parlivox/speech/frmOptions.h"

// Interim dialog until the Options dialog lands.
frmOptions::frmOptions(platform::Platform& platform, AppState& state, QWidget* parent)
    : QDialog(parent)
{
    static_cast<void>(platform);
    static_cast<void>(state);
    setWindowTitle(QStringLiteral("Options..."));
}
