#include "main_window.h"

#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/screen.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList itemsOf(const QMenu* menu)
{
    QStringList items;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            items << u"-"_s;
        else
            items << action->text() + u"|"_s + action->shortcut().toString();
    }
    return items;
}

} // namespace

TEST(MainWindowComposition, MenusHoldEveryItemWithItsCaptionAndShortcut)
{
    Editor e;
    const QList<QAction*> top = e.window.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0]->text(), u"&File"_s);
    EXPECT_EQ(top[1]->text(), u"&Edit"_s);
    EXPECT_EQ(top[2]->text(), u"&Macros"_s);
    EXPECT_EQ(top[3]->text(), u"&Convert"_s);
    EXPECT_EQ(top[4]->text(), u"&Help"_s);
    EXPECT_EQ(
        itemsOf(e.ui.mnuFile),
        (QStringList{u"&New|Ctrl+N"_s, u"&Open...|Ctrl+O"_s, u"&Save|Ctrl+S"_s, u"Save &As...|"_s,
                     u"-"_s, u"&Print...|"_s, u"-"_s, u"P&references...|"_s, u"-"_s, u"E&xit|"_s}));
    EXPECT_EQ(
        itemsOf(e.ui.mnuEdit),
        (QStringList{u"C&ut|Ctrl+X"_s, u"&Copy|Ctrl+C"_s, u"&Paste|Ctrl+P"_s, u"&Find...|Ctrl+F"_s,
                     u"-"_s, u"Clea&r Clipboard|"_s, u"-"_s, u"Select &All|Ctrl+A"_s}));
    EXPECT_EQ(itemsOf(e.ui.mnuMacroS),
              (QStringList{u"Insert &Time macro|"_s, u"Insert &Date macro|"_s, u"-"_s,
                           u"Symbols...|"_s}));
    EXPECT_EQ(itemsOf(e.ui.mnuMacroSymbols),
              (QStringList{u"&Copyright (\u00A9)|"_s, u"&Registered trademark (\u00AE)|"_s}));
    EXPECT_EQ(itemsOf(e.ui.mnuHelp),
              (QStringList{u"Contents...|"_s, u"-"_s, u"Check for Updates...|"_s, u"-"_s,
                           u"&About Parlivox...|"_s}));
    // The Convert menu is disabled by start-up, which also lifts its shortcuts.
    EXPECT_EQ(e.ui.mnuConvertAll->text(), u"Convert &All Text"_s);
    EXPECT_EQ(e.ui.mnuConvertSel->text(), u"Convert &Selection"_s);
    const QList<QAction*> convert = e.ui.mnuConvert->actions();
    const QAction* fromCursor = convert.value(convert.indexOf(e.ui.mnuConvertSel) + 1);
    ASSERT_NE(fromCursor, nullptr);
    EXPECT_EQ(fromCursor->text(), u"Convert from &Cursor"_s) << "right after Convert Selection";
}

TEST(MainWindowComposition, ToolbarHasTheTwentyThreeEntriesInOrder)
{
    Editor e;
    QStringList entries;
    for (QAction* action : e.ui.Toolbar1->actions()) {
        if (action->isSeparator())
            entries << u"|"_s;
        else if (auto* widget = e.ui.Toolbar1->widgetForAction(action);
                 widget && !qobject_cast<QToolButton*>(widget))
            entries << u"placeholder "_s + QString::number(widget->width());
        else
            entries << action->objectName() + u":"_s + action->toolTip() +
                           (action->isEnabled() ? u""_s : u" (off)"_s);
    }
    const QString font = QString::number(platform::twipsToPixels(3200));
    const QString size = QString::number(platform::twipsToPixels(1050));
    EXPECT_EQ(entries, (QStringList{u"new:New"_s,
                                    u"open:Open File"_s,
                                    u"save:Save File"_s,
                                    u"print:Print file"_s,
                                    u"|"_s,
                                    u"speech:Convert To Speech (off)"_s,
                                    u"playpause:Pause Speech (Ctrl+Space) (off)"_s,
                                    u"stop:Stop speech (Esc) (off)"_s,
                                    u"|"_s,
                                    u"prop:Settings"_s,
                                    u"|"_s,
                                    u"placeholder "_s + font,
                                    u"placeholder "_s + size,
                                    u"fntBold:Bold"_s,
                                    u"fntItalic:Italic"_s,
                                    u"fntUnderline:Underline"_s,
                                    u"fntColour:Colour"_s,
                                    u"|"_s,
                                    u"fntLeft:Left Justify"_s,
                                    u"fntCentre:Centre Justify"_s,
                                    u"fntRight:Right Justify"_s,
                                    u"|"_s,
                                    u"about:Help"_s}));
    // Every button shows an image, and the font lists sit on the toolbar.
    for (QAction* action : e.ui.Toolbar1->actions()) {
        if (qobject_cast<QToolButton*>(e.ui.Toolbar1->widgetForAction(action))) {
            EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
        }
    }
    EXPECT_TRUE(e.ui.Toolbar1->isAncestorOf(e.ui.cmbFont));
    EXPECT_TRUE(e.ui.Toolbar1->isAncestorOf(e.ui.cmbFontSize));
}

TEST(MainWindowComposition, StatusBarPanelsAndTimerStartAsDesigned)
{
    Editor e;
    EXPECT_EQ(e.window.windowTitle(), u"Parlivox"_s);
    EXPECT_EQ(e.ui.statusPanel[0]->text(), u"Rich Text Format"_s);
    EXPECT_EQ(e.ui.statusPanel[0]->toolTip(), u"Document Format"_s);
    EXPECT_EQ(e.ui.statusPanel[0]->objectName(), u"format"_s);
    EXPECT_EQ(e.ui.statusPanel[1]->text(), u"Ready"_s);
    EXPECT_EQ(e.ui.statusPanel[1]->toolTip(), u"Status"_s);
    EXPECT_EQ(e.ui.statusPanel[2]->text(), u"CAPS"_s);
    EXPECT_EQ(e.ui.statusPanel[2]->toolTip(), u"Caps Lock Status"_s);
    EXPECT_EQ(e.ui.statusPanel[3]->text(), u"NUM"_s);
    EXPECT_EQ(e.ui.statusPanel[3]->toolTip(), u"Num Lock Status"_s);
    // The fake keyboard has Num Lock on and Caps Lock off.
    EXPECT_FALSE(e.ui.statusPanel[2]->isEnabled());
    EXPECT_TRUE(e.ui.statusPanel[3]->isEnabled());
    EXPECT_EQ(e.ui.tmrSpk->interval(), 1);
    EXPECT_FALSE(e.ui.tmrSpk->isActive());
    EXPECT_EQ(parts(e.window).speech().strPlayState, u"stopped"_s);
    EXPECT_EQ(e.state.document.strFileType, u"rtf"_s);
}

TEST(MainWindowStartState, ConvertMenuIsOffUntilTheEditorHoldsText)
{
    Editor e;
    EXPECT_FALSE((e.ui.mnuConvert)->menuAction()->isEnabled());
    EXPECT_FALSE(e.ui.mnuConvert->menuAction()->isEnabled());
    EXPECT_TRUE(e.ui.mnuConvertAll->shortcut().isEmpty()) << "F5 is off with its menu";
    EXPECT_FALSE(e.ui.mnuCut->isEnabled());
    EXPECT_FALSE(e.ui.mnuCopy->isEnabled());
    EXPECT_FALSE(e.ui.mnuSelectAll->isEnabled());

    e.ui.txtConvert->setText(u"Hello"_s);
    EXPECT_TRUE((e.ui.mnuConvert)->menuAction()->isEnabled());
    EXPECT_EQ(e.ui.mnuConvertAll->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(e.ui.mnuConvertSel->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(e.ui.find<QAction>(u"mnuConvertCursor"_s)->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::Key_F5));
    EXPECT_TRUE(e.ui.mnuSelectAll->isEnabled());
    EXPECT_TRUE(e.ui.button(u"speech"_s)->isEnabled());
}

TEST(MainWindowStartState, PasteFollowsWhatTheClipboardHolds)
{
    {
        FakePlatform fakes; // a picture only: neither text nor RTF
        AppState state(fakes.speech);
        frmMain window(fakes.services, state, QString());
        MainWindowControls ui(window);
        window.Form_Load();
        EXPECT_FALSE(ui.mnuPaste->isEnabled());
    }
    {
        FakePlatform fakes;
        fakes.clipboard.plain = u"text"_s;
        AppState state(fakes.speech);
        frmMain window(fakes.services, state, QString());
        MainWindowControls ui(window);
        window.Form_Load();
        EXPECT_TRUE(ui.mnuPaste->isEnabled());
    }
    {
        FakePlatform fakes;
        fakes.clipboard.rich = true;
        AppState state(fakes.speech);
        frmMain window(fakes.services, state, QString());
        MainWindowControls ui(window);
        window.Form_Load();
        EXPECT_TRUE(ui.mnuPaste->isEnabled());
    }
}

TEST(MainWindowStartState, DisabledMenuKeepsItsItemsOwnStates)
{
    Editor e;
    e.ui.mnuCut->setEnabled(true);
    setMenuEnabled(*e.ui.mnuEdit, false);
    EXPECT_TRUE(e.ui.mnuCut->shortcut().isEmpty());
    setMenuEnabled(*e.ui.mnuEdit, false); // twice keeps the saved shortcut
    setMenuEnabled(*e.ui.mnuEdit, true);
    EXPECT_TRUE(e.ui.mnuCut->isEnabled());
    EXPECT_EQ(e.ui.mnuCut->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(e.ui.mnuPaste->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
}

TEST(WindowState, WithNothingStoredTheWindowIsNormalAtEightyPercent)
{
    Editor e;
    e.window.show();
    QCoreApplication::processEvents();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_FALSE(e.window.isMaximized());
    EXPECT_NEAR(e.window.width(), screen.width() * 0.8, 2);
    EXPECT_NEAR(e.window.height(), screen.height() * 0.8, 2);
    EXPECT_EQ(e.fakes.settings.config(u"wMax"_s), u"0"_s);
}

TEST(WindowState, StoredMaximisedOpensMaximisedAndRestoringStoresNormal)
{
    FakePlatform fakes;
    fakes.settings.setConfig(u"wMax"_s, u"1"_s);
    AppState state(fakes.speech);
    frmMain window(fakes.services, state, QString());
    MainWindowControls ui(window);
    window.Form_Load();
    window.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isMaximized());
    EXPECT_EQ(fakes.settings.config(u"wMax"_s), u"1"_s);
    window.showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(fakes.settings.config(u"wMax"_s), u"0"_s);
}

TEST(WindowState, MinimisingStoresNothing)
{
    Editor e;
    e.window.show();
    e.window.showMaximized();
    QCoreApplication::processEvents();
    ASSERT_EQ(e.fakes.settings.config(u"wMax"_s), u"1"_s);
    const int writes = e.fakes.settings.writes;
    e.window.showMinimized();
    QCoreApplication::processEvents();
    e.window.close();
    EXPECT_EQ(e.fakes.settings.config(u"wMax"_s), u"1"_s);
    EXPECT_EQ(e.fakes.settings.writes, writes);
}

TEST(WindowLayout, EditorSitsUnderTheToolbarAndFillsTheClientArea)
{
    Editor e;
    e.window.show();
    QCoreApplication::processEvents();
    const QWidget* client = e.window.centralWidget();
    EXPECT_EQ(e.ui.txtConvert->y(), platform::twipsToPixels(360));
    EXPECT_EQ(e.ui.txtConvert->x(), 0);
    EXPECT_EQ(e.ui.txtConvert->width(), client->width());
    EXPECT_EQ(e.ui.txtConvert->height(), client->height() - e.ui.Toolbar1->height());
}

TEST(WindowLayout, AWindowTooSmallForTheEditorKeepsItsLastHeightSilently)
{
    Editor e;
    e.window.show();
    QCoreApplication::processEvents();
    const int before = e.ui.txtConvert->height();
    // Qt keeps a real window tall enough for its bars, so the client area is
    // made too small for the toolbar by hand before the window lays it out.
    QWidget& client = *e.window.centralWidget();
    client.resize(client.width(), e.ui.Toolbar1->height() / 2);
    QResizeEvent resized(e.window.size(), e.window.size());
    QCoreApplication::sendEvent(&e.window, &resized);
    EXPECT_EQ(e.ui.txtConvert->height(), before);
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
}

TEST(LoadSequence, ANonNumericStoredStateIsReportedAndSkipsTheLaterSteps)
{
    FakePlatform fakes;
    fakes.settings.setConfig(u"wMax"_s, u"big"_s);
    AppState state(fakes.speech);
    frmMain window(fakes.services, state, u"\"/nonexistent/a.txt\""_s);
    MainWindowControls ui(window);
    window.Form_Load();
    ASSERT_EQ(fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(fakes.messageBox.last().text, u"Type mismatch"_s);
    EXPECT_EQ(fakes.messageBox.last().title, u"Error"_s);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::Critical);
    EXPECT_EQ(ui.cmbFontSize->count(), 0) << "the font lists were not filled";
    EXPECT_TRUE(parts(window).speech().strPlayState.isEmpty());
    EXPECT_TRUE(state.document.strFileName.isEmpty()) << "the command line was not opened";
}

TEST(CloseRequest, WithoutChangesTheWindowClosesWithoutAQuestion)
{
    Editor e;
    e.window.show();
    EXPECT_TRUE(e.window.close());
    EXPECT_TRUE(e.fakes.messageBox.shown.isEmpty());
}

TEST(CloseRequest, EscapeAndTheCloseBoxOfSaveFileDoNotDropTheDocument)
{
    EditorWithRealMessageBox e;
    e.ui.txtConvert->setText(u"important unsaved work"_s);
    bool stillAsking = false;
    bool documentThere = false;
    e.whenAsked([&](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), u"Save File?"_s);
        QTest::keyClick(&box, Qt::Key_Escape);
        QCloseEvent closeBox;
        QApplication::sendEvent(&box, &closeBox);
        stillAsking = box.isVisible();
        documentThere =
            e.window.isVisible() && e.ui.txtConvert->Text() == u"important unsaved work"_s;
        box.button(QMessageBox::No)->click();
    });
    e.ui.mnuExit->trigger();
    EXPECT_TRUE(stillAsking);
    EXPECT_TRUE(documentThere);
    EXPECT_FALSE(e.window.isVisible()) << "only the answer No closes it";
}

TEST(CloseRequest, ChangesAndNoCloseWithoutSaving)
{
    Editor e;
    e.window.show();
    e.ui.txtConvert->setText(u"draft"_s);
    e.fakes.messageBox.answers = {platform::MsgResult::No};
    EXPECT_TRUE(e.window.close());
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_EQ(e.fakes.messageBox.last().text,
              u"The file has been changed. Would you like to save the file?"_s);
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Save File?"_s);
    EXPECT_EQ(e.fakes.messageBox.last().buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(e.fakes.messageBox.last().icon, platform::MsgIcon::Question);
    EXPECT_TRUE(e.fakes.dialog.calls.isEmpty());
}

TEST(CloseRequest, YesFollowedByACancelledSaveKeepsTheWindowOpen)
{
    Editor e;
    e.window.show();
    e.ui.txtConvert->setText(u"draft"_s);
    e.fakes.messageBox.answers = {platform::MsgResult::Yes};
    e.fakes.dialog.answers = {FakeCommonDialog::cancelled()};
    EXPECT_FALSE(e.window.close());
    EXPECT_TRUE(e.window.isVisible());
    EXPECT_EQ(e.ui.txtConvert->Text(), u"draft"_s);
    EXPECT_TRUE(e.state.document.blnChanged);
}

TEST(CloseRequest, YesOnANamedDocumentClosesOnlyWhenTheSaveWrote)
{
    QTemporaryDir dir;
    Editor e;
    e.window.show();
    e.ui.txtConvert->setText(u"draft"_s);
    e.state.document.blnNamed = true;
    e.state.document.strFileType = u"txt"_s;
    e.state.document.strFileName = dir.path() + u"/no/such/folder/a.txt"_s;
    e.fakes.messageBox.answers = {platform::MsgResult::Yes};
    EXPECT_FALSE(e.window.close()) << "the write failed: the window stays";
    EXPECT_EQ(e.fakes.messageBox.last().title, u"Error"_s);

    e.state.document.strFileName = dir.path() + u"/a.txt"_s;
    e.fakes.messageBox.answers = {platform::MsgResult::Yes};
    EXPECT_TRUE(e.window.close());
    EXPECT_TRUE(QFile::exists(dir.path() + u"/a.txt"_s));
}

TEST(CloseRequest, UnloadReleasesTheVoiceAndStopsPolling)
{
    Editor e;
    e.window.show();
    e.state.objVoice();
    e.ui.tmrSpk->start();
    EXPECT_TRUE(e.window.close());
    EXPECT_FALSE(e.state.hasVoice());
    EXPECT_FALSE(e.ui.tmrSpk->isActive());
    EXPECT_EQ(e.fakes.speech.log.destroyed, 1);
}

TEST(MissingEngine, PreferencesAndSpeechReportItAndTheWindowStaysIdle)
{
    Editor e;
    e.fakes.speech.failCreate = true;
    e.ui.txtConvert->setText(u"Hello"_s);
    e.ui.mnuPrefs->trigger();
    ASSERT_EQ(e.fakes.messageBox.shown.size(), 1);
    EXPECT_TRUE(e.fakes.messageBox.last().text.startsWith(u"429 - "_s));
    e.ui.mnuConvertAll->trigger();
    EXPECT_EQ(e.fakes.messageBox.last().text, u"There was an error converting the text."_s);
    EXPECT_FALSE(e.ui.tmrSpk->isActive());
    EXPECT_EQ(e.ui.statusPanel[1]->text(), u"Ready"_s);
    EXPECT_FALSE(e.ui.txtConvert->Locked());
}

TEST(CloseRequest, ExitRunsTheSameCloseRequest)
{
    Editor e;
    e.window.show();
    e.ui.txtConvert->setText(u"draft"_s);
    e.fakes.messageBox.answers = {platform::MsgResult::No};
    e.ui.mnuExit->trigger();
    EXPECT_FALSE(e.window.isVisible());
    EXPECT_EQ(e.fakes.messageBox.shown.size(), 1);
}
