#include "parlivox/speech/audioexport.h"

#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/speech/frmConvertProgress.h"
#include "parlivox/speech/session.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/voice.h"
#include "platform/ui/commondialog.h"
#include "platform/ui/messagebox.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

/// Gives the shared file dialog back its filter and name when the command
/// ends: Save As goes on offering the document's, not an audio file's.
class DialogState {
public:
    explicit DialogState(platform::CommonDialog& dialog)
        : m_dialog(dialog), m_flags(dialog.Flags()), m_filter(dialog.Filter()),
          m_filterIndex(dialog.FilterIndex()), m_fileName(dialog.FileName())
    {
    }
    ~DialogState()
    {
        m_dialog.setFlags(m_flags);
        m_dialog.setFilter(m_filter);
        m_dialog.setFilterIndex(m_filterIndex);
        m_dialog.setFileName(m_fileName);
    }
    DialogState(const DialogState&) = delete;
    DialogState& operator=(const DialogState&) = delete;

private:
    platform::CommonDialog& m_dialog;
    int m_flags;
    QString m_filter;
    int m_filterIndex;
    QString m_fileName;
};

} // namespace

AudioExport::AudioExport(EditorWindow& window, EditorServices& services, AppState& state,
                         SpeechSession& session)
    : m_window(window), m_services(services), m_state(state), m_session(session),
      m_folder(QDir::homePath())
{
}

void AudioExport::mnuConvertFile_Click()
{
    platform::RichTextBox& editor = m_window.editor();
    // The toolbar's rule: the selection when there is one, else the whole document.
    const bool selection = editor.SelLength() > 0;
    QString text = selection ? editor.SelText() : editor.Text();
    const qsizetype base = selection ? editor.SelStart() : 0;
    const std::optional<audiofilerules::Target> target = askTarget();
    if (!target)
        return;

    const long flags = m_session.prepareVoice();
    text = m_session.prepareText(std::move(text), base);
    const QString title = audiofilerules::titleFor(m_state.document.strFileName);
    const std::unique_ptr<platform::AudioFileConversion> conversion =
        m_state.objVoice().SpeakToFile(text, flags, {target->path, target->format, title});

    frmConvertProgress progress(*conversion, QFileInfo(target->path).fileName(),
                                &m_window.widget());
    if (progress.run())
        return; // cancelled: nothing was written
    conversion->rethrowFailure();
    m_folder = QFileInfo(target->path).absolutePath();
    m_filterIndex = audiofilerules::filterOf(target->format);
}

std::optional<audiofilerules::Target> AudioExport::askTarget()
{
    platform::CommonDialog& dialog = m_services.dialog;
    const DialogState restore(dialog);
    dialog.setFilter(audiofilerules::filter());
    dialog.setFilterIndex(m_filterIndex);
    dialog.setFileName(audiofilerules::suggestedPath(
        m_state.document.strFileName, m_folder, audiofilerules::formatOfFilter(m_filterIndex)));
    for (;;) {
        try {
            dialog.ShowSave();
        } catch (const platform::Error& error) {
            if (error.number() == platform::err::Cancel)
                return std::nullopt;
            throw;
        }
        const audiofilerules::Target target =
            audiofilerules::targetFor(dialog.FileName(), dialog.FilterIndex());
        if (!QFileInfo::exists(target.path))
            return target;
        const auto answer = m_services.messageBox.show(
            u"File already exists. Do you want to overwrite it?"_s, u"Overwrite?"_s,
            platform::MsgButtons::YesNo, platform::MsgIcon::Question);
        if (answer == platform::MsgResult::Yes)
            return target;
        // No: the dialog again, as Save As asks.
    }
}
