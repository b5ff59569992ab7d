#include "parlivox/shell/frmMain.h"

#include "parlivox/about/frmAbout.h"
#include "parlivox/common/services.h"
#include "parlivox/formatting/frmFind.h"
#include "parlivox/shell/appstate.h"
#include "parlivox/shell/settingskeys.h"
#include "parlivox/speech/frmOptions.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/keyboard.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/richtextbox.h"
#include "platform/ui/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {
constexpr const char* savedShortcutProperty = "parlivoxShortcut";
}

frmMain::frmMain(EditorServices& platform, AppState& state, QString commandLine, QWidget* parent)
    : QMainWindow(parent), m_platform(platform), m_state(state),
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
    connect(txtConvert, &platform::RichTextBox::Change, this,
            [this] { guarded([this] { txtConvert_Change(); }); });
    for (auto notification : {&platform::RichTextBox::Click, &platform::RichTextBox::KeyUp,
                              &platform::RichTextBox::MouseUp})
        connect(txtConvert, notification, this,
                [this] { guarded([this] { refreshSelection(); }); });

    setupStatusBar();

    tmrSpk = new QTimer(this);
    tmrSpk->setObjectName(u"tmrSpk"_s);
    tmrSpk->setInterval(1);
    connect(tmrSpk, &QTimer::timeout, this, [this] { guarded([this] { tmrSpk_Timer(); }); });

    qApp->installEventFilter(this);
    txtConvert->setFocus();
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
}

// ---- composition -----------------------------------------------------------

void frmMain::loadIcons()
{
    // Image key, then the freedesktop theme name that stands for it.
    static const std::pair<const char16_t*, const char*> images[] = {
        {u"icoNew", "document-new"},
        {u"icoOpen", "document-open"},
        {u"icoSave", "document-save"},
        {u"icoPrint", "document-print"},
        {u"icoSpeech", "audio-volume-high"},
        {u"icoStop", "media-playback-stop"},
        {u"icoSettings", "preferences-system"},
        {u"icoFont", "preferences-desktop-font"},
        {u"icoHelp", "help-contents"},
        {u"fntBold", "format-text-bold"},
        {u"fntItalic", "format-text-italic"},
        {u"fntUnderline", "format-text-underline"},
        {u"fntLeft", "format-justify-left"},
        {u"fntCentre", "format-justify-center"},
        {u"fntRight", "format-justify-right"},
        {u"fntColour", "format-text-color"},
        {u"play", "media-playback-start"},
        {u"pause", "media-playback-pause"},
    };
    for (const auto& [key, theme] : images) {
        const QString name = QString::fromUtf16(key);
        SMicons.insert(name, QIcon::fromTheme(QString::fromLatin1(theme),
                                              QIcon(u":/icons/"_s + name + u".svg"_s)));
    }
}

namespace {
QAction* addItem(QMenu* menu, const QString& name, const QString& caption,
                 const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}
} // namespace

void frmMain::setupFileActions()
{
    mnuFile = menuBar()->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuNew = addItem(mnuFile, u"mnuNew"_s, u"&New"_s, QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen = addItem(mnuFile, u"mnuOpen"_s, u"&Open..."_s, QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave = addItem(mnuFile, u"mnuSave"_s, u"&Save"_s, QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuSaveAs = addItem(mnuFile, u"mnuSaveAs"_s, u"Save &As..."_s);
    mnuFile->addSeparator();
    mnuPrint = addItem(mnuFile, u"mnuPrint"_s, u"&Print..."_s);
    mnuFile->addSeparator();
    mnuPrefs = addItem(mnuFile, u"mnuPrefs"_s, u"P&references..."_s);
    mnuFile->addSeparator();
    mnuExit = addItem(mnuFile, u"mnuExit"_s, u"E&xit"_s);

    connect(mnuNew, &QAction::triggered, this, [this] { guarded([this] { newFile(); }); });
    connect(mnuOpen, &QAction::triggered, this, [this] { guarded([this] { openFile(); }); });
    connect(mnuSave, &QAction::triggered, this, [this] { guarded([this] { saveFile(); }); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { guarded([this] { saveFileAs(); }); });
    connect(mnuPrint, &QAction::triggered, this, [this] { guarded([this] { mnuPrint_Click(); }); });
    connect(mnuPrefs, &QAction::triggered, this, [this] { guarded([this] { mnuPrefs_Click(); }); });
    connect(mnuExit, &QAction::triggered, this, [this] { guarded([this] { mnuExit_Click(); }); });
}

void frmMain::setupEditActions()
{
    mnuEdit = menuBar()->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    mnuCut = addItem(mnuEdit, u"mnuCut"_s, u"C&ut"_s, QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuCopy = addItem(mnuEdit, u"mnuCopy"_s, u"&Copy"_s, QKeySequence(Qt::CTRL | Qt::Key_C));
    // Ctrl+P pastes here; Print has no shortcut.
    mnuPaste = addItem(mnuEdit, u"mnuPaste"_s, u"&Paste"_s, QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuFind = addItem(mnuEdit, u"mnuFind"_s, u"&Find..."_s, QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuEdit->addSeparator();
    mnuClearClip = addItem(mnuEdit, u"mnuClearClip"_s, u"Clea&r Clipboard"_s);
    mnuEdit->addSeparator();
    mnuSelectAll =
        addItem(mnuEdit, u"mnuSelectAll"_s, u"Select &All"_s, QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuCut->setEnabled(false);
    mnuCopy->setEnabled(false);
    mnuSelectAll->setEnabled(false);

    connect(mnuEdit, &QMenu::aboutToShow, this, [this] { guarded([this] { mnuEdit_Click(); }); });
    connect(mnuCut, &QAction::triggered, this, [this] { guarded([this] { mnuCut_Click(); }); });
    connect(mnuCopy, &QAction::triggered, this, [this] { guarded([this] { mnuCopy_Click(); }); });
    connect(mnuPaste, &QAction::triggered, this, [this] { guarded([this] { mnuPaste_Click(); }); });
    connect(mnuFind, &QAction::triggered, this, [this] { guarded([this] { mnuFind_Click(); }); });
    connect(mnuClearClip, &QAction::triggered, this,
            [this] { guarded([this] { mnuClearClip_Click(); }); });
    connect(mnuSelectAll, &QAction::triggered, this,
            [this] { guarded([this] { mnuSelectAll_Click(); }); });
}

void frmMain::setupMacroActions()
{
    mnuMacroS = menuBar()->addMenu(u"&Macros"_s);
    mnuMacroS->setObjectName(u"mnuMacroS"_s);
    mnuMacroTime = addItem(mnuMacroS, u"mnuMacroTime"_s, u"Insert &Time macro"_s);
    mnuMacroDate = addItem(mnuMacroS, u"mnuMacroDate"_s, u"Insert &Date macro"_s);
    mnuMacroS->addSeparator();
    mnuMacroSymbols = mnuMacroS->addMenu(u"Symbols..."_s);
    mnuMacroSymbols->setObjectName(u"mnuMacroSymbols"_s);
    mnuMacroCopyright = addItem(mnuMacroSymbols, u"mnuMacroCopyright"_s, u"&Copyright (©)"_s);
    mnuMacroRegTM = addItem(mnuMacroSymbols, u"mnuMacroRegTM"_s, u"&Registered trademark (®)"_s);

    connect(mnuMacroTime, &QAction::triggered, this,
            [this] { guarded([this] { mnuMacroTime_Click(); }); });
    connect(mnuMacroDate, &QAction::triggered, this,
            [this] { guarded([this] { mnuMacroDate_Click(); }); });
    connect(mnuMacroCopyright, &QAction::triggered, this,
            [this] { guarded([this] { mnuMacroCopyright_Click(); }); });
    connect(mnuMacroRegTM, &QAction::triggered, this,
            [this] { guarded([this] { mnuMacroRegTM_Click(); }); });
}

void frmMain::setupConvertActions()
{
    mnuConvert = menuBar()->addMenu(u"&Convert"_s);
    mnuConvert->setObjectName(u"mnuConvert"_s);
    mnuConvertAll =
        addItem(mnuConvert, u"mnuConvertAll"_s, u"Convert &All Text"_s, QKeySequence(Qt::Key_F5));
    mnuConvertSel =
        addItem(mnuConvert, u"mnuConvertSel"_s, u"Convert &Selection"_s, QKeySequence(Qt::Key_F6));

    connect(mnuConvertAll, &QAction::triggered, this,
            [this] { guarded([this] { mnuConvertAll_Click(); }); });
    connect(mnuConvertSel, &QAction::triggered, this,
            [this] { guarded([this] { mnuConvertSel_Click(); }); });
}

void frmMain::setupHelpActions()
{
    mnuHelp = menuBar()->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuContents = addItem(mnuHelp, u"mnuContents"_s, u"Contents..."_s);
    mnuHelp->addSeparator();
    mnuUpdates = addItem(mnuHelp, u"mnuUpdates"_s, u"Check for Updates..."_s);
    mnuHelp->addSeparator();
    mnuAbout = addItem(mnuHelp, u"mnuAbout"_s, u"&About Parlivox..."_s);

    connect(mnuContents, &QAction::triggered, this,
            [this] { guarded([this] { mnuContents_Click(); }); });
    connect(mnuUpdates, &QAction::triggered, this,
            [this] { guarded([this] { mnuUpdates_Click(); }); });
    connect(mnuAbout, &QAction::triggered, this, [this] { guarded([this] { mnuAbout_Click(); }); });
}

QAction* frmMain::addButton(const QString& key, const QString& tooltip, const QString& image,
                            bool enabled)
{
    QAction* action = Toolbar1->addAction(SMicons.value(image), tooltip);
    action->setObjectName(key);
    action->setData(key);
    action->setToolTip(tooltip);
    action->setEnabled(enabled);
    m_buttons.insert(key, action);
    connect(action, &QAction::triggered, this,
            [this, key] { guarded([this, key] { Toolbar1_ButtonClick(key); }); });
    return action;
}

void frmMain::setupToolbar()
{
    Toolbar1 = new QToolBar(m_client);
    Toolbar1->setObjectName(u"Toolbar1"_s);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    Toolbar1->setFixedHeight(platform::twipsToPixels(360));
    // At 24 pixels the default margins would shrink the 16-pixel images.
    Toolbar1->layout()->setContentsMargins(0, 0, 0, 0);
    Toolbar1->setContextMenuPolicy(Qt::PreventContextMenu);

    addButton(u"new"_s, u"New"_s, u"icoNew"_s, true);
    addButton(u"open"_s, u"Open File"_s, u"icoOpen"_s, true);
    addButton(u"save"_s, u"Save File"_s, u"icoSave"_s, true);
    addButton(u"print"_s, u"Print file"_s, u"icoPrint"_s, true);
    Toolbar1->addSeparator();
    addButton(u"speech"_s, u"Convert To Speech"_s, u"icoSpeech"_s, false);
    addButton(u"playpause"_s, u"Pause Speech"_s, u"pause"_s, false);
    addButton(u"stop"_s, u"Stop speech"_s, u"icoStop"_s, false);
    Toolbar1->addSeparator();
    addButton(u"prop"_s, u"Settings"_s, u"icoSettings"_s, true);
    Toolbar1->addSeparator();

    // Two placeholders hold the font boxes.
    const int comboHeight = platform::twipsToPixels(360) - 2;
    const auto placeholder = [&](int widthTwips, QComboBox*& combo, const QString& name) {
        auto* holder = new QWidget(Toolbar1);
        holder->setFixedSize(platform::twipsToPixels(widthTwips), comboHeight);
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 4, 0);
        combo = new QComboBox(holder);
        combo->setObjectName(name);
        combo->setEditable(false);
        combo->setFixedHeight(comboHeight);
        combo->setFocusPolicy(Qt::ClickFocus);
        layout->addWidget(combo);
        Toolbar1->addWidget(holder);
    };
    placeholder(3200, cmbFont, u"cmbFont"_s);
    placeholder(1050, cmbFontSize, u"cmbFontSize"_s);
    cmbFont->setToolTip(u"Font"_s);
    cmbFontSize->setToolTip(u"Font Size"_s);
    // A pick by the user and a selection set by code both run the click handler.
    connect(cmbFont, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cmbFont_Click(); }); });
    connect(cmbFont, &QComboBox::activated, this, [this] { guarded([this] { cmbFont_Click(); }); });
    connect(cmbFontSize, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cmbFontSize_Click(); }); });
    connect(cmbFontSize, &QComboBox::activated, this,
            [this] { guarded([this] { cmbFontSize_Click(); }); });

    addButton(u"fntBold"_s, u"Bold"_s, u"fntBold"_s, true);
    addButton(u"fntItalic"_s, u"Italic"_s, u"fntItalic"_s, true);
    addButton(u"fntUnderline"_s, u"Underline"_s, u"fntUnderline"_s, true);
    addButton(u"fntColour"_s, u"Colour"_s, u"fntColour"_s, true);
    Toolbar1->addSeparator();
    addButton(u"fntLeft"_s, u"Left Justify"_s, u"fntLeft"_s, true);
    addButton(u"fntCentre"_s, u"Centre Justify"_s, u"fntCentre"_s, true);
    addButton(u"fntRight"_s, u"Right Justify"_s, u"fntRight"_s, true);
    Toolbar1->addSeparator();
    addButton(u"about"_s, u"Help"_s, u"icoHelp"_s, true);
}

void frmMain::setupStatusBar()
{
    status = statusBar();
    status->setObjectName(u"status"_s);
    status->setSizeGripEnabled(true);
    const struct {
        const char16_t* name;
        const char16_t* text;
        const char16_t* tooltip;
    } panels[] = {
        {u"format", u"Rich Text Format", u"Document Format"},
        {u"state", u"Ready", u"Status"},
        {u"caps", u"CAPS", u"Caps Lock Status"},
        {u"num", u"NUM", u"Num Lock Status"},
    };
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(QString::fromUtf16(panels[i].text), status);
        panel->setObjectName(QString::fromUtf16(panels[i].name));
        panel->setToolTip(QString::fromUtf16(panels[i].tooltip));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        statusPanel[i] = panel;
    }
    statusPanel[0]->setMinimumWidth(140);
    status->addWidget(statusPanel[0]);
    status->addWidget(statusPanel[1], 1);
    status->addPermanentWidget(statusPanel[2]);
    status->addPermanentWidget(statusPanel[3]);
    refreshKeyPanels();
}

// ---- load, layout, close ---------------------------------------------------

void frmMain::Form_Load()
{
    try {
        Setup();
        initFonts();
        strPlayState = u"stopped"_s;
        m_state.document.strFileType = u"rtf"_s;
        if (!m_commandLine.isEmpty())
            openCommandLine(m_commandLine);
    } catch (const platform::Error& error) {
        platform::showFailureDescription(m_platform.messageBox, error);
    }
}

void frmMain::Setup()
{
    const int maximised =
        platform::toInt16(settingskeys::get(m_platform.settings, settingskeys::wMax, u"0"_s));
    if (maximised == 1) {
        setWindowState(Qt::WindowMaximized);
    } else {
        const double height = platform::screenHeightTwips() / 100.0 * 80.0;
        const double width = platform::screenWidthTwips() / 100.0 * 80.0;
        resize(platform::twipsToPixels(width), platform::twipsToPixels(height));
        platform::centreOnScreen(*this);
    }
    setMenuEnabled(mnuConvert, false);
    mnuPaste->setEnabled(m_platform.clipboard.hasText() || m_platform.clipboard.hasRichText());
}

void frmMain::Form_Resize()
{
    // Like the other steps, each placement is skipped when it cannot apply.
    const int clientWidth = m_client->width();
    Toolbar1->setGeometry(0, 0, clientWidth, Toolbar1->height());
    QRect editor = txtConvert->geometry();
    editor.moveTop(platform::twipsToPixels(360));
    const int clientHeight = m_client->height() + status->height();
    const int height = clientHeight - Toolbar1->height() - status->height();
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
        settingskeys::save(m_platform.settings, settingskeys::wMax, value);
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
    return offerToSave(platform::MsgButtons::YesNo);
}

void frmMain::Form_Unload()
{
    m_unloading = true;
    tmrSpk->stop();
    m_state.releaseVoice();
    unloadDialogs();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isWindow() && window->isVisible() &&
            !(window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip))
            window->close();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_unloading && !Form_QueryUnload()) {
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
        m_frmFind = new frmFind(*txtConvert, m_state, m_platform.messageBox, this);
    return *m_frmFind;
}

frmAbout& frmMain::About()
{
    if (!m_frmAbout)
        m_frmAbout = new frmAbout(m_platform, this);
    return *m_frmAbout;
}

frmOptions& frmMain::Options()
{
    if (!m_frmOptions)
        m_frmOptions = new frmOptions(m_platform, m_state, this);
    return *m_frmOptions;
}

// ---- menus and buttons -------------------------------------------------------

void frmMain::setMenuEnabled(QMenu* menu, bool enabled)
{
    menu->menuAction()->setEnabled(enabled);
    // A disabled menu takes its items' shortcuts with it; each item keeps its
    // own enabled state for when the menu comes back.
    const std::function<void(QMenu*)> apply = [&](QMenu* m) {
        for (QAction* action : m->actions()) {
            if (action->menu()) {
                apply(action->menu());
                continue;
            }
            if (!enabled) {
                if (!action->property(savedShortcutProperty).isValid())
                    action->setProperty(savedShortcutProperty, action->shortcut());
                action->setShortcut({});
            } else if (action->property(savedShortcutProperty).isValid()) {
                action->setShortcut(action->property(savedShortcutProperty).value<QKeySequence>());
                action->setProperty(savedShortcutProperty, QVariant());
            }
        }
    };
    apply(menu);
}

bool frmMain::isMenuEnabled(const QMenu* menu) const
{
    return menu->menuAction()->isEnabled();
}

QAction* frmMain::button(const QString& key) const
{
    return m_buttons.value(key, nullptr);
}

void frmMain::guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const platform::Error& error) {
        platform::showFailure(m_platform.messageBox, error);
    }
}

// ---- keyboard ----------------------------------------------------------------

void frmMain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        guarded([this] { showHelp(); });
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
    case QEvent::ShortcutOverride: {
        // The Edit menu's enabled shortcuts (Ctrl+X, Ctrl+C...) come before
        // the editor's own, so that they cut and copy plain text.
        const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
        if (watched == txtConvert) {
            for (const QAction* action : mnuEdit->actions()) {
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

void frmMain::refreshKeyPanels()
{
    statusPanel[2]->setEnabled(m_platform.keyboard.capsLock());
    statusPanel[3]->setEnabled(m_platform.keyboard.numLock());
}
