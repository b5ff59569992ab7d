// The store of the places where readings stopped, on real files.
#include "parlivox/speech/logic/readingpositions.h"

#include "platform/error.h"
#include "test_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ReadingPositionsTest : public ::testing::Test {
protected:
    /// A file of the given content in the test's folder.
    QString file(const QString& name, const QByteArray& content = "Some text.")
    {
        const QString path = dir.filePath(name);
        writeFile(path, content);
        return path;
    }

    QTemporaryDir dir;
    QString storePath = dir.filePath(u"state/Parlivox/positions"_s);
    ReadingPositions positions{storePath};
};

} // namespace

TEST_F(ReadingPositionsTest, APlaceIsKeptPerFileUntilTheFileChanges)
{
    const QString a = file(u"a.txt"_s);
    const QString b = file(u"b.txt"_s);
    EXPECT_FALSE(positions.find(a).has_value());
    positions.remember(a, 42);
    positions.remember(b, 7);
    positions.remember(a, 50); // a later stop replaces the earlier
    EXPECT_EQ(ReadingPositions(storePath).find(a), 50) << "read again from the store";
    EXPECT_EQ(positions.find(QDir(dir.path()).filePath(u"./b.txt"_s)), 7) << "the same file";
    // Only the user may read the store: it names what the user reads.
    EXPECT_EQ(QFileInfo(storePath).permissions() & 0x0077, 0);

    // Edited (another size), or only touched (another time): no place.
    writeFile(a, "Some other text.");
    EXPECT_FALSE(positions.find(a).has_value());
    QFile touched(b);
    ASSERT_TRUE(touched.open(QIODevice::ReadWrite));
    touched.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                        QFileDevice::FileModificationTime);
    touched.close();
    EXPECT_FALSE(positions.find(b).has_value());

    const QString c = file(u"c.txt"_s);
    positions.remember(c, 3);
    positions.forget(c);
    EXPECT_FALSE(positions.find(c).has_value()) << "read to its end";
    EXPECT_THROW(positions.remember(dir.filePath(u"gone.txt"_s), 1), platform::Error);
}

TEST_F(ReadingPositionsTest, OnlyTheMostRecentFilesAreKept)
{
    QStringList files;
    for (int i = 0; i <= ReadingPositions::maxFiles; ++i)
        files << file(u"f"_s + QString::number(i));
    for (int i = 0; i <= ReadingPositions::maxFiles; ++i) {
        positions.remember(files[i], i);
        if (i == 1)
            positions.remember(files[0], 0); // read again: the most recent once more
    }
    EXPECT_FALSE(positions.find(files[1]).has_value()) << "the least recent went";
    EXPECT_EQ(positions.find(files[0]), 0);
    EXPECT_EQ(positions.find(files[ReadingPositions::maxFiles]), ReadingPositions::maxFiles);
}

TEST_F(ReadingPositionsTest, ADamagedOrForeignStoreCountsAsEmptyAndIsWrittenAfresh)
{
    const QString a = file(u"a.txt"_s);
    QDir().mkpath(QFileInfo(storePath).absolutePath());
    for (const QByteArray& damaged :
         {QByteArray("{\"files\": [{\"path\": \""), QByteArray("[1, 2, 3]"),
          QByteArray("{\"files\": \"none\"}"), QByteArray(2 * 1024 * 1024, '{'),
          QByteArray("\xff\xfe\x00garbage", 10)}) {
        writeFile(storePath, damaged);
        EXPECT_FALSE(positions.find(a).has_value());
        positions.remember(a, 9);
        EXPECT_EQ(positions.find(a), 9);
    }
    // A store with a bad entry keeps the good ones.
    const QString entry = u"{\"path\": \"%1\", \"size\": %2, \"modified\": %3, \"place\": %4}"_s;
    const QFileInfo info(a);
    writeFile(storePath, (u"{\"files\": ["_s + entry.arg(u"x"_s).arg(-1).arg(0).arg(1) + u", "_s +
                          entry.arg(info.canonicalFilePath())
                              .arg(info.size())
                              .arg(info.lastModified().toMSecsSinceEpoch())
                              .arg(12) +
                          u"]}"_s)
                             .toUtf8());
    EXPECT_EQ(positions.find(a), 12);
}
