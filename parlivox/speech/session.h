#pragma once

#include "parlivox/speech/follower.h"
#include "parlivox/speech/logic/readingpositions.h"
#include "parlivox/speech/logic/speechtext.h"

#include <QString>

#include <optional>

class AppState;
class EditorWindow;
class QTimer;
struct EditorServices;

/// A reading session: the start entries, start, pause and resume, stop, the
/// busy and idle states, the end-of-speech poll, the keys that steer a
/// reading, and the place where the reading of a file stopped.
class SpeechSession {
public:
    /// positionStore: the file where the places of stopped readings are kept.
    SpeechSession(EditorWindow& window, EditorServices& services, AppState& state,
                  const QString& positionStore);
    SpeechSession(const SpeechSession&) = delete;
    SpeechSession& operator=(const SpeechSession&) = delete;

    void mnuConvertAll_Click();
    void mnuConvertSel_Click();
    /// "Convert from Cursor": the whole text, from the sentence at the caret on.
    void mnuConvertCursor_Click();
    /// The toolbar's "speech" button: the selection if any, else the whole text.
    void speechButton_Click();
    void PlayText();
    /// Readies the program's voice as a start does: the rate from the
    /// settings, the voice chosen in the Options dialog, full volume. Returns
    /// the flags Speak takes (punctuation read when the settings say so).
    /// Raises platform::Error.
    long prepareVoice();
    /// The text as the engine is given it: notes' marks left out, macros,
    /// the micro sign and line ends replaced, the clock read once; base is
    /// the editor position of text's first character.
    QString prepareText(QString text, qsizetype base) const;
    void PlayPause();
    void StopText();
    /// A sentence on (count > 0) or back (count < 0), at once; a paused
    /// reading stays paused. One back restarts the current sentence instead
    /// once it has sounded for about a second, as "previous" does in a
    /// media player. Nothing happens without a session.
    void skipSentence(long count);
    /// Moves the reading to the sentence at an editor position, at once.
    void jumpTo(int position);
    /// One step of the Options dialog's speed slider, from the next sentence
    /// on, stored as the dialog stores it.
    void changeSpeed(int steps);
    /// The view back to the sentence being read, and following it again.
    void backToReading();
    /// A session is running (playing or paused).
    bool isSpeaking() const;
    void setBusyState();
    void setIdleState();
    void tmrSpk_Timer();
    /// A file was opened: the caret goes where its reading stopped last.
    void documentOpened();
    /// Stops the end-of-speech poll for good: the window is unloading. A
    /// reading still running is remembered where it is.
    void unload();

    /// The speech state word: "stopped", "playing" or "paused".
    QString strPlayState;

private:
    /// Remembers where the reading of the open file stands now, or that it
    /// was read to its end; nothing for a document that is not its file.
    /// Returns what went wrong, for the status bar.
    std::optional<QString> rememberPlace(bool finished);
    /// Gives back the selection set aside for the highlight.
    void restoreSelection();

    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    /// The spoken text's way back to the editor, for this session.
    std::optional<speechtext::TextMap> m_map;
    /// The highlight of the reading, when the user chose to follow it.
    ReadingFollower m_follower;
    ReadingPositions m_positions;
    /// The editor position a "from the cursor" start reads from.
    std::optional<int> m_startAt;
    /// A selection read while followed is set aside (anchor, position) so
    /// that the highlight shows through, and comes back at the end.
    std::optional<std::pair<int, int>> m_setAside;
    /// How long the sentence heard has sounded, as last reported.
    long m_sentenceElapsedMs = 0;
    /// Polls the engine while speaking; a child of the window, so it goes with it.
    QTimer* tmrSpk;
};
