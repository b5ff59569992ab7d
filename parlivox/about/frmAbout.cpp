#include "parlivox/about/frmAbout.h"

#include "parlivox/common/logic/buildinfo.h"

#include "parlivox/common/logic/services.h"
#include "platform/convert.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/process.h"
#include "platform/ui/screen.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Where the registry names the system information tool.
const QString gREGKEYSYSINFO = uR"(SOFTWARE\Microsoft\Shared Tools\MSINFO)"_s;
const QString gREGVALSYSINFO = u"PATH"_s;
const QString gREGKEYSYSINFOLOC = uR"(SOFTWARE\Microsoft\Shared Tools Location)"_s;
const QString gREGVALSYSINFOLOC = u"MSINFO"_s;
/// The tool's file inside the folder the second entry names.
const QString sysInfoFile = uR"(\MSINFO32.EXE)"_s;

constexpr std::uint32_t KEY_ALL_ACCESS = 0x2003F;
constexpr std::uint32_t valueBufferSize = 1024;

/// "\X appended to a folder" on this system: folder + "/X".
QString appendToFolder(const QString& folder, const QString& backslashName)
{
    return folder + u'/' + backslashName.mid(1);
}

/// A 32-bit number stored least significant byte first; a short value (its
/// top NUL bytes cut away with the terminator rule) reads as if zero-padded.
QString dwordText(const QByteArray& bytes)
{
    std::uint32_t value = 0;
    for (qsizetype i = std::min<qsizetype>(bytes.size(), 4) - 1; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    return QString::number(value);
}

} // namespace

frmAbout::frmAbout(EditorServices& platform, QWidget* parent)
    : QDialog(parent), m_platform(platform)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"About..."_s);
    // A fixed tool window: small caption, close box only.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(platform::dialogFont());
    setFixedSize(382, 237);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(8, 8, 32, 32);
    const QString iconFile = u":/icons/parlivox.svg"_s;
    const QIcon icon = QFile::exists(iconFile) ? QIcon(iconFile) : QApplication::windowIcon();
    Image1->setPixmap(icon.pixmap(32, 32));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(u"lblTitle"_s);
    lblTitle->setGeometry(56, 8, 291, 24);
    QFont titleFont = font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(u"lblVersion"_s);
    lblVersion->setGeometry(56, 32, 291, 15);

    lblDescription = new QLabel(this);
    lblDescription->setObjectName(u"lblDescription"_s);
    lblDescription->setGeometry(56, 64, 315, 70);
    lblDescription->setWordWrap(true);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The etched separator: a shadow line over a highlight line.
    for (int i = 0; i < 2; ++i) {
        Line1[i] = new QFrame(this);
        Line1[i]->setObjectName(u"Line1"_s);
        Line1[i]->setGeometry(8, 142 + i, 366, 1);
        Line1[i]->setAutoFillBackground(true);
        Line1[i]->setBackgroundRole(i == 0 ? QPalette::Mid : QPalette::Light);
    }

    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName(u"lblDisclaimer"_s);
    lblDisclaimer->setGeometry(8, 152, 273, 68);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cmdOK = new QPushButton(u"&OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setGeometry(288, 160, 84, 27);
    cmdOK->setDefault(true); // Enter; Esc closes the box as well
    cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    cmdSysInfo->setGeometry(288, 192, 83, 27);
    cmdSysInfo->setAutoDefault(false);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
    platform::centreOnScreen(*this);
}

void frmAbout::Form_Load()
{
    lblVersion->setText(u"Version "_s + platform::versionText(buildinfo::versionMajor(),
                                                              buildinfo::versionMinor(),
                                                              buildinfo::versionRevision()));
    lblTitle->setText(u"Parlivox"_s);
    lblDescription->setText(u"A rich-text editor that reads your documents aloud."_s + u'\n' +
                            u"Written by the Parlivox developers with Qt and SDL2."_s + u'\n' +
                            u'\n' + u"Speech synthesis by the espeak-ng engine."_s);
    lblDisclaimer->setText(QString());
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    try {
        QString SysInfoPath;
        // The tool's own entry names the program; it is started as named.
        if (GetKeyValue(platform::HKEY_LOCAL_MACHINE, gREGKEYSYSINFO, gREGVALSYSINFO,
                        SysInfoPath)) {
            m_platform.processes.start(SysInfoPath);
            return;
        }
        // Otherwise a folder that should hold it.
        if (GetKeyValue(platform::HKEY_LOCAL_MACHINE, gREGKEYSYSINFOLOC, gREGVALSYSINFOLOC,
                        SysInfoPath)) {
            SysInfoPath = appendToFolder(SysInfoPath, sysInfoFile);
            if (QFileInfo(SysInfoPath).isFile()) {
                m_platform.processes.start(SysInfoPath);
                return;
            }
        }
    } catch (const platform::Error&) {
        // A tool that cannot be started is unavailable as well.
    }
    m_platform.messageBox.show(u"System Information Is Unavailable At This Time"_s, u"Parlivox"_s,
                               platform::MsgButtons::OK, platform::MsgIcon::None);
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal)
{
    platform::Registry& registry = m_platform.registry;
    platform::Registry::Handle hKey = 0;
    if (registry.RegOpenKeyEx(KeyRoot, KeyName, 0, KEY_ALL_ACCESS, hKey) !=
        platform::ERROR_SUCCESS) {
        KeyVal.clear();
        return false; // nothing was opened, so nothing is closed
    }

    QByteArray tmpVal(valueBufferSize, '\0');
    std::uint32_t KeyValSize = valueBufferSize;
    std::uint32_t KeyValType = 0;
    bool found = false;
    if (registry.RegQueryValueEx(hKey, SubKeyRef, KeyValType, tmpVal, KeyValSize) !=
        platform::ERROR_SUCCESS) {
        KeyVal.clear();
    } else {
        found = true;
        tmpVal.truncate(std::min(KeyValSize, valueBufferSize));
        // Some systems count the terminating NUL in the size, some do not.
        if (!tmpVal.isEmpty() && tmpVal.back() == '\0')
            tmpVal.chop(1);
        switch (KeyValType) {
        case platform::REG_SZ:
            KeyVal = QString::fromUtf8(tmpVal);
            break;
        case platform::REG_DWORD:
            KeyVal = dwordText(tmpVal);
            break;
        default:
            break; // other types leave KeyVal as it was
        }
    }
    registry.RegCloseKey(hKey);
    return found;
}
