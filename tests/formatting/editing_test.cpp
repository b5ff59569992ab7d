#include "main_window.h"

#include "platform/app.h"
#include "platform/ui/printer.h"

#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

bool boldAt(platform::RichTextBox& editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    return cursor.charFormat().font().bold();
}

} // namespace

// ---- Edit menu -------------------------------------------------------------

TEST_F(MainWindowTest, OpeningTheEditMenuFollowsTheClipboardAndTheText)
{
    fakes.clipboard.plain = u"text"_s;
    emit ui.mnuEdit->aboutToShow();
    EXPECT_TRUE(ui.mnuPaste->isEnabled());
    EXPECT_TRUE(ui.mnuClearClip->isEnabled());
    EXPECT_FALSE(ui.mnuFind->isEnabled()) << "nothing to find in an empty document";

    fakes.clipboard.plain.reset(); // a picture only
    fakes.clipboard.rich = true;
    type(u"a"_s);
    emit ui.mnuEdit->aboutToShow();
    EXPECT_FALSE(ui.mnuPaste->isEnabled());
    EXPECT_FALSE(ui.mnuClearClip->isEnabled());
    EXPECT_TRUE(ui.mnuFind->isEnabled());
}

TEST_F(MainWindowTest, CutMovesThePlainTextToTheClipboardAndRefreshesTheMenus)
{
    type(u"plain bold"_s);
    select(6, 4);
    parts(w).Toolbar1_ButtonClick(ToolButton::Bold);
    parts(w).formatting().refreshSelection();
    ASSERT_TRUE(ui.mnuCut->isEnabled());
    ui.mnuPaste->setEnabled(false);

    ui.mnuCut->trigger();
    EXPECT_EQ(fakes.clipboard.plain, u"bold"_s);
    EXPECT_FALSE(fakes.clipboard.rich);
    EXPECT_EQ(editor().Text(), u"plain "_s);
    EXPECT_TRUE(ui.mnuPaste->isEnabled());
    EXPECT_FALSE(ui.mnuCut->isEnabled());
    EXPECT_FALSE(ui.mnuCopy->isEnabled());
    EXPECT_FALSE(ui.mnuConvertSel->isEnabled());
}

TEST_F(MainWindowTest, CopyLeavesTheDocumentAndEnablesPaste)
{
    type(u"one\r"_s);
    type(u"two"_s);
    select(0, 5);
    parts(w).formatting().refreshSelection();
    ui.mnuPaste->setEnabled(false);
    ui.mnuCopy->trigger();
    EXPECT_EQ(fakes.clipboard.plain, u"one\r\nt"_s);
    EXPECT_EQ(editor().Text(), u"one\r\ntwo"_s);
    EXPECT_TRUE(ui.mnuPaste->isEnabled());
}

TEST_F(MainWindowTest, PasteBringsTheTextWithoutItsFormatting)
{
    type(u"plain bold"_s);
    select(6, 4);
    parts(w).Toolbar1_ButtonClick(ToolButton::Bold);
    parts(w).formatting().refreshSelection();
    ui.mnuCopy->trigger();
    select(0, 0);
    ui.mnuPaste->setEnabled(true);
    ui.mnuPaste->trigger();
    EXPECT_EQ(editor().Text(), u"boldplain bold"_s);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(boldAt(editor(), i)) << i;
    EXPECT_EQ(editor().SelStart(), 4) << "the insertion point follows the pasted text";
}

TEST_F(MainWindowTest, PasteWithNoTextOnTheClipboardDeletesTheSelection)
{
    type(u"keep this"_s);
    ui.mnuPaste->setEnabled(true); // still enabled from an earlier check
    fakes.clipboard.plain.reset();
    fakes.clipboard.rich = true;
    select(4, 5);
    ui.mnuPaste->trigger();
    EXPECT_EQ(editor().Text(), u"keep"_s);
}

TEST_F(MainWindowTest, CtrlPPastesAndPrintsNothing)
{
    showActive();
    fakes.clipboard.plain = u"XY"_s;
    ui.mnuPaste->setEnabled(true);
    type(u"ab"_s);
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(editor().Text(), u"abXY"_s);
    EXPECT_TRUE(fakes.printer.printed.isEmpty());
    EXPECT_TRUE(ui.mnuPrint->shortcut().isEmpty());
}

TEST_F(MainWindowTest, CtrlXAndCtrlCInTheEditorRunTheMenuCommands)
{
    showActive();
    type(u"abc def"_s);
    select(4, 3);
    parts(w).formatting().refreshSelection();
    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(fakes.clipboard.plain, u"def"_s);
    fakes.clipboard.plain.reset();
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(fakes.clipboard.plain, u"def"_s);
    EXPECT_EQ(editor().Text(), u"abc "_s);
}

TEST_F(MainWindowTest, SelectAllSelectsEveryCharacter)
{
    type(u"one\rtwo"_s);
    press(Qt::Key_Home);
    ui.mnuSelectAll->trigger();
    EXPECT_EQ(editor().SelStart(), 0);
    EXPECT_EQ(editor().SelText(), u"one\r\ntwo"_s);
}

TEST_F(MainWindowTest, MacrosInsertTheirTextsInPlaceOfTheSelection)
{
    type(u"Today is X."_s);
    select(9, 1);
    ui.mnuMacroDate->trigger();
    EXPECT_EQ(editor().Text(), u"Today is $date$."_s);
    EXPECT_EQ(editor().SelStart(), 15);
    ui.mnuMacroTime->trigger();
    ui.mnuMacroCopyright->trigger();
    ui.mnuMacroRegTM->trigger();
    EXPECT_EQ(editor().Text(), u"Today is $date$$time$\u00A9\u00AE."_s);
}

// ---- Print ---------------------------------------------------------------------

TEST_F(MainWindowTest, PrintDropsTheSelectionAndPrintsTheWholeDocument)
{
    type(u"first line\rsecond line"_s);
    select(3, 5);
    ui.mnuPrint->trigger();
    ASSERT_EQ(fakes.printer.printed.size(), 1);
    EXPECT_EQ(fakes.printer.printed[0], u"first line\nsecond line"_s);
    EXPECT_EQ(editor().SelLength(), 0);
    EXPECT_EQ(editor().SelStart(), 3);
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"Your document was sent to 'Office Laser'"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Printing"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Information);
}

TEST_F(MainWindowTest, PrintWithoutADefaultPrinterShowsTheFailureOnly)
{
    fakes.printer.installed = false;
    type(u"text"_s);
    parts(w).Toolbar1_ButtonClick(ToolButton::Print);
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"482 - Printer error: no default printer is set up"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
}

TEST(PrintToPdf, ThePagesCarryTheDocumentWithinItsMarginsAndNothingElse)
{
    const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"out.pdf"_s);
    FakePlatform fakes;
    platform::QtPrinter printer(pdf);
    EditorServices services{fakes.settings, fakes.messageBox, fakes.dialog, fakes.clipboard,
                            printer,        fakes.processes,  fakes.help,   fakes.keyboard,
                            fakes.clock,    fakes.registry,   fakes.speech};
    AppState state(fakes.speech);
    frmMain w(services, state, QString());
    MainWindowControls ui(w);
    w.Form_Load();
    QString letter = u"Heading of the letter"_s; // long enough for two pages
    for (int paragraph = 1; paragraph <= 80; ++paragraph)
        letter += u"\r\nParagraph %1 of the body."_s.arg(paragraph);
    ui.txtConvert->setText(letter);
    ui.txtConvert->setSelStart(0);
    ui.txtConvert->setSelLength(7);
    parts(w).Toolbar1_ButtonClick(ToolButton::Bold);
    parts(w).editing().mnuPrint_Click();

    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(fakes.messageBox.last().text, u"Your document was sent to 'PDF file'"_s);
    QProcess extract;
    extract.start(pdftotext, {u"-bbox"_s, pdf, u"-"_s});
    ASSERT_TRUE(extract.waitForFinished(20000));
    const QString page = QString::fromUtf8(extract.readAllStandardOutput());
    EXPECT_GE(page.count(u"<page "_s), 2);
    QStringList words;
    static const QRegularExpression word(
        u"<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)<"_s);
    for (const QRegularExpressionMatch& match : word.globalMatch(page))
        words.append(match.captured(3));
    // No page number, header or footer: the words printed are the document's.
    EXPECT_EQ(words, letter.split(QRegularExpression(u"\\s+"_s)));
    // The text starts 2 cm and a little (the printer's own margin) from the
    // page's top left corner, in points.
    const QRegularExpressionMatch first = word.match(page);
    ASSERT_TRUE(first.hasMatch());
    EXPECT_GT(first.captured(1).toDouble(), 57.0);
    EXPECT_LT(first.captured(1).toDouble(), 75.0);
    EXPECT_GT(first.captured(2).toDouble(), 57.0);
    EXPECT_LT(first.captured(2).toDouble(), 75.0);
}

// ---- Help menu --------------------------------------------------------------------

TEST_F(MainWindowTest, ContentsOpensTheHelpFileOnceTheF1KeyArrives)
{
    platform::setHelpFilePath(platform::applicationFile(u"Parlivox.hlp"_s));
    ui.mnuContents->trigger();
    EXPECT_TRUE(fakes.help.shown.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(fakes.help.shown, QStringList{platform::applicationFile(u"Parlivox.hlp"_s)});
}

TEST_F(MainWindowTest, CheckForUpdatesStartsTheUpdaterBesideTheProgram)
{
    ui.mnuUpdates->trigger();
    EXPECT_EQ(fakes.processes.started,
              QStringList{platform::applicationDirectory() + u"/Nuvafetch"_s});
    EXPECT_TRUE(fakes.messageBox.shown.isEmpty());
}

TEST_F(MainWindowTest, AMissingUpdaterGivesTheTwoLineMessage)
{
    fakes.processes.missingAll = true;
    ui.mnuUpdates->trigger();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    const QStringList lines = fakes.messageBox.last().text.split(u'\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], u"It appears that Fetchwell is not installed, or cannot be run."_s);
    EXPECT_TRUE(lines[1].startsWith(u"Please visit http"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(u" to check for updated versions."_s));
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
}

TEST_F(MainWindowTest, AnUpdaterThatExistsButCannotStartIsNamedWithTheReasonNotAsMissing)
{
    fakes.processes.failure = platform::err::PermissionDenied;
    ui.mnuUpdates->trigger();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"70 - Scripted failure"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
}

TEST_F(MainWindowTest, TheHelpFileCoversEveryMenuCommandAndToolbarButton)
{
    // The copy beside the program; run by hand, the source it is copied from.
    const QString appDir = qEnvironmentVariable("PARLIVOX_APP_DIR");
    QFile file(appDir.isEmpty() ? QStringLiteral(PARLIVOX_HELP_SOURCE)
                                : appDir + u"/Parlivox.hlp"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(html.contains(u"id=\"contents\""_s));
    QTextDocument page;
    page.setHtml(html);
    const QString text = page.toPlainText();

    const std::function<void(const QMenu&)> check = [&](const QMenu& menu) {
        for (const QAction* action : menu.actions()) {
            if (action->isSeparator())
                continue;
            const QString caption = QString(action->text()).remove(u'&');
            EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
            if (action->menu())
                check(*action->menu());
        }
    };
    for (const QMenu* menu : {ui.mnuFile, ui.mnuEdit, ui.mnuMacroS, ui.mnuConvert, ui.mnuHelp})
        check(*menu);
    for (const QAction* button : ui.Toolbar1->actions()) {
        if (!button->data().toString().isEmpty()) {
            EXPECT_TRUE(text.contains(button->toolTip())) << button->toolTip().toStdString();
        }
    }
}
