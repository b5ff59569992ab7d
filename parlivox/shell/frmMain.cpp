#include "parlivox/shell/frmMain.h"

#include "parlivox/about/frmAbout.h"
#include "parlivox/common/commands.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/common/logic/settingskeys.h"
#include "parlivox/formatting/formatting.h"
#include "parlivox/formatting/frmFind.h"
#include "parlivox/recovery/recovery.h"
#include "parlivox/shell/documents.h"
#include "parlivox/shell/editing.h"
#include "parlivox/shell/logic/documentrules.h"
#include "parlivox/speech/audioexport.h"
#include "parlivox/speech/frmOptions.h"
#include "parlivox/speech/session.h"
#include "platform/app.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>

using namespace Qt::StringLiterals;

frmMain::frmMain(EditorServices& services, AppState& state, QString commandLine, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_state(state),
      m_commandLine(std::move(commandLine))
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Parlivox"_s);
    setWindowIcon(QIcon(u":/icons/parlivox.svg"_s));

    m_client = new QWidget(this);
    setCentralWidget(m_client);

    loadIcons();
    setupFileActions();
    setupEditActions();
    setupMacroActions();
    setupConvertActions();
    setupHelpActions();
    setupToolbar();

    txtConvert = new platform::RichTextBox(m_client);
    txtConvert->setObjectName(u"txtConvert"_s);
    txtConvert->setFont(QFont(u"Arial"_s, 10));
    txtConvert->move(0, platform::twipsToPixels(360));

    setupStatusBar();

    // The subsystems see the window through its narrow interface alone.
    EditorWindow& window = *this;
    m_documents = std::make_unique<Documents>(window, m_services, m_state);
    m_editing = std::make_unique<EditCommands>(window, m_services);
    m_speech = std::make_unique<SpeechSession>(window, m_services, m_state,
                                               platform::stateHome() + u"/Parlivox/positions"_s);
    m_audioExport = std::make_unique<AudioExport>(window, m_services, m_state, *m_speech);
    m_formatting =
        std::make_unique<Formatting>(window, m_services, m_state, *cmbFont, *cmbFontSize);
    m_recovery = std::make_unique<Recovery>(window, m_services, m_state,
                                            platform::stateHome() + u"/Parlivox/recovery"_s);
    m_keepOnFailure =
        std::make_unique<KeepOnUnexpectedFailure>([this] { m_recovery->snapshotNow(); });

    // The editor's notifications and the font lists go to the formatting.
    platform::MessageBox& box = m_services.messageBox;
    connectGuarded(txtConvert, &platform::RichTextBox::Change, this, box,
                   [this] { m_formatting->txtConvert_Change(); });
    for (auto notification : {&platform::RichTextBox::Click, &platform::RichTextBox::KeyUp,
                              &platform::RichTextBox::MouseUp})
        connectGuarded(txtConvert, notification, this, box,
                       [this] { m_formatting->refreshSelection(); });
    // A pick by the user and a selection set by code both run the click handler.
    connect(txtConvert, &platform::RichTextBox::Change, this,
            [this] { m_sessionAnswered = false; });
    for (auto signal : {&QComboBox::currentIndexChanged, &QComboBox::activated}) {
        connectGuarded(cmbFont, signal, this, box, [this] { m_formatting->cmbFont_Click(); });
        connectGuarded(cmbFontSize, signal, this, box,
                       [this] { m_formatting->cmbFontSize_Click(); });
    }

    qApp->installEventFilter(this);
    txtConvert->setFocus();
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
}

// ---- load, layout, close ---------------------------------------------------

void frmMain::Form_Load()
{
    try {
        Setup();
        m_formatting->initFonts();
        m_speech->strPlayState = u"stopped"_s;
        m_state.document.strFileType = u"rtf"_s;
        const bool recovered = offerRecovery();
        if (m_commandLine.isEmpty())
            return;
        // Changes taken back for the very file named on the command line are
        // that file, edited: there is nothing else to open.
        if (recovered && m_commandLine.size() > 2 &&
            documentrules::sameFile(m_state.document.strFileName,
                                    m_commandLine.mid(1, m_commandLine.size() - 2)))
            return;
        // Changes taken back are not dropped for the file without asking.
        if (recovered && !m_documents->offerToSave(platform::MsgButtons::YesNoCancel))
            return;
        // The file is read while the window comes up; the rest waits for it.
        m_documents->openCommandLine(m_commandLine, [this, recovered] {
            if (recovered)
                m_recovery->settled();
        });
    } catch (const platform::Error& error) {
        platform::showFailureDescription(m_services.messageBox, error);
    }
}

bool frmMain::offerRecovery()
{
    const std::optional<recovery::SnapshotInfo> recovered = m_recovery->offerRecovery();
    if (recovered)
        m_documents->showRecovered(*recovered);
    return recovered.has_value();
}

void frmMain::Setup()
{
    const int maximised =
        platform::toInt16(settingskeys::get(m_services.settings, settingskeys::wMax, u"0"_s));
    if (maximised == 1) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const double height = platform::screenHeightTwips() / 100.0 * 80.0;
        const double width = platform::screenWidthTwips() / 100.0 * 80.0;
        resize(platform::twipsToPixels(width), platform::twipsToPixels(height));
        platform::centreOnScreen(*this);
    }
    setMenuEnabled(Menu::Convert, false);
    item(MenuItem::Paste)
        ->setEnabled(m_services.clipboard.hasText() || m_services.clipboard.hasRichText());
}

void frmMain::Form_Resize()
{
    // Like the other steps, each placement is skipped when it cannot apply.
    const int clientWidth = m_client->width();
    Toolbar1->setGeometry(0, 0, clientWidth, Toolbar1->height());
    QRect editor = txtConvert->geometry();
    editor.moveTop(platform::twipsToPixels(360));
    const int statusHeight = statusBar()->height();
    const int clientHeight = m_client->height() + statusHeight;
    const int height = clientHeight - Toolbar1->height() - statusHeight;
    if (height >= 0)
        editor.setHeight(height);
    editor.setWidth(clientWidth);
    txtConvert->setGeometry(editor);
    rememberWindowState();
}

void frmMain::rememberWindowState()
{
    const Qt::WindowStates state = windowState();
    QString value;
    if (state & Qt::WindowMinimized)
        return; // minimising stores nothing
    if (state & Qt::WindowMaximized)
        value = u"1"_s;
    else if (!(state & Qt::WindowFullScreen))
        value = u"0"_s;
    if (value.isEmpty() || value == m_lastWMax)
        return;
    try {
        settingskeys::save(m_services.settings, settingskeys::wMax, value);
        m_lastWMax = value;
    } catch (const platform::Error&) {
        // The resize handler reports nothing.
    }
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        rememberWindowState();
}

bool frmMain::Form_QueryUnload()
{
    // The close request offers only Yes and No; a save after Yes that did not
    // write the document keeps the window open.
    return m_documents->offerToSave(platform::MsgButtons::YesNo);
}

void frmMain::Form_Unload()
{
    m_unloading = true;
    m_speech->unload();
    m_state.releaseVoice();
    unloadDialogs();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isWindow() && window->isVisible() &&
            !(window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip))
            window->close();
    }
}

bool frmMain::commitSession(bool interactionAllowed)
{
    // A file being opened is dropped: the open document is what the session keeps.
    m_documents->cancelReading();
    if (!interactionAllowed) {
        m_recovery->keepForEnd();
        return true;
    }
    if (!Form_QueryUnload())
        return false; // Yes, and the document was not written: stay
    m_sessionAnswered = true;
    return true;
}

void frmMain::endSession()
{
    m_documents->cancelReading();
    m_recovery->keepForEnd();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Closing while a file is read: the reading stops, the question is the usual one.
    m_documents->cancelReading();
    // At the session's end the question was asked already, or the changes
    // were kept as a recovery snapshot.
    const bool asked = m_sessionAnswered || m_recovery->keptForEnd();
    if (!m_unloading && !asked && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    if (!m_unloading)
        Form_Unload();
    event->accept();
}

void frmMain::mnuExit_Click()
{
    close();
}

// ---- the toolbar ---------------------------------------------------------------

void frmMain::Toolbar1_ButtonClick(ToolButton button)
{
    switch (button) {
    case ToolButton::New:
        m_documents->newFile();
        break;
    case ToolButton::Open:
        m_documents->openFile();
        break;
    case ToolButton::Save:
        m_documents->saveFile();
        break;
    case ToolButton::Print:
        m_editing->mnuPrint_Click();
        break;
    case ToolButton::Speech:
        m_speech->speechButton_Click();
        break;
    case ToolButton::PlayPause:
        m_speech->PlayPause();
        break;
    case ToolButton::Stop:
        m_speech->StopText();
        break;
    case ToolButton::Prop:
        mnuPrefs_Click();
        break;
    case ToolButton::Bold:
        m_formatting->toggleBold();
        break;
    case ToolButton::Italic:
        m_formatting->toggleItalic();
        break;
    case ToolButton::Underline:
        m_formatting->toggleUnderline();
        break;
    case ToolButton::Colour:
        m_formatting->setColour();
        break;
    case ToolButton::Left:
        m_formatting->align(platform::RichTextBox::rtfLeft);
        break;
    case ToolButton::Centre:
        m_formatting->align(platform::RichTextBox::rtfCenter);
        break;
    case ToolButton::Right:
        m_formatting->align(platform::RichTextBox::rtfRight);
        break;
    case ToolButton::About:
        // The button shows "Help": it opens the help contents, not the About box.
        m_editing->mnuContents_Click();
        break;
    }
}

// ---- the dialogs -------------------------------------------------------------------

void frmMain::showModal(QDialog& dialog)
{
    dialog.exec();
    // Every way of closing a dialog unloads it; the next opening loads it afresh.
    if (&dialog == m_frmOptions.data())
        m_frmOptions.clear();
    if (&dialog == m_frmFind.data())
        m_frmFind.clear();
    if (&dialog == m_frmAbout.data())
        m_frmAbout.clear();
    dialog.hide();
    dialog.deleteLater();
}

void frmMain::unloadDialogs()
{
    for (QDialog* dialog :
         {static_cast<QDialog*>(m_frmOptions.data()), static_cast<QDialog*>(m_frmFind.data()),
          static_cast<QDialog*>(m_frmAbout.data())}) {
        if (dialog) {
            dialog->hide();
            dialog->deleteLater();
        }
    }
    m_frmOptions.clear();
    m_frmFind.clear();
    m_frmAbout.clear();
}

void frmMain::mnuPrefs_Click()
{
    showModal(Options());
}

void frmMain::mnuFind_Click()
{
    showModal(Find());
}

void frmMain::mnuAbout_Click()
{
    showModal(About());
}

frmFind& frmMain::Find()
{
    if (!m_frmFind)
        m_frmFind = new frmFind(*txtConvert, m_state, m_services.messageBox, this);
    return *m_frmFind;
}

frmAbout& frmMain::About()
{
    if (!m_frmAbout)
        m_frmAbout = new frmAbout(m_services, this);
    return *m_frmAbout;
}

frmOptions& frmMain::Options()
{
    if (!m_frmOptions)
        m_frmOptions = new frmOptions(m_services, m_state, this);
    return *m_frmOptions;
}

// ---- what the subsystems ask of the window --------------------------------------------

void frmMain::setFormatPanel(const QString& text)
{
    statusPanel[0]->setText(text);
}

int frmMain::chosenVoiceIndex()
{
    return Options().chosenVoiceIndex();
}

void frmMain::showSpeed(int speed)
{
    if (m_frmOptions)
        m_frmOptions->showSpeed(speed);
}

void frmMain::clear()
{
    m_formatting->clear();
    // The changes are dropped with the document.
    m_recovery->settled();
}

void frmMain::documentSaved()
{
    m_recovery->settled();
}

void frmMain::documentOpened()
{
    m_speech->documentOpened();
}

void frmMain::setStatusText(const QString& text)
{
    if (!text.isEmpty()) {
        statusPanel[1]->setText(text);
        return;
    }
    // Back to what the reading session says.
    if (m_speech->strPlayState == u"playing"_s)
        showPaused(false);
    else if (m_speech->strPlayState == u"paused"_s)
        showPaused(true);
    else
        statusPanel[1]->setText(u"Ready"_s);
}

void frmMain::findFont()
{
    m_formatting->findFont();
}

void frmMain::refreshSelection()
{
    m_formatting->refreshSelection();
}

// ---- keyboard ----------------------------------------------------------------

void frmMain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        guarded(m_services.messageBox, [this] { m_editing->showHelp(); });
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock)
            refreshKeyPanels();
        break;
    }
    case QEvent::ApplicationActivate:
        refreshKeyPanels();
        break;
    case QEvent::MouseButtonDblClick:
        // While reading, a double click moves the reading to its sentence.
        if (watched == txtConvert->viewport() && m_speech->isSpeaking()) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            guarded(m_services.messageBox,
                    [this, at] { m_speech->jumpTo(txtConvert->cursorForPosition(at).position()); });
            return true;
        }
        break;
    case QEvent::ShortcutOverride: {
        // The Edit menu's enabled shortcuts (Ctrl+X, Ctrl+C...) come before
        // the editor's own, so that they cut and copy plain text.
        const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
        if (watched == txtConvert) {
            // The locked editor must not take a reading key as a cursor move.
            for (const QAction* key : std::as_const(m_readingKeys)) {
                if (key->isEnabled() && key->shortcut() == keys)
                    return true;
            }
            for (const QAction* action : menu(Menu::Edit)->actions()) {
                if (action->isEnabled() && !action->shortcut().isEmpty() &&
                    action->shortcut() == keys)
                    return true;
            }
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
