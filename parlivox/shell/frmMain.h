#pragma once

#include "parlivox/common/editorwindow.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QToolBar;

namespace platform {
class RichTextBox;
}

class AppState;
class AudioExport;
class Documents;
class EditCommands;
class Formatting;
class KeepOnUnexpectedFailure;
class Recovery;
class SpeechSession;
class frmAbout;
class frmFind;
class frmOptions;
struct EditorServices;

/// The editor's one window. It builds its menus, toolbar, editor and status
/// bar, owns the subsystems that act on them (documents, editing commands,
/// speech session, formatting) and wires the controls' events to their
/// procedures. The subsystems reach the window through EditorWindow alone.
class frmMain final : public QMainWindow, private EditorWindow {
    Q_OBJECT

public:
    frmMain(EditorServices& services, AppState& state, QString commandLine,
            QWidget* parent = nullptr);
    ~frmMain() override;

    /// The load sequence: Setup, initFonts, initial state, the offer of
    /// recovery snapshots, command-line file.
    void Form_Load();

    /// The desktop session ends. With interaction allowed, the close
    /// request's save prompt runs; false asks the session to cancel the
    /// logout, because the save that followed Yes did not write. Without
    /// interaction an edited document is kept as a recovery snapshot. Either
    /// way the window then closes without asking again.
    bool commitSession(bool interactionAllowed);
    /// A request to end the program (a termination signal): an edited
    /// document is kept as a recovery snapshot and closing asks nothing.
    void endSession();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Tests and benchmarks reach the subsystems and dialogs through it.
    friend class MainWindowParts;

    /// The toolbar's command dispatch.
    void Toolbar1_ButtonClick(ToolButton button);
    /// The dialogs, each created on first use: the Options dialog loads hidden.
    frmOptions& Options();
    frmFind& Find();
    frmAbout& About();

    // ---- EditorWindow ------------------------------------------------------
    platform::RichTextBox& editor() override { return *txtConvert; }
    QWidget& widget() override { return *this; }
    void setFormatPanel(const QString& text) override;
    void setStatusText(const QString& text) override;
    void setButtonEnabled(ToolButton button, bool enabled) override;
    void setItemEnabled(MenuItem item, bool enabled) override;
    void setMenuEnabled(Menu menu, bool enabled) override;
    void showSpeaking(bool busy) override;
    void showPaused(bool paused) override;
    int chosenVoiceIndex() override;
    void showSpeed(int speed) override;
    void clear() override;
    void findFont() override;
    void refreshSelection() override;
    void documentSaved() override;
    void documentOpened() override;

    // ---- composition (frmMain_setup.cpp) ---------------------------------
    void loadIcons();
    void setupFileActions();
    void setupEditActions();
    void setupMacroActions();
    void setupConvertActions();
    void setupReadingKeys();
    void setupHelpActions();
    void setupToolbar();
    void setupStatusBar();
    /// Runs command, guarded, whenever action is triggered.
    void onTriggered(QAction* action, std::function<void()> command);
    QAction* button(ToolButton button) const;
    QMenu* menu(Menu menu) const;
    QAction* item(MenuItem item) const;

    // ---- start-up, layout and closing ----------------------------------------
    void Setup();
    /// Offers the snapshots ended instances left; true when one was taken back.
    bool offerRecovery();
    /// Places the editor under the toolbar and remembers the window state.
    void Form_Resize();
    void rememberWindowState();
    void mnuExit_Click();
    void mnuPrefs_Click();
    void mnuFind_Click();
    void mnuAbout_Click();
    /// The close request: offers to save; false keeps the window open.
    bool Form_QueryUnload();
    void Form_Unload();
    void refreshKeyPanels();
    /// Shows a dialog modally, then discards it: every way of closing unloads it.
    void showModal(QDialog& dialog);
    /// Closes and discards every dialog that is loaded.
    void unloadDialogs();

    EditorServices& m_services;
    AppState& m_state;
    QString m_commandLine;

    // ---- controls ------------------------------------------------------------
    QWidget* m_client = nullptr;
    platform::RichTextBox* txtConvert = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QComboBox* cmbFont = nullptr;
    QComboBox* cmbFontSize = nullptr;
    /// The four panels of the status bar: format, speech state, CAPS, NUM.
    std::array<QLabel*, 4> statusPanel = {};
    /// The 18 images of the toolbar, by key.
    QHash<QString, QIcon> SMicons;
    QHash<ToolButton, QAction*> m_buttons;
    QHash<Menu, QMenu*> m_menus;
    QHash<MenuItem, QAction*> m_items;
    QMenu* mnuMacroSymbols = nullptr;
    /// The keys that steer a reading (a sentence back or forward, pause,
    /// stop, speed, back to the reading): on only while speaking.
    QList<QAction*> m_readingKeys;

    // ---- subsystems ----------------------------------------------------------
    std::unique_ptr<Documents> m_documents;
    std::unique_ptr<EditCommands> m_editing;
    std::unique_ptr<SpeechSession> m_speech;
    std::unique_ptr<AudioExport> m_audioExport;
    std::unique_ptr<Formatting> m_formatting;
    std::unique_ptr<Recovery> m_recovery;
    /// A command that fails unexpectedly takes a recovery snapshot first.
    std::unique_ptr<KeepOnUnexpectedFailure> m_keepOnFailure;

    QPointer<frmOptions> m_frmOptions;
    QPointer<frmFind> m_frmFind;
    QPointer<frmAbout> m_frmAbout;
    QString m_lastWMax;
    bool m_unloading = false;
    /// The session's end already asked about the changes; an edit resets it.
    bool m_sessionAnswered = false;
};
