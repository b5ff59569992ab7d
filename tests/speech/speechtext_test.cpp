#include "parlivox/speech/logic/speechtext.h"

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

TEST(SpeechText, MappedPreparationSpeaksTheSameTextAndMapsItBackToTheEditor)
{
    for (const QString& text :
         {u"Hi $time$.\r\n\u00B5m \U0001F600 end"_s, u"$date$time$ and $time$date$"_s,
          u"\r\r\n\n$$time$$"_s, QString()}) {
        EXPECT_EQ(speechtext::prepareMapped(text, startTime, startDate, us, 0).text, prepare(text))
            << text.toStdString();
    }

    // In the editor, from position 5: "Hi $time$." is 5..14, its paragraph
    // break 15, "µm" 16..17, the emoji (a surrogate pair) 19..20, "end" 22..24.
    const QString t = speechtext::timeText(startTime, us);
    const speechtext::PreparedText prepared = speechtext::prepareMapped(
        u"Hi $time$.\r\n\u00B5m \U0001F600 end"_s, startTime, startDate, us, 5);
    ASSERT_EQ(prepared.text, u"Hi "_s + t + u". ;\nMicrom \U0001F600 end"_s);
    const auto at = [&prepared](const QString& word) {
        return prepared.map.toEditor(prepared.text.indexOf(word), word.size());
    };
    using Span = std::pair<qsizetype, qsizetype>;
    EXPECT_EQ(at(u"Hi"_s), (Span{5, 7}));
    EXPECT_EQ(at(t), (Span{8, 14})) << "the macro's replacement marks the macro";
    EXPECT_EQ(prepared.map.toEditor(prepared.text.indexOf(t) + 2, 1), (Span{8, 14}));
    EXPECT_EQ(at(u"Microm"_s), (Span{16, 18}));
    EXPECT_EQ(at(u"\U0001F600"_s), (Span{19, 21}));
    EXPECT_EQ(at(u"end"_s), (Span{22, 25}));
}

TEST(SpeechText, EditorPositionsMapToWhereTheirTextIsSpoken)
{
    // "Hi $time$." at 5..14, its paragraph break 15, "µm" 16..17 and its
    // break 18, a blank line 19, "end" 20..22.
    const QString t = speechtext::timeText(startTime, us);
    const speechtext::PreparedText prepared = speechtext::prepareMapped(
        u"Hi $time$.\r\n\u00B5m\r\n\r\nend"_s, startTime, startDate, us, 5);
    const QString& spoken = prepared.text;
    EXPECT_EQ(prepared.map.toSpoken(5), 0);
    EXPECT_EQ(prepared.map.toSpoken(11), spoken.indexOf(t)) << "inside a macro: where it begins";
    EXPECT_EQ(prepared.map.toSpoken(16), spoken.indexOf(u"Micro"_s));
    EXPECT_EQ(prepared.map.toSpoken(20), spoken.indexOf(u"end"_s));
    EXPECT_EQ(prepared.map.toSpoken(0), 0) << "before the text: its start";
    // Every editor position outside a replaced piece comes back to itself.
    for (qsizetype position : {5, 6, 14, 15, 17, 18, 19, 20, 22})
        EXPECT_EQ(prepared.map.toEditor(prepared.map.toSpoken(position), 0).first, position)
            << position;
}

TEST(SpeechText, ANoteMarkBecomesASpaceThatMapsBackToTheMark)
{
    // From editor position 7: "x", its paragraph break, "daughters" at 9..17
    // with its mark "12" at 18..19, "were" at 21..24.
    const speechtext::PreparedText prepared = speechtext::prepareMapped(
        u"x\r\ndaughters12 were"_s, startTime, startDate, us, 7, {{18, 2, true}});
    ASSERT_EQ(prepared.text, u"x ;\ndaughters  were"_s);
    using Span = std::pair<qsizetype, qsizetype>;
    const auto at = [&prepared](const QString& word) {
        return prepared.map.toEditor(prepared.text.indexOf(word), word.size());
    };
    EXPECT_EQ(at(u"daughters"_s), (Span{9, 18}));
    EXPECT_EQ(at(u"were"_s), (Span{21, 25}));
    EXPECT_EQ(prepared.map.toSpoken(21), prepared.text.indexOf(u"were"_s));
}
