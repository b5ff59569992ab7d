#include "parlivox/speech/session.h"

#include "parlivox/common/appstate.h"
#include "parlivox/common/commands.h"
#include "parlivox/common/editorwindow.h"
#include "parlivox/common/services.h"
#include "parlivox/common/settingskeys.h"
#include "parlivox/speech/speechtext.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/richtextbox.h"

#include <QTimer>
#include <QWidget>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString playing = u"playing"_s;
const QString paused = u"paused"_s;
const QString stopped = u"stopped"_s;

/// Skip count that drops everything still queued.
constexpr long allSentences = 2147483647;

} // namespace

SpeechSession::SpeechSession(EditorWindow& window, EditorServices& services, AppState& state)
    : m_window(window), m_services(services), m_state(state), m_follower(window.editor()),
      tmrSpk(new QTimer(&window.widget()))
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
        const long flags = prepareVoice();
        qsizetype base = 0;
        if (!m_state.blnConvertAll && editor.SelLength() > 0) {
            m_state.strSpeakText = editor.SelText();
            base = editor.SelStart();
        } else if (m_state.blnConvertAll) {
            m_state.strSpeakText = editor.Text();
        }
        if (settingskeys::get(m_services.settings, settingskeys::Follow, u"0"_s) == u"1"_s) {
            const QDateTime now = m_services.clock.now();
            speechtext::PreparedText prepared = speechtext::prepareMapped(
                std::move(m_state.strSpeakText), now.time(), now.date(), QLocale::system(), base);
            m_state.strSpeakText = std::move(prepared.text);
            m_follower.start(std::move(prepared.map));
        } else {
            m_state.strSpeakText = prepareText(std::move(m_state.strSpeakText));
        }

        setBusyState();
        m_state.objVoice().Speak(m_state.strSpeakText, flags);
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

QString SpeechSession::prepareText(QString text) const
{
    // One reading of the clock: a macro line spoken at midnight names one day.
    const QDateTime now = m_services.clock.now();
    return speechtext::prepare(std::move(text), now.time(), now.date(), QLocale::system());
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
    if (failure)
        platform::showFailure(m_services.messageBox, *failure);
}

void SpeechSession::skipSentence(long count)
{
    if (!tmrSpk->isActive())
        return;
    try {
        platform::ISpeechVoice& voice = m_state.objVoice();
        voice.Skip(u"Sentence"_s, count);
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
    m_state.strSpeakText.clear();
    tmrSpk->stop();
}

// ---- the end of speech -------------------------------------------------------------

void SpeechSession::tmrSpk_Timer()
{
    try {
        const platform::ISpeechVoiceStatus status = m_state.objVoice().Status();
        if (status.RunningState == platform::SRSEDone)
            setIdleState();
        else
            m_follower.show(status);
    } catch (const platform::Error& error) {
        // Reported once: the window stays busy, and the stop button ends it.
        tmrSpk->stop();
        platform::showFailure(m_services.messageBox, error);
    }
}

void SpeechSession::unload()
{
    tmrSpk->stop();
}
