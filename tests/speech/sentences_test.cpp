#include "platform/speech/sentences.h"

#include <QString>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::speech::countSentences;
using platform::speech::sentenceEnd;
using platform::speech::wordsPerMinute;

namespace {

/// The sentences of text, as sentenceEnd cuts them.
QStringList sentences(const QString& text, qsizetype maxLength = 600)
{
    QStringList out;
    qsizetype pos = platform::speech::skipBlanks(text, 0);
    while (pos < text.size()) {
        const qsizetype end = sentenceEnd(text, pos, maxLength);
        EXPECT_GT(end, pos);
        out << text.mid(pos, end - pos).trimmed();
        pos = platform::speech::skipBlanks(text, end);
    }
    return out;
}

} // namespace

TEST(Sentences, EndAfterStopsQuestionAndExclamationMarksFollowedBySpace)
{
    EXPECT_EQ(sentences(u"One. Two? Three! Four"_s),
              (QStringList{u"One."_s, u"Two?"_s, u"Three!"_s, u"Four"_s}));
}

TEST(Sentences, MarksInsideWordsAndNumbersDoNotEndASentence)
{
    EXPECT_EQ(sentences(u"Pi is 3.14 at www.example.org today. Next"_s),
              (QStringList{u"Pi is 3.14 at www.example.org today."_s, u"Next"_s}));
}

TEST(Sentences, ClosingQuotesAndRepeatedMarksStayWithTheirSentence)
{
    EXPECT_EQ(sentences(u"He said \"Stop!\" Then?! \u201CYes.\u201D (Fine.) End"_s),
              (QStringList{u"He said \"Stop!\""_s, u"Then?!"_s, u"\u201CYes.\u201D"_s, u"(Fine.)"_s,
                           u"End"_s}));
}

TEST(Sentences, LineBreaksEndSentencesAndBlankLinesAreNotSentences)
{
    EXPECT_EQ(sentences(u"Title ;\r\n\r\n  Body text\nlast\u2029para"_s),
              (QStringList{u"Title ;"_s, u"Body text"_s, u"last"_s, u"para"_s}));
    EXPECT_EQ(countSentences(u" \r\n \t "_s, 0), 0);
}

TEST(Sentences, ALongRunWithoutAnEndIsCutAfterItsLastWordThatFits)
{
    EXPECT_EQ(sentences(u"aaa bbb ccc ddd"_s, 9), (QStringList{u"aaa bbb"_s, u"ccc ddd"_s}));
    // One enormous word is cut at the limit, never inside a surrogate pair.
    const QString word = QString(7, u'x') + u"\U0001F600"_s + u"yy"_s;
    const qsizetype end = sentenceEnd(word, 0, 8);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(sentenceEnd(word, end, 8), word.size());
}

TEST(Sentences, ALongRunOfMarksIsCutAtTheLimitToo)
{
    const QStringList cut = sentences(QString(5000, u'.') + u"x"_s, 600);
    ASSERT_FALSE(cut.isEmpty());
    for (const QString& sentence : cut)
        EXPECT_LE(sentence.size(), 600);
    EXPECT_EQ(cut.join(QString()).size(), 5001);
}

TEST(Sentences, CountingAgreesWithCutting)
{
    const QString text = u"A b. C d!\nE \"f.\" G"_s;
    EXPECT_EQ(countSentences(text, 0), sentences(text).size());
    EXPECT_EQ(countSentences(text, 5), 3);
}

TEST(Sentences, RatesMapToWordsPerMinuteWithinTheSynthesizersRange)
{
    EXPECT_EQ(wordsPerMinute(0), 175);
    EXPECT_EQ(wordsPerMinute(10), 525);
    EXPECT_EQ(wordsPerMinute(5), 303);
    EXPECT_EQ(wordsPerMinute(-10), 80); // 58 is below what the synthesizer can do
    EXPECT_EQ(wordsPerMinute(-3), 126);
    EXPECT_EQ(wordsPerMinute(400), 525);
    EXPECT_EQ(wordsPerMinute(-400), 80);
}
