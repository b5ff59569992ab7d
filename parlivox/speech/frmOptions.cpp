#include "parlivox/speech/frmOptions.h"

#include "parlivox/common/commands.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "parlivox/common/logic/settingskeys.h"
#include "parlivox/speech/logic/voicelist.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/screen.h"
#include "platform/ui/waitcursor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int slowest = 0;
constexpr int fastest = 10;
constexpr int defaultSpeed = 2;

/// A stored number, or nothing when it is not a whole 16-bit number.
std::optional<int> storedNumber(platform::SettingsStore& settings, const QString& key,
                                const QString& defaultValue)
{
    try {
        return platform::toInt16(settingskeys::get(settings, key, defaultValue));
    } catch (const platform::Error&) {
        return std::nullopt;
    }
}

} // namespace

frmOptions::frmOptions(EditorServices& platform, AppState& state, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_state(state)
{
    buildControls();
    Form_Load();
}

void frmOptions::buildControls()
{
    setObjectName(u"frmOptions"_s);
    setWindowTitle(u"Options..."_s);
    // A fixed tool window with only a close box.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(platform::dialogFont());
    setFixedSize(369, 240);

    TabStrip1 = new QTabWidget(this);
    TabStrip1->setObjectName(u"TabStrip1"_s);
    TabStrip1->setGeometry(8, 8, 353, 193);
    // The tabs only choose a page; the pages are the two frames laid over them.
    TabStrip1->addTab(new QWidget(TabStrip1), u"&Voice"_s);
    TabStrip1->addTab(new QWidget(TabStrip1), u"&Misc"_s);
    TabStrip1->tabBar()->setTabData(0, u"optVoice"_s);
    TabStrip1->tabBar()->setTabData(1, u"optMisc"_s);

    for (int i = 0; i < 2; ++i) {
        Frame1[i] = new QFrame(this);
        Frame1[i]->setObjectName(u"Frame1_"_s + QString::number(i));
        Frame1[i]->setGeometry(16, 32, 337, 161);
        Frame1[i]->setFrameShape(QFrame::NoFrame);
        Frame1[i]->raise();
    }

    QFrame* voicePage = Frame1[0];
    lblVoice = new QLabel(u"Select Voice:"_s, voicePage);
    lblVoice->setObjectName(u"lblVoice"_s);
    lblVoice->move(8, 16);
    lblVoice->resize(64, 21);
    lstVoice = new QComboBox(voicePage);
    lstVoice->setObjectName(u"lstVoice"_s);
    lstVoice->setGeometry(72, 16, 257, 21);
    lstVoice->setEditable(false);
    lblVoice->setBuddy(lstVoice);

    lblInfo1 = new QLabel(u"This adjusts the speed of the voice to suit your personal taste."_s,
                          voicePage);
    lblInfo1->setObjectName(u"lblInfo1"_s);
    lblInfo1->setGeometry(8, 64, 321, 22);
    lblInfo1->setWordWrap(true);

    Label1 = new QLabel(u"Slower"_s, voicePage);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(16, 96, 46, 17);
    Slider1 = new QSlider(Qt::Horizontal, voicePage);
    Slider1->setObjectName(u"Slider1"_s);
    Slider1->setGeometry(64, 88, 201, 33);
    Slider1->setRange(slowest, fastest);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(1);
    Label2 = new QLabel(u"Faster"_s, voicePage);
    Label2->setObjectName(u"Label2"_s);
    Label2->setGeometry(272, 96, 50, 17);

    cmdTest = new QPushButton(u"&Test Voice"_s, voicePage);
    cmdTest->setObjectName(u"cmdTest"_s);
    cmdTest->setGeometry(264, 136, 73, 25);

    chkReadPunctuation = new QCheckBox(u"&Read punctuation marks"_s, Frame1[1]);
    chkReadPunctuation->setObjectName(u"chkReadPunctuation"_s);
    chkReadPunctuation->move(8, 16);
    chkReadPunctuation->adjustSize();
    Frame1[1]->hide();

    cmdOK = new QPushButton(u"&OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setGeometry(8, 208, 73, 25);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(u"&Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setGeometry(88, 208, 73, 25);

    setTabOrder(lstVoice, Slider1);
    setTabOrder(Slider1, cmdTest);
    setTabOrder(cmdTest, chkReadPunctuation);
    setTabOrder(chkReadPunctuation, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(TabStrip1, &QTabWidget::currentChanged, this, [this] { TabStrip1_Click(); });
    connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Change(); });
    connectGuarded(cmdTest, &QPushButton::clicked, this, m_platform.messageBox,
                   [this] { cmdTest_Click(); });
    connectGuarded(cmdOK, &QPushButton::clicked, this, m_platform.messageBox,
                   [this] { cmdOK_Click(); });
    // Esc and the close box cancel too: QDialog rejects.
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmOptions::Form_Load()
{
    platform::SettingsStore& settings = m_platform.settings;
    // A stored value that is not a whole number shows the default; OK then
    // stores a good one.
    m_state.intSpeed = static_cast<std::int16_t>(
        storedNumber(settings, settingskeys::Speed, QString::number(defaultSpeed))
            .value_or(defaultSpeed));

    platform::ISpeechVoice& voice = m_state.objVoice();
    const platform::ISpeechObjectTokens voices = voice.GetVoices(QString(), QString());
    QStringList descriptions;
    for (long i = 0; i < voices.Count(); ++i)
        descriptions.append(voices.Item(i).GetDescription(0));
    // Listed by name, the user's language first; each entry keeps the place
    // of its voice among the engine's.
    const std::vector<voicelist::Entry> entries =
        voicelist::entries(descriptions, QLocale::languageToString(QLocale::system().language()));
    for (const voicelist::Entry& entry : entries)
        lstVoice->addItem(entry.shown, entry.engineIndex);
    lstVoice->setCurrentIndex(-1);

    // A speed beyond the slider's ends shows at the nearest end, and is then
    // the speed (the slider reports no move when it already stood there).
    Slider1->setValue(m_state.intSpeed);
    Slider1_Change();

    const QString stored = settingskeys::get(settings, settingskeys::Voice,
                                             m_platform.speech.defaultVoiceDescription());
    lstVoice->setCurrentIndex(voicelist::find(entries, stored));

    chkReadPunctuation->setChecked(
        storedNumber(settings, settingskeys::ReadP, u"0"_s).value_or(0) != 0);
}

void frmOptions::TabStrip1_Click()
{
    const bool misc = TabStrip1->currentIndex() == 1;
    Frame1[0]->setVisible(!misc);
    Frame1[1]->setVisible(misc);
}

void frmOptions::Slider1_Change()
{
    m_state.intSpeed = static_cast<std::int16_t>(Slider1->value());
}

void frmOptions::showSpeed(int speed)
{
    Slider1->setValue(speed);
}

int frmOptions::chosenVoiceIndex() const
{
    return lstVoice->currentIndex() < 0 ? -1 : lstVoice->currentData().toInt();
}

void frmOptions::cmdTest_Click()
{
    const int index = chosenVoiceIndex();
    if (index < 0)
        return; // no voice to test
    const std::unique_ptr<platform::ISpeechVoice> test = m_platform.speech.createVoice();
    test->setRate(Slider1->value());
    test->setVoice(m_state.objVoice().GetVoices(QString(), QString()).Item(index));

    // While the name is spoken the dialog takes no clicks; it comes back
    // whatever the engine does.
    struct Busy {
        frmOptions& dialog;
        platform::WaitCursor cursor;
        explicit Busy(frmOptions& d) : dialog(d), cursor(d)
        {
            for (QPushButton* b : {dialog.cmdOK, dialog.cmdCancel, dialog.cmdTest})
                b->setEnabled(false);
            if (dialog.isVisible())
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        ~Busy()
        {
            for (QPushButton* b : {dialog.cmdOK, dialog.cmdCancel, dialog.cmdTest})
                b->setEnabled(true);
        }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
    } busy(*this);
    test->Speak(lstVoice->currentText(), platform::SVSFDefault);
}

void frmOptions::cmdOK_Click()
{
    platform::SettingsStore& settings = m_platform.settings;
    settingskeys::save(settings, settingskeys::Speed, QString::number(m_state.intSpeed));
    settingskeys::save(settings, settingskeys::Voice, lstVoice->currentText());
    settingskeys::save(settings, settingskeys::ReadP,
                       chkReadPunctuation->isChecked() ? u"1"_s : u"0"_s);
    const int index = chosenVoiceIndex();
    if (index >= 0) {
        platform::ISpeechVoice& voice = m_state.objVoice();
        voice.setVoice(voice.GetVoices(QString(), QString()).Item(index));
    }
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}
