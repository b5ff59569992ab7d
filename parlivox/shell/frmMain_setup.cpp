// The main window's composition: images, menus, toolbar, status bar, and the
// one table of what a reading session turns on and off.
#include "parlivox/common/commands.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/common/logic/settingskeys.h"
#include "parlivox/formatting/formatting.h"
#include "parlivox/shell/documents.h"
#include "parlivox/shell/editing.h"
#include "parlivox/shell/frmMain.h"
#include "parlivox/speech/audioexport.h"
#include "parlivox/speech/session.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/keyboard.h"
#include "platform/ui/screen.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

/// A toolbar button: its key (the action's name), tip and image key.
struct ButtonSpec {
    ToolButton button;
    const char16_t* key;
    const char16_t* tooltip;
    const char16_t* image;
};

const ButtonSpec fileButtons[] = {
    {ToolButton::New, u"new", u"New", u"icoNew"},
    {ToolButton::Open, u"open", u"Open File", u"icoOpen"},
    {ToolButton::Save, u"save", u"Save File", u"icoSave"},
    {ToolButton::Print, u"print", u"Print file", u"icoPrint"},
};
const ButtonSpec speechButtons[] = {
    {ToolButton::Speech, u"speech", u"Convert To Speech", u"icoSpeech"},
    {ToolButton::PlayPause, u"playpause", u"Pause Speech (Ctrl+Space)", u"pause"},
    {ToolButton::Stop, u"stop", u"Stop speech (Esc)", u"icoStop"},
};
const ButtonSpec fontButtons[] = {
    {ToolButton::Bold, u"fntBold", u"Bold", u"fntBold"},
    {ToolButton::Italic, u"fntItalic", u"Italic", u"fntItalic"},
    {ToolButton::Underline, u"fntUnderline", u"Underline", u"fntUnderline"},
    {ToolButton::Colour, u"fntColour", u"Colour", u"fntColour"},
};
const ButtonSpec alignButtons[] = {
    {ToolButton::Left, u"fntLeft", u"Left Justify", u"fntLeft"},
    {ToolButton::Centre, u"fntCentre", u"Centre Justify", u"fntCentre"},
    {ToolButton::Right, u"fntRight", u"Right Justify", u"fntRight"},
};

/// The buttons a reading session turns on (true) or off (false); idle is the
/// opposite. Print keeps its state: a document may be printed while it is read.
const std::pair<ToolButton, bool> whileSpeaking[] = {
    {ToolButton::Speech, false}, {ToolButton::Stop, true},       {ToolButton::New, false},
    {ToolButton::Open, false},   {ToolButton::Save, false},      {ToolButton::PlayPause, true},
    {ToolButton::Prop, false},   {ToolButton::About, false},     {ToolButton::Bold, false},
    {ToolButton::Italic, false}, {ToolButton::Underline, false}, {ToolButton::Left, false},
    {ToolButton::Centre, false}, {ToolButton::Right, false},     {ToolButton::Colour, false},
};
/// Every menu is off while speaking.
constexpr Menu allMenus[] = {Menu::Convert, Menu::File, Menu::Edit, Menu::Help, Menu::Macros};

const QString textInProgress = u"Text-to-speech conversion in progress..."_s;
/// The pause button's tips name the key that does the same while reading.
const QString pauseTip = u"Pause Speech (Ctrl+Space)"_s;
const QString resumeTip = u"Resume Speech (Ctrl+Space)"_s;

QAction* addItem(QMenu* menu, const QString& name, const QString& caption,
                 const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

} // namespace

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

void frmMain::onTriggered(QAction* action, std::function<void()> command)
{
    connectGuarded(action, &QAction::triggered, this, m_services.messageBox, std::move(command));
}

void frmMain::setupFileActions()
{
    QMenu* mnuFile = menuBar()->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    m_menus.insert(Menu::File, mnuFile);
    onTriggered(addItem(mnuFile, u"mnuNew"_s, u"&New"_s, QKeySequence(Qt::CTRL | Qt::Key_N)),
                [this] { m_documents->newFile(); });
    onTriggered(addItem(mnuFile, u"mnuOpen"_s, u"&Open..."_s, QKeySequence(Qt::CTRL | Qt::Key_O)),
                [this] { m_documents->openFile(); });
    onTriggered(addItem(mnuFile, u"mnuSave"_s, u"&Save"_s, QKeySequence(Qt::CTRL | Qt::Key_S)),
                [this] { m_documents->saveFile(); });
    onTriggered(addItem(mnuFile, u"mnuSaveAs"_s, u"Save &As..."_s),
                [this] { m_documents->saveFileAs(); });
    mnuFile->addSeparator();
    onTriggered(addItem(mnuFile, u"mnuPrint"_s, u"&Print..."_s),
                [this] { m_editing->mnuPrint_Click(); });
    mnuFile->addSeparator();
    onTriggered(addItem(mnuFile, u"mnuPrefs"_s, u"P&references..."_s),
                [this] { mnuPrefs_Click(); });
    mnuFile->addSeparator();
    onTriggered(addItem(mnuFile, u"mnuExit"_s, u"E&xit"_s), [this] { mnuExit_Click(); });
}

void frmMain::setupEditActions()
{
    QMenu* mnuEdit = menuBar()->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    m_menus.insert(Menu::Edit, mnuEdit);
    const auto add = [&](MenuItem item, const QString& name, const QString& caption,
                         const QKeySequence& shortcut, std::function<void()> command) {
        QAction* action = addItem(mnuEdit, name, caption, shortcut);
        m_items.insert(item, action);
        onTriggered(action, std::move(command));
    };
    add(MenuItem::Cut, u"mnuCut"_s, u"C&ut"_s, QKeySequence(Qt::CTRL | Qt::Key_X),
        [this] { m_editing->mnuCut_Click(); });
    add(MenuItem::Copy, u"mnuCopy"_s, u"&Copy"_s, QKeySequence(Qt::CTRL | Qt::Key_C),
        [this] { m_editing->mnuCopy_Click(); });
    // Ctrl+P pastes here; Print has no shortcut.
    add(MenuItem::Paste, u"mnuPaste"_s, u"&Paste"_s, QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { m_editing->mnuPaste_Click(); });
    add(MenuItem::Find, u"mnuFind"_s, u"&Find..."_s, QKeySequence(Qt::CTRL | Qt::Key_F),
        [this] { mnuFind_Click(); });
    mnuEdit->addSeparator();
    add(MenuItem::ClearClip, u"mnuClearClip"_s, u"Clea&r Clipboard"_s, {},
        [this] { m_editing->mnuClearClip_Click(); });
    mnuEdit->addSeparator();
    add(MenuItem::SelectAll, u"mnuSelectAll"_s, u"Select &All"_s,
        QKeySequence(Qt::CTRL | Qt::Key_A), [this] { m_editing->mnuSelectAll_Click(); });
    for (MenuItem off : {MenuItem::Cut, MenuItem::Copy, MenuItem::SelectAll})
        item(off)->setEnabled(false);
    connectGuarded(mnuEdit, &QMenu::aboutToShow, this, m_services.messageBox,
                   [this] { m_editing->mnuEdit_Click(); });
}

void frmMain::setupMacroActions()
{
    QMenu* mnuMacroS = menuBar()->addMenu(u"&Macros"_s);
    mnuMacroS->setObjectName(u"mnuMacroS"_s);
    m_menus.insert(Menu::Macros, mnuMacroS);
    onTriggered(addItem(mnuMacroS, u"mnuMacroTime"_s, u"Insert &Time macro"_s),
                [this] { m_editing->mnuMacroTime_Click(); });
    onTriggered(addItem(mnuMacroS, u"mnuMacroDate"_s, u"Insert &Date macro"_s),
                [this] { m_editing->mnuMacroDate_Click(); });
    mnuMacroS->addSeparator();
    mnuMacroSymbols = mnuMacroS->addMenu(u"Symbols..."_s);
    mnuMacroSymbols->setObjectName(u"mnuMacroSymbols"_s);
    onTriggered(addItem(mnuMacroSymbols, u"mnuMacroCopyright"_s, u"&Copyright (©)"_s),
                [this] { m_editing->mnuMacroCopyright_Click(); });
    onTriggered(addItem(mnuMacroSymbols, u"mnuMacroRegTM"_s, u"&Registered trademark (®)"_s),
                [this] { m_editing->mnuMacroRegTM_Click(); });
}

void frmMain::setupConvertActions()
{
    QMenu* mnuConvert = menuBar()->addMenu(u"&Convert"_s);
    mnuConvert->setObjectName(u"mnuConvert"_s);
    m_menus.insert(Menu::Convert, mnuConvert);
    onTriggered(
        addItem(mnuConvert, u"mnuConvertAll"_s, u"Convert &All Text"_s, QKeySequence(Qt::Key_F5)),
        [this] { m_speech->mnuConvertAll_Click(); });
    QAction* mnuConvertSel =
        addItem(mnuConvert, u"mnuConvertSel"_s, u"Convert &Selection"_s, QKeySequence(Qt::Key_F6));
    m_items.insert(MenuItem::ConvertSel, mnuConvertSel);
    onTriggered(mnuConvertSel, [this] { m_speech->mnuConvertSel_Click(); });
    onTriggered(addItem(mnuConvert, u"mnuConvertCursor"_s, u"Convert from &Cursor"_s,
                        QKeySequence(Qt::SHIFT | Qt::Key_F5)),
                [this] { m_speech->mnuConvertCursor_Click(); });
    mnuConvert->addSeparator();
    // In the Convert menu, it is off with it: for an empty document and while speaking.
    onTriggered(addItem(mnuConvert, u"mnuConvertFile"_s, u"Convert to Audio &File..."_s,
                        QKeySequence(Qt::CTRL | Qt::Key_F5)),
                [this] { m_audioExport->mnuConvertFile_Click(); });
    QAction* mnuFollow = addItem(mnuConvert, u"mnuFollow"_s, u"&Follow the Reading"_s);
    mnuFollow->setCheckable(true);
    mnuFollow->setChecked(settingskeys::get(m_services.settings, settingskeys::Follow, u"0"_s) ==
                          u"1"_s);
    onTriggered(mnuFollow, [this, mnuFollow] {
        settingskeys::save(m_services.settings, settingskeys::Follow,
                           mnuFollow->isChecked() ? u"1"_s : u"0"_s);
    });
    setupReadingKeys();
}

void frmMain::setupReadingKeys()
{
    // Keys of the window that steer a reading, on only while a session
    // speaks (the menus are off then); none is a key of a command.
    const auto addReadingKey = [this](const QString& name, const QKeySequence& key,
                                      std::function<void()> command) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(false);
        addAction(action);
        onTriggered(action, std::move(command));
        m_readingKeys.append(action);
    };
    addReadingKey(u"actSentenceBack"_s, QKeySequence(Qt::CTRL | Qt::Key_Left),
                  [this] { m_speech->skipSentence(-1); });
    addReadingKey(u"actSentenceForward"_s, QKeySequence(Qt::CTRL | Qt::Key_Right),
                  [this] { m_speech->skipSentence(1); });
    addReadingKey(u"actPauseResume"_s, QKeySequence(Qt::CTRL | Qt::Key_Space),
                  [this] { m_speech->PlayPause(); });
    addReadingKey(u"actStopReading"_s, QKeySequence(Qt::Key_Escape),
                  [this] { m_speech->StopText(); });
    addReadingKey(u"actSlower"_s, QKeySequence(Qt::CTRL | Qt::Key_Down),
                  [this] { m_speech->changeSpeed(-1); });
    addReadingKey(u"actFaster"_s, QKeySequence(Qt::CTRL | Qt::Key_Up),
                  [this] { m_speech->changeSpeed(1); });
    addReadingKey(u"actBackToReading"_s, QKeySequence(Qt::CTRL | Qt::Key_J),
                  [this] { m_speech->backToReading(); });
}

void frmMain::setupHelpActions()
{
    QMenu* mnuHelp = menuBar()->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    m_menus.insert(Menu::Help, mnuHelp);
    onTriggered(addItem(mnuHelp, u"mnuContents"_s, u"Contents..."_s),
                [this] { m_editing->mnuContents_Click(); });
    mnuHelp->addSeparator();
    onTriggered(addItem(mnuHelp, u"mnuUpdates"_s, u"Check for Updates..."_s),
                [this] { m_editing->mnuUpdates_Click(); });
    mnuHelp->addSeparator();
    onTriggered(addItem(mnuHelp, u"mnuAbout"_s, u"&About Parlivox..."_s),
                [this] { mnuAbout_Click(); });
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

    const auto addButtons = [this](const auto& specs) {
        for (const ButtonSpec& spec : specs) {
            const QString key = QString::fromUtf16(spec.key);
            QAction* action = Toolbar1->addAction(SMicons.value(QString::fromUtf16(spec.image)),
                                                  QString::fromUtf16(spec.tooltip));
            action->setObjectName(key);
            action->setData(key);
            action->setToolTip(QString::fromUtf16(spec.tooltip));
            m_buttons.insert(spec.button, action);
            const ToolButton button = spec.button;
            onTriggered(action, [this, button] { Toolbar1_ButtonClick(button); });
        }
    };
    addButtons(fileButtons);
    Toolbar1->addSeparator();
    addButtons(speechButtons);
    for (ToolButton off : {ToolButton::Speech, ToolButton::PlayPause, ToolButton::Stop})
        button(off)->setEnabled(false);
    Toolbar1->addSeparator();
    addButtons(std::array{ButtonSpec{ToolButton::Prop, u"prop", u"Settings", u"icoSettings"}});
    Toolbar1->addSeparator();

    // Two placeholders hold the font lists.
    const int comboHeight = platform::twipsToPixels(360) - 2;
    const auto placeholder = [&](int widthTwips, const QString& name, const QString& tooltip) {
        auto* holder = new QWidget(Toolbar1);
        holder->setFixedSize(platform::twipsToPixels(widthTwips), comboHeight);
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 4, 0);
        auto* combo = new QComboBox(holder);
        combo->setObjectName(name);
        combo->setToolTip(tooltip);
        combo->setEditable(false);
        combo->setFixedHeight(comboHeight);
        combo->setFocusPolicy(Qt::ClickFocus);
        layout->addWidget(combo);
        Toolbar1->addWidget(holder);
        return combo;
    };
    cmbFont = placeholder(3200, u"cmbFont"_s, u"Font"_s);
    cmbFontSize = placeholder(1050, u"cmbFontSize"_s, u"Font Size"_s);

    addButtons(fontButtons);
    Toolbar1->addSeparator();
    addButtons(alignButtons);
    Toolbar1->addSeparator();
    addButtons(std::array{ButtonSpec{ToolButton::About, u"about", u"Help", u"icoHelp"}});
}

void frmMain::setupStatusBar()
{
    QStatusBar* status = statusBar();
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
    for (std::size_t i = 0; i < statusPanel.size(); ++i) {
        auto* panel = new QLabel(QString::fromUtf16(panels[i].text), status);
        panel->setObjectName(QString::fromUtf16(panels[i].name));
        panel->setToolTip(QString::fromUtf16(panels[i].tooltip));
        panel->setTextFormat(Qt::PlainText); // names files, quotes failures: as written
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

// ---- the controls' states ---------------------------------------------------------

QAction* frmMain::button(ToolButton which) const
{
    return m_buttons.value(which);
}

QMenu* frmMain::menu(Menu which) const
{
    return m_menus.value(which);
}

QAction* frmMain::item(MenuItem which) const
{
    return m_items.value(which);
}

void frmMain::setButtonEnabled(ToolButton which, bool enabled)
{
    button(which)->setEnabled(enabled);
}

void frmMain::setItemEnabled(MenuItem which, bool enabled)
{
    item(which)->setEnabled(enabled);
}

void frmMain::setMenuEnabled(Menu which, bool enabled)
{
    ::setMenuEnabled(*menu(which), enabled);
}

void frmMain::showSpeaking(bool busy)
{
    txtConvert->setMousePointer(busy ? platform::RichTextBox::rtfArrowHourglass
                                     : platform::RichTextBox::rtfDefault);
    for (const auto& [which, onWhileSpeaking] : whileSpeaking)
        button(which)->setEnabled(busy == onWhileSpeaking);
    if (!busy) {
        button(ToolButton::PlayPause)->setIcon(SMicons.value(u"pause"_s));
        button(ToolButton::PlayPause)->setToolTip(pauseTip);
    }
    cmbFont->setEnabled(!busy);
    cmbFontSize->setEnabled(!busy);
    statusPanel[1]->setText(busy ? textInProgress : u"Ready"_s);
    for (Menu which : allMenus)
        setMenuEnabled(which, !busy);
    txtConvert->setLocked(busy);
    for (QAction* key : std::as_const(m_readingKeys))
        key->setEnabled(busy);
}

void frmMain::showPaused(bool paused)
{
    QAction* playPause = button(ToolButton::PlayPause);
    playPause->setIcon(SMicons.value(paused ? u"play"_s : u"pause"_s));
    playPause->setToolTip(paused ? resumeTip : pauseTip);
    statusPanel[1]->setText(paused ? u"Speech Paused..."_s : textInProgress);
}

void frmMain::refreshKeyPanels()
{
    statusPanel[2]->setEnabled(m_services.keyboard.capsLock());
    statusPanel[3]->setEnabled(m_services.keyboard.numLock());
}
