#pragma once
// The editor's main window over scripted fakes, its controls found as a user
// finds them on screen (by name), and the user's ways into it.
#include "dialog_controls.h"
#include "fake_platform.h"
#include "main_window_parts.h"

#include "parlivox/common/commands.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/formatting/formatting.h"
#include "parlivox/shell/documents.h"
#include "parlivox/shell/editing.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/speech/session.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <array>
#include <functional>

/// The main window's controls, looked up by their names.
struct MainWindowControls {
    explicit MainWindowControls(QWidget& window) : m_window(window) {}

    template <typename T> T* find(const QString& name) const
    {
        T* child = m_window.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << "no control " << name.toStdString();
        return child;
    }
    /// The toolbar button with this key.
    QAction* button(const QString& key) const { return find<QAction>(key); }

    QWidget& m_window;
    platform::RichTextBox* txtConvert = find<platform::RichTextBox>(QStringLiteral("txtConvert"));
    QToolBar* Toolbar1 = find<QToolBar>(QStringLiteral("Toolbar1"));
    QComboBox* cmbFont = find<QComboBox>(QStringLiteral("cmbFont"));
    QComboBox* cmbFontSize = find<QComboBox>(QStringLiteral("cmbFontSize"));
    std::array<QLabel*, 4> statusPanel = {
        find<QLabel>(QStringLiteral("format")), find<QLabel>(QStringLiteral("state")),
        find<QLabel>(QStringLiteral("caps")), find<QLabel>(QStringLiteral("num"))};
    QTimer* tmrSpk = find<QTimer>(QStringLiteral("tmrSpk"));

    QMenu* mnuFile = find<QMenu>(QStringLiteral("mnuFile"));
    QAction* mnuNew = find<QAction>(QStringLiteral("mnuNew"));
    QAction* mnuOpen = find<QAction>(QStringLiteral("mnuOpen"));
    QAction* mnuSave = find<QAction>(QStringLiteral("mnuSave"));
    QAction* mnuSaveAs = find<QAction>(QStringLiteral("mnuSaveAs"));
    QAction* mnuPrint = find<QAction>(QStringLiteral("mnuPrint"));
    QAction* mnuPrefs = find<QAction>(QStringLiteral("mnuPrefs"));
    QAction* mnuExit = find<QAction>(QStringLiteral("mnuExit"));
    QMenu* mnuEdit = find<QMenu>(QStringLiteral("mnuEdit"));
    QAction* mnuCut = find<QAction>(QStringLiteral("mnuCut"));
    QAction* mnuCopy = find<QAction>(QStringLiteral("mnuCopy"));
    QAction* mnuPaste = find<QAction>(QStringLiteral("mnuPaste"));
    QAction* mnuFind = find<QAction>(QStringLiteral("mnuFind"));
    QAction* mnuClearClip = find<QAction>(QStringLiteral("mnuClearClip"));
    QAction* mnuSelectAll = find<QAction>(QStringLiteral("mnuSelectAll"));
    QMenu* mnuMacroS = find<QMenu>(QStringLiteral("mnuMacroS"));
    QAction* mnuMacroTime = find<QAction>(QStringLiteral("mnuMacroTime"));
    QAction* mnuMacroDate = find<QAction>(QStringLiteral("mnuMacroDate"));
    QMenu* mnuMacroSymbols = find<QMenu>(QStringLiteral("mnuMacroSymbols"));
    QAction* mnuMacroCopyright = find<QAction>(QStringLiteral("mnuMacroCopyright"));
    QAction* mnuMacroRegTM = find<QAction>(QStringLiteral("mnuMacroRegTM"));
    QMenu* mnuConvert = find<QMenu>(QStringLiteral("mnuConvert"));
    QAction* mnuConvertAll = find<QAction>(QStringLiteral("mnuConvertAll"));
    QAction* mnuConvertSel = find<QAction>(QStringLiteral("mnuConvertSel"));
    QMenu* mnuHelp = find<QMenu>(QStringLiteral("mnuHelp"));
    QAction* mnuContents = find<QAction>(QStringLiteral("mnuContents"));
    QAction* mnuUpdates = find<QAction>(QStringLiteral("mnuUpdates"));
    QAction* mnuAbout = find<QAction>(QStringLiteral("mnuAbout"));
};

/// Waits until the file the window is reading (Open, the command line) is
/// read and its outcome shown, as the user waits for the hourglass to go.
inline void waitForOpen(frmMain& window)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return !parts(window).documents().reading(); }, 60000))
        << "the file was still being read after a minute";
}

/// A fresh editor process: fakes, state and a main window, loaded (with the
/// command line's file read) unless asked not to.
struct Editor {
    explicit Editor(const QString& commandLine = {}, bool load = true)
        : state(fakes.speech), window(fakes.services, state, commandLine)
    {
        if (load) {
            window.Form_Load();
            waitForOpen(window);
        }
    }
    FakePlatform fakes;
    AppState state;
    frmMain window;
    MainWindowControls ui{window};
};

/// An editor whose questions are real message boxes, for the tests that
/// answer them as a person does (keys, the close box, the buttons).
struct EditorWithRealMessageBox {
    EditorWithRealMessageBox() : state(fakes.speech), window(services, state, QString())
    {
        window.Form_Load();
        window.show();
    }
    /// Runs inside with the next question once it is up.
    static void whenAsked(std::function<void(QMessageBox&)> inside)
    {
        QTimer::singleShot(0, qApp, [inside = std::move(inside)] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            inside(*box);
        });
    }
    FakePlatform fakes;
    platform::QtMessageBox messageBox;
    EditorServices services{fakes.settings, messageBox,      fakes.dialog, fakes.clipboard,
                            fakes.printer,  fakes.processes, fakes.help,   fakes.keyboard,
                            fakes.clock,    fakes.registry,  fakes.speech};
    AppState state;
    frmMain window;
    MainWindowControls ui{window};
};

/// The same as a test fixture, with the user's ways into the window.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : state(fakes.speech), w(fakes.services, state, QString()) { w.Form_Load(); }

    platform::RichTextBox& editor() { return *ui.txtConvert; }

    /// Shows the window and makes it active, as menu shortcuts need.
    void showActive()
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        ui.txtConvert->setFocus();
    }

    /// Types text into the editor as the user does, key by key.
    void type(const QString& text) { QTest::keyClicks(ui.txtConvert, text); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(ui.txtConvert, key, modifiers);
    }
    /// Selects from code: no notification reaches the window.
    void select(int start, int length)
    {
        editor().setSelStart(start);
        editor().setSelLength(length);
    }
    /// Picks list entry text as the user does (activation after the change).
    static void pick(QComboBox& list, const QString& text)
    {
        const int index = list.findText(text, Qt::MatchExactly);
        ASSERT_GE(index, 0) << text.toStdString();
        list.setCurrentIndex(index);
        emit list.activated(index);
    }
    void click(const QString& key) { ui.button(key)->trigger(); }

    /// Runs `inside` once the next modal dialog is up, then lets it go on.
    static void whenModal(std::function<void(QWidget&)> inside)
    {
        QTimer::singleShot(0, qApp, [inside = std::move(inside)] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            inside(*modal);
        });
    }

    FakePlatform fakes;
    AppState state;
    frmMain w;
    MainWindowControls ui{w};
};
