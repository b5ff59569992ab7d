// Addresses, version numbers and the texts of the update check.
#include "nuvafetch/logic/updatecheck.h"
#include "platform/error.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

TEST(Addresses, ParlivoxFilesLieInItsLowerCaseFolder)
{
    const QString base = u"http://updates.example"_s;
    EXPECT_EQ(versionAddress(base, u"Parlivox"_s),
              u"http://updates.example/product/parlivox/version.txt"_s);
    EXPECT_EQ(sizeAddress(base, u"Parlivox"_s),
              u"http://updates.example/product/parlivox/size.txt"_s);
    EXPECT_EQ(installerAddress(base, u"Parlivox"_s),
              u"http://updates.example/product/parlivox/update.exe"_s);
}

TEST(Addresses, OnlyTheInstallerKeepsTheBaseAsWritten)
{
    const QString base = u"http://Updates.Example"_s;
    EXPECT_EQ(versionAddress(base, u"Tool"_s),
              u"http://updates.example/product/tool/version.txt"_s);
    EXPECT_EQ(sizeAddress(base, u"Tool"_s), u"http://updates.example/product/tool/size.txt"_s);
    EXPECT_EQ(installerAddress(base, u"Tool"_s),
              u"http://Updates.Example/product/tool/update.exe"_s);
}

TEST(Addresses, ProductNameIsOneEncodedPathSegment)
{
    const QString base = u"http://h"_s;
    EXPECT_EQ(versionAddress(base, u"My Tool/2?#"_s),
              u"http://h/product/my%20tool%2F2%3F%23/version.txt"_s);
    EXPECT_EQ(installerAddress(base, u"Café"_s), u"http://h/product/caf%C3%A9/update.exe"_s);
    EXPECT_EQ(installerAddress(base, u".."_s), u"http://h/product/%2E%2E/update.exe"_s);
    EXPECT_EQ(installerAddress(base, u"a.b-c_d~e"_s), u"http://h/product/a.b-c_d~e/update.exe"_s);
}

TEST(Versions, JoinedTextsMakeTheLocalNumber)
{
    EXPECT_EQ(localVersionNumber(u"1"_s, u"2"_s, u"15"_s), 1215);
    EXPECT_EQ(localVersionNumber(u"12"_s, u"1"_s, u"5"_s), 1215);
    EXPECT_EQ(localVersionNumber(u"1"_s, u"0"_s, u"174"_s), 10174);
    try {
        localVersionNumber(u"32767"_s, u"32767"_s, u"32767"_s);
        FAIL() << "a joined version beyond 32 bits must raise";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.number(), platform::err::Overflow);
    }
}

TEST(ServerBase, EnvironmentOverridesTheBuiltInAddress)
{
    unsetenv("NUVAFETCH_SERVER");
    const QString builtIn = updateServerBase();
    EXPECT_TRUE(builtIn.startsWith(u"http://"_s));
    EXPECT_FALSE(builtIn.endsWith(u'/'));
    setenv("NUVAFETCH_SERVER", "http://127.0.0.1:8080/", 1);
    EXPECT_EQ(updateServerBase(), u"http://127.0.0.1:8080"_s);
    setenv("NUVAFETCH_SERVER", "", 1);
    EXPECT_EQ(updateServerBase(), builtIn);
    unsetenv("NUVAFETCH_SERVER");
}
