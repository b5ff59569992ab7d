#include "main_window.h"

#include "parlivox/speech/frmOptions.h"
#include "parlivox/speech/logic/speechtext.h"
#include "platform/richtext/textproperties.h"
#include "platform/richtextbox/richtextbox.h"
#include "test_files.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

/// The main window over scripted fakes, loaded, holding a document.
class SessionTest : public ::testing::Test {
protected:
    SessionTest()
    {
        w.Form_Load();
        ui.txtConvert->setText(u"First line.\r\nSecond line."_s);
    }

    FakeVoice& voice() { return *fakes.speech.first; }
    const SpeechLog::Spoken& lastSpoken() const { return fakes.speech.log.spoken.constLast(); }
    void select(int start, int length)
    {
        ui.txtConvert->setSelStart(start);
        ui.txtConvert->setSelLength(length);
    }
    /// The button shows the image "play" or "pause", from the icon theme or bundled.
    bool imageIs(const QString& key, const QString& image)
    {
        const QString theme =
            image == u"play"_s ? u"media-playback-start"_s : u"media-playback-pause"_s;
        const QIcon expected = QIcon::fromTheme(theme, QIcon(u":/icons/"_s + image + u".svg"_s));
        return ui.button(key)->icon().pixmap(16, 16).toImage() == expected.pixmap(16, 16).toImage();
    }

    /// Every control and value of the idle state.
    void expectIdle()
    {
        for (const char16_t* key :
             {u"new", u"open", u"save", u"speech", u"prop", u"about", u"fntBold", u"fntItalic",
              u"fntUnderline", u"fntColour", u"fntLeft", u"fntCentre", u"fntRight"})
            EXPECT_TRUE(ui.button(QString::fromUtf16(key))->isEnabled())
                << QString::fromUtf16(key).toStdString();
        EXPECT_FALSE(ui.button(u"stop"_s)->isEnabled());
        EXPECT_FALSE(ui.button(u"playpause"_s)->isEnabled());
        EXPECT_TRUE(imageIs(u"playpause"_s, u"pause"_s));
        EXPECT_EQ(ui.button(u"playpause"_s)->toolTip(), u"Pause Speech (Ctrl+Space)"_s);
        EXPECT_TRUE(ui.cmbFont->isEnabled());
        EXPECT_TRUE(ui.cmbFontSize->isEnabled());
        for (QMenu* menu : {ui.mnuFile, ui.mnuEdit, ui.mnuMacroS, ui.mnuConvert, ui.mnuHelp})
            EXPECT_TRUE((menu)->menuAction()->isEnabled()) << menu->objectName().toStdString();
        EXPECT_EQ(ui.statusPanel[1]->text(), u"Ready"_s);
        EXPECT_FALSE(ui.txtConvert->Locked());
        EXPECT_EQ(ui.txtConvert->MousePointer(), 0);
        EXPECT_FALSE(ui.tmrSpk->isActive());
        EXPECT_TRUE(state.strSpeakText.isEmpty());
        EXPECT_TRUE(ui.txtConvert->extraSelections().isEmpty());
        EXPECT_FALSE(ui.find<QAction>(u"actSentenceForward"_s)->isEnabled());
    }

    /// Every control and value of the speaking state, playing or paused.
    void expectSpeaking(bool paused)
    {
        for (const char16_t* key :
             {u"new", u"open", u"save", u"speech", u"prop", u"about", u"fntBold", u"fntItalic",
              u"fntUnderline", u"fntColour", u"fntLeft", u"fntCentre", u"fntRight"})
            EXPECT_FALSE(ui.button(QString::fromUtf16(key))->isEnabled())
                << QString::fromUtf16(key).toStdString();
        EXPECT_TRUE(ui.button(u"stop"_s)->isEnabled());
        EXPECT_TRUE(ui.button(u"playpause"_s)->isEnabled());
        EXPECT_TRUE(imageIs(u"playpause"_s, paused ? u"play"_s : u"pause"_s));
        EXPECT_EQ(ui.button(u"playpause"_s)->toolTip(),
                  paused ? u"Resume Speech (Ctrl+Space)"_s : u"Pause Speech (Ctrl+Space)"_s);
        EXPECT_FALSE(ui.cmbFont->isEnabled());
        EXPECT_FALSE(ui.cmbFontSize->isEnabled());
        for (QMenu* menu : {ui.mnuFile, ui.mnuEdit, ui.mnuMacroS, ui.mnuConvert, ui.mnuHelp})
            EXPECT_FALSE((menu)->menuAction()->isEnabled()) << menu->objectName().toStdString();
        EXPECT_TRUE(ui.mnuConvertAll->shortcut().isEmpty()) << "F5 must not start a second session";
        EXPECT_EQ(ui.statusPanel[1]->text(),
                  paused ? u"Speech Paused..."_s : u"Text-to-speech conversion in progress..."_s);
        EXPECT_TRUE(ui.txtConvert->Locked());
        EXPECT_EQ(ui.txtConvert->MousePointer(), 13);
        EXPECT_TRUE(ui.tmrSpk->isActive());
        EXPECT_EQ(parts(w).speech().strPlayState, paused ? u"paused"_s : u"playing"_s);
        EXPECT_EQ(voice().Volume(), paused ? 0 : 100);
        // Following the reading is off: nothing is ever highlighted.
        EXPECT_TRUE(ui.txtConvert->extraSelections().isEmpty());
        EXPECT_TRUE(ui.find<QAction>(u"actSentenceForward"_s)->isEnabled());
    }

    FakePlatform fakes;
    AppState state{fakes.speech};
    frmMain w{fakes.services, state, QString()};
    MainWindowControls ui{w};
};

} // namespace

// ---- the state table -----------------------------------------------------------

TEST_F(SessionTest, StartPauseResumeAndStopGoThroughTheThreeStatesControlByControl)
{
    parts(w).speech().mnuConvertAll_Click();
    expectSpeaking(false);
    EXPECT_FALSE(state.strSpeakText.isEmpty());
    parts(w).speech().PlayPause();
    expectSpeaking(true);
    EXPECT_FALSE(state.strSpeakText.isEmpty());
    parts(w).speech().PlayPause();
    expectSpeaking(false);
    parts(w).speech().StopText();
    expectIdle();
    EXPECT_EQ(parts(w).speech().strPlayState, u"stopped"_s);
    EXPECT_EQ(fakes.speech.log.calls,
              (QStringList{u"Rate 0"_s, u"Voice English (Great Britain)"_s, u"Volume 100"_s,
                           u"Speak 1"_s, u"Volume 0"_s, u"Pause"_s, u"Volume 100"_s, u"Resume"_s,
                           u"Resume"_s, u"Skip Sentence 2147483647"_s}));
}

TEST_F(SessionTest, PauseThenStopLeavesTheVolumeAtZeroUntilTheNextStart)
{
    parts(w).speech().mnuConvertAll_Click();
    parts(w).speech().PlayPause();
    parts(w).speech().StopText();
    expectIdle();
    EXPECT_EQ(voice().Volume(), 0);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(lastSpoken().volume, 100);
}

TEST_F(SessionTest, PlayPauseAtIdleDoesNothing)
{
    parts(w).speech().PlayPause();
    expectIdle();
    EXPECT_TRUE(fakes.speech.log.calls.isEmpty());
}

TEST_F(SessionTest, ThePrintButtonIsLeftAsItWas)
{
    ui.button(u"print"_s)->setEnabled(false);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_FALSE(ui.button(u"print"_s)->isEnabled());
    parts(w).speech().StopText();
    EXPECT_FALSE(ui.button(u"print"_s)->isEnabled());
    ui.button(u"print"_s)->setEnabled(true);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_TRUE(ui.button(u"print"_s)->isEnabled()) << "print stays usable while speaking";
}

// ---- the end of speech ---------------------------------------------------------------

TEST_F(SessionTest, TheNaturalEndReturnsToIdleAndKeepsThePlayState)
{
    parts(w).speech().mnuConvertAll_Click();
    voice().runningStates = {platform::SRSEIsSpeaking, 0, 3};
    voice().runningState = platform::SRSEDone;
    parts(w).speech().tmrSpk_Timer();
    parts(w).speech().tmrSpk_Timer();
    parts(w).speech().tmrSpk_Timer();
    expectSpeaking(false); // only exactly 1 ends a session
    parts(w).speech().tmrSpk_Timer();
    expectIdle();
    EXPECT_EQ(parts(w).speech().strPlayState, u"playing"_s);
    EXPECT_EQ(voice().Volume(), 100);
}

TEST_F(SessionTest, APausedSessionIsNeverEndedByTheTick)
{
    parts(w).speech().mnuConvertAll_Click();
    parts(w).speech().PlayPause();
    for (int i = 0; i < 5; ++i)
        parts(w).speech().tmrSpk_Timer();
    expectSpeaking(true);
}

TEST_F(SessionTest, TheTimerDrivesTheEndOfSpeechThroughTheEventLoop)
{
    parts(w).speech().mnuConvertAll_Click();
    voice().runningState = platform::SRSEDone;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ui.tmrSpk->isActive(); }, 5000));
    expectIdle();
}

// ---- the start entries and their text --------------------------------------------------

TEST_F(SessionTest, ConvertAllSpeaksTheWholeDocumentEvenWithASelection)
{
    select(0, 5);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(lastSpoken().text, u"First line. ;\nSecond line."_s);
    EXPECT_TRUE(state.blnConvertAll);
}

TEST_F(SessionTest, TheSpeechButtonSpeaksTheSelectionWhenThereIsOne)
{
    select(6, 4);
    parts(w).speech().speechButton_Click();
    EXPECT_EQ(lastSpoken().text, u"line"_s);
    EXPECT_FALSE(state.blnConvertAll);
    parts(w).speech().StopText();
    select(3, 0);
    parts(w).speech().speechButton_Click();
    EXPECT_EQ(lastSpoken().text, u"First line. ;\nSecond line."_s);
    EXPECT_TRUE(state.blnConvertAll);
}

TEST_F(SessionTest, ConvertSelectionSpeaksTheSelection)
{
    select(12, 13);
    parts(w).speech().mnuConvertSel_Click();
    EXPECT_EQ(lastSpoken().text, u"Second line."_s);
}

TEST_F(SessionTest, ConvertSelectionWithNothingSelectedSpeaksTheEmptyPendingText)
{
    select(2, 0);
    parts(w).speech().mnuConvertSel_Click();
    EXPECT_EQ(lastSpoken().text, QString());
    expectSpeaking(false);
    voice().runningState = platform::SRSEDone;
    parts(w).speech().tmrSpk_Timer();
    expectIdle();
}

TEST_F(SessionTest, MacrosAreSpokenFromOneReadingOfTheClock)
{
    // Read twice across midnight, the time would be the old day's and the
    // date the new day's.
    const QDateTime lastMoment(QDate(2026, 3, 14), QTime(23, 59, 59, 900));
    fakes.clock.time = lastMoment;
    fakes.clock.stepMs = 200;
    ui.txtConvert->setText(u"$time$ \u00B5 $date$ $time$"_s);
    parts(w).speech().mnuConvertAll_Click();
    const QString t = speechtext::timeText(lastMoment.time(), QLocale::system());
    const QString d = speechtext::dateText(lastMoment.date(), QLocale::system());
    EXPECT_EQ(lastSpoken().text, t + u" Micro "_s + d + u" "_s + t);
    EXPECT_EQ(state.strSpeakText, lastSpoken().text);
}

TEST_F(SessionTest, NoteMarksAreShownButNeverReadIntoTheWordOrNumberBefore)
{
    // Marked by a reader, raised by hand, or written in superscript digits;
    // a raised number after a number or a short unit is a power, read as it is.
    ui.txtConvert->setText(u"published 1813.1 Her daughters2 were five. 102 km2 in 1813.\u00B9"_s);
    QTextCursor cursor(ui.txtConvert->document());
    const auto raise = [&](int at, bool marked) {
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        if (marked)
            format.setProperty(platform::NoteReferenceProperty, true);
        cursor.mergeCharFormat(format);
    };
    raise(15, true);
    raise(30, false);
    raise(45, false);
    raise(49, false);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(lastSpoken().text, u"published 1813.  Her daughters  were five. 102 km2 in 1813. "_s);

    // A selection's marks are found from its own start.
    select(21, 15);
    parts(w).speech().mnuConvertSel_Click();
    EXPECT_EQ(lastSpoken().text, u"daughters  were"_s);
}

// ---- the stored settings ------------------------------------------------------------------

TEST_F(SessionTest, StoredSettingsGiveRateAndPunctuationFlags)
{
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(lastSpoken().flags, 1);
    EXPECT_EQ(lastSpoken().rate, 0) << "no Speed stored: rate 0";
    parts(w).speech().StopText();

    fakes.settings.setConfig(u"ReadP"_s, u"2"_s);
    fakes.settings.setConfig(u"Speed"_s, u"-7"_s);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(lastSpoken().flags, 65);
    EXPECT_EQ(lastSpoken().rate, -7);
    EXPECT_EQ(state.intSpeed, -7);
}

TEST_F(SessionTest, AStartThatFailsShowsTheMessageAndLeavesTheWindowIdle)
{
    fakes.settings.setConfig(u"Speed"_s, u"fast"_s);
    parts(w).speech().mnuConvertAll_Click();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"There was an error converting the text."_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_EQ(fakes.messageBox.last().buttons, platform::MsgButtons::OK);
    EXPECT_TRUE(fakes.speech.log.spoken.isEmpty());
    expectIdle();
}

TEST_F(SessionTest, ARefusedSpeakLeavesTheWindowBusyWithTheDefaultPointerUntilThePollEndsIt)
{
    state.objVoice();
    voice().failSpeak = true;
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(fakes.messageBox.last().text, u"There was an error converting the text."_s);
    EXPECT_EQ(ui.txtConvert->MousePointer(), 0);
    EXPECT_TRUE(ui.tmrSpk->isActive());
    EXPECT_TRUE(ui.txtConvert->Locked());
    voice().runningState = platform::SRSEDone;
    parts(w).speech().tmrSpk_Timer();
    expectIdle();
}

TEST_F(SessionTest, AStoredVoiceThatIsNotInstalledFailsEveryStartUntilOkSavesOne)
{
    fakes.settings.setConfig(u"Voice"_s, u"A Voice Long Uninstalled"_s);
    parts(w).speech().mnuConvertAll_Click();
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(fakes.messageBox.shown.size(), 2);
    EXPECT_TRUE(fakes.speech.log.spoken.isEmpty());
    expectIdle();

    // The dialog that the start loaded hidden is the one the user then opens.
    frmOptions& options = parts(w).Options();
    EXPECT_FALSE(options.isVisible());
    EXPECT_EQ(OptionsControls(options).lstVoice->currentIndex(), -1);
    OptionsControls(options).lstVoice->setCurrentIndex(2);
    options.cmdOK_Click();
    EXPECT_EQ(fakes.settings.config(u"Voice"_s), u"German"_s);

    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(fakes.messageBox.shown.size(), 2);
    ASSERT_EQ(fakes.speech.log.spoken.size(), 1);
    EXPECT_EQ(lastSpoken().token, u"German"_s);
}

TEST_F(SessionTest, TheVoiceComesFromTheHiddenOptionsDialogWhichIsLoadedOnce)
{
    parts(w).speech().mnuConvertAll_Click();
    frmOptions* first = &parts(w).Options();
    EXPECT_FALSE(first->isVisible());
    OptionsControls(*first).lstVoice->setCurrentIndex(
        OptionsControls(*first).lstVoice->findText(u"English (America)"_s));
    // Not saved: the list is what counts.
    parts(w).speech().StopText();
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_EQ(&parts(w).Options(), first);
    EXPECT_EQ(lastSpoken().token, u"English (America)"_s);
}

// ---- engine failures in pause, resume, stop and the poll ---------------------------------

TEST_F(SessionTest, EngineFailuresInPauseAndResumeAreReportedWithTheirCode)
{
    parts(w).speech().mnuConvertAll_Click();
    voice().failControl = true;
    parts(w).speech().PlayPause();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"-2147201021 - The audio device failed"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    parts(w).speech().PlayPause();
    EXPECT_EQ(fakes.messageBox.shown.size(), 2);
}

TEST_F(SessionTest, AStopThatFailsStillReturnsToIdle)
{
    parts(w).speech().mnuConvertAll_Click();
    voice().failControl = true;
    parts(w).speech().StopText();
    expectIdle();
    EXPECT_EQ(parts(w).speech().strPlayState, u"stopped"_s);
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"-2147201021 - The audio device failed"_s);
}

TEST_F(SessionTest, APollThatFailsIsReportedOnceAndTheStopButtonStillEndsTheSession)
{
    parts(w).speech().mnuConvertAll_Click();
    voice().failStatus = true;
    parts(w).speech().tmrSpk_Timer();
    EXPECT_FALSE(ui.tmrSpk->isActive()) << "no second message from the next tick";
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"-2147201021 - The audio device failed"_s);
    EXPECT_TRUE(ui.button(u"stop"_s)->isEnabled());
    parts(w).speech().StopText();
    expectIdle();
}

TEST_F(SessionTest, UnloadingTheWindowReleasesTheVoice)
{
    parts(w).speech().mnuConvertAll_Click();
    state.document.blnChanged = false;
    w.close();
    EXPECT_EQ(fakes.speech.log.destroyed, fakes.speech.log.created);
}

// ---- reading from the cursor, and on from where it stopped --------------------------------

TEST_F(SessionTest, ConvertFromCursorReadsTheWholeTextFromTheSentenceAtTheCaret)
{
    ui.txtConvert->setText(u"One. Two.\r\nThree."_s);
    select(7, 0); // in "Two."
    w.findChild<QAction*>(u"mnuConvertCursor"_s)->trigger();
    EXPECT_EQ(lastSpoken().text, u"One. Two. ;\nThree."_s);
    // Held until it stands there: nothing before it sounds.
    EXPECT_EQ(fakes.speech.log.calls.mid(fakes.speech.log.calls.indexOf(u"Speak 1"_s) - 1),
              (QStringList{u"Pause"_s, u"Speak 1"_s, u"SkipTo 7"_s, u"Resume"_s}));
    expectSpeaking(false);
}

TEST(ContinueReading, AStoppedReadingGoesOnFromItsSentenceWhenTheSameFileIsOpenedAgain)
{
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
    const QString path = home.filePath(u"story.txt"_s);
    writeFile(path, "Mr. Bennet came.\r\n\r\n\"Is he?\" she asked.\r\nNo.");
    const QString commandLine = u"\""_s + path + u"\""_s;
    const QString sentence = u"\"Is he?\" she asked."_s;
    const auto hearIn = [&sentence](Editor& e) {
        const QString spoken = e.fakes.speech.log.spoken.constLast().text;
        const auto at = static_cast<long>(spoken.indexOf(sentence));
        e.fakes.speech.first->heard = {0, at + 5, 2, at, static_cast<long>(sentence.size()), 400};
        parts(e.window).speech().tmrSpk_Timer();
    };
    {
        Editor first(commandLine);
        EXPECT_EQ(first.ui.statusPanel[1]->text(), u"Ready"_s) << "nothing remembered yet";
        parts(first.window).speech().mnuConvertAll_Click();
        hearIn(first);
        parts(first.window).speech().StopText();
    }
    {
        Editor again(commandLine);
        EXPECT_EQ(again.ui.txtConvert->SelStart(), 18) << "after two paragraph breaks";
        EXPECT_EQ(again.ui.statusPanel[1]->text(), u"Reading position restored"_s);
        again.window.findChild<QAction*>(u"mnuConvertCursor"_s)->trigger();
        const QString spoken = again.fakes.speech.log.spoken.constLast().text;
        EXPECT_TRUE(again.fakes.speech.log.calls.contains(
            u"SkipTo "_s + QString::number(spoken.indexOf(sentence))));
        // Closing while it reads keeps the place as well.
        hearIn(again);
        again.window.close();
    }
    {
        Editor third(commandLine);
        EXPECT_EQ(third.ui.txtConvert->SelStart(), 18);
        // Read to its end, the file starts afresh next time.
        parts(third.window).speech().mnuConvertAll_Click();
        third.fakes.speech.first->runningState = platform::SRSEDone;
        parts(third.window).speech().tmrSpk_Timer();
    }
    EXPECT_EQ(Editor(commandLine).ui.txtConvert->SelStart(), 0);
    {
        Editor fourth(commandLine);
        parts(fourth.window).speech().mnuConvertAll_Click();
        hearIn(fourth);
        parts(fourth.window).speech().StopText();
    }
    writeFile(path, "Mr. Bennet came.\r\n\r\n\"Is he?\" she asked.\r\nNo. Yes."); // edited
    Editor edited(commandLine);
    EXPECT_EQ(edited.ui.txtConvert->SelStart(), 0);
    EXPECT_EQ(edited.ui.statusPanel[1]->text(), u"Ready"_s);
    qputenv("XDG_STATE_HOME", savedHome);
}
