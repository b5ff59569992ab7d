#include "parlivox/shell/editing.h"

#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/buildinfo.h"
#include "parlivox/common/logic/services.h"
#include "platform/app.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/helpviewer.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

const QString updaterProgram = u"Nuvafetch"_s;
const QString updaterMissingLine1 =
    u"It appears that Fetchwell is not installed, or cannot be run."_s;
QString updaterMissingLine2()
{
    return u"Please visit "_s + buildinfo::website() + u" to check for updated versions."_s;
}

} // namespace

EditCommands::EditCommands(EditorWindow& window, EditorServices& services)
    : m_window(window), m_services(services)
{
}

// ---- Edit menu -----------------------------------------------------------

void EditCommands::mnuEdit_Click()
{
    // Runs each time the menu opens, before it is drawn. Cut, Copy and Select
    // All follow the selection and the text instead.
    const bool clipboardHasText = m_services.clipboard.hasText();
    m_window.setItemEnabled(MenuItem::Paste, clipboardHasText);
    m_window.setItemEnabled(MenuItem::ClearClip, clipboardHasText);
    m_window.setItemEnabled(MenuItem::Find, m_window.editor().TextLength() >= 1);
}

void EditCommands::mnuCut_Click()
{
    mnuCopy_Click();
    m_window.editor().setSelText(QString());
    m_window.refreshSelection();
}

void EditCommands::mnuCopy_Click()
{
    // Plain text only: the selection's formatting stays behind.
    m_services.clipboard.setText(m_window.editor().SelText());
    m_window.setItemEnabled(MenuItem::Paste, m_services.clipboard.hasText());
}

void EditCommands::mnuPaste_Click()
{
    // The clipboard's plain text, in the formatting in force at the insertion
    // point. A clipboard without text deletes the selection.
    m_window.editor().setSelText(m_services.clipboard.text());
}

void EditCommands::mnuClearClip_Click()
{
    m_services.clipboard.clear();
}

void EditCommands::mnuSelectAll_Click()
{
    m_window.editor().setSelStart(0);
    m_window.editor().setSelLength(static_cast<int>(m_window.editor().TextLength()));
}

// ---- Macros ----------------------------------------------------------------
// "$time$" and "$date$" stay in the document; only the text handed to the
// speech engine reads them as the time and the date.

void EditCommands::mnuMacroTime_Click()
{
    m_window.editor().setSelText(u"$time$"_s);
}

void EditCommands::mnuMacroDate_Click()
{
    m_window.editor().setSelText(u"$date$"_s);
}

void EditCommands::mnuMacroCopyright_Click()
{
    m_window.editor().setSelText(u"©"_s);
}

void EditCommands::mnuMacroRegTM_Click()
{
    m_window.editor().setSelText(u"®"_s);
}

// ---- Print -------------------------------------------------------------------

void EditCommands::mnuPrint_Click()
{
    // No print dialog: the whole document goes to the default printer.
    try {
        m_window.editor().setSelLength(0);
        m_window.editor().SelPrint(m_services.printer);
        m_services.messageBox.show(
            u"Your document was sent to '"_s + m_services.printer.defaultPrinterName() + u"'"_s,
            u"Printing"_s, platform::MsgButtons::OK, platform::MsgIcon::Information);
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
    }
}

// ---- Help menu -----------------------------------------------------------------

void EditCommands::mnuContents_Click()
{
    // The help request travels as the F1 key, handled once the command returns.
    QWidget& window = m_window.widget();
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

void EditCommands::showHelp()
{
    m_services.help.showContents(platform::helpFilePath());
}

void EditCommands::mnuUpdates_Click()
{
    try {
        m_services.processes.start(platform::applicationFile(updaterProgram));
    } catch (const platform::Error& error) {
        // A missing updater sends the user to the web site. One that is there
        // but does not start (its execute bit lost in a copy, a noexec
        // folder) is named with the reason: a command that does nothing
        // would leave the user believing the check is under way.
        if (error.number() == platform::err::FileNotFound)
            m_services.messageBox.show(updaterMissingLine1 + u"\n"_s + updaterMissingLine2(),
                                       u"Error"_s, platform::MsgButtons::OK,
                                       platform::MsgIcon::Critical);
        else
            platform::showFailure(m_services.messageBox, error);
    }
}
