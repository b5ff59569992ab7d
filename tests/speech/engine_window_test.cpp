// The main window and the Options dialog with the real engine.
#include "engine_support.h"

#include "parlivox/speech/frmOptions.h"
#include "platform/richtextbox/richtextbox.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::int64_t played(RealSpeechWindow& r)
{
    return real(r.state.objVoice()).counters().samplesPlayed;
}

} // namespace

TEST(RealSpeechWindow, ADocumentIsSpokenToItsEndAndTheWindowReturnsToIdleByItself)
{
    CaptureFile capture;
    {
        RealSpeechWindow r(capture.path);
        r.fakes.settings.setConfig(u"Speed"_s, u"10"_s);
        r.ui.txtConvert->setText(u"Hello.\r\nGoodbye."_s);
        parts(r.w).speech().mnuConvertAll_Click();
        EXPECT_TRUE(r.ui.tmrSpk->isActive());
        EXPECT_EQ(r.ui.statusPanel[1]->text(), u"Text-to-speech conversion in progress..."_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.idle(); }, 10000));
        EXPECT_EQ(r.ui.statusPanel[1]->text(), u"Ready"_s);
        EXPECT_EQ(parts(r.w).speech().strPlayState, u"playing"_s);
        EXPECT_FALSE(r.ui.txtConvert->Locked());
        EXPECT_TRUE(r.fakes.messageBox.shown.isEmpty());
    }
    const std::vector<std::int16_t> samples = capture.samples();
    EXPECT_GT(seconds(static_cast<std::int64_t>(samples.size())), 0.4);
    EXPECT_GT(peak(samples), 3000);
}

TEST(RealSpeechWindow, FollowingTheReadingMarksEachWordAsItIsHeardAndKeysMoveIt)
{
    RealSpeechWindow r;
    r.fakes.settings.setConfig(u"Follow"_s, u"1"_s);
    r.ui.txtConvert->setText(u"Hello.\r\nIt is $time$ now. The end comes."_s);
    QStringList words; // each word marked, once per change
    const auto watch = [&r, &words] {
        const QList<QTextEdit::ExtraSelection> extras = r.ui.txtConvert->extraSelections();
        if (extras.size() == 2) {
            const QString word = extras[1].cursor.selectedText();
            if (words.isEmpty() || words.constLast() != word)
                words.append(word);
        }
        return r.idle();
    };
    parts(r.w).speech().mnuConvertAll_Click();
    ASSERT_TRUE(QTest::qWaitFor(watch, 10000));
    EXPECT_TRUE(r.ui.txtConvert->extraSelections().isEmpty()) << "the end removes it";
    // The spoken time is several words, each of them the macro.
    EXPECT_EQ(words, (QStringList{u"Hello"_s, u"It"_s, u"is"_s, u"$time$"_s, u"now"_s, u"The"_s,
                                  u"end"_s, u"comes"_s}));
    EXPECT_FALSE(r.ui.txtConvert->document()->isModified());

    // Ctrl+Right in the middle of a sentence: the next one is heard at once.
    words.clear();
    r.w.show();
    r.w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&r.w));
    parts(r.w).speech().mnuConvertAll_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch() || words.contains(u"It"_s); }, 10000));
    QTest::keyClick(r.ui.txtConvert, Qt::Key_Right, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor(watch, 10000));
    EXPECT_EQ(words, (QStringList{u"Hello"_s, u"It"_s, u"The"_s, u"end"_s, u"comes"_s}));
}

TEST(RealSpeechWindow, PauseHoldsTheSessionAndStopEndsIt)
{
    RealSpeechWindow r;
    r.ui.txtConvert->setText(u"This is a longer text. It has a few sentences. It goes on."_s);
    parts(r.w).speech().mnuConvertAll_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return played(r) > 2000; }, 5000));
    parts(r.w).speech().PlayPause();
    const std::int64_t atPause = played(r);
    QTest::qWait(250);
    EXPECT_EQ(played(r), atPause);
    EXPECT_EQ(r.ui.statusPanel[1]->text(), u"Speech Paused..."_s);
    EXPECT_TRUE(r.ui.tmrSpk->isActive()) << "a paused session is not ended by the poll";
    parts(r.w).speech().PlayPause();
    ASSERT_TRUE(QTest::qWaitFor([&] { return played(r) > atPause + 2000; }, 5000));
    parts(r.w).speech().StopText();
    EXPECT_TRUE(r.idle());
    EXPECT_EQ(r.state.objVoice().Status().RunningState, platform::SRSEDone);
    EXPECT_TRUE(r.fakes.messageBox.shown.isEmpty());
}

TEST(RealSpeechWindow, TheOptionsDialogListsTestsAndAppliesTheInstalledVoices)
{
    RealSpeechWindow r;
    frmOptions& dialog = parts(r.w).Options();
    const OptionsControls options(dialog);
    EXPECT_GT(options.lstVoice->count(), 100);
    EXPECT_EQ(options.lstVoice->currentText(), r.engine.defaultVoiceDescription());
    const int german = options.lstVoice->findText(u"German"_s);
    ASSERT_GE(german, 0);
    options.lstVoice->setCurrentIndex(german);
    options.Slider1->setValue(10);

    options.cmdTest->click(); // returns when the name has been spoken
    EXPECT_TRUE(r.fakes.messageBox.shown.isEmpty());
    EXPECT_TRUE(options.cmdOK->isEnabled());
    EXPECT_EQ(real(r.state.objVoice()).voiceDescription(), r.engine.defaultVoiceDescription())
        << "the test used a voice of its own";

    options.cmdOK->click();
    EXPECT_EQ(r.fakes.settings.config(u"Voice"_s), u"German"_s);
    EXPECT_EQ(r.fakes.settings.config(u"Speed"_s), u"10"_s);
    EXPECT_EQ(real(r.state.objVoice()).voiceDescription(), u"German"_s);
}
