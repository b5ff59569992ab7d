#pragma once

#include "parlivox/speech/follower.h"

#include <QString>

class AppState;
class EditorWindow;
class QTimer;
struct EditorServices;

/// A reading session: the start entries, start, pause and resume, stop, the
/// busy and idle states, and the end-of-speech poll.
class SpeechSession {
public:
    SpeechSession(EditorWindow& window, EditorServices& services, AppState& state);
    SpeechSession(const SpeechSession&) = delete;
    SpeechSession& operator=(const SpeechSession&) = delete;

    void mnuConvertAll_Click();
    void mnuConvertSel_Click();
    /// The toolbar's "speech" button: the selection if any, else the whole text.
    void speechButton_Click();
    void PlayText();
    /// Readies the program's voice as a start does: the rate from the
    /// settings, the voice chosen in the Options dialog, full volume. Returns
    /// the flags Speak takes (punctuation read when the settings say so).
    /// Raises platform::Error.
    long prepareVoice();
    /// The text as the engine is given it: macros, the micro sign and line
    /// ends replaced, the clock read once.
    QString prepareText(QString text) const;
    void PlayPause();
    void StopText();
    /// Moves the reading count sentences on (negative: back), at once; a
    /// paused reading stays paused. Nothing happens without a session.
    void skipSentence(long count);
    void setBusyState();
    void setIdleState();
    void tmrSpk_Timer();
    /// Stops the end-of-speech poll for good: the window is unloading.
    void unload();

    /// The speech state word: "stopped", "playing" or "paused".
    QString strPlayState;

private:
    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    /// The highlight of the reading, when the user chose to follow it.
    ReadingFollower m_follower;
    /// Polls the engine while speaking; a child of the window, so it goes with it.
    QTimer* tmrSpk;
};
