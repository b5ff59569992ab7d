#include "nuvafetch/global.h"

#include "nuvafetch/logic/installer.h"

#include "nuvafetch/logic/updatecheck.h"
#include "nuvafetch/logic/wizardstate.h"
#include "nuvafetch/services.h"
#include "nuvafetch/wizard.h"
#include "platform/app.h"
#include "platform/convert.h"
#include "platform/inet.h"
#include "platform/ui/commoncontrols.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/process.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int Main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Nuvafetch"_s);
    QApplication::setApplicationVersion(
        platform::versionText(updaterMajor, updaterMinor, updaterRevision));
    QApplication::setWindowIcon(QIcon::fromTheme(u"nuvafetch"_s));
    // The wizard, not the window system, decides when the last page is gone:
    // a hidden page between two others still counts.
    QApplication::setQuitOnLastWindowClosed(false);

    // A failure here changes nothing the updater needs.
    platform::InitCommonControlsEx(platform::ICC_USEREX_CLASSES);

    platform::QtMessageBox messageBox;
    platform::QtProcessStarter processes;
    platform::TransferSettings patience;
    patience.userAgent = u"Nuvafetch/"_s + QApplication::applicationVersion();
    patience.extraCaFile = extraCertificateFile();
    platform::CurlHttpClient inet(patience);
    UpdaterServices services{
        messageBox,        processes,         inet, platform::applicationDirectory(),
        userCacheFolder(), updateServerBase()};
    WizardState state;
    Wizard wizard(services, state);
    wizard.onFinished = [] {
        QCoreApplication::quit();
    };
    wizard.start();
    // An unreadable descriptor ends the updater before the event loop runs.
    const int code = wizard.finished() ? 0 : QApplication::exec();
    // Pages left behind by the last click are deleted before the application.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}
