#include "dialog_controls.h"
#include "main_window.h"

#include "parlivox/formatting/frmFind.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

/// The find dialog over an editor of its own, without the modal loop.
class FindDialogTest : public ::testing::Test {
protected:
    FindDialogTest() : state(engine), dialog(editor, state, messageBox) {}

    void findNext(const QString& text, bool wholeWord = false, bool matchCase = false)
    {
        ui.txtFind->setText(text);
        ui.chkWord->setChecked(wholeWord);
        ui.chkCase->setChecked(matchCase);
        ui.cmdFind->click();
    }
    bool notFoundShown() const
    {
        return !messageBox.shown.isEmpty() &&
               messageBox.last().text == u"The specified text was not found."_s;
    }

    FakeSpeechEngine engine;
    AppState state;
    FakeMessageBox messageBox;
    platform::RichTextBox editor;
    frmFind dialog;
    FindControls ui{dialog};
};

} // namespace

TEST_F(FindDialogTest, FindNextWalksThroughTheMatchesThenReportsAndStartsOver)
{
    editor.setText(u"abc abc"_s);
    dialog.show();
    findNext(u"abc"_s);
    EXPECT_EQ(editor.SelStart(), 0);
    EXPECT_EQ(editor.SelLength(), 3);
    EXPECT_EQ(state.findStart, 3);

    findNext(u"abc"_s);
    EXPECT_EQ(editor.SelStart(), 4);
    EXPECT_EQ(state.findStart, 7);
    EXPECT_TRUE(messageBox.shown.isEmpty());

    bool hiddenWhileShown = false;
    messageBox.onShow = [&](const FakeMessageBox::Shown&) {
        hiddenWhileShown = !dialog.isVisible();
    };
    findNext(u"abc"_s);
    ASSERT_TRUE(notFoundShown());
    EXPECT_EQ(messageBox.last().title, u"Not found"_s);
    EXPECT_EQ(messageBox.last().icon, platform::MsgIcon::Information);
    EXPECT_EQ(messageBox.last().buttons, platform::MsgButtons::OK);
    EXPECT_TRUE(hiddenWhileShown);
    EXPECT_EQ(state.findStart, 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(editor.SelStart(), 4) << "a failed search leaves the selection alone";
}

TEST_F(FindDialogTest, TheSearchStartsAtFindStartNotAtTheInsertionPoint)
{
    editor.setText(u"abc abc"_s);
    editor.setSelStart(6);
    findNext(u"abc"_s);
    EXPECT_EQ(editor.SelStart(), 0);
}

TEST_F(FindDialogTest, MatchCaseDecidesWhetherCaseCounts)
{
    editor.setText(u"abc"_s);
    findNext(u"ABC"_s);
    EXPECT_EQ(editor.SelStart(), 0);
    EXPECT_EQ(editor.SelLength(), 3);
    EXPECT_FALSE(notFoundShown());

    state.findStart = 0;
    findNext(u"ABC"_s, false, true);
    EXPECT_TRUE(notFoundShown());
}

TEST_F(FindDialogTest, WholeWordSkipsMatchesInsideLongerWords)
{
    editor.setText(u"abcd abc"_s);
    findNext(u"abc"_s, true);
    EXPECT_EQ(editor.SelStart(), 5);

    state.findStart = 0;
    findNext(u"abc"_s, false);
    EXPECT_EQ(editor.SelStart(), 0);

    state.findStart = 0;
    editor.setText(u"ABCD abc"_s);
    findNext(u"abc"_s, true, true);
    EXPECT_EQ(editor.SelStart(), 5);
    // From the top again: "ABC" is in the text with its case but not as a
    // word, and as a word but not with its case.
    state.findStart = 0;
    findNext(u"ABC"_s, true, true);
    EXPECT_TRUE(notFoundShown());
}

TEST_F(FindDialogTest, AStartPastTheEndOfAShortenedDocumentCountsAsNoMatch)
{
    editor.setText(u"abc abc abc"_s);
    state.findStart = 11;
    editor.setText(u"abc"_s);
    findNext(u"abc"_s);
    EXPECT_TRUE(notFoundShown());
    EXPECT_EQ(state.findStart, 0);
    findNext(u"abc"_s);
    EXPECT_EQ(editor.SelStart(), 0);
}

TEST_F(FindDialogTest, FindNextIsEnabledOnlyWhileTheBoxHoldsText)
{
    EXPECT_FALSE(ui.cmdFind->isEnabled());
    QTest::keyClicks(ui.txtFind, u"a"_s);
    EXPECT_TRUE(ui.cmdFind->isEnabled());
    QTest::keyClick(ui.txtFind, Qt::Key_Backspace);
    EXPECT_FALSE(ui.cmdFind->isEnabled());
}

TEST_F(FindDialogTest, EnterRunsFindNext)
{
    editor.setText(u"one two"_s);
    dialog.show();
    QTest::keyClicks(ui.txtFind, u"two"_s);
    QTest::keyClick(ui.txtFind, Qt::Key_Return);
    EXPECT_EQ(editor.SelStart(), 4);
}

// ---- through the main window: the modal dialog and its unloading ---------------

TEST_F(MainWindowTest, CancelKeepsFindStartSoTheNextSearchGoesOnBehindTheMatch)
{
    type(u"xyz abc xyz"_s);
    whenModal([](QWidget& dialog) {
        const FindControls find(dialog);
        QTest::keyClicks(find.txtFind, u"abc"_s);
        find.cmdFind->click();
        find.cmdCancel->click();
    });
    ui.mnuFind->trigger();
    EXPECT_EQ(state.findStart, 7);

    whenModal([](QWidget& dialog) {
        const FindControls find(dialog);
        QTest::keyClicks(find.txtFind, u"xyz"_s);
        find.cmdFind->click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    ui.mnuFind->trigger();
    EXPECT_EQ(editor().SelStart(), 8) << "the xyz before the earlier match is skipped";
    EXPECT_EQ(state.findStart, 11);
}

TEST_F(MainWindowTest, EachOpeningOfFindStartsFromTheStoredState)
{
    type(u"abc"_s);
    whenModal([](QWidget& dialog) {
        const FindControls find(dialog);
        EXPECT_EQ(dialog.windowTitle(), u"Find..."_s);
        QTest::keyClicks(find.txtFind, u"zzz"_s);
        find.chkWord->setChecked(true);
        find.chkCase->setChecked(true);
        find.cmdFind->click(); // not found: the dialog closes itself
    });
    ui.mnuFind->trigger();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);

    bool reset = false;
    whenModal([&reset](QWidget& dialog) {
        const FindControls find(dialog);
        reset = find.txtFind->text().isEmpty() && !find.chkWord->isChecked() &&
                !find.chkCase->isChecked() && !find.cmdFind->isEnabled();
        qobject_cast<QDialog*>(&dialog)->reject();
    });
    ui.mnuFind->trigger();
    EXPECT_TRUE(reset);
}
