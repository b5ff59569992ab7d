#pragma once

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;
class QTimer;
class QStatusBar;
class QToolBar;

namespace platform {
enum class MsgButtons;
class RichTextBox;
} // namespace platform

class AppState;
struct EditorServices;
class frmOptions;
class frmFind;
class frmAbout;

/// The editor's one window. This header is the map of the window: its
/// controls and every procedure, each defined in the source file of its
/// subsystem (shell, speech, formatting).
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    frmMain(EditorServices& platform, AppState& state, QString commandLine,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Start-up, layout and closing (shell/frmMain.cpp) ----------------
    /// The load sequence: Setup, initFonts, initial state, command-line file.
    void Form_Load();
    void Setup();
    /// Places the editor under the toolbar and remembers the window state.
    void Form_Resize();
    void mnuExit_Click();
    void mnuPrefs_Click();
    void mnuFind_Click();
    void mnuAbout_Click();
    /// Enables or disables a whole top-level menu, shortcuts included.
    void setMenuEnabled(QMenu* menu, bool enabled);
    bool isMenuEnabled(const QMenu* menu) const;
    /// The toolbar button with this key, or nullptr.
    QAction* button(const QString& key) const;
    /// Runs a command; a platform failure it does not handle itself is shown
    /// as "code - description" instead of crossing the event loop.
    void guarded(const std::function<void()>& command);

    // ---- Document files (shell/documents.cpp) -----------------------------
    void newFile();
    void openFile();
    /// Save and Save As answer whether they wrote the document.
    bool saveFile();
    bool saveFileAs();
    /// The save prompt shared by New, Open (Yes/No/Cancel) and the close
    /// request (Yes/No); false when the user cancels or the save that
    /// follows Yes did not write the document.
    bool offerToSave(platform::MsgButtons buttons);
    static bool ifExist(const QString& fileName);
    /// Opens the file named by the command line's argument text.
    void openCommandLine(const QString& commandLine);

    // ---- Editing commands, macros, print, help (shell/editing.cpp) --------
    void mnuEdit_Click();
    void mnuCut_Click();
    void mnuCopy_Click();
    void mnuPaste_Click();
    void mnuClearClip_Click();
    void mnuSelectAll_Click();
    void mnuMacroTime_Click();
    void mnuMacroDate_Click();
    void mnuMacroCopyright_Click();
    void mnuMacroRegTM_Click();
    void mnuPrint_Click();
    void mnuContents_Click();
    void mnuUpdates_Click();
    /// F1: opens the help file at its contents.
    void showHelp();

    // ---- Speech session and its progress (speech/session.cpp) -------------
    void mnuConvertAll_Click();
    void mnuConvertSel_Click();
    /// The toolbar's "speech" button: the selection if any, else the whole text.
    void speechButton_Click();
    void PlayText();
    void PlayPause();
    void StopText();
    void setBusyState();
    void setIdleState();
    void tmrSpk_Timer();

    // ---- Font lists, formatting toolbar, editor notifications -------------
    // (formatting/fonts.cpp)
    void initFonts();
    void clear();
    void findFont();
    void refreshSelection();
    void cmbFont_Click();
    void cmbFontSize_Click();
    void txtConvert_Change();
    // (formatting/toolbar.cpp)
    void Toolbar1_ButtonClick(const QString& key);
    void setColour();

    // ---- The dialogs, each created on first use ---------------------------
    /// The Options dialog, created and loaded hidden when it does not exist yet.
    frmOptions& Options();
    frmFind& Find();
    frmAbout& About();
    /// Closes and discards every dialog that is loaded.
    void unloadDialogs();

    // ---- Controls ---------------------------------------------------------
    platform::RichTextBox* txtConvert = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QComboBox* cmbFont = nullptr;
    QComboBox* cmbFontSize = nullptr;
    QStatusBar* status = nullptr;
    /// The four panels of the status bar: format, speech state, CAPS, NUM.
    QLabel* statusPanel[4] = {};
    QTimer* tmrSpk = nullptr;
    /// The 18 images of the toolbar, by key.
    QHash<QString, QIcon> SMicons;

    QMenu* mnuFile = nullptr;
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuPrefs = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QAction* mnuFind = nullptr;
    QAction* mnuClearClip = nullptr;
    QAction* mnuSelectAll = nullptr;
    QMenu* mnuMacroS = nullptr;
    QAction* mnuMacroTime = nullptr;
    QAction* mnuMacroDate = nullptr;
    QMenu* mnuMacroSymbols = nullptr;
    QAction* mnuMacroCopyright = nullptr;
    QAction* mnuMacroRegTM = nullptr;
    QMenu* mnuConvert = nullptr;
    QAction* mnuConvertAll = nullptr;
    QAction* mnuConvertSel = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuContents = nullptr;
    QAction* mnuUpdates = nullptr;
    QAction* mnuAbout = nullptr;

    /// The speech state word: "stopped", "playing" or "paused".
    QString strPlayState;

    AppState& state() { return m_state; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupFileActions();
    void setupEditActions();
    void setupMacroActions();
    void setupConvertActions();
    void setupHelpActions();
    void setupToolbar();
    void setupStatusBar();
    void loadIcons();
    QAction* addButton(const QString& key, const QString& tooltip, const QString& image,
                       bool enabled);
    /// The close request: offers to save; false keeps the window open.
    bool Form_QueryUnload();
    void Form_Unload();
    void rememberWindowState();
    void refreshKeyPanels();
    /// Shows a dialog modally, then discards it: every way of closing unloads it.
    void showModal(QDialog& dialog);

    EditorServices& m_platform;
    AppState& m_state;
    QString m_commandLine;
    QWidget* m_client = nullptr;
    QHash<QString, QAction*> m_buttons;
    QPointer<frmOptions> m_frmOptions;
    QPointer<frmFind> m_frmFind;
    QPointer<frmAbout> m_frmAbout;
    QString m_lastWMax;
    bool m_unloading = false;
};
