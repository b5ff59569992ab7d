#include "parlivox/recovery/logic/snapshotrules.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using recovery::SnapshotSchedule;

TEST(SideFile, RecordsPathFormatAndTimeAndRefusesAnythingElse)
{
    const recovery::SnapshotInfo info{u"/home/ann/letters/to \"Bob\"\nnew.txt"_s, u"txt"_s,
                                      QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 500))};
    EXPECT_EQ(recovery::parseSideFile(recovery::sideFileText(info)), info);
    recovery::SnapshotInfo fromWord = info;
    fromWord.converted = true;
    EXPECT_EQ(recovery::parseSideFile(recovery::sideFileText(fromWord)), fromWord);

    const QByteArray text = recovery::sideFileText(info);
    for (const QByteArray& damaged :
         {QByteArray(), QByteArray("garbage"), text.left(text.size() / 2),
          QByteArray(R"({"path": "/a.rtf", "format": "rtf"})"),
          QByteArray(R"({"path": 5, "format": "rtf", "time": "2026-03-14T15:09:26Z"})")})
        EXPECT_FALSE(recovery::parseSideFile(damaged)) << damaged.constData();
    // A format that is no extension falls back to RTF, the snapshot's own.
    EXPECT_EQ(
        recovery::parseSideFile(R"({"path": "", "format": "", "time": "2026-03-14T15:09:26Z"})")
            ->fileType,
        u"rtf"_s);
}

TEST(SnapshotFiles, OnlyNamesThisProgramMakesAreSnapshots)
{
    const QString id = recovery::newInstanceId(4242, 1710425366123, 1);
    EXPECT_EQ(recovery::idOfSnapshotFile(recovery::snapshotFileName(id)), id);
    const QStringList others{u"letter.rtf"_s, u"."_s + id + u".rtf.Ab12Cd"_s,
                             recovery::sideFileName(id), recovery::lockFileName(id)};
    for (const QString& other : others)
        EXPECT_FALSE(recovery::idOfSnapshotFile(other)) << other.toStdString();
    EXPECT_NE(recovery::newInstanceId(4242, 1710425366123, 2), id);
}

TEST(RecoveryOffer, NamesTheDocumentOrUntitledAndWhenItWasLeft)
{
    const QDateTime time(QDate(2026, 3, 14), QTime(15, 9));
    const QLocale locale(QLocale::English, QLocale::UnitedKingdom);
    EXPECT_EQ(recovery::offerText({u"/home/ann/letter.rtf"_s, u"rtf"_s, time}, locale),
              u"Parlivox closed without saving the changes to /home/ann/letter.rtf (14/03/2026 "
              u"15:09). Recover them?"_s);
    EXPECT_EQ(recovery::offerText({QString(), u"rtf"_s, time}, locale),
              u"Parlivox closed without saving the changes to Untitled (14/03/2026 15:09). "
              u"Recover them?"_s);
}

TEST(SnapshotSchedule, WritesAFewSecondsAfterTypingPauses)
{
    SnapshotSchedule schedule;
    EXPECT_FALSE(schedule.due());
    schedule.edited(1000);
    schedule.edited(2000);
    EXPECT_EQ(schedule.due(), 5000) << "three seconds after the last key";
    schedule.taken(5000);
    EXPECT_FALSE(schedule.due()) << "the snapshot holds every edit";
}

TEST(SnapshotSchedule, TypingWithoutPausesIsKeptEveryThirtySecondsAndNoMoreOften)
{
    SnapshotSchedule schedule;
    for (qint64 t = 0; t <= 60000; t += 200)
        schedule.edited(t);
    EXPECT_EQ(schedule.due(), 30000) << "thirty seconds after the first edit";

    schedule.taken(30000);
    schedule.edited(31000);
    EXPECT_EQ(schedule.due(), 60000) << "a pause right after a snapshot waits for the interval";
}

TEST(SnapshotSchedule, AFailedWriteIsTriedAgainAnIntervalLaterAndSettlingEndsIt)
{
    SnapshotSchedule schedule;
    schedule.edited(0);
    schedule.taken(3000);
    schedule.failed(3500);
    EXPECT_EQ(schedule.due(), 33500) << "thirty seconds after the failure";
    schedule.written();
    schedule.settled();
    EXPECT_FALSE(schedule.due());
}
