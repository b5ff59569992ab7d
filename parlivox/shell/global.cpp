#include "parlivox/shell/global.h"

#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/app.h"
#include "platform/commoncontrols.h"
#include "platform/convert.h"
#include "platform/qtplatform.h"

#include <QApplication>

int Main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlivox"));
    QApplication::setApplicationVersion(platform::versionText(
        PARLIVOX_VERSION_MAJOR, PARLIVOX_VERSION_MINOR, PARLIVOX_VERSION_REVISION));
    QApplication::setDesktopFileName(QStringLiteral("parlivox"));

    platform::setHelpFilePath(platform::applicationFile(QStringLiteral("Parlivox.hlp")));
    // From here a step that fails is skipped and the next one runs.
    platform::InitCommonControlsEx(platform::ICC_USEREX_CLASSES);

    platform::QtPlatform services;
    AppState state(services.services().speech);
    frmMain window(services.services(), state, platform::commandLineText(app.arguments()));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
