// Following the reading against the scripted fake engine: the place a voice
// reports as heard is highlighted in the editor, and the sentence keys move
// the reading.
#include "main_window.h"

#include "parlivox/speech/speechtext.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QScrollBar>
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

TEST_F(FollowTest, TheSentenceKeysMoveTheReadingOnlyDuringASessionAndNeverTheCursor)
{
    showActive();
    editor().setText(u"One. Two. Three."_s);
    select(2, 0);
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NE(editor().SelStart(), 2) << "idle, the key is the editor's";
    select(2, 0);
    fakes.speech.log.calls.clear();
    parts(w).speech().mnuConvertAll_Click();
    press(Qt::Key_Right, Qt::ControlModifier);
    press(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_TRUE(fakes.speech.log.calls.contains(u"Skip Sentence 1"_s));
    EXPECT_TRUE(fakes.speech.log.calls.contains(u"Skip Sentence -1"_s));
    EXPECT_EQ(editor().SelStart(), 2) << "the locked editor takes no cursor move";

    // Paused past the last sentence: the session ends as Stop ends it.
    parts(w).speech().PlayPause();
    voice().runningState = platform::SRSEDone;
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(ui.tmrSpk->isActive());
    EXPECT_EQ(fakes.speech.log.calls.constLast(), u"Skip Sentence 2147483647"_s);
    EXPECT_TRUE(fakes.speech.log.calls.contains(u"Resume"_s));
}
