#include "parlivox/about/frmAbout.h"

// Interim box until the About box lands.
frmAbout::frmAbout(platform::Platform& platform, QWidget* parent) : QDialog(parent)
{
    static_cast<void>(platform);
    setWindowTitle(QStringLiteral("About..."));
}
