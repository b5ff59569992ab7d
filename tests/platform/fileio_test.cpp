// Files written and read where others might have a hand: saves through
// symbolic links, and files that must be the user's own.
#include "platform/error.h"
#include "platform/fileio.h"

#include "test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::Error& error) {
        return error.number();
    }
    return 0;
}

QByteArray name(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

// The kernel resolves the chain: the final target is replaced beside
// itself, every link stays a link, and no folder keeps a temporary file.
TEST(SaveThroughLinks, TheFinalTargetIsWrittenAndTheLinksKept)
{
    QTemporaryDir dir;
    for (const char* folder : {"a", "b", "c"})
        QDir(dir.path()).mkdir(QString::fromLatin1(folder));
    const QString target = dir.filePath(u"c/target.txt"_s);
    writeFile(target, "old");
    ::chmod(name(target).constData(), 0640);
    ASSERT_EQ(::symlink("../c/target.txt", name(dir.filePath(u"b/second"_s)).constData()), 0);
    ASSERT_EQ(::symlink(name(dir.filePath(u"b/second"_s)).constData(),
                        name(dir.filePath(u"a/first"_s)).constData()),
              0);
    platform::writeFileAtomically(dir.filePath(u"a/first"_s), "through two links");
    EXPECT_EQ(readAll(target), QByteArray("through two links"));
    EXPECT_TRUE(QFileInfo(dir.filePath(u"a/first"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.filePath(u"b/second"_s)).isSymLink());
    struct stat info {};
    ::stat(name(target).constData(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    const auto all = QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(dir.filePath(u"a"_s)).entryList(all), QStringList{u"first"_s});
    EXPECT_EQ(QDir(dir.filePath(u"c"_s)).entryList(all), QStringList{u"target.txt"_s});

    // A link to a file not there yet makes it where the link points.
    ASSERT_EQ(::symlink("../c/new.txt", name(dir.filePath(u"a/fresh"_s)).constData()), 0);
    platform::writeFileAtomically(dir.filePath(u"a/fresh"_s), "new");
    EXPECT_EQ(readAll(dir.filePath(u"c/new.txt"_s)), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(dir.filePath(u"a/fresh"_s)).isSymLink());
}

// Where the kernel protects links in sticky folders, a link that another
// user planted there is not followed by a save either.
TEST(SaveThroughLinks, ALinkPlantedInAStickyFolderIsRefusedAsTheKernelRefusesIt)
{
    if (readAll(u"/proc/sys/fs/protected_symlinks"_s).trimmed() != "1" || ::geteuid() != 0)
        GTEST_SKIP() << "needs root and fs.protected_symlinks=1";
    QTemporaryDir dir;
    const QString sticky = dir.filePath(u"shared"_s);
    QDir().mkdir(sticky);
    ::chmod(name(sticky).constData(), 01777);
    const QString victim = dir.filePath(u"victim.txt"_s);
    writeFile(victim, "keep");
    const QString planted = sticky + u"/planted"_s;
    ASSERT_EQ(::symlink(name(victim).constData(), name(planted).constData()), 0);
    ASSERT_EQ(::lchown(name(planted).constData(), 65534, 65534), 0);
    EXPECT_EQ(errorOf([&] { platform::writeFileAtomically(planted, "overwritten"); }), 70);
    EXPECT_EQ(readAll(victim), QByteArray("keep"));
}

// Files of the recovery folder: read only when they are this user's own
// regular files, never through a link, never waiting on a pipe.
TEST(OwnFiles, OnlyTheUsersOwnRegularFilesAreRead)
{
    QTemporaryDir dir;
    const QString own = dir.filePath(u"own"_s);
    writeFile(own, "{\\rtf1 mine}");
    EXPECT_EQ(platform::readOwnFile(own, 5, false), QByteArray("{\\rtf"));
    EXPECT_EQ(platform::readOwnFile(own, 1024), QByteArray("{\\rtf1 mine}"));
    EXPECT_EQ(errorOf([&] { platform::readOwnFile(own, 5); }), 7) << "longer than allowed";

    const QString link = dir.filePath(u"link"_s);
    ASSERT_EQ(::symlink(name(own).constData(), name(link).constData()), 0);
    EXPECT_EQ(errorOf([&] { platform::readOwnFile(link, 1024); }), 75);
    const QString pipe = dir.filePath(u"pipe"_s);
    ASSERT_EQ(::mkfifo(name(pipe).constData(), 0600), 0);
    EXPECT_EQ(errorOf([&] { platform::readOwnFile(pipe, 1024); }), 75);
    EXPECT_EQ(errorOf([&] { platform::readOwnFile(dir.path(), 1024); }), 75);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(name(own).constData(), 65534, 65534), 0);
        EXPECT_EQ(errorOf([&] { platform::readOwnFile(own, 1024); }), 75);
    }
}
