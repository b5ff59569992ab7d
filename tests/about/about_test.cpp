#include "dialog_controls.h"
#include "fake_platform.h"

#include "parlivox/about/frmAbout.h"
#include "parlivox/common/logic/buildinfo.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString sysInfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString locationKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString unavailable = u"System Information Is Unavailable At This Time"_s;

QByteArray withNul(const QByteArray& text)
{
    return text + QByteArray(1, '\0');
}

class AboutTest : public ::testing::Test {
protected:
    AboutTest() : about(fakes.services) {}

    void store(const QString& key, const QString& name, std::uint32_t type, const QByteArray& bytes)
    {
        fakes.registry.set(key, name, {type, bytes});
    }
    QString read(const QString& key, const QString& name, bool* found = nullptr,
                 const QString& before = {})
    {
        QString value = before;
        const bool ok = about.GetKeyValue(platform::HKEY_LOCAL_MACHINE, key, name, value);
        if (found)
            *found = ok;
        return value;
    }
    bool unavailableShown() const
    {
        return !fakes.messageBox.shown.isEmpty() && fakes.messageBox.last().text == unavailable;
    }

    FakePlatform fakes;
    frmAbout about;
    AboutControls ui{about};
};

} // namespace

// ---- the box ------------------------------------------------------------------

TEST_F(AboutTest, TheBoxShowsNameVersionAndCredits)
{
    EXPECT_EQ(about.windowTitle(), u"About..."_s);
    EXPECT_EQ(ui.lblTitle->text(), u"Parlivox"_s);
    EXPECT_TRUE(ui.lblTitle->font().bold());
    // The project's version, major plain, minor in two digits, revision in four.
    const QString expected = u"Version %1.%2.%3"_s.arg(buildinfo::versionMajor())
                                 .arg(buildinfo::versionMinor(), 2, 10, QChar(u'0'))
                                 .arg(buildinfo::versionRevision(), 4, 10, QChar(u'0'));
    EXPECT_EQ(ui.lblVersion->text(), expected);
    const QStringList description = ui.lblDescription->text().split(u'\n');
    ASSERT_EQ(description.size(), 4);
    EXPECT_TRUE(description[2].isEmpty());
    EXPECT_TRUE(description[3].contains(u"espeak-ng"_s));
    EXPECT_TRUE(ui.lblDisclaimer->text().isEmpty());
    EXPECT_EQ(ui.cmdSysInfo->text(), u"&System Info..."_s);
    EXPECT_TRUE(ui.cmdOK->isDefault());
}

// ---- GetKeyValue --------------------------------------------------------------

TEST_F(AboutTest, TextReadsTheSameWhetherItsSizeCountsTheNulOrNot)
{
    store(sysInfoKey, u"PATH"_s, platform::REG_SZ, withNul("/usr/bin/tool"));
    store(locationKey, u"MSINFO"_s, platform::REG_SZ, "/usr/bin/tool");
    bool found = false;
    EXPECT_EQ(read(sysInfoKey, u"PATH"_s, &found), u"/usr/bin/tool"_s);
    EXPECT_TRUE(found);
    EXPECT_EQ(read(locationKey, u"MSINFO"_s, &found), u"/usr/bin/tool"_s);
    EXPECT_TRUE(found);
    EXPECT_EQ(fakes.registry.openHandles, 0) << "every key opened is closed";
}

TEST_F(AboutTest, NumbersReadAsDecimalTextFromTheirLittleEndianBytes)
{
    store(sysInfoKey, u"Count"_s, platform::REG_DWORD, QByteArray::fromHex("40e20100"));
    store(sysInfoKey, u"Small"_s, platform::REG_DWORD, QByteArray::fromHex("00010000"));
    store(sysInfoKey, u"Top"_s, platform::REG_DWORD, QByteArray::fromHex("ffffffff"));
    EXPECT_EQ(read(sysInfoKey, u"Count"_s), u"123456"_s);
    EXPECT_EQ(read(sysInfoKey, u"Small"_s), u"256"_s) << "a high NUL byte is cut, not the value";
    EXPECT_EQ(read(sysInfoKey, u"Top"_s), u"4294967295"_s);
}

TEST_F(AboutTest, OtherTypesCountAsFoundAndLeaveTheValueAsItWas)
{
    store(sysInfoKey, u"PATH"_s, platform::REG_EXPAND_SZ, withNul("%SystemRoot%\\tool"));
    bool found = false;
    EXPECT_EQ(read(sysInfoKey, u"PATH"_s, &found, u"before"_s), u"before"_s);
    EXPECT_TRUE(found);
}

TEST_F(AboutTest, AMissingKeyOrValueReadsEmptyAndFalse)
{
    bool found = true;
    EXPECT_EQ(read(sysInfoKey, u"PATH"_s, &found, u"before"_s), QString());
    EXPECT_FALSE(found);
    EXPECT_TRUE(fakes.registry.opened.isEmpty());

    store(sysInfoKey, u"Other"_s, platform::REG_SZ, "x");
    found = true;
    EXPECT_EQ(read(sysInfoKey, u"PATH"_s, &found, u"before"_s), QString());
    EXPECT_FALSE(found);
    EXPECT_EQ(fakes.registry.openHandles, 0);
}

TEST_F(AboutTest, AValueLongerThanTheBufferIsNotRead)
{
    store(sysInfoKey, u"PATH"_s, platform::REG_SZ, QByteArray(1025, 'a'));
    bool found = true;
    EXPECT_EQ(read(sysInfoKey, u"PATH"_s, &found), QString());
    EXPECT_FALSE(found);
}

// ---- StartSysInfo ----------------------------------------------------------------

TEST_F(AboutTest, TheToolsOwnEntryIsStartedAsNamedWithoutLookingForTheFile)
{
    store(sysInfoKey, u"PATH"_s, platform::REG_SZ, withNul("/nowhere/sysinfo"));
    ui.cmdSysInfo->click();
    EXPECT_EQ(fakes.processes.started, QStringList{u"/nowhere/sysinfo"_s});
    EXPECT_TRUE(fakes.messageBox.shown.isEmpty());
}

TEST_F(AboutTest, TheLocationEntryIsUsedOnlyWhenTheToolIsInThatFolder)
{
    QTemporaryDir folder;
    store(locationKey, u"MSINFO"_s, platform::REG_SZ, withNul(folder.path().toUtf8()));
    about.StartSysInfo();
    EXPECT_TRUE(fakes.processes.started.isEmpty());
    EXPECT_TRUE(unavailableShown());

    QFile tool(folder.filePath(u"MSINFO32.EXE"_s));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    about.StartSysInfo();
    EXPECT_EQ(fakes.processes.started, QStringList{folder.filePath(u"MSINFO32.EXE"_s)});
    EXPECT_EQ(fakes.messageBox.shown.size(), 1);
}

TEST_F(AboutTest, WithoutAnyEntryTheToolIsUnavailable)
{
    about.StartSysInfo();
    ASSERT_TRUE(unavailableShown());
    EXPECT_EQ(fakes.messageBox.last().title, u"Parlivox"_s);
    EXPECT_EQ(fakes.messageBox.last().buttons, platform::MsgButtons::OK);
    EXPECT_EQ(fakes.messageBox.last().icon, platform::MsgIcon::None);
}

TEST_F(AboutTest, AToolThatCannotStartIsUnavailable)
{
    store(sysInfoKey, u"PATH"_s, platform::REG_EXPAND_SZ, withNul("%ProgramFiles%\\tool"));
    fakes.processes.missing = {QString()}; // as no file has an empty name
    about.StartSysInfo();                  // found with an empty path: starting it fails
    EXPECT_TRUE(fakes.processes.started.isEmpty());
    EXPECT_TRUE(unavailableShown());

    fakes.messageBox.shown.clear();
    store(sysInfoKey, u"PATH"_s, platform::REG_SZ, withNul("/usr/bin/tool"));
    fakes.processes.failure = platform::err::PathFileAccess;
    about.StartSysInfo();
    EXPECT_TRUE(unavailableShown());
}

// ---- the registry of this desktop ------------------------------------------------

namespace {

/// Puts an executable named `name` into a folder that becomes the search path.
class SearchPath {
public:
    explicit SearchPath(const QStringList& programs) : m_saved(qgetenv("PATH"))
    {
        for (const QString& name : programs) {
            QFile file(m_dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write("#!/bin/sh\n");
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toLocal8Bit());
    }
    ~SearchPath() { qputenv("PATH", m_saved); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
};

} // namespace

TEST(LinuxRegistry, NamesTheFirstInstalledSystemMonitorAsTheToolsPath)
{
    SearchPath search({u"lxtask"_s, u"gnome-system-monitor"_s});
    FakePlatform fakes;
    platform::LinuxRegistry registry;
    EditorServices services{fakes.settings, fakes.messageBox, fakes.dialog, fakes.clipboard,
                            fakes.printer,  fakes.processes,  fakes.help,   fakes.keyboard,
                            fakes.clock,    registry,         fakes.speech};
    frmAbout about(services);
    about.StartSysInfo();
    EXPECT_EQ(fakes.processes.started, QStringList{search.path(u"gnome-system-monitor"_s)});

    QString value;
    EXPECT_TRUE(about.GetKeyValue(platform::HKEY_LOCAL_MACHINE,
                                  u"software\\microsoft\\shared tools\\msinfo"_s, u"path"_s,
                                  value));
    EXPECT_FALSE(about.GetKeyValue(platform::HKEY_LOCAL_MACHINE, locationKey, u"MSINFO"_s, value));
}

TEST(LinuxRegistry, WithoutAnInstalledMonitorTheKeyIsAbsent)
{
    SearchPath search({u"unrelated-tool"_s});
    platform::LinuxRegistry registry;
    platform::Registry::Handle key = 99;
    EXPECT_EQ(registry.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, sysInfoKey, 0, 0x2003F, key),
              platform::ERROR_FILE_NOT_FOUND);
}

TEST(LinuxRegistry, ATooSmallBufferIsRefusedWithTheSizeNeeded)
{
    SearchPath search({u"hardinfo"_s});
    platform::LinuxRegistry registry;
    platform::Registry::Handle key = 0;
    ASSERT_EQ(registry.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, sysInfoKey, 0, 0x2003F, key),
              platform::ERROR_SUCCESS);
    QByteArray data(4, '\0');
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    EXPECT_NE(registry.RegQueryValueEx(key, u"PATH"_s, type, data, size), platform::ERROR_SUCCESS);
    const QByteArray expected = withNul(search.path(u"hardinfo"_s).toUtf8());
    EXPECT_EQ(size, static_cast<std::uint32_t>(expected.size()));

    data = QByteArray(1024, '\0');
    size = 1024;
    ASSERT_EQ(registry.RegQueryValueEx(key, u"PATH"_s, type, data, size), platform::ERROR_SUCCESS);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(data.left(static_cast<qsizetype>(size)), expected);
    registry.RegCloseKey(key);
}
