#include "main_window.h"

#include "parlivox/formatting/logic/fontlist.h"
#include "platform/app.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

/// Two installed families the list offers, different from the window's own font.
QString fontA(const QComboBox& list)
{
    return list.findText(u"DejaVu Serif"_s) >= 0 ? u"DejaVu Serif"_s : list.itemText(0);
}
QString fontB(const QComboBox& list)
{
    return list.findText(u"Liberation Mono"_s) >= 0 ? u"Liberation Mono"_s : list.itemText(1);
}

/// The formatting of the character at position (from 0).
QTextCharFormat formatAt(platform::RichTextBox& editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    return cursor.charFormat();
}

Qt::Alignment alignmentOf(platform::RichTextBox& editor, int block)
{
    return editor.document()->findBlockByNumber(block).blockFormat().alignment() &
           Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
}

} // namespace

// ---- the two lists ----------------------------------------------------------

TEST_F(MainWindowTest, TheFontListHoldsTheScreenFontsInOrderIgnoringCase)
{
    ASSERT_GT(ui.cmbFont->count(), 1);
    for (int i = 1; i < ui.cmbFont->count(); ++i)
        EXPECT_LE(ui.cmbFont->itemText(i - 1).compare(ui.cmbFont->itemText(i), Qt::CaseInsensitive),
                  0);
    EXPECT_FALSE(ui.cmbFont->isEditable());
}

TEST_F(MainWindowTest, TheSizeListHoldsThirteenSizesAndShowsTen)
{
    QStringList sizes;
    for (int i = 0; i < ui.cmbFontSize->count(); ++i)
        sizes << ui.cmbFontSize->itemText(i);
    EXPECT_EQ(sizes, QStringList({u"8"_s, u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"20"_s,
                                  u"22"_s, u"24"_s, u"30"_s, u"34"_s, u"48"_s, u"72"_s}));
    EXPECT_EQ(ui.cmbFontSize->currentIndex(), 1);
    EXPECT_EQ(editor().SelFontSize(), 10.0);
}

TEST(FontList, EachFamilyOnceAndTheOtherDesktopsNamesWhereAMetricCompatibleFamilyStandsIn)
{
    const auto substitute = [](const QString& name) {
        if (name == u"Arial"_s)
            return u"Liberation Sans"_s;
        if (name == u"Courier New"_s)
            return u"Cousine"_s;
        return u"DejaVu Serif"_s; // a look-alike with other widths
    };
    EXPECT_EQ(fontlist::withStandardNames({u"liberation Sans"_s, u"DejaVu Serif"_s, u"Arial"_s,
                                           u"Nimbus Sans [UKWN]"_s, u"Nimbus Sans [URW ]"_s,
                                           u"Nimbus Sans [urw]"_s, u"Nimbus Sans"_s},
                                          substitute),
              (QStringList{u"Arial"_s, u"Courier New"_s, u"DejaVu Serif"_s, u"liberation Sans"_s,
                           u"Nimbus Sans"_s}));
}

TEST_F(MainWindowTest, StartUpSelectsArialTenWhichTheFontSystemShowsInLiberationSans)
{
    // The package depends on the Liberation fonts, which stand in for these.
    for (const QString& name : {u"Arial"_s, u"Times New Roman"_s, u"Courier New"_s})
        EXPECT_GE(ui.cmbFont->findText(name), 0) << name.toStdString();
    EXPECT_EQ(ui.cmbFont->currentText(), u"Arial"_s);
    EXPECT_EQ(editor().SelFontName(), u"Arial"_s);
    EXPECT_EQ(ui.cmbFontSize->currentText(), u"10"_s);
}

TEST_F(MainWindowTest, ADocumentNamingArialShowsItAndIsSavedUnderThatName)
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/letter.rtf"_s;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
               "\\f0\\fs24 Dear Bob,\\par\\f1 code\\par}");
    file.close();
    fakes.dialog.answers = {FakeCommonDialog::file(path)};
    parts(w).documents().openFile();
    waitForOpen(w);
    select(0, 4);
    parts(w).formatting().refreshSelection();
    EXPECT_EQ(ui.cmbFont->currentText(), u"Arial"_s);

    type(u"Dear"_s);
    parts(w).documents().saveFile();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.contains(" Arial;")) << saved.left(200).constData();
    EXPECT_TRUE(saved.contains(" Courier New;"));
    EXPECT_FALSE(saved.contains("Liberation"));
}

TEST(FontsAfterOpening, TheBoxesAndTheTypingFormatAreTheTextsAtTheCaretAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.path() + u"/chapter.rtf"_s;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi{\\fonttbl{\\f0\\froman Times New Roman;}}"
               "\\f0\\fs40 Chapter one\\par}");
    file.close();
    Editor byOpen;
    byOpen.fakes.dialog.answers = {FakeCommonDialog::file(path)};
    parts(byOpen.window).documents().openFile();
    waitForOpen(byOpen.window);
    Editor byCommandLine(u"\""_s + path + u"\""_s);
    for (Editor* e : {&byOpen, &byCommandLine}) {
        EXPECT_EQ(e->ui.cmbFont->currentText(), u"Times New Roman"_s);
        EXPECT_EQ(e->ui.cmbFontSize->currentText(), u"20"_s);
        QTest::keyClicks(e->ui.txtConvert, u"X"_s); // at once, where the caret stands
        const QTextCharFormat typed = formatAt(*e->ui.txtConvert, 0);
        EXPECT_EQ(e->ui.txtConvert->document()->toPlainText().left(2), u"XC"_s);
        EXPECT_EQ(typed.font().family(), u"Times New Roman"_s);
        EXPECT_EQ(typed.fontPointSize(), 20.0);
    }
}

TEST_F(MainWindowTest, WithoutArialTheFontListShowsNothingAndTheEditorKeepsItsFont)
{
    if (ui.cmbFont->findText(u"Arial"_s) >= 0)
        GTEST_SKIP() << "a font named Arial is installed";
    EXPECT_EQ(ui.cmbFont->currentIndex(), -1);
    EXPECT_EQ(ui.cmbFont->currentText(), QString());
    // Filling the list applied none of its entries to the editor.
    EXPECT_EQ(editor().SelFontName(), ui.txtConvert->font().family());
}

TEST_F(MainWindowTest, PickingAFontOrSizeFormatsTheSelection)
{
    type(u"hello world"_s);
    select(6, 5);
    pick(*ui.cmbFont, fontA(*ui.cmbFont));
    pick(*ui.cmbFontSize, u"24"_s);
    EXPECT_EQ(formatAt(editor(), 6).font().family(), fontA(*ui.cmbFont));
    EXPECT_EQ(formatAt(editor(), 10).fontPointSize(), 24.0);
    EXPECT_NE(formatAt(editor(), 0).font().family(), fontA(*ui.cmbFont));
    EXPECT_NE(formatAt(editor(), 0).fontPointSize(), 24.0);
}

TEST_F(MainWindowTest, ASelectionInTwoFontsKeepsTheListAndAPickAppliesToAllOfIt)
{
    type(u"abcdef"_s);
    select(0, 3);
    pick(*ui.cmbFont, fontA(*ui.cmbFont));
    select(3, 3);
    pick(*ui.cmbFont, fontB(*ui.cmbFont));
    press(Qt::Key_Home); // the list follows the insertion point
    ASSERT_EQ(ui.cmbFont->currentText(), fontA(*ui.cmbFont));
    QTest::keyClick(ui.txtConvert, Qt::Key_End, Qt::ShiftModifier);
    ASSERT_EQ(editor().SelLength(), 6);
    EXPECT_EQ(editor().SelFontName(), std::nullopt);
    EXPECT_EQ(ui.cmbFont->currentText(), fontA(*ui.cmbFont));

    // The entry already shown, picked again, formats the whole selection.
    pick(*ui.cmbFont, fontB(*ui.cmbFont));
    EXPECT_EQ(editor().SelFontName(), fontB(*ui.cmbFont));
}

TEST_F(MainWindowTest, SizesNotInTheListLeaveTheSizeListAsItWas)
{
    type(u"abc"_s);
    select(0, 3);
    pick(*ui.cmbFontSize, u"24"_s);
    for (double size : {11.0, 9.75}) {
        select(0, 3);
        editor().setSelFontSize(size);
        parts(w).formatting().refreshSelection();
        EXPECT_EQ(ui.cmbFontSize->currentText(), u"24"_s) << size;
        EXPECT_EQ(editor().SelFontSize(), size) << "the list did not reapply its size";
    }
    select(0, 3);
    editor().setSelFontSize(48);
    parts(w).formatting().refreshSelection();
    EXPECT_EQ(ui.cmbFontSize->currentText(), u"48"_s);
}

TEST_F(MainWindowTest, TheListsFollowTheUserWithoutMarkingTheDocumentChanged)
{
    showActive();
    type(u"abc def"_s);
    select(0, 3);
    pick(*ui.cmbFont, fontB(*ui.cmbFont));
    select(4, 3);
    pick(*ui.cmbFont, fontA(*ui.cmbFont));
    pick(*ui.cmbFontSize, u"18"_s);
    select(1, 0);
    parts(w).formatting().refreshSelection();
    ASSERT_EQ(ui.cmbFont->currentText(), fontB(*ui.cmbFont));
    ASSERT_EQ(ui.cmbFontSize->currentText(), u"10"_s);
    state.document.blnChanged = false; // as after opening a file

    // A click inside "def"...
    QTextCursor inside(editor().document());
    inside.setPosition(5);
    const QPoint point = ui.txtConvert->cursorRect(inside).center();
    QTest::mouseClick(ui.txtConvert->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    EXPECT_EQ(ui.cmbFont->currentText(), fontA(*ui.cmbFont));
    EXPECT_EQ(ui.cmbFontSize->currentText(), u"18"_s);

    // ...then a double click that selects "abc".
    QTextCursor word(editor().document());
    word.setPosition(1);
    const QPoint abc = ui.txtConvert->cursorRect(word).center();
    QTest::mouseDClick(ui.txtConvert->viewport(), Qt::LeftButton, Qt::NoModifier, abc);
    QTest::mouseRelease(ui.txtConvert->viewport(), Qt::LeftButton, Qt::NoModifier, abc);
    EXPECT_EQ(editor().SelText(), u"abc"_s);
    EXPECT_EQ(ui.cmbFont->currentText(), fontB(*ui.cmbFont));
    EXPECT_EQ(ui.cmbFontSize->currentText(), u"10"_s);
    EXPECT_FALSE(state.document.blnChanged) << "reapplying a font is no edit";
}

// ---- clear -----------------------------------------------------------------

TEST_F(MainWindowTest, AfterClearTheFirstTypedCharactersHaveTheDefaultFormat)
{
    type(u"styled"_s);
    select(0, 6);
    pick(*ui.cmbFontSize, u"30"_s);
    click(u"fntBold"_s);
    click(u"fntItalic"_s);
    click(u"fntUnderline"_s);
    click(u"fntCentre"_s);
    fakes.dialog.answers = {FakeCommonDialog::colour(Qt::red)};
    click(u"fntColour"_s);
    state.document.blnNamed = true;
    const QString fontBefore = *editor().SelFontName();

    parts(w).formatting().clear();
    EXPECT_EQ(editor().Text(), QString());
    EXPECT_FALSE(state.document.blnChanged);
    EXPECT_FALSE(state.document.blnNamed);
    EXPECT_EQ(ui.cmbFontSize->currentText(), u"10"_s);

    type(u"x"_s);
    const QTextCharFormat typed = formatAt(editor(), 0);
    EXPECT_EQ(typed.fontPointSize(), 10.0);
    EXPECT_EQ(typed.foreground().color(), QColor(Qt::black));
    EXPECT_FALSE(typed.font().bold());
    EXPECT_FALSE(typed.font().italic());
    EXPECT_FALSE(typed.font().underline());
    EXPECT_EQ(alignmentOf(editor(), 0), Qt::AlignLeft);
    // With no "Arial" entry the list shows nothing and the font is kept.
    if (ui.cmbFont->findText(u"Arial"_s) < 0)
        EXPECT_EQ(editor().SelFontName(), fontBefore);
    else
        EXPECT_EQ(editor().SelFontName(), u"Arial"_s);
}

// ---- toolbar -----------------------------------------------------------------

TEST_F(MainWindowTest, StyleButtonsToggleAUniformSelectionAndLeaveAMixedOneAlone)
{
    using Getter = std::optional<bool> (platform::RichTextBox::*)() const;
    const std::pair<const char16_t*, Getter> buttons[] = {
        {u"fntBold", &platform::RichTextBox::SelBold},
        {u"fntItalic", &platform::RichTextBox::SelItalic},
        {u"fntUnderline", &platform::RichTextBox::SelUnderline},
    };
    for (const auto& [key, get] : buttons) {
        const QString name = QString::fromUtf16(key);
        editor().setText(u"abcd"_s);
        select(0, 4);
        click(name);
        EXPECT_EQ((editor().*get)(), true) << name.toStdString();
        click(name);
        EXPECT_EQ((editor().*get)(), false) << name.toStdString();

        select(0, 2);
        click(name);
        select(0, 4);
        click(name); // partly on: nothing changes
        EXPECT_EQ((editor().*get)(), std::nullopt) << name.toStdString();
        select(0, 2);
        EXPECT_EQ((editor().*get)(), true) << name.toStdString();
    }
}

TEST_F(MainWindowTest, AlignmentButtonsAlignEveryParagraphTheSelectionTouches)
{
    editor().setText(u"one\r\ntwo\r\nthree"_s);
    select(2, 4); // from "one" into "two"
    click(u"fntCentre"_s);
    EXPECT_EQ(alignmentOf(editor(), 0), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(editor(), 1), Qt::AlignHCenter);
    EXPECT_NE(alignmentOf(editor(), 2), Qt::AlignHCenter);
    click(u"fntRight"_s);
    EXPECT_EQ(alignmentOf(editor(), 1), Qt::AlignRight);
    click(u"fntLeft"_s);
    EXPECT_EQ(alignmentOf(editor(), 0), Qt::AlignLeft);
}

TEST_F(MainWindowTest, TheColourChooserColoursTheSelectionWithoutCustomColours)
{
    type(u"red"_s);
    select(0, 3);
    fakes.dialog.answers = {FakeCommonDialog::colour(QColor(200, 10, 20))};
    click(u"fntColour"_s);
    ASSERT_EQ(fakes.dialog.calls.size(), 1);
    EXPECT_EQ(fakes.dialog.calls[0].kind, FakeCommonDialog::Kind::Color);
    EXPECT_EQ(fakes.dialog.calls[0].flags, 4);
    EXPECT_EQ(formatAt(editor(), 1).foreground().color(), QColor(200, 10, 20));
}

TEST_F(MainWindowTest, ACancelledColourChooserChangesNothingAndSaysNothing)
{
    type(u"abc"_s);
    select(0, 3);
    fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    click(u"fntColour"_s);
    EXPECT_TRUE(fakes.messageBox.shown.isEmpty());
    EXPECT_NE(formatAt(editor(), 1).foreground().color(), QColor(Qt::red));
    EXPECT_FALSE(formatAt(editor(), 1).hasProperty(QTextFormat::ForegroundBrush));
}

TEST_F(MainWindowTest, AColourChooserFailureIsShownWithItsCode)
{
    FakeCommonDialog::Answer failing;
    failing.failure = 7;
    fakes.dialog.answers = {failing};
    click(u"fntColour"_s);
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"7 - Scripted failure"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
}

TEST_F(MainWindowTest, TheHelpButtonOpensTheHelpContentsNotTheAboutBox)
{
    click(u"about"_s);
    EXPECT_TRUE(fakes.help.shown.isEmpty()) << "the F1 key is handled after the click";
    QCoreApplication::processEvents();
    EXPECT_EQ(fakes.help.shown, QStringList{platform::helpFilePath()});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, TheSpeechButtonSpeaksTheSelectionOrEverything)
{
    type(u"some words"_s);
    select(0, 4);
    parts(w).Toolbar1_ButtonClick(ToolButton::Speech);
    EXPECT_FALSE(state.blnConvertAll);
    EXPECT_EQ(parts(w).speech().strPlayState, u"playing"_s);

    parts(w).speech().StopText();
    select(3, 0);
    parts(w).Toolbar1_ButtonClick(ToolButton::Speech);
    EXPECT_TRUE(state.blnConvertAll);
    parts(w).speech().StopText();
}

// ---- notifications -------------------------------------------------------------

TEST_F(MainWindowTest, TypingTheFirstCharacterEnablesSpeechAndMarksTheDocumentChanged)
{
    EXPECT_FALSE((ui.mnuConvert)->menuAction()->isEnabled());
    EXPECT_FALSE(ui.mnuSelectAll->isEnabled());
    EXPECT_FALSE(ui.button(u"speech"_s)->isEnabled());
    type(u"a"_s);
    EXPECT_TRUE((ui.mnuConvert)->menuAction()->isEnabled());
    EXPECT_TRUE(ui.mnuSelectAll->isEnabled());
    EXPECT_TRUE(ui.button(u"speech"_s)->isEnabled());
    EXPECT_TRUE(state.document.blnChanged);
}

TEST_F(MainWindowTest, DeletingTheLastCharacterDisablesSpeechWithoutMarkingAChange)
{
    type(u"a"_s);
    state.document.blnChanged = false;
    press(Qt::Key_Backspace);
    EXPECT_EQ(editor().Text(), QString());
    EXPECT_FALSE((ui.mnuConvert)->menuAction()->isEnabled());
    EXPECT_FALSE(ui.mnuSelectAll->isEnabled());
    EXPECT_FALSE(ui.button(u"speech"_s)->isEnabled());
    EXPECT_FALSE(state.document.blnChanged);
}

TEST_F(MainWindowTest, ShiftRightRefreshesOnReleaseButSelectAllFromTheMenuDoesNot)
{
    type(u"abc"_s);
    press(Qt::Key_Home);
    EXPECT_FALSE(ui.mnuCut->isEnabled());

    // A selection made by code (here the menu's Select All) is not noticed...
    ui.mnuSelectAll->trigger();
    EXPECT_EQ(editor().SelLength(), 3);
    EXPECT_FALSE(ui.mnuCut->isEnabled());
    EXPECT_FALSE(ui.mnuCopy->isEnabled());
    EXPECT_FALSE(ui.mnuConvertSel->isEnabled());

    // ...until a key is released in the editor.
    press(Qt::Key_Home);
    QTest::keyPress(ui.txtConvert, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_FALSE(ui.mnuCut->isEnabled()) << "nothing happens before the release";
    QTest::keyRelease(ui.txtConvert, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(editor().SelLength(), 1);
    EXPECT_TRUE(ui.mnuCut->isEnabled());
    EXPECT_TRUE(ui.mnuCopy->isEnabled());
    EXPECT_TRUE(ui.mnuConvertSel->isEnabled());
}
