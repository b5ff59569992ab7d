// The INI reader's rules and the product descriptor built on it.
#include "nuvafetch/logic/descriptor.h"
#include "platform/inifile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString value(const QByteArray& ini, const QString& key = u"Name"_s, int size = 255)
{
    return platform::readProfileString(ini, u"Product"_s, key, u"(default)"_s, size);
}

} // namespace

TEST(IniReader, ReadsTheExampleDescriptor)
{
    const QByteArray ini =
        "[Product]\r\nName=Parlivox\r\nverMajor=1\r\nverMinor=2\r\nverRev=15\r\n";
    EXPECT_EQ(value(ini), u"Parlivox"_s);
    EXPECT_EQ(value(ini, u"verRev"_s), u"15"_s);
}

TEST(IniReader, MatchesNamesWithoutCaseAndTrimsWhiteSpace)
{
    EXPECT_EQ(value("[ product ]\nNAME = Parlivox \t\n"), u"Parlivox"_s);
    EXPECT_EQ(value("  [PRODUCT]\n  name\t=Parlivox\n"), u"Parlivox"_s);
}

TEST(IniReader, RemovesMatchingQuotesOnly)
{
    EXPECT_EQ(value("[Product]\nName=\" Parlivox \"\n"), u" Parlivox "_s);
    EXPECT_EQ(value("[Product]\nName='Parlivox'\n"), u"Parlivox"_s);
    EXPECT_EQ(value("[Product]\nName=\"Parlivox'\n"), u"\"Parlivox'"_s);
    EXPECT_EQ(value("[Product]\nName=\"\n"), u"\""_s);
}

TEST(IniReader, SkipsCommentsAndLinesOutsideTheSection)
{
    const QByteArray ini = "Name=Orphan\n; Name=Commented\n[Other]\nName=Other\n"
                           "[Product]\n;Name=Commented\nName=Parlivox\n";
    EXPECT_EQ(value(ini), u"Parlivox"_s);
    // A line starting with '[' but without ']' is no section header.
    EXPECT_EQ(value("[Product]\n[Broken\nName=Parlivox\n"), u"Parlivox"_s);
}

TEST(IniReader, FirstOccurrenceWins)
{
    EXPECT_EQ(value("[Product]\nName=First\nName=Second\n"), u"First"_s);
    // Only the first section of a name is searched.
    EXPECT_EQ(value("[Product]\nName=First\n[Product]\nName=Second\nverRev=3\n", u"verRev"_s),
              u"(default)"_s);
}

TEST(IniReader, AcceptsEveryLineEnd)
{
    EXPECT_EQ(value("[Product]\rName=Mac\r"), u"Mac"_s);
    EXPECT_EQ(value("[Product]\nName=Unix"), u"Unix"_s);
    EXPECT_EQ(value("[Product]\r\n\r\nName=Dos\r\n"), u"Dos"_s);
}

TEST(IniReader, MissingSectionKeyOrFileGivesTheDefault)
{
    EXPECT_EQ(value(""), u"(default)"_s);
    EXPECT_EQ(value("[Other]\nName=X\n"), u"(default)"_s);
    EXPECT_EQ(value("[Product]\nTitle=X\n"), u"(default)"_s);
    EXPECT_EQ(value("[Product]\nName\n"), u"(default)"_s);
    EXPECT_EQ(platform::GetPrivateProfileString(u"Product", u"Name", u"Unknown"_s, 255,
                                                u"/nonexistent/Nuvafetch.inf"_s),
              u"Unknown"_s);
}

TEST(IniReader, CutsValuesToTheBufferAndAtTheFirstNul)
{
    const QByteArray longName = "[Product]\nName=" + QByteArray(300, 'a') + "\n";
    EXPECT_EQ(value(longName).size(), 254);
    EXPECT_EQ(value(longName, u"Name"_s, 5), u"aaaa"_s);
    EXPECT_EQ(value(QByteArray("[Product]\nName=Parl\0ivox\n", 25)), u"Parl"_s);
    EXPECT_EQ(platform::readProfileString("", u"Product", u"Name", u"Unknown"_s, 4), u"Unk"_s);
}

TEST(IniReader, DecodesUtf8AndFallsBackToLatin1)
{
    EXPECT_EQ(value("\xEF\xBB\xBF[Product]\nName=Caf\xC3\xA9\n"), u"Café"_s);
    EXPECT_EQ(value("[Product]\nName=Caf\xE9\n"), u"Café"_s);
    // A 300-character name of two-byte letters is cut by characters, not bytes.
    QByteArray wide = "[Product]\nName=";
    for (int i = 0; i < 300; ++i)
        wide += "\xC3\xA9";
    EXPECT_EQ(value(wide).size(), 254);
}

TEST(Descriptor, ReadsNameAndCanonicalVersions)
{
    const auto d = readDescriptor("[Product]\nName=Parlivox\nverMajor=1\nverMinor=07\n");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->productName, u"Parlivox"_s);
    EXPECT_EQ(d->majorText, u"1"_s);
    EXPECT_EQ(d->minorText, u"7"_s);
    EXPECT_EQ(d->revText, u"0"_s); // verRev missing
}

TEST(Descriptor, NameBeginningUnknownIsUnreadable)
{
    EXPECT_FALSE(readDescriptor(""));
    EXPECT_FALSE(readDescriptor("[Other]\nName=Parlivox\n"));
    EXPECT_FALSE(readDescriptor("[Product]\nverMajor=1\n"));
    EXPECT_FALSE(readDescriptor("[Product]\nName=UnknownTool\n"));
    EXPECT_FALSE(readDescriptor("[Product]\nName=Unknown\n"));
    ASSERT_TRUE(readDescriptor("[Product]\nName=unknown\n"));
    EXPECT_EQ(readDescriptor("[Product]\nName=unknown\n")->productName, u"unknown"_s);
}

TEST(Descriptor, EmptyNameIsAccepted)
{
    const auto d = readDescriptor("[Product]\nName=\nverMajor=2\n");
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->productName.isEmpty());
}

TEST(Descriptor, LongNameKeepsItsFirst254Characters)
{
    const QByteArray name = QByteArray(254, 'x') + "TAIL";
    const QByteArray ini = "[Product]\nName=" + name + "\n";
    const auto d = readDescriptor(ini);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->productName, QString(254, u'x'));
}

TEST(Descriptor, MalformedVersionIsUnreadable)
{
    for (const char* version :
         {"", "abc", "1a", "7.5", "70000", "32768", "-32769", "--1", "+-1", "-", "1 2"}) {
        const QByteArray ini = QByteArray("[Product]\nName=Parlivox\nverMinor=") + version + "\n";
        EXPECT_FALSE(readDescriptor(ini)) << "verMinor=" << version;
    }
    EXPECT_TRUE(readDescriptor("[Product]\nName=Parlivox\nverMinor=32767\n"));
    EXPECT_EQ(readDescriptor("[Product]\nName=Parlivox\nverMinor=+2\n")->minorText, u"2"_s);
    EXPECT_EQ(readDescriptor("[Product]\nName=Parlivox\nverRev= 0174 \n")->revText, u"174"_s);
    // A negative version is in the 16-bit range and is read as it is.
    EXPECT_EQ(readDescriptor("[Product]\nName=Parlivox\nverMinor=-1\n")->minorText, u"-1"_s);
    EXPECT_EQ(readDescriptor("[Product]\nName=Parlivox\nverMinor=-032768\n")->minorText,
              u"-32768"_s);
}

TEST(Descriptor, PublicKeyIsExactly32BytesOfBase64OrUnreadable)
{
    const QByteArray key(32, '\x5a');
    const QByteArray ini = "[Product]\nName=Parlivox\n";
    EXPECT_TRUE(readDescriptor(ini)->publicKey.isEmpty());
    const auto signedOne = readDescriptor(QByteArray(ini + "PublicKey= " + key.toBase64() + " \n"));
    ASSERT_TRUE(signedOne);
    EXPECT_EQ(signedOne->publicKey, key);
    for (const QByteArray& bad :
         {QByteArray(), QByteArray(31, 'a').toBase64(), QByteArray(33, 'a').toBase64(),
          key.toBase64().chopped(1), key.toBase64().replace('W', '*'), QByteArray("none")}) {
        EXPECT_FALSE(readDescriptor(QByteArray(ini + "PublicKey=" + bad + "\n")))
            << bad.constData();
    }
}

TEST(Descriptor, CriticalErrorHasFourLines)
{
    const QStringList lines = criticalErrorText().split(u"\r\n"_s);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], u"Fetchwell cannot read the NUVAFETCH.INF file for the application."_s);
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_EQ(lines[3], u"Fetchwell will now exit."_s);
}

TEST(Descriptor, ReadsTheFileBesideTheProgram)
{
    QTemporaryDir dir;
    const QString path = descriptorPathIn(dir.path());
    EXPECT_EQ(path, dir.path() + u"/Nuvafetch.inf"_s);
    EXPECT_FALSE(readDescriptorFile(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Product]\r\nName=Parlivox\r\nverMajor=1\r\nverMinor=0\r\nverRev=174\r\n");
    file.close();
    ASSERT_TRUE(readDescriptorFile(path));
    EXPECT_EQ(readDescriptorFile(path)->revText, u"174"_s);
    EXPECT_EQ(readProductNameFile(path), u"Parlivox"_s);
}
