#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace platform {
class ISpeechVoice;
class SpeechEngine;
} // namespace platform

/// The one record of the open document.
struct DocumentState {
    /// Full path as the file dialog or the command line gave it; empty for a new document.
    QString strFileName;
    /// "rtf" or "txt" (the format Save writes), or the lower-cased last three
    /// characters of an opened path with another extension.
    QString strFileType = QStringLiteral("rtf");
    /// The document has a path Save can write to.
    bool blnNamed = false;
    /// There are unsaved changes.
    bool blnChanged = false;
    /// The document was read from a format Save does not write (Word,
    /// OpenDocument, EPUB, a web page, PDF): whatever its name, Save asks for
    /// one, so that the original file is never overwritten as RTF or text.
    bool blnConverted = false;
};

/// The process-wide state of the editor, in one place so that a test can
/// start from a fresh one.
class AppState {
public:
    explicit AppState(platform::SpeechEngine& engine);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    DocumentState document;

    /// The speech rate last read from the settings or set by the Options slider.
    std::int16_t intSpeed = 0;
    /// The prepared text of the running speech session; empty at idle.
    QString strSpeakText;
    /// Speak the whole document rather than the selection.
    bool blnConvertAll = false;

    /// Where the next Find Next begins.
    std::int32_t findStart = 0;

    /// The program's one voice, created on first use.
    platform::ISpeechVoice& objVoice();
    /// Releases the voice; a later use creates a new one.
    void releaseVoice();
    bool hasVoice() const { return m_voice != nullptr; }

private:
    platform::SpeechEngine& m_engine;
    std::unique_ptr<platform::ISpeechVoice> m_voice;
};
