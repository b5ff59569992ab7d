#include "platform/qtplatform.h"

#include "platform/registry.h"
#include "platform/settings.h"
#include "platform/speech/spvoice.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/clock.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/helpviewer.h"
#include "platform/ui/keyboard.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"

namespace platform {

struct QtPlatform::Backends {
    IniSettingsStore settings;
    QtMessageBox messageBox;
    QtCommonDialog dialog;
    QtClipboard clipboard;
    QtPrinter printer;
    QtProcessStarter processes;
    QtHelpViewer help;
    X11KeyboardIndicators keyboard;
    SystemClock clock;
    LinuxRegistry registry;
    EspeakEngine speech;
};

QtPlatform::QtPlatform() : m_backends(std::make_unique<Backends>())
{
    Backends& b = *m_backends;
    m_services = std::make_unique<Platform>(Platform{b.settings, b.messageBox, b.dialog,
                                                     b.clipboard, b.printer, b.processes, b.help,
                                                     b.keyboard, b.clock, b.registry, b.speech});
}

QtPlatform::~QtPlatform() = default;

} // namespace platform
