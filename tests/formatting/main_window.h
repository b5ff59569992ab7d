#pragma once
// A loaded main window over scripted fakes, and the user's ways into it.
#include "fake_platform.h"

#include "parlivox/shell/appstate.h"
#include "parlivox/shell/frmMain.h"
#include "platform/ui/richtextbox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : state(fakes.speech), w(fakes.services, state, QString()) { w.Form_Load(); }

    platform::RichTextBox& editor() { return *w.txtConvert; }

    /// Shows the window and makes it active, as menu shortcuts need.
    void showActive()
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.txtConvert->setFocus();
    }

    /// Types text into the editor as the user does, key by key.
    void type(const QString& text) { QTest::keyClicks(w.txtConvert, text); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(w.txtConvert, key, modifiers);
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
    void click(const QString& key) { w.button(key)->trigger(); }

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
};
