#include "parlivox/recovery/logic/recoveryfolder.h"
#include "parlivox/recovery/logic/snapshotwriter.h"
#include "platform/error.h"
#include "platform/richtext/documentcopy.h"
#include "test_files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using recovery::RecoveryFolder;
using recovery::SnapshotInfo;

namespace {

SnapshotInfo at(int minute, const QString& path = {})
{
    return {path, u"rtf"_s, QDateTime(QDate(2026, 3, 14), QTime(15, minute))};
}

/// An instance that wrote a snapshot and ended without removing it.
void leaveSnapshot(const QString& folder, const QString& id, const QByteArray& rtf,
                   const SnapshotInfo& info)
{
    RecoveryFolder ended(folder, id);
    ended.write(rtf, info);
}

struct RecoveryFolderTest : ::testing::Test {
    QTemporaryDir home;
    QString folder = home.path() + u"/Parlivox/recovery"_s;
    QString file(const QString& name) const { return folder + u'/' + name; }
};

} // namespace

TEST_F(RecoveryFolderTest, ASnapshotIsPrivateToTheUserAndGoesWhenRemoved)
{
    RecoveryFolder own(folder, u"1-1-1"_s);
    ASSERT_TRUE(own.claim());
    own.write("{\\rtf1 draft}", at(9, u"/home/ann/a.rtf"_s));
    EXPECT_EQ(readAll(own.snapshotPath()), "{\\rtf1 draft}");
    EXPECT_EQ(recovery::parseSideFile(readAll(own.sideFilePath())), at(9, u"/home/ann/a.rtf"_s));
    // Only the user: no permission for the group or others.
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFileInfo(own.snapshotPath()).permissions() & others);
    EXPECT_FALSE(QFileInfo(folder).permissions() & others);
    own.remove();
    EXPECT_FALSE(QFile::exists(own.snapshotPath()));
    EXPECT_FALSE(QFile::exists(own.sideFilePath()));
}

TEST_F(RecoveryFolderTest, RunningInstancesAreNotOfferedEndedOnesAreNewestFirst)
{
    auto running = std::make_unique<RecoveryFolder>(folder, u"1-1-1"_s);
    running->write("{\\rtf1 live}", at(30));
    leaveSnapshot(folder, u"1-1-2"_s, "{\\rtf1 older}", at(10));
    leaveSnapshot(folder, u"1-1-3"_s, "{\\rtf1 newer}", at(20));

    RecoveryFolder starting(folder, u"1-1-9"_s);
    std::vector<recovery::Orphan> orphans = starting.orphans();
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].id(), u"1-1-3"_s);
    EXPECT_EQ(orphans[1].id(), u"1-1-2"_s);
    // Held by this start, they are not offered by another one meanwhile.
    EXPECT_TRUE(RecoveryFolder(folder, u"1-1-8"_s).orphans().empty());

    orphans[1].discard();
    EXPECT_FALSE(QFile::exists(file(u"1-1-2.rtf"_s)));
    EXPECT_TRUE(starting.adopt(orphans[0]));
    EXPECT_EQ(readAll(starting.snapshotPath()), "{\\rtf1 newer}");
    EXPECT_FALSE(QFile::exists(file(u"1-1-3.rtf"_s)));
    EXPECT_TRUE(RecoveryFolder(folder, u"1-1-8"_s).orphans().empty())
        << "the running instance's snapshot is still not offered";
}

TEST_F(RecoveryFolderTest, TheLockOfACrashedInstanceThatLeftNoSnapshotIsCleared)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // As a process that no longer exists leaves its lock.
    writeFile(file(u"7-7-1.lock"_s),
              "99999999\nParlivox\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    RecoveryFolder starting(folder, u"7-7-9"_s);
    ASSERT_TRUE(starting.claim());
    EXPECT_TRUE(starting.orphans().empty());
    EXPECT_EQ(QDir(folder).entryList({u"*.lock"_s}, QDir::Files), QStringList{u"7-7-9.lock"_s});
}

TEST_F(RecoveryFolderTest, DamagedSnapshotsAreSkippedOrRemovedAndOtherFilesAreLeftAlone)
{
    leaveSnapshot(folder, u"2-2-1"_s, "not a snapshot at all", at(1));
    leaveSnapshot(folder, u"2-2-2"_s, "{\\rtf1 cut sho", at(2));
    leaveSnapshot(folder, u"2-2-3"_s, "{\\rtf1 side file lost}", at(3));
    writeFile(file(u"2-2-3.json"_s), "{\"path\": \"/a");
    writeFile(file(u"letter.rtf"_s), "{\\rtf1 the user's own}");
    writeFile(file(u".2-2-1.rtf.Ab12Cd"_s), "left by an interrupted write");

    RecoveryFolder starting(folder, u"2-2-9"_s);
    std::vector<recovery::Orphan> orphans = starting.orphans();
    ASSERT_EQ(orphans.size(), 2u) << "the garbage one is not offered";
    QStringList ids;
    for (const recovery::Orphan& orphan : orphans)
        ids << orphan.id();
    EXPECT_TRUE(ids.contains(u"2-2-2"_s)) << "a cut snapshot gives back what it holds";
    const auto lostSide = std::find_if(orphans.begin(), orphans.end(),
                                       [](const auto& o) { return o.id() == u"2-2-3"_s; });
    ASSERT_NE(lostSide, orphans.end());
    EXPECT_TRUE(lostSide->info().path.isEmpty()) << "offered as untitled";
    EXPECT_TRUE(lostSide->info().time.isValid());

    EXPECT_FALSE(QFile::exists(file(u"2-2-1.rtf"_s)));
    EXPECT_FALSE(QFile::exists(file(u".2-2-1.rtf.Ab12Cd"_s)));
    EXPECT_EQ(readAll(file(u"letter.rtf"_s)), "{\\rtf1 the user's own}");
}

TEST_F(RecoveryFolderTest, AFileWhereTheFolderShouldBeIsReportedAndLeftAlone)
{
    ASSERT_TRUE(QDir().mkpath(home.path() + u"/Parlivox"_s));
    writeFile(folder, "the user's file");
    RecoveryFolder own(folder, u"3-3-1"_s);
    EXPECT_FALSE(own.claim());
    EXPECT_TRUE(own.orphans().empty());
    try {
        own.write("{\\rtf1 x}", at(1));
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.number(), platform::err::PathNotFound);
        EXPECT_TRUE(error.description().contains(folder));
    }
    EXPECT_EQ(readAll(folder), "the user's file");
}

TEST_F(RecoveryFolderTest, AnUnreadableFolderOffersNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    leaveSnapshot(folder, u"4-4-1"_s, "{\\rtf1 x}", at(1));
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::WriteUser));
    EXPECT_TRUE(RecoveryFolder(folder, u"4-4-2"_s).orphans().empty());
    QFile::setPermissions(folder, QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

TEST_F(RecoveryFolderTest, TheWriterWritesAndRemovesInTheOrderAskedAndReportsFailures)
{
    RecoveryFolder own(folder, u"5-5-1"_s);
    recovery::SnapshotWriter writer(own);
    int written = 0;
    QStringList failures;
    QObject::connect(&writer, &recovery::SnapshotWriter::written, &writer, [&] { ++written; });
    QObject::connect(&writer, &recovery::SnapshotWriter::failed, &writer,
                     [&](const QString& description) { failures << description; });
    QTextDocument document(u"kept"_s);
    writer.write(platform::copyDocument(document), at(1));
    writer.remove();
    writer.wait();
    EXPECT_FALSE(QFile::exists(own.snapshotPath()));
    const QDeadlineTimer deadline(5000);
    while (writer.pending() > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_EQ(written, 1);

    const QString notAFolder = home.path() + u"/blocked"_s;
    writeFile(notAFolder, "a file");
    RecoveryFolder blocked(notAFolder, u"5-5-2"_s);
    recovery::SnapshotWriter failing(blocked);
    QObject::connect(&failing, &recovery::SnapshotWriter::failed, &failing,
                     [&](const QString& description) { failures << description; });
    failing.write(platform::copyDocument(document), at(2));
    failing.wait();
    while (failing.pending() > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(notAFolder));
}

// A folder others may open, or another user's, is neither written to nor
// believed: its snapshots are not offered and stay as they are.
TEST_F(RecoveryFolderTest, AFolderThatIsNotPrivateIsNeitherUsedNorBelieved)
{
    leaveSnapshot(folder, u"5-5-1"_s, "{\\rtf1 planted}", at(1));
    const QByteArray name = QFile::encodeName(folder);
    const auto refuses = [&](const char* why) {
        SCOPED_TRACE(why);
        RecoveryFolder own(folder, u"5-5-2"_s);
        EXPECT_FALSE(own.claim());
        EXPECT_TRUE(own.untrusted());
        EXPECT_TRUE(own.orphans().empty());
        try {
            own.write("{\\rtf1 mine}", at(2));
            ADD_FAILURE() << "written";
        } catch (const platform::Error& error) {
            EXPECT_EQ(error.description(), own.untrustedText());
        }
        EXPECT_FALSE(QFile::exists(own.snapshotPath()));
        EXPECT_TRUE(QFile::exists(file(u"5-5-1.rtf"_s)));
    };
    ::chmod(name.constData(), 0755);
    refuses("mode 0755");
    ::chmod(name.constData(), 0700);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(name.constData(), 65534, 65534), 0);
        refuses("another user's");
        ASSERT_EQ(::chown(name.constData(), 0, 0), 0);
    }
    EXPECT_EQ(RecoveryFolder(folder, u"5-5-3"_s).orphans().size(), 1u) << "private again";
}

// What the folder holds is read without following links, and a side file's
// path is only a suggestion.
TEST_F(RecoveryFolderTest, ALinkedSnapshotIsNotFollowedAndASideFilesPathIsOnlyASuggestion)
{
    leaveSnapshot(folder, u"6-6-1"_s, "{\\rtf1 x}", at(1));
    const QString secret = home.path() + u"/secret.rtf"_s;
    writeFile(secret, "{\\rtf1 not for the recovery}");
    ASSERT_TRUE(QFile::remove(file(u"6-6-1.rtf"_s)));
    ASSERT_TRUE(QFile::link(secret, file(u"6-6-1.rtf"_s)));

    const QString pipe = home.path() + u"/pipe"_s;
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString letter = home.path() + u"/letter.rtf"_s;
    writeFile(letter, "{\\rtf1 saved}");
    leaveSnapshot(folder, u"6-6-2"_s, "{\\rtf1 a}", at(2, pipe));
    leaveSnapshot(folder, u"6-6-3"_s, "{\\rtf1 b}", at(3, home.path()));
    leaveSnapshot(folder, u"6-6-4"_s, "{\\rtf1 c}", at(4, letter));

    QStringList offered;
    for (const recovery::Orphan& orphan : RecoveryFolder(folder, u"6-6-9"_s).orphans())
        offered << orphan.id() + u'=' + orphan.info().path;
    EXPECT_EQ(offered, QStringList({u"6-6-4="_s + letter, u"6-6-3="_s, u"6-6-2="_s}));
    EXPECT_TRUE(QFileInfo(file(u"6-6-1.rtf"_s)).isSymLink()) << "left alone";
    EXPECT_EQ(readAll(secret), "{\\rtf1 not for the recovery}");
}
