#include "parlivox/shell/global.h"

#include "parlivox/common/logic/buildinfo.h"

#include "parlivox/common/logic/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/qtservices.h"
#include "platform/app.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/termination.h"
#include "platform/ui/commoncontrols.h"
#include "platform/ui/messagebox.h"

#include <QApplication>
#include <QSessionManager>

#include <optional>

namespace {

/// The end of the desktop session: the window asks about unsaved changes
/// when the session allows it, and a save that did not write cancels the
/// logout.
void connectSessionEnd(QApplication& app, frmMain& window)
{
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager& manager) {
                         const bool interaction = manager.allowsInteraction();
                         const bool stay = !window.commitSession(interaction);
                         if (interaction)
                             manager.release();
                         if (stay)
                             manager.cancel();
                     });
}

} // namespace

int Main(int argc, char* argv[], StartHooks* hooks)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlivox"));
    QApplication::setApplicationVersion(platform::versionText(
        buildinfo::versionMajor(), buildinfo::versionMinor(), buildinfo::versionRevision()));
    QApplication::setDesktopFileName(QStringLiteral("parlivox"));

    platform::setHelpFilePath(platform::applicationFile(QStringLiteral("Parlivox.hlp")));
    // From here a step that fails is skipped and the next one runs.
    platform::InitCommonControlsEx(platform::ICC_USEREX_CLASSES);

    QtEditorServices services(hooks ? hooks->messageBox() : nullptr,
                              hooks ? hooks->recognitionData() : QString());
    AppState state(services.services().speech);
    frmMain window(services.services(), state, platform::commandLineText(app.arguments()));

    // SIGTERM, SIGHUP and SIGINT end the program normally, without a
    // question: unsaved changes are kept as a recovery snapshot.
    bool endRequested = false;
    std::optional<platform::TerminationSignals> termination;
    try {
        termination.emplace();
        QObject::connect(&*termination, &platform::TerminationSignals::received, &window,
                         [&window, &endRequested] {
                             endRequested = true;
                             window.endSession();
                             QCoreApplication::exit(0);
                         });
    } catch (const platform::Error&) {
        // Without the watch the signals end the program as they always do.
    }
    connectSessionEnd(app, window);

    window.Form_Load();
    // A request to end that came during a question at start is honoured.
    if (endRequested)
        return 0;
    window.show();
    if (hooks)
        hooks->shown(window);
    const int code = QApplication::exec();
    if (hooks)
        hooks->ended(window, state);
    return code;
}
