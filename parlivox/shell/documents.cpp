// The open document and the file commands: New, Open, Save, Save As and the
// file named on the command line.
#include "parlivox/common/services.h"
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/error.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/richtextbox.h"

#include <QFile>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

const QString openFilter =
    u"All Supported Files|*.rtf;*.txt|Rich Text Format (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|All Files|*.*"_s;
const QString saveFilter = u"Rich Text Format (*.rtf)|*.rtf|Text File (*.txt)|*.txt"_s;
const QString rtfPanel = u"Rich Text Format"_s;
const QString textPanel = u"Plain Text Format"_s;

QString captionFor(const QString& path)
{
    return u"Parlivox"_s + u" - ["_s + path + u"]"_s;
}

} // namespace

bool frmMain::offerToSave(platform::MsgButtons buttons)
{
    DocumentState& doc = m_state.document;
    if (!doc.blnChanged)
        return true;
    const auto answer =
        m_platform.messageBox.show(u"The file has been changed. Would you like to save the file?"_s,
                                   u"Save File?"_s, buttons, platform::MsgIcon::Question);
    if (answer == platform::MsgResult::Cancel)
        return false;
    if (answer == platform::MsgResult::No)
        return true;
    // After Yes, a document that was not written is not thrown away.
    return doc.blnNamed ? saveFile() : saveFileAs();
}

void frmMain::newFile()
{
    if (!offerToSave(platform::MsgButtons::YesNoCancel))
        return;
    m_state.strSpeakText.clear();
    txtConvert->setText(QString());
    txtConvert->setFileName(QString());
    statusPanel[0]->setText(rtfPanel);
    clear();
    m_state.document.strFileType = u"rtf"_s;
    m_state.document.strFileName.clear();
    setWindowTitle(u"Parlivox"_s);
}

void frmMain::openFile()
{
    if (!offerToSave(platform::MsgButtons::YesNoCancel))
        return;
    DocumentState& doc = m_state.document;
    try {
        m_platform.dialog.setFlags(platform::CommonDialog::HideReadOnly);
        m_platform.dialog.setFilter(openFilter);
        m_platform.dialog.ShowOpen();
        doc.strFileName = m_platform.dialog.FileName();
        clear();
        txtConvert->setFileName(doc.strFileName);
        setWindowTitle(captionFor(doc.strFileName));
        doc.strFileType = doc.strFileName.right(3).toLower();
        if (doc.strFileType == u"rtf"_s)
            statusPanel[0]->setText(rtfPanel);
        else if (doc.strFileType == u"txt"_s)
            statusPanel[0]->setText(textPanel);
        findFont();
        doc.blnNamed = true;
        doc.blnChanged = false;
    } catch (const platform::Error& error) {
        if (error.number() == platform::err::Cancel)
            return;
        platform::showFailure(m_platform.messageBox, error);
    }
}

bool frmMain::saveFile()
{
    DocumentState& doc = m_state.document;
    // A document opened with another extension has no format of its own to
    // be written in: ask for a name and a format instead.
    if (!doc.blnNamed || (doc.strFileType != u"rtf"_s && doc.strFileType != u"txt"_s))
        return saveFileAs();
    try {
        txtConvert->SaveFile(doc.strFileName, doc.strFileType == u"rtf"_s
                                                  ? platform::RichTextBox::rtfRTF
                                                  : platform::RichTextBox::rtfText);
        doc.blnChanged = false;
        return true;
    } catch (const platform::Error& error) {
        platform::showFailureDescription(m_platform.messageBox, error);
        return false;
    }
}

bool frmMain::saveFileAs()
{
    DocumentState& doc = m_state.document;
    try {
        m_platform.dialog.setFilter(saveFilter);
        m_platform.dialog.ShowSave();
    } catch (const platform::Error&) {
        return false; // cancelled: nothing changes
    }
    const bool wasChanged = doc.blnChanged;
    doc.strFileName = m_platform.dialog.FileName();
    doc.blnNamed = true;
    doc.blnChanged = false;

    if (ifExist(doc.strFileName)) {
        const auto answer = m_platform.messageBox.show(
            u"File already exists. Do you want to overwrite it?"_s, u"Overwrite?"_s,
            platform::MsgButtons::YesNo, platform::MsgIcon::Question);
        if (answer != platform::MsgResult::Yes) {
            const bool written = saveFileAs();
            if (!written) {
                // Nothing was written: the declined file is never overwritten
                // by a later Save without asking, and the changes stay unsaved.
                doc.blnNamed = false;
                doc.blnChanged = wasChanged;
            }
            setWindowTitle(captionFor(doc.strFileName));
            return written;
        }
    }

    const bool asText = m_platform.dialog.FilterIndex() == 2;
    try {
        txtConvert->SaveFile(doc.strFileName, asText ? platform::RichTextBox::rtfText
                                                     : platform::RichTextBox::rtfRTF);
    } catch (const platform::Error& error) {
        doc.blnChanged = wasChanged;
        platform::showFailure(m_platform.messageBox, error);
        return false;
    }
    statusPanel[0]->setText(asText ? textPanel : rtfPanel);
    doc.strFileType = asText ? u"txt"_s : u"rtf"_s;
    setWindowTitle(captionFor(doc.strFileName));
    return true;
}

bool frmMain::ifExist(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    return true;
}

void frmMain::openCommandLine(const QString& commandLine)
{
    // The text is one path in double quotes; the quotes go unchecked.
    if (commandLine.size() < 2)
        throw platform::invalidCall(u"the command line names no file"_s);
    const QString path = commandLine.mid(1, commandLine.size() - 2);
    if (path.isEmpty())
        throw platform::Error(platform::err::FileNotFound, u"File not found"_s);
    DocumentState& doc = m_state.document;
    doc.strFileName = path;
    txtConvert->setFileName(path);
    doc.blnNamed = true;
    doc.blnChanged = false;
    doc.strFileType = path.right(3).toLower();
    if (doc.strFileType == u"rtf"_s)
        statusPanel[0]->setText(rtfPanel);
    else if (doc.strFileType == u"txt"_s)
        statusPanel[0]->setText(textPanel);
}
