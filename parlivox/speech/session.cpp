// The speech session of the main window: the start entries, start, pause and
// resume, stop, the busy and idle appearances, and the end-of-speech poll.
#include "parlivox/common/services.h"
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/shell/settingskeys.h"
#include "parlivox/speech/frmOptions.h"
#include "parlivox/speech/speechtext.h"
#include "platform/clock.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString playing = u"playing"_s;
const QString paused = u"paused"_s;
const QString stopped = u"stopped"_s;
const QString textInProgress = u"Text-to-speech conversion in progress..."_s;

/// Skip count that drops everything still queued.
constexpr long allSentences = 2147483647;

/// The buttons that speaking turns off and idle turns on again.
const QStringList formattingButtons = {u"fntBold"_s,  u"fntItalic"_s, u"fntUnderline"_s,
                                       u"fntLeft"_s,  u"fntCentre"_s, u"fntRight"_s,
                                       u"fntColour"_s};

} // namespace

// ---- the start entries ---------------------------------------------------------

void frmMain::mnuConvertAll_Click()
{
    m_state.blnConvertAll = true;
    strPlayState = playing;
    PlayText();
}

void frmMain::mnuConvertSel_Click()
{
    m_state.blnConvertAll = false;
    strPlayState = playing;
    PlayText();
}

void frmMain::speechButton_Click()
{
    // The selection when there is one, else the whole document.
    m_state.blnConvertAll = !(txtConvert->SelLength() > 0);
    strPlayState = playing;
    PlayText();
}

// ---- start ------------------------------------------------------------------

void frmMain::PlayText()
{
    try {
        platform::SettingsStore& settings = m_platform.settings;
        const bool punctuation =
            platform::toInt16(settingskeys::get(settings, settingskeys::ReadP, u"0"_s)) != 0;
        m_state.intSpeed =
            platform::toInt16(settingskeys::get(settings, settingskeys::Speed, u"0"_s));
        platform::ISpeechVoice& voice = m_state.objVoice();
        voice.setRate(m_state.intSpeed);
        const platform::ISpeechObjectTokens voices = voice.GetVoices(QString(), QString());
        // The voice chosen in the Options dialog, which loads hidden the first time.
        const int index = Options().lstVoice->currentIndex();
        voice.setVoice(voices.Item(index));

        if (!m_state.blnConvertAll && txtConvert->SelLength() > 0)
            m_state.strSpeakText = txtConvert->SelText();
        else if (m_state.blnConvertAll)
            m_state.strSpeakText = txtConvert->Text();
        voice.setVolume(100);
        const QTime time = m_platform.clock.now().time();
        const QDate date = m_platform.clock.now().date();
        m_state.strSpeakText =
            speechtext::prepare(std::move(m_state.strSpeakText), time, date, QLocale::system());

        setBusyState();
        voice.Speak(m_state.strSpeakText, punctuation
                                              ? platform::SVSFlagsAsync | platform::SVSFNLPSpeakPunc
                                              : platform::SVSFlagsAsync);
    } catch (const platform::Error&) {
        txtConvert->setMousePointer(platform::RichTextBox::rtfDefault);
        m_platform.messageBox.show(u"There was an error converting the text."_s, u"Error"_s,
                                   platform::MsgButtons::OK, platform::MsgIcon::Critical);
    }
}

// ---- pause, resume, stop ------------------------------------------------------

void frmMain::PlayPause()
{
    QAction* playPause = button(u"playpause"_s);
    try {
        if (strPlayState == playing) {
            strPlayState = paused;
            playPause->setIcon(SMicons.value(u"play"_s));
            playPause->setToolTip(u"Resume Speech"_s);
            statusPanel[1]->setText(u"Speech Paused..."_s);
            m_state.objVoice().setVolume(0);
            m_state.objVoice().Pause();
        } else if (strPlayState == paused) {
            strPlayState = playing;
            playPause->setIcon(SMicons.value(u"pause"_s));
            playPause->setToolTip(u"Pause Speech"_s);
            statusPanel[1]->setText(textInProgress);
            m_state.objVoice().setVolume(100);
            m_state.objVoice().Resume();
        }
    } catch (const platform::Error& error) {
        platform::showFailure(m_platform.messageBox, error);
    }
}

void frmMain::StopText()
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
        platform::showFailure(m_platform.messageBox, *failure);
}

// ---- the two appearances --------------------------------------------------------

void frmMain::setBusyState()
{
    tmrSpk->start();
    txtConvert->setMousePointer(platform::RichTextBox::rtfArrowHourglass);
    const std::pair<const char16_t*, bool> buttons[] = {
        {u"speech", false}, {u"stop", true},      {u"new", false},  {u"open", false},
        {u"save", false},   {u"playpause", true}, {u"prop", false}, {u"about", false}};
    for (const auto& [key, enabled] : buttons)
        button(QString::fromUtf16(key))->setEnabled(enabled);
    for (const QString& key : formattingButtons)
        button(key)->setEnabled(false);
    cmbFont->setEnabled(false);
    cmbFontSize->setEnabled(false);
    statusPanel[1]->setText(textInProgress);
    for (QMenu* menu : {mnuConvert, mnuFile, mnuEdit, mnuHelp, mnuMacroS})
        setMenuEnabled(menu, false);
    txtConvert->setLocked(true);
}

void frmMain::setIdleState()
{
    for (const char16_t* key : {u"speech", u"new", u"open", u"save"})
        button(QString::fromUtf16(key))->setEnabled(true);
    button(u"stop"_s)->setEnabled(false);
    QAction* playPause = button(u"playpause"_s);
    playPause->setIcon(SMicons.value(u"pause"_s));
    playPause->setToolTip(u"Pause Speech"_s);
    playPause->setEnabled(false);
    button(u"prop"_s)->setEnabled(true);
    button(u"about"_s)->setEnabled(true);
    for (const QString& key : formattingButtons)
        button(key)->setEnabled(true);
    cmbFont->setEnabled(true);
    cmbFontSize->setEnabled(true);
    statusPanel[1]->setText(u"Ready"_s);
    for (QMenu* menu : {mnuConvert, mnuFile, mnuEdit, mnuHelp, mnuMacroS})
        setMenuEnabled(menu, true);
    txtConvert->setLocked(false);
    txtConvert->setMousePointer(platform::RichTextBox::rtfDefault);
    m_state.strSpeakText.clear();
    tmrSpk->stop();
}

// ---- the end of speech -------------------------------------------------------------

void frmMain::tmrSpk_Timer()
{
    try {
        if (m_state.objVoice().Status().RunningState == platform::SRSEDone)
            setIdleState();
    } catch (const platform::Error& error) {
        // Reported once: the window stays busy, and the stop button ends it.
        tmrSpk->stop();
        platform::showFailure(m_platform.messageBox, error);
    }
}
