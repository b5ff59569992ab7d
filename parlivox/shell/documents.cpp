#include "parlivox/shell/documents.h"

#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/recovery/logic/snapshotrules.h"
#include "parlivox/shell/fileopening.h"
#include "parlivox/shell/logic/documentrules.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/voice.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"

#include <QFile>
#include <QTextDocument>
#include <QWidget>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString openFilter =
    u"All Supported Files|*.rtf;*.txt;*.docx;*.odt;*.epub;*.html;*.htm;*.pdf;"
    u"*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.bmp|"
    u"Rich Text Format (*.rtf)|*.rtf|Text Files (*.txt)|*.txt|"
    u"Documents and Books|*.docx;*.odt;*.epub;*.html;*.htm;*.pdf|"
    u"Pictures (scanned text)|*.png;*.jpg;*.jpeg;*.tif;*.tiff;*.webp;*.bmp|All Files|*.*"_s;
const QString saveFilter = u"Rich Text Format (*.rtf)|*.rtf|Text File (*.txt)|*.txt"_s;

} // namespace

Documents::Documents(EditorWindow& window, EditorServices& services, AppState& state)
    : m_window(window), m_services(services), m_state(state)
{
}

Documents::~Documents() = default;

bool Documents::offerToSave(platform::MsgButtons buttons)
{
    DocumentState& doc = m_state.document;
    if (!doc.blnChanged)
        return true;
    const auto answer =
        m_services.messageBox.show(u"The file has been changed. Would you like to save the file?"_s,
                                   u"Save File?"_s, buttons, platform::MsgIcon::Question);
    if (answer == platform::MsgResult::Cancel)
        return false;
    if (answer == platform::MsgResult::No)
        return true;
    // After Yes, a document that was not written is not thrown away.
    return doc.blnNamed ? saveFile() : saveFileAs();
}

void Documents::newFile()
{
    if (!offerToSave(platform::MsgButtons::YesNoCancel))
        return;
    platform::RichTextBox& editor = m_window.editor();
    m_state.strSpeakText.clear();
    editor.setText(QString());
    editor.setFileName(QString());
    m_window.setFormatPanel(*documentrules::formatPanelFor(u"rtf"_s));
    m_window.clear();
    m_state.document.strFileType = u"rtf"_s;
    m_state.document.strFileName.clear();
    m_state.document.blnConverted = false;
    m_window.widget().setWindowTitle(u"Parlivox"_s);
}

void Documents::openFile()
{
    if (reading() || !offerToSave(platform::MsgButtons::YesNoCancel))
        return;
    platform::CommonDialog& dialog = m_services.dialog;
    try {
        dialog.setFlags(platform::CommonDialog::HideReadOnly);
        dialog.setFilter(openFilter);
        dialog.ShowOpen();
    } catch (const platform::Error& error) {
        if (error.number() != platform::err::Cancel)
            platform::showFailure(m_services.messageBox, error);
        return;
    }
    read(dialog.FileName(), [this](platform::LoadedFile file) { opened(std::move(file)); });
}

void Documents::read(const QString& path, std::function<void(platform::LoadedFile)> done)
{
    platform::RichTextBox& editor = m_window.editor();
    m_opening = std::make_unique<FileOpening>(
        path, editor.document()->defaultFont(), m_window.widget(), editor,
        [this, done = std::move(done)](platform::LoadedFile file) {
            // The reading's object is in the middle of this call: it goes later.
            if (m_opening)
                m_opening.release()->deleteLater();
            done(std::move(file));
        },
        platform::RecognitionRequest{m_services.recognition, voiceLanguage()});
}

QString Documents::voiceLanguage()
{
    // Pictures are read in the language of the voice that will read them.
    try {
        const platform::ISpeechObjectTokens voices =
            m_state.objVoice().GetVoices(QString(), QString());
        const int index = m_window.chosenVoiceIndex();
        if (index >= 0 && index < voices.Count())
            return voices.Item(index).Id();
    } catch (const platform::Error&) {
        // no voice: English
    }
    return {};
}

void Documents::showRecognition(const std::optional<platform::RecognitionSummary>& recognition)
{
    if (recognition)
        m_window.setStatusText(platform::summaryText(*recognition));
}

void Documents::cancelReading()
{
    if (const std::unique_ptr<FileOpening> opening = std::move(m_opening))
        opening->cancel();
}

void Documents::opened(platform::LoadedFile file)
{
    DocumentState& doc = m_state.document;
    try {
        // The file was read before anything changed: a document its reader
        // refuses (damaged, locked, too large, not a file) or a cancelled
        // reading leaves the open one as it was. A file that cannot be read
        // at all fails after the reset.
        if (file.refused)
            throw *file.refused;
        doc.strFileName = file.path;
        m_window.clear();
        if (file.unreadable)
            throw *file.unreadable;
        const platform::DocumentFormat format = file.format;
        const auto recognition = file.recognition;
        m_window.editor().adoptFile(std::move(file));
        m_window.widget().setWindowTitle(documentrules::captionFor(doc.strFileName));
        doc.strFileType = documentrules::fileTypeOf(doc.strFileName);
        doc.blnConverted = format != platform::DocumentFormat::None;
        if (const auto panel = documentrules::formatPanelFor(doc.strFileType, format))
            m_window.setFormatPanel(*panel);
        m_window.findFont();
        doc.blnNamed = true;
        doc.blnChanged = false;
        m_window.documentOpened();
        showRecognition(recognition);
    } catch (const platform::Error& error) {
        if (error.number() == platform::err::Cancel)
            return;
        platform::showFailure(m_services.messageBox, error);
    }
}

bool Documents::saveFile()
{
    DocumentState& doc = m_state.document;
    if (documentrules::saveNeedsName(doc))
        return saveFileAs();
    try {
        m_window.editor().SaveFile(doc.strFileName, doc.strFileType == u"rtf"_s
                                                        ? platform::RichTextBox::rtfRTF
                                                        : platform::RichTextBox::rtfText);
        doc.blnChanged = false;
        m_window.documentSaved();
        return true;
    } catch (const platform::Error& error) {
        platform::showFailureDescription(m_services.messageBox, error);
        return false;
    }
}

bool Documents::saveFileAs()
{
    DocumentState& doc = m_state.document;
    platform::CommonDialog& dialog = m_services.dialog;
    const bool wasChanged = doc.blnChanged;
    bool declined = false; // an overwrite was declined on the way
    proposeSaveName();
    for (;;) {
        try {
            dialog.ShowSave();
        } catch (const platform::Error& error) {
            // Cancelled, nothing changes; a dialog that failed says why.
            if (error.number() != platform::err::Cancel)
                platform::showFailure(m_services.messageBox, error);
            if (declined) {
                // Nothing was written: the declined file is never overwritten
                // by a later Save without asking, and the changes stay unsaved.
                doc.blnNamed = false;
                doc.blnChanged = wasChanged;
                m_window.widget().setWindowTitle(documentrules::captionFor(doc.strFileName));
            }
            return false;
        }
        const QString name = dialog.FileName();
        // RTF or text written under a Word document's name destroys it.
        if (documentrules::isReadOnlyFormatName(name)) {
            platform::showFailure(m_services.messageBox,
                                  documentrules::readOnlyFormatRefusal(name));
            dialog.setFileName(documentrules::proposedSaveName(
                name, dialog.FilterIndex() == 2 ? u"txt"_s : u"rtf"_s));
            continue;
        }
        if (!ifExist(name))
            break;
        const auto answer = m_services.messageBox.show(
            u"File already exists. Do you want to overwrite it?"_s, u"Overwrite?"_s,
            platform::MsgButtons::YesNo, platform::MsgIcon::Question);
        if (answer == platform::MsgResult::Yes)
            break;
        doc.strFileName = name;
        declined = true;
    }
    doc.strFileName = dialog.FileName();
    doc.blnNamed = true;
    doc.blnChanged = false;

    const bool asText = dialog.FilterIndex() == 2;
    try {
        m_window.editor().SaveFile(doc.strFileName, asText ? platform::RichTextBox::rtfText
                                                           : platform::RichTextBox::rtfRTF);
    } catch (const platform::Error& error) {
        doc.blnChanged = wasChanged;
        platform::showFailure(m_services.messageBox, error);
        return false;
    }
    doc.strFileType = asText ? u"txt"_s : u"rtf"_s;
    doc.blnConverted = false;
    m_window.setFormatPanel(*documentrules::formatPanelFor(doc.strFileType));
    m_window.widget().setWindowTitle(documentrules::captionFor(doc.strFileName));
    m_window.documentSaved();
    return true;
}

void Documents::proposeSaveName()
{
    platform::CommonDialog& dialog = m_services.dialog;
    dialog.setFilter(saveFilter);
    const DocumentState& doc = m_state.document;
    // A document read from another format (or opened with another extension)
    // is proposed beside its original, under its name with the chosen
    // filter's extension: never over the original.
    if (doc.strFileName.isEmpty() ||
        (!doc.blnConverted && (doc.strFileType == u"rtf"_s || doc.strFileType == u"txt"_s)))
        return;
    if (dialog.FilterIndex() != 2)
        dialog.setFilterIndex(1);
    dialog.setFileName(documentrules::proposedSaveName(
        doc.strFileName, dialog.FilterIndex() == 2 ? u"txt"_s : u"rtf"_s));
}

bool Documents::ifExist(const QString& fileName)
{
    // Asked of the name alone: opening a named pipe or a device to find out
    // could wait for ever.
    struct stat info {};
    return ::stat(QFile::encodeName(fileName).constData(), &info) == 0;
}

void Documents::showRecovered(const recovery::SnapshotInfo& info)
{
    // As after Open, under the document's own path and format; Save writes
    // there only while its file still exists.
    DocumentState& doc = m_state.document;
    doc.strFileName = info.path;
    doc.strFileType = info.fileType;
    doc.blnConverted = info.converted;
    doc.blnNamed = !info.path.isEmpty() && ifExist(info.path);
    doc.blnChanged = true;
    m_window.widget().setWindowTitle(info.path.isEmpty() ? u"Parlivox"_s
                                                         : documentrules::captionFor(info.path));
    if (const auto panel = documentrules::formatPanelFor(doc.strFileType))
        m_window.setFormatPanel(*panel);
    m_window.findFont();
}

void Documents::openCommandLine(const QString& commandLine, std::function<void()> opened)
{
    // The text is one path in double quotes; the quotes go unchecked.
    if (commandLine.size() < 2)
        throw platform::invalidCall(u"the command line names no file"_s);
    const QString path = commandLine.mid(1, commandLine.size() - 2);
    if (path.isEmpty())
        throw platform::Error(platform::err::FileNotFound, u"File not found"_s);
    if (reading())
        return;
    read(path, [this, opened = std::move(opened)](platform::LoadedFile file) {
        try {
            openedFromCommandLine(std::move(file));
        } catch (const platform::Error& error) {
            if (error.number() != platform::err::Cancel)
                platform::showFailureDescription(m_services.messageBox, error);
            return;
        }
        if (opened)
            opened();
    });
}

void Documents::openedFromCommandLine(platform::LoadedFile file)
{
    DocumentState& doc = m_state.document;
    if (file.refused) // a refused document leaves the record as it was
        throw *file.refused;
    doc.strFileName = file.path;
    if (file.unreadable)
        throw *file.unreadable;
    const platform::DocumentFormat format = file.format;
    const QString path = file.path;
    const auto recognition = file.recognition;
    m_window.editor().adoptFile(std::move(file));
    doc.blnNamed = true;
    doc.blnChanged = false;
    doc.strFileType = documentrules::fileTypeOf(path);
    doc.blnConverted = format != platform::DocumentFormat::None;
    if (const auto panel = documentrules::formatPanelFor(doc.strFileType, format))
        m_window.setFormatPanel(*panel);
    m_window.findFont();
    m_window.documentOpened();
    showRecognition(recognition);
}
