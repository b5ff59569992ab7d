// Following the reading against the scripted fake engine: the place a voice
// reports as heard is highlighted in the editor, and the sentence keys move
// the reading.
#include "main_window.h"

#include "parlivox/speech/frmOptions.h"
#include "parlivox/speech/logic/speechtext.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAction>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class FollowTest : public MainWindowTest {
protected:
    FakeVoice& voice() { return *fakes.speech.first; }
    QAction* follow() { return ui.find<QAction>(u"mnuFollow"_s); }
    QString spoken() const { return fakes.speech.log.spoken.constLast().text; }

    /// The voice reports word and sentence (found in the spoken text) as heard.
    void hear(const QString& sentence, const QString& word)
    {
        const qsizetype at = spoken().indexOf(sentence);
        ASSERT_GE(at, 0) << sentence.toStdString();
        const qsizetype wordAt = spoken().indexOf(word, at);
        voice().heard = {0, static_cast<long>(wordAt), static_cast<long>(word.size()),
                         static_cast<long>(at), static_cast<long>(sentence.size())};
        parts(w).speech().tmrSpk_Timer();
    }
    /// The texts the extra selections mark: the sentence, then the word.
    QStringList highlighted() const
    {
        QStringList texts;
        for (const QTextEdit::ExtraSelection& extra : ui.txtConvert->extraSelections())
            texts.append(extra.cursor.selectedText());
        return texts;
    }
};

} // namespace

TEST_F(FollowTest, TheChoiceIsOffByDefaultAndSurvivesARestart)
{
    ASSERT_TRUE(follow()->isCheckable());
    EXPECT_FALSE(follow()->isChecked());
    const QList<QAction*> items = ui.mnuConvert->actions();
    EXPECT_EQ(items.indexOf(follow()), items.indexOf(ui.find<QAction>(u"mnuConvertFile"_s)) + 1)
        << "the last command, after the audio file one";
    follow()->trigger();
    EXPECT_EQ(fakes.settings.config(u"Follow"_s), u"1"_s);
    {
        AppState again(fakes.speech);
        frmMain restarted(fakes.services, again, QString());
        EXPECT_TRUE(MainWindowControls(restarted).find<QAction>(u"mnuFollow"_s)->isChecked());
    }
    follow()->trigger();
    EXPECT_EQ(fakes.settings.config(u"Follow"_s), u"0"_s);
}

TEST_F(FollowTest, OffNothingIsHighlightedOrScrolledWhateverTheVoiceHears)
{
    w.resize(500, 300);
    w.show();
    editor().setText(QString(u"A line of text.\r\n"_s).repeated(200));
    const int scroll = editor().verticalScrollBar()->value();
    parts(w).speech().mnuConvertAll_Click();
    voice().heard = {0, 3400, 4, 3400, 15};
    for (int i = 0; i < 3; ++i)
        parts(w).speech().tmrSpk_Timer();
    EXPECT_TRUE(editor().extraSelections().isEmpty());
    EXPECT_EQ(editor().verticalScrollBar()->value(), scroll);
}

TEST_F(FollowTest, TheHeardPlaceIsMarkedThroughMacrosLineBreaksAndSelectionsAndLeavesTheDocument)
{
    fakes.settings.setConfig(u"Follow"_s, u"1"_s);
    editor().setText(u"Hello there.\r\nIt is $time$ now. Last \u00B5m \U0001F600 one."_s);
    select(3, 0);
    const int undoSteps = editor().document()->availableUndoSteps();
    state.document.blnChanged = false; // as just saved
    editor().document()->setModified(false);
    parts(w).speech().mnuConvertAll_Click();
    EXPECT_TRUE(highlighted().isEmpty()) << "nothing heard yet";
    const QString time = speechtext::timeText(fakes.clock.now().time(), QLocale::system());
    const QString sentence = u"It is "_s + time + u" now."_s;
    hear(sentence, time.left(1));
    EXPECT_EQ(highlighted(), (QStringList{u"It is $time$ now."_s, u"$time$"_s}));
    hear(sentence, u"now"_s);
    EXPECT_EQ(highlighted(), (QStringList{u"It is $time$ now."_s, u"now"_s}));
    parts(w).speech().PlayPause();
    parts(w).speech().tmrSpk_Timer();
    EXPECT_EQ(highlighted(), (QStringList{u"It is $time$ now."_s, u"now"_s})) << "paused";
    parts(w).speech().PlayPause();
    hear(u"Last Microm \U0001F600 one."_s, u"one"_s);
    EXPECT_EQ(highlighted(), (QStringList{u"Last \u00B5m \U0001F600 one."_s, u"one"_s}));
    // The document, its history and the user's selection are untouched.
    EXPECT_FALSE(editor().document()->isModified());
    EXPECT_EQ(editor().document()->availableUndoSteps(), undoSteps);
    EXPECT_FALSE(state.document.blnChanged);
    EXPECT_EQ(editor().SelStart(), 3);
    parts(w).speech().StopText();
    EXPECT_TRUE(highlighted().isEmpty());

    // A selection is spoken from its place in the document.
    select(editor().Text().indexOf(u"now"_s) - 2, 4 + 7); // "now. Last"
    parts(w).speech().mnuConvertSel_Click();
    hear(u"Last"_s, u"Last"_s);
    EXPECT_EQ(highlighted(), (QStringList{u"Last"_s, u"Last"_s}));
    voice().runningState = platform::SRSEDone;
    parts(w).speech().tmrSpk_Timer();
    EXPECT_TRUE(highlighted().isEmpty()) << "the natural end removes it";
    EXPECT_FALSE(editor().document()->isModified());
}

TEST_F(FollowTest, TheSentenceHeardIsKeptInViewScrollingOnlyWhenItLeavesIt)
{
    fakes.settings.setConfig(u"Follow"_s, u"1"_s);
    w.resize(500, 300);
    w.show();
    QString text;
    for (int i = 0; i < 300; ++i)
        text += u"Sentence number "_s + QString::number(i) + u".\r\n"_s;
    editor().setText(text);
    QScrollBar* bar = editor().verticalScrollBar();
    bar->setValue(0);
    parts(w).speech().mnuConvertAll_Click();
    hear(u"Sentence number 1."_s, u"number"_s);
    EXPECT_EQ(bar->value(), 0) << "in view already";
    hear(u"Sentence number 150."_s, u"150"_s);
    const QRect word = editor().cursorRect(editor().extraSelections().constLast().cursor);
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(editor().viewport()->rect().contains(word));
    const int scrolled = bar->value();
    hear(u"Sentence number 151."_s, u"151"_s);
    EXPECT_EQ(bar->value(), scrolled) << "the next line is still in view";
    parts(w).speech().StopText();
    EXPECT_EQ(bar->value(), scrolled) << "the view stays where the reading took it";
}

TEST_F(FollowTest, TheReadingKeysSteerAReadingFollowedOrNotAndAreTheEditorsOtherwise)
{
    showActive();
    editor().setText(u"One. Two. Three."_s);
    select(2, 0);
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NE(editor().SelStart(), 2) << "idle, the key is the editor's";
    select(2, 0);
    parts(w).speech().mnuConvertAll_Click();
    const auto callsOf = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        fakes.speech.log.calls.clear();
        press(key, modifiers);
        return fakes.speech.log.calls;
    };
    EXPECT_EQ(callsOf(Qt::Key_Right, Qt::ControlModifier), QStringList{u"Skip Sentence 1"_s});
    // Back goes to the sentence before while the one heard has just begun,
    // and hears that one again once it has sounded for a while.
    voice().heard.SentenceElapsedMs = 300;
    parts(w).speech().tmrSpk_Timer();
    EXPECT_EQ(callsOf(Qt::Key_Left, Qt::ControlModifier), QStringList{u"Skip Sentence -1"_s});
    voice().heard.SentenceElapsedMs = 1500;
    parts(w).speech().tmrSpk_Timer();
    EXPECT_EQ(callsOf(Qt::Key_Left, Qt::ControlModifier), QStringList{u"Skip Sentence 0"_s});
    EXPECT_EQ(editor().SelStart(), 2) << "the locked editor takes no cursor move";

    // Speed: one step of the slider, stored as the dialog stores it, shown
    // by the dialog the start loaded hidden; never beyond the slider's ends.
    EXPECT_EQ(callsOf(Qt::Key_Up, Qt::ControlModifier), QStringList{u"RateFromNextSentence 1"_s});
    EXPECT_EQ(fakes.settings.config(u"Speed"_s), u"1"_s);
    EXPECT_EQ(OptionsControls(parts(w).Options()).Slider1->value(), 1);
    EXPECT_EQ(callsOf(Qt::Key_Down, Qt::ControlModifier), QStringList{u"RateFromNextSentence 0"_s});
    EXPECT_TRUE(callsOf(Qt::Key_Down, Qt::ControlModifier).isEmpty());
    EXPECT_EQ(fakes.settings.config(u"Speed"_s), u"0"_s);

    callsOf(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(parts(w).speech().strPlayState, u"paused"_s);
    EXPECT_EQ(ui.statusPanel[1]->text(), u"Speech Paused..."_s);
    // Paused past the last sentence: the session ends as Stop ends it.
    voice().runningState = platform::SRSEDone;
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(ui.tmrSpk->isActive());
    EXPECT_EQ(fakes.speech.log.calls.constLast(), u"Skip Sentence 2147483647"_s);

    voice().runningState = platform::SRSEIsSpeaking;
    parts(w).speech().mnuConvertAll_Click();
    callsOf(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(callsOf(Qt::Key_Space, Qt::ControlModifier),
              (QStringList{u"Volume 100"_s, u"Resume"_s}));
    EXPECT_EQ(callsOf(Qt::Key_Escape, Qt::NoModifier),
              (QStringList{u"Resume"_s, u"Skip Sentence 2147483647"_s}));
    EXPECT_EQ(parts(w).speech().strPlayState, u"stopped"_s);
    EXPECT_TRUE(callsOf(Qt::Key_Escape, Qt::NoModifier).isEmpty()) << "nothing to stop";
    EXPECT_TRUE(callsOf(Qt::Key_Space, Qt::ControlModifier).isEmpty());
}

TEST_F(FollowTest, ADoubleClickWhileReadingReadsFromTheSentenceClicked)
{
    showActive();
    editor().setText(u"One.\r\nTwo.\r\nThree four."_s); // "Three" at 10 in the editor
    parts(w).speech().mnuConvertAll_Click();
    ASSERT_EQ(spoken(), u"One. ;\nTwo. ;\nThree four."_s); // and at 14 in what is spoken
    QTextCursor inThree(editor().document());
    inThree.setPosition(12);
    fakes.speech.log.calls.clear();
    QTest::mouseDClick(editor().viewport(), Qt::LeftButton, {},
                       editor().cursorRect(inThree).center());
    ASSERT_EQ(fakes.speech.log.calls.size(), 1);
    const QString call = fakes.speech.log.calls.first();
    ASSERT_TRUE(call.startsWith(u"SkipTo "_s)) << call.toStdString();
    const int at = call.mid(7).toInt();
    EXPECT_GE(at, 14);
    EXPECT_LE(at, 19);
    EXPECT_EQ(editor().SelLength(), 0) << "the double click selects no word while reading";
}

TEST_F(FollowTest, ASelectionReadWhileFollowedGivesWayToTheMarksAndComesBackAfterwards)
{
    fakes.settings.setConfig(u"Follow"_s, u"1"_s);
    editor().setText(u"One. Two. Three."_s);
    select(5, 4);
    parts(w).speech().mnuConvertSel_Click();
    EXPECT_EQ(editor().SelLength(), 0) << "its colour would hide the marks";
    hear(u"Two."_s, u"Two"_s);
    EXPECT_EQ(highlighted(), (QStringList{u"Two."_s, u"Two"_s}));
    voice().runningState = platform::SRSEDone;
    parts(w).speech().tmrSpk_Timer();
    EXPECT_EQ(editor().SelStart(), 5);
    EXPECT_EQ(editor().SelLength(), 4);

    // A click while reading put the caret elsewhere: that is where it stays.
    voice().runningState = platform::SRSEIsSpeaking;
    parts(w).speech().mnuConvertSel_Click();
    editor().setSelStart(12);
    parts(w).speech().StopText();
    EXPECT_EQ(editor().SelStart(), 12);
    EXPECT_EQ(editor().SelLength(), 0);
}

TEST_F(FollowTest, AUserScrollIsRespectedUntilTheUserComesBackOrAsksForTheReading)
{
    fakes.settings.setConfig(u"Follow"_s, u"1"_s);
    showActive();
    w.resize(500, 300);
    QString text;
    for (int i = 0; i < 300; ++i)
        text += u"Sentence number "_s + QString::number(i) + u".\r\n"_s;
    editor().setText(text);
    QScrollBar* bar = editor().verticalScrollBar();
    const auto wordInView = [this] {
        const QRect word = editor().cursorRect(editor().extraSelections().constLast().cursor);
        return editor().viewport()->rect().contains(word);
    };
    parts(w).speech().mnuConvertAll_Click();
    hear(u"Sentence number 150."_s, u"150"_s);
    ASSERT_TRUE(wordInView());
    bar->triggerAction(QAbstractSlider::SliderToMinimum); // the user scrolls to the top
    hear(u"Sentence number 152."_s, u"152"_s);
    EXPECT_EQ(bar->value(), 0) << "the view stays where the user put it";
    press(Qt::Key_J, Qt::ControlModifier);
    EXPECT_TRUE(wordInView()) << "back to the reading";
    hear(u"Sentence number 200."_s, u"200"_s);
    EXPECT_TRUE(wordInView()) << "and following it again";

    // Scrolled away and back by hand to the marked sentence: followed again.
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    hear(u"Sentence number 201."_s, u"201"_s);
    EXPECT_EQ(bar->value(), 0);
    const int atSentence =
        bar->value() + editor().cursorRect(editor().extraSelections()[0].cursor).top();
    bar->setSliderPosition(atSentence);
    bar->triggerAction(QAbstractSlider::SliderMove);
    hear(u"Sentence number 202."_s, u"202"_s);
    hear(u"Sentence number 260."_s, u"260"_s);
    EXPECT_TRUE(wordInView());
}
