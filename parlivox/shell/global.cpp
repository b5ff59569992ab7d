#include "parlivox/shell/global.h"

#include "parlivox/common/buildinfo.h"

#include "parlivox/common/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/qtservices.h"
#include "platform/app.h"
#include "platform/convert.h"
#include "platform/ui/commoncontrols.h"

#include <QApplication>

int Main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlivox"));
    QApplication::setApplicationVersion(platform::versionText(
        buildinfo::versionMajor(), buildinfo::versionMinor(), buildinfo::versionRevision()));
    QApplication::setDesktopFileName(QStringLiteral("parlivox"));

    platform::setHelpFilePath(platform::applicationFile(QStringLiteral("Parlivox.hlp")));
    // From here a step that fails is skipped and the next one runs.
    platform::InitCommonControlsEx(platform::ICC_USEREX_CLASSES);

    QtEditorServices services;
    AppState state(services.services().speech);
    frmMain window(services.services(), state, platform::commandLineText(app.arguments()));
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
