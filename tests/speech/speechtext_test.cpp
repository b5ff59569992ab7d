#include "parlivox/speech/speechtext.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QTime startTime(15, 9, 26);
const QDate startDate(2026, 3, 14);
const QLocale us(QLocale::English, QLocale::UnitedStates);

QString prepare(const QString& text, const QLocale& locale = us)
{
    return speechtext::prepare(text, startTime, startDate, locale);
}

} // namespace

TEST(SpeechText, TimeAndDateMacrosBecomeTheStartsTimeAndDateAtEveryOccurrence)
{
    const QString t = speechtext::timeText(startTime, us);
    const QString d = speechtext::dateText(startDate, us);
    EXPECT_EQ(prepare(u"At $time$ on $date$, again $time$."_s),
              u"At "_s + t + u" on "_s + d + u", again "_s + t + u"."_s);
}

TEST(SpeechText, MacrosAreMatchedExactly)
{
    EXPECT_EQ(prepare(u"$TIME$ $Date$ $time $date"_s), u"$TIME$ $Date$ $time $date"_s);
}

TEST(SpeechText, TimeFollowsTheLocaleAndCarriesNoTimeZone)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(speechtext::timeText(startTime, german), u"15:09:26"_s);
    EXPECT_EQ(speechtext::dateText(startDate, german),
              german.toString(startDate, QLocale::ShortFormat));
    const QString usTime = speechtext::timeText(startTime, us);
    EXPECT_TRUE(usTime.startsWith(u"3:09:26"_s)) << usTime.toStdString();
    EXPECT_TRUE(usTime.endsWith(u"PM"_s)) << usTime.toStdString();
    EXPECT_EQ(speechtext::dateText(startDate, us), u"3/14/26"_s);
}

TEST(SpeechText, MicroSignIsSpokenAsMicroButGreekMuIsLeftAlone)
{
    EXPECT_EQ(prepare(u"5 \u00B5m and \u03BC"_s), u"5 Microm and \u03BC"_s);
}

TEST(SpeechText, CarriageReturnsBecomeSemicolonPausesAndLineFeedsStay)
{
    EXPECT_EQ(prepare(u"one\r\ntwo\nthree\rfour"_s), u"one ;\ntwo\nthree ;four"_s);
}

TEST(SpeechText, EverythingElseReachesTheEngineUnchanged)
{
    const QString text = u"\u00A9 2026 Parlivox\u00AE <b>&amp; $ $$time"_s;
    EXPECT_EQ(prepare(text), text);
    EXPECT_EQ(prepare(QString()), QString());
}
