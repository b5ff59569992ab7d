// Editing commands, macros, printing, help and the updater.
#include "parlivox/common/buildinfo.h"
#include "parlivox/common/services.h"
#include "parlivox/shell/frmMain.h"
#include "platform/app.h"
#include "platform/error.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/helpviewer.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/printer.h"
#include "platform/ui/process.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

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

// ---- Edit menu -----------------------------------------------------------

void frmMain::mnuEdit_Click()
{
    // Runs each time the menu opens, before it is drawn. Cut, Copy and Select
    // All follow the selection and the text instead.
    const bool clipboardHasText = m_platform.clipboard.hasText();
    mnuPaste->setEnabled(clipboardHasText);
    mnuClearClip->setEnabled(clipboardHasText);
    mnuFind->setEnabled(txtConvert->TextLength() >= 1);
}

void frmMain::mnuCut_Click()
{
    mnuCopy_Click();
    txtConvert->setSelText(QString());
    refreshSelection();
}

void frmMain::mnuCopy_Click()
{
    // Plain text only: the selection's formatting stays behind.
    m_platform.clipboard.setText(txtConvert->SelText());
    mnuPaste->setEnabled(m_platform.clipboard.hasText());
}

void frmMain::mnuPaste_Click()
{
    // The clipboard's plain text, in the formatting in force at the insertion
    // point. A clipboard without text deletes the selection.
    txtConvert->setSelText(m_platform.clipboard.text());
}

void frmMain::mnuClearClip_Click()
{
    m_platform.clipboard.clear();
}

void frmMain::mnuSelectAll_Click()
{
    txtConvert->setSelStart(0);
    txtConvert->setSelLength(static_cast<int>(txtConvert->TextLength()));
}

// ---- Macros ----------------------------------------------------------------
// "$time$" and "$date$" stay in the document; only the text handed to the
// speech engine reads them as the time and the date.

void frmMain::mnuMacroTime_Click()
{
    txtConvert->setSelText(u"$time$"_s);
}

void frmMain::mnuMacroDate_Click()
{
    txtConvert->setSelText(u"$date$"_s);
}

void frmMain::mnuMacroCopyright_Click()
{
    txtConvert->setSelText(u"©"_s);
}

void frmMain::mnuMacroRegTM_Click()
{
    txtConvert->setSelText(u"®"_s);
}

// ---- Print -------------------------------------------------------------------

void frmMain::mnuPrint_Click()
{
    // No print dialog: the whole document goes to the default printer.
    try {
        txtConvert->setSelLength(0);
        txtConvert->SelPrint(m_platform.printer);
        m_platform.messageBox.show(
            u"Your document was sent to '"_s + m_platform.printer.defaultPrinterName() + u"'"_s,
            u"Printing"_s, platform::MsgButtons::OK, platform::MsgIcon::Information);
    } catch (const platform::Error& error) {
        platform::showFailure(m_platform.messageBox, error);
    }
}

// ---- Help menu -----------------------------------------------------------------

void frmMain::mnuContents_Click()
{
    // The help request travels as the F1 key, handled once the command returns.
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(this,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

void frmMain::showHelp()
{
    m_platform.help.showContents(platform::helpFilePath());
}

void frmMain::mnuUpdates_Click()
{
    try {
        m_platform.processes.start(platform::applicationFile(updaterProgram));
    } catch (const platform::Error&) {
        // The message covers both a missing updater and one that cannot run.
        m_platform.messageBox.show(updaterMissingLine1 + u"\n"_s + updaterMissingLine2(),
                                   u"Error"_s, platform::MsgButtons::OK,
                                   platform::MsgIcon::Critical);
    }
}
