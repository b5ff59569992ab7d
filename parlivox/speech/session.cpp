#include "parlivox/speech/session.h"

#include "parlivox/common/commands.h"
#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/common/logic/settingskeys.h"
#include "parlivox/speech/logic/raisedtext.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/voice.h"
#include "platform/ui/messagebox.h"

#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString playing = u"playing"_s;
const QString paused = u"paused"_s;
const QString stopped = u"stopped"_s;

/// Skip count that drops everything still queued.
constexpr long allSentences = 2147483647;
/// A sentence heard this long is restarted by one step back; before, the
/// step goes to the sentence before it.
constexpr long restartAfterMs = 1000;
/// The Options dialog's speed slider.
constexpr int slowest = 0;
constexpr int fastest = 10;

} // namespace

SpeechSession::SpeechSession(EditorWindow& window, EditorServices& services, AppState& state,
                             const QString& positionStore)
    : m_window(window), m_services(services), m_state(state), m_follower(window.editor()),
      m_positions(positionStore), tmrSpk(new QTimer(&window.widget()))
{
    tmrSpk->setObjectName(u"tmrSpk"_s);
    tmrSpk->setInterval(1);
    connectGuarded(tmrSpk, &QTimer::timeout, tmrSpk, m_services.messageBox,
                   [this] { tmrSpk_Timer(); });
}

// ---- the start entries ---------------------------------------------------------

void SpeechSession::mnuConvertAll_Click()
{
    m_state.blnConvertAll = true;
    strPlayState = playing;
    PlayText();
}

void SpeechSession::mnuConvertSel_Click()
{
    m_state.blnConvertAll = false;
    strPlayState = playing;
    PlayText();
}

void SpeechSession::mnuConvertCursor_Click()
{
    m_state.blnConvertAll = true;
    strPlayState = playing;
    m_startAt = m_window.editor().SelStart();
    PlayText();
    m_startAt.reset();
}

void SpeechSession::speechButton_Click()
{
    // The selection when there is one, else the whole document.
    m_state.blnConvertAll = !(m_window.editor().SelLength() > 0);
    strPlayState = playing;
    PlayText();
}

// ---- start ------------------------------------------------------------------

void SpeechSession::PlayText()
{
    platform::RichTextBox& editor = m_window.editor();
    try {
        m_follower.stop(); // a start that failed may have left it following
        restoreSelection();
        m_map.reset();
        const long flags = prepareVoice();
        qsizetype base = 0;
        std::vector<speechtext::RaisedText> raised;
        if (!m_state.blnConvertAll && editor.SelLength() > 0) {
            m_state.strSpeakText = editor.SelText();
            base = editor.SelStart();
            raised = speechtext::raisedText(*editor.document(), base, base + editor.SelLength());
        } else if (m_state.blnConvertAll) {
            m_state.strSpeakText = editor.Text();
            raised =
                speechtext::raisedText(*editor.document(), 0, editor.document()->characterCount());
        }
        const QDateTime now = m_services.clock.now();
        speechtext::PreparedText prepared =
            speechtext::prepareMapped(std::move(m_state.strSpeakText), now.time(), now.date(),
                                      QLocale::system(), base, raised);
        m_state.strSpeakText = std::move(prepared.text);
        m_map = std::move(prepared.map);
        const bool follow =
            settingskeys::get(m_services.settings, settingskeys::Follow, u"0"_s) == u"1"_s;
        m_follower.start(*m_map, follow);
        m_sentenceElapsedMs = 0;
        if (follow && editor.SelLength() > 0) {
            // The selection's colour would cover the highlight: it is set
            // aside while the reading lasts.
            QTextCursor cursor = editor.textCursor();
            m_setAside = std::pair(cursor.anchor(), cursor.position());
            cursor.clearSelection();
            editor.setTextCursor(cursor);
        }

        setBusyState();
        platform::ISpeechVoice& voice = m_state.objVoice();
        if (m_startAt) {
            // Held until it stands at the caret's sentence, so that nothing
            // before it sounds.
            voice.Pause();
            voice.Speak(m_state.strSpeakText, flags);
            voice.SkipTo(static_cast<long>(m_map->toSpoken(*m_startAt)));
            voice.Resume();
        } else {
            voice.Speak(m_state.strSpeakText, flags);
        }
    } catch (const platform::Error&) {
        editor.setMousePointer(platform::RichTextBox::rtfDefault);
        m_services.messageBox.show(u"There was an error converting the text."_s, u"Error"_s,
                                   platform::MsgButtons::OK, platform::MsgIcon::Critical);
    }
}

long SpeechSession::prepareVoice()
{
    platform::SettingsStore& settings = m_services.settings;
    const bool punctuation =
        platform::toInt16(settingskeys::get(settings, settingskeys::ReadP, u"0"_s)) != 0;
    m_state.intSpeed = platform::toInt16(settingskeys::get(settings, settingskeys::Speed, u"0"_s));
    platform::ISpeechVoice& voice = m_state.objVoice();
    voice.setRate(m_state.intSpeed);
    const platform::ISpeechObjectTokens voices = voice.GetVoices(QString(), QString());
    voice.setVoice(voices.Item(m_window.chosenVoiceIndex()));
    voice.setVolume(100);
    return punctuation ? platform::SVSFlagsAsync | platform::SVSFNLPSpeakPunc
                       : platform::SVSFlagsAsync;
}

QString SpeechSession::prepareText(QString text, qsizetype base) const
{
    // One reading of the clock: a macro line spoken at midnight names one day.
    const QDateTime now = m_services.clock.now();
    // Each CR LF is one paragraph break in the editor.
    const qsizetype length = text.size() - text.count(u"\r\n");
    return speechtext::prepareMapped(
               std::move(text), now.time(), now.date(), QLocale::system(), base,
               speechtext::raisedText(*m_window.editor().document(), base, base + length))
        .text;
}

// ---- pause, resume, stop ------------------------------------------------------

void SpeechSession::PlayPause()
{
    try {
        if (strPlayState == playing) {
            strPlayState = paused;
            m_window.showPaused(true);
            m_state.objVoice().setVolume(0);
            m_state.objVoice().Pause();
        } else if (strPlayState == paused) {
            strPlayState = playing;
            m_window.showPaused(false);
            m_state.objVoice().setVolume(100);
            m_state.objVoice().Resume();
        }
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
    }
}

void SpeechSession::StopText()
{
    std::optional<platform::Error> failure;
    const std::optional<QString> problem = isSpeaking() ? rememberPlace(false) : std::nullopt;
    try {
        platform::ISpeechVoice& voice = m_state.objVoice();
        // A paused voice keeps volume 0 until the next start.
        voice.Resume();
        voice.Skip(u"Sentence"_s, allSentences);
    } catch (const platform::Error& error) {
        failure = error;
    }
    // The window goes back to idle even when the engine failed to stop.
    strPlayState = stopped;
    setIdleState();
    if (problem)
        m_window.setStatusText(*problem);
    if (failure)
        platform::showFailure(m_services.messageBox, *failure);
}

// ---- steering a reading ----------------------------------------------------------

bool SpeechSession::isSpeaking() const
{
    return tmrSpk->isActive();
}

void SpeechSession::skipSentence(long count)
{
    if (!isSpeaking())
        return;
    try {
        platform::ISpeechVoice& voice = m_state.objVoice();
        // One step back from a sentence heard for a while hears it again.
        if (count == -1 && m_sentenceElapsedMs >= restartAfterMs)
            count = 0;
        voice.Skip(u"Sentence"_s, count);
        m_sentenceElapsedMs = 0;
        // Past the last sentence while paused: the session ends as Stop ends
        // it, which also lets the voice go on next time. Playing, the poll
        // sees the natural end.
        if (strPlayState == paused && voice.Status().RunningState == platform::SRSEDone) {
            StopText();
            return;
        }
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
    }
    tmrSpk_Timer(); // the highlight moves at once
}

void SpeechSession::jumpTo(int position)
{
    if (!isSpeaking() || !m_map)
        return;
    try {
        m_state.objVoice().SkipTo(static_cast<long>(m_map->toSpoken(position)));
        m_sentenceElapsedMs = 0;
        m_follower.resume(); // the sentence clicked is in sight
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
    }
    tmrSpk_Timer();
}

void SpeechSession::changeSpeed(int steps)
{
    if (!isSpeaking())
        return;
    try {
        // The speed heard, which the Options dialog loaded hidden may not show.
        const long current = std::clamp<long>(m_state.objVoice().Rate(), slowest, fastest);
        const auto speed = static_cast<int>(std::clamp<long>(current + steps, slowest, fastest));
        if (speed == m_state.objVoice().Rate())
            return;
        settingskeys::save(m_services.settings, settingskeys::Speed, QString::number(speed));
        m_state.intSpeed = static_cast<std::int16_t>(speed);
        m_state.objVoice().setRateFromNextSentence(speed);
        m_window.showSpeed(speed);
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
    }
}

void SpeechSession::backToReading()
{
    if (isSpeaking())
        m_follower.goBack();
}

// ---- the two states --------------------------------------------------------------

void SpeechSession::setBusyState()
{
    tmrSpk->start();
    m_window.showSpeaking(true);
}

void SpeechSession::setIdleState()
{
    m_follower.stop();
    m_window.showSpeaking(false);
    restoreSelection();
    m_state.strSpeakText.clear();
    tmrSpk->stop();
}

void SpeechSession::restoreSelection()
{
    if (!m_setAside)
        return;
    platform::RichTextBox& editor = m_window.editor();
    const auto [anchor, position] = *m_setAside;
    m_setAside.reset();
    // A click while reading put the caret somewhere else: the user's choice stands.
    const QTextCursor now = editor.textCursor();
    if (now.hasSelection() || now.position() != position)
        return;
    QTextCursor cursor(editor.document());
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    editor.setTextCursor(cursor);
}

// ---- the end of speech -------------------------------------------------------------

void SpeechSession::tmrSpk_Timer()
{
    try {
        const platform::ISpeechVoiceStatus status = m_state.objVoice().Status();
        if (status.RunningState == platform::SRSEDone) {
            const std::optional<QString> problem = rememberPlace(true);
            setIdleState();
            if (problem)
                m_window.setStatusText(*problem);
        } else {
            m_sentenceElapsedMs = status.SentenceElapsedMs;
            m_follower.show(status);
        }
    } catch (const platform::Error& error) {
        // Reported once: the window stays busy, and the stop button ends it.
        tmrSpk->stop();
        platform::showFailure(m_services.messageBox, error);
    }
}

// ---- where the reading of a file stopped ---------------------------------------------

std::optional<QString> SpeechSession::rememberPlace(bool finished)
{
    const DocumentState& document = m_state.document;
    if (!document.blnNamed || document.blnChanged || document.strFileName.isEmpty() || !m_map)
        return std::nullopt; // the editor does not hold the file as it is
    try {
        if (finished) {
            // Read to the end, the next reading starts afresh.
            if (m_state.blnConvertAll)
                m_positions.forget(document.strFileName);
            return std::nullopt;
        }
        const platform::ISpeechVoiceStatus status = m_state.objVoice().Status();
        if (status.RunningState == platform::SRSEDone || status.InputSentenceLength <= 0)
            return std::nullopt;
        const auto [start, end] =
            m_follower.editorRange(status.InputSentencePosition, status.InputSentenceLength);
        m_positions.remember(document.strFileName, start);
    } catch (const platform::Error& error) {
        return u"The reading position could not be kept: "_s + error.description();
    }
    return std::nullopt;
}

void SpeechSession::documentOpened()
{
    const DocumentState& document = m_state.document;
    if (document.strFileName.isEmpty())
        return;
    const std::optional<qint64> place = m_positions.find(document.strFileName);
    if (!place)
        return;
    platform::RichTextBox& editor = m_window.editor();
    const int last = editor.document()->characterCount() - 1;
    const auto position = static_cast<int>(std::clamp<qint64>(*place, 0, std::max(last, 0)));
    editor.setSelStart(position);
    ReadingFollower::showAtTop(editor, position);
    // Opened from the command line, the window is laid out only once shown.
    QTimer::singleShot(0, &editor, [&editor, position] {
        if (editor.SelStart() == position)
            ReadingFollower::showAtTop(editor, position);
    });
    m_window.setStatusText(u"Reading position restored"_s);
}

void SpeechSession::unload()
{
    // The window is going: a place that cannot be kept is not worth a word.
    if (isSpeaking())
        rememberPlace(false);
    tmrSpk->stop();
}
