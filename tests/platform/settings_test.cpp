#include "platform/error.h"
#include "platform/settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(SettingsStore, MissingKeysReadAsTheCallersDefault)
{
    QTemporaryDir root;
    platform::IniSettingsStore store(root.path());
    EXPECT_EQ(store.GetSetting(u"Parlivox"_s, u"Config"_s, u"Speed"_s, u"2"_s), u"2"_s);
    EXPECT_EQ(store.GetSetting(u"Parlivox"_s, u"Config"_s, u"Voice"_s, u""_s), u""_s);
}

TEST(SettingsStore, ValuesComeBackAsTheTextWritten)
{
    QTemporaryDir root;
    {
        platform::IniSettingsStore store(root.path());
        store.SaveSetting(u"Parlivox"_s, u"Config"_s, u"Voice"_s, u"English (Great Britain)"_s);
        store.SaveSetting(u"Parlivox"_s, u"Config"_s, u"Speed"_s, u"-3"_s);
        store.SaveSetting(u"Parlivox"_s, u"Config"_s, u"Odd"_s, u"a, b; c=d \"q\""_s);
    }
    platform::IniSettingsStore again(root.path());
    EXPECT_EQ(again.GetSetting(u"Parlivox"_s, u"Config"_s, u"Voice"_s, {}),
              u"English (Great Britain)"_s);
    EXPECT_EQ(again.GetSetting(u"Parlivox"_s, u"Config"_s, u"Speed"_s, {}), u"-3"_s);
    EXPECT_EQ(again.GetSetting(u"Parlivox"_s, u"Config"_s, u"Odd"_s, {}), u"a, b; c=d \"q\""_s);
    EXPECT_TRUE(QFile::exists(root.path() + u"/Parlivox/Parlivox.ini"_s));
}

TEST(SettingsStore, AValueThatCannotBeWrittenRaisesAnError)
{
    QTemporaryDir root;
    // The application's folder is taken by a file: nothing can be written there.
    QFile blocker(root.path() + u"/Parlivox"_s);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::IniSettingsStore store(root.path());
    EXPECT_THROW(store.SaveSetting(u"Parlivox"_s, u"Config"_s, u"Speed"_s, u"3"_s),
                 platform::Error);
}

TEST(SettingsStore, ACorruptFileReadsAsDefaultsAndIsReplacedOnWrite)
{
    QTemporaryDir root;
    QDir().mkpath(root.path() + u"/Parlivox"_s);
    QFile file(root.path() + u"/Parlivox/Parlivox.ini"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x00\xff\xfe[[[Config\n=\n\x01garbage", 22);
    file.close();

    platform::IniSettingsStore store(root.path());
    EXPECT_EQ(store.GetSetting(u"Parlivox"_s, u"Config"_s, u"wMax"_s, u"0"_s), u"0"_s);
    store.SaveSetting(u"Parlivox"_s, u"Config"_s, u"wMax"_s, u"1"_s);
    EXPECT_EQ(store.GetSetting(u"Parlivox"_s, u"Config"_s, u"wMax"_s, u"0"_s), u"1"_s);
}
