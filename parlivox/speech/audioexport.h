#pragma once

#include "parlivox/speech/logic/audiofilerules.h"

#include <QString>

#include <optional>

class AppState;
class EditorWindow;
class SpeechSession;
struct EditorServices;

/// "Convert to Audio File...": the text the toolbar's "speech" button would
/// read, prepared and voiced as a reading session does it, saved as an audio
/// file the user names, behind a window-modal progress dialog.
class AudioExport {
public:
    AudioExport(EditorWindow& window, EditorServices& services, AppState& state,
                SpeechSession& session);
    AudioExport(const AudioExport&) = delete;
    AudioExport& operator=(const AudioExport&) = delete;

    void mnuConvertFile_Click();

private:
    /// Asks for the file as Save As does, "Overwrite?" included; nothing
    /// when the user cancels.
    std::optional<audiofilerules::Target> askTarget();

    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    SpeechSession& m_session;
    /// The format and folder chosen last, offered again.
    int m_filterIndex = 1;
    QString m_folder;
};
