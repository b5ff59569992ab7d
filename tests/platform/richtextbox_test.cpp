#include "fake_services.h"

#include "platform/richtextbox/richtextbox.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::RichTextBox;

namespace {

/// An editor holding "Hello world" with "world" bold.
void fillHelloWorld(RichTextBox& box)
{
    box.setText(u"Hello world"_s);
    box.setSelStart(6);
    box.setSelLength(5);
    box.setSelBold(true);
    box.setSelStart(0);
}

} // namespace

TEST(RichTextBoxText, LineBreaksReadAsCrLfWhateverWasWritten)
{
    RichTextBox box;
    box.setText(u"one\r\ntwo\nthree\rfour"_s);
    EXPECT_EQ(box.Text(), u"one\r\ntwo\r\nthree\r\nfour"_s);
    EXPECT_EQ(box.TextLength(), box.Text().size());
    box.setText(QString());
    EXPECT_EQ(box.Text(), QString());
    EXPECT_EQ(box.TextLength(), 0);
}

TEST(RichTextBoxText, SettingTheTextFiresChangeAtOnce)
{
    RichTextBox box;
    QSignalSpy changes(&box, &RichTextBox::Change);
    box.setText(u"abc"_s);
    EXPECT_GE(changes.count(), 1);
    const auto before = changes.count();
    box.setText(QString());
    EXPECT_GT(changes.count(), before);
}

TEST(RichTextBoxSelection, StartLengthAndTextWorkInCharacters)
{
    RichTextBox box;
    box.setText(u"ab\r\ncd"_s);
    box.setSelStart(1);
    EXPECT_EQ(box.SelStart(), 1);
    EXPECT_EQ(box.SelLength(), 0);
    box.setSelLength(3); // b, the paragraph break, c
    EXPECT_EQ(box.SelText(), u"b\r\nc"_s);
    box.setSelLength(1000); // clamped at the end
    EXPECT_EQ(box.SelLength(), 4);
    box.setSelStart(-5);
    EXPECT_EQ(box.SelStart(), 0);
}

TEST(RichTextBoxSelection, SettingSelTextReplacesAndLeavesTheCaretAfter)
{
    RichTextBox box;
    box.setText(u"Hello world"_s);
    box.setSelStart(6);
    box.setSelLength(5);
    box.setSelText(u"there"_s);
    EXPECT_EQ(box.Text(), u"Hello there"_s);
    EXPECT_EQ(box.SelStart(), 11);
    EXPECT_EQ(box.SelLength(), 0);
    box.setSelStart(5);
    box.setSelText(u","_s);
    EXPECT_EQ(box.Text(), u"Hello, there"_s);
}

TEST(RichTextBoxSelection, InsertedTextTakesTheFormatInForce)
{
    RichTextBox box;
    fillHelloWorld(box);
    box.setSelStart(8); // inside "world"
    box.setSelText(u"XY"_s);
    box.setSelStart(8);
    box.setSelLength(2);
    EXPECT_EQ(box.SelBold(), true);
}

TEST(RichTextBoxSelection, TextReplacingASelectionTakesTheFormatOfItsFirstCharacter)
{
    RichTextBox box;
    fillHelloWorld(box); // "world" bold
    box.setSelStart(6);
    box.setSelLength(5);
    box.setSelText(u"there"_s);
    box.setSelStart(6);
    box.setSelLength(5);
    EXPECT_EQ(box.SelBold(), true);

    box.setSelStart(4); // "o t": plain first, bold last
    box.setSelLength(3);
    box.setSelText(u"O T"_s);
    box.setSelStart(4);
    box.setSelLength(3);
    EXPECT_EQ(box.SelBold(), false);
}

TEST(RichTextBoxFormat, UniformSelectionsAnswerMixedOnesDoNot)
{
    RichTextBox box;
    fillHelloWorld(box);
    box.setSelStart(6);
    box.setSelLength(5);
    EXPECT_EQ(box.SelBold(), true);
    box.setSelStart(0);
    box.setSelLength(5);
    EXPECT_EQ(box.SelBold(), false);
    box.setSelStart(3);
    box.setSelLength(5); // "lo wo": partly bold
    EXPECT_EQ(box.SelBold(), std::nullopt);
    EXPECT_EQ(box.SelItalic(), false);
}

TEST(RichTextBoxFormat, FontNameAndSizeAnswerMixedAcrossRuns)
{
    RichTextBox box;
    box.setText(u"alpha beta"_s);
    box.setSelStart(0);
    box.setSelLength(5);
    box.setSelFontName(u"DejaVu Serif"_s);
    box.setSelFontSize(11);
    box.setSelStart(6);
    box.setSelLength(4);
    box.setSelFontName(u"DejaVu Sans"_s);
    box.setSelFontSize(9.75);

    box.setSelStart(0);
    box.setSelLength(5);
    EXPECT_EQ(box.SelFontName(), u"DejaVu Serif"_s);
    EXPECT_EQ(box.SelFontSize(), 11.0);
    box.setSelStart(6);
    box.setSelLength(4);
    EXPECT_EQ(box.SelFontSize(), 9.75);
    box.setSelStart(0);
    box.setSelLength(10);
    EXPECT_EQ(box.SelFontName(), std::nullopt);
    EXPECT_EQ(box.SelFontSize(), std::nullopt);
}

TEST(RichTextBoxFormat, WithoutSelectionSettersShapeTheTextTypedNext)
{
    RichTextBox box;
    box.setText(u"abc"_s);
    box.setSelStart(3);
    box.setSelItalic(true);
    box.setSelUnderline(true);
    box.setSelColor(QColor(200, 0, 0));
    EXPECT_EQ(box.SelItalic(), true);
    box.setSelText(u"d"_s);
    box.setSelStart(3);
    box.setSelLength(1);
    EXPECT_EQ(box.SelItalic(), true);
    EXPECT_EQ(box.SelUnderline(), true);
    EXPECT_EQ(box.textCursor().charFormat().foreground().color(), QColor(200, 0, 0));
    box.setSelStart(0);
    box.setSelLength(1);
    EXPECT_EQ(box.SelItalic(), false);
}

TEST(RichTextBoxFormat, AnEmptyFontNameKeepsTheCurrentFont)
{
    RichTextBox box;
    box.setText(u"abc"_s);
    box.setSelStart(0);
    box.setSelLength(3);
    box.setSelFontName(u"DejaVu Serif"_s);
    box.setSelFontName(QString());
    EXPECT_EQ(box.SelFontName(), u"DejaVu Serif"_s);
}

TEST(RichTextBoxFormat, AlignmentCoversEveryParagraphTouched)
{
    RichTextBox box;
    box.setText(u"one\ntwo\nthree"_s);
    box.setSelStart(2);
    box.setSelLength(3); // end of "one" into "two"
    box.setSelAlignment(RichTextBox::rtfCenter);
    const QTextDocument* doc = box.document();
    EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(doc->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_NE(doc->findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    box.setSelAlignment(RichTextBox::rtfRight);
    EXPECT_TRUE(doc->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignRight);
}

TEST(RichTextBoxFind, OptionsSelectWholeWordAndCase)
{
    RichTextBox box;
    box.setText(u"abcd ABC abc"_s);
    EXPECT_EQ(box.Find(u"abc"_s, 0, 0), 0);
    EXPECT_EQ(box.SelText(), u"abc"_s);
    EXPECT_EQ(box.Find(u"abc"_s, 0, RichTextBox::rtfWholeWord), 5);
    EXPECT_EQ(box.SelText(), u"ABC"_s);
    EXPECT_EQ(box.Find(u"abc"_s, 0, RichTextBox::rtfMatchCase), 0);
    EXPECT_EQ(box.Find(u"abc"_s, 0, 6), 9);
    EXPECT_EQ(box.Find(u"ABC"_s, 6, 6), -1);
    EXPECT_EQ(box.SelStart(), 9) << "a search without a match leaves the selection";
}

TEST(RichTextBoxFind, AStartBeyondTheEndFindsNothing)
{
    RichTextBox box;
    box.setText(u"abc abc"_s);
    EXPECT_EQ(box.Find(u"abc"_s, 7, 0), -1);
    EXPECT_EQ(box.Find(u"abc"_s, 500, 0), -1);
    EXPECT_EQ(box.Find(QString(), 0, 0), -1);
}

TEST(RichTextBoxPrint, PrintsTheSelectionOrTheWholeDocument)
{
    RichTextBox box;
    box.setText(u"first\nsecond"_s);
    FakePrinter printer;
    box.SelPrint(printer);
    box.setSelStart(6);
    box.setSelLength(6);
    box.SelPrint(printer);
    ASSERT_EQ(printer.printed.size(), 2);
    EXPECT_EQ(printer.printed[0], u"first\nsecond"_s);
    EXPECT_EQ(printer.printed[1], u"second"_s);
}

TEST(RichTextBoxInput, LockedBlocksTypingButNotCode)
{
    RichTextBox box;
    box.show();
    box.setText(u"abc"_s);
    box.setLocked(true);
    box.setMousePointer(RichTextBox::rtfArrowHourglass);
    QTest::keyClicks(&box, u"xyz"_s);
    EXPECT_EQ(box.Text(), u"abc"_s);
    EXPECT_EQ(box.viewport()->cursor().shape(), Qt::BusyCursor);
    box.setText(u"code"_s);
    EXPECT_EQ(box.Text(), u"code"_s);
    box.setLocked(false);
    EXPECT_EQ(box.viewport()->cursor().shape(), Qt::BusyCursor) << "the pointer stays as set";
    box.setMousePointer(RichTextBox::rtfDefault);
    EXPECT_EQ(box.viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST(RichTextBoxInput, KeyReleaseAndMouseReleaseNotify)
{
    RichTextBox box;
    box.resize(200, 100);
    box.show();
    QSignalSpy keyUps(&box, &RichTextBox::KeyUp);
    QSignalSpy mouseUps(&box, &RichTextBox::MouseUp);
    QSignalSpy clicks(&box, &RichTextBox::Click);
    QTest::keyClick(&box, Qt::Key_A);
    EXPECT_EQ(keyUps.count(), 1);
    QTest::mouseClick(box.viewport(), Qt::LeftButton);
    EXPECT_EQ(mouseUps.count(), 1);
    EXPECT_EQ(clicks.count(), 1);
}
