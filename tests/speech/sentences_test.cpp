#include "platform/speech/sentences.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::speech::SentenceSplitter;
using platform::speech::wordsPerMinute;

namespace {

/// The sentences of text as a splitter for language cuts them, trimmed.
QStringList sentences(const QString& text, qsizetype maxLength = 600,
                      const char* language = "en-gb")
{
    SentenceSplitter splitter(language);
    QStringList out;
    qsizetype pos = platform::speech::skipBlanks(text, 0);
    while (pos < text.size()) {
        const qsizetype end = splitter.end(text, pos, maxLength);
        EXPECT_GT(end, pos);
        out << text.mid(pos, end - pos).trimmed();
        pos = platform::speech::skipBlanks(text, end);
    }
    if (maxLength == platform::speech::maxSentenceLength) {
        EXPECT_EQ(splitter.count(text, 0), out.size()) << "counting agrees with cutting";
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
    EXPECT_EQ(sentences(u"Pi is 3.14 at www.example.org today. It cost 5.50 in 1999. Next"_s),
              (QStringList{u"Pi is 3.14 at www.example.org today."_s, u"It cost 5.50 in 1999."_s,
                           u"Next"_s}));
}

TEST(Sentences, EnglishAbbreviationsAndInitialsDoNotEndASentence)
{
    EXPECT_EQ(sentences(u"Mr. Bennet replied. Mrs. Long met Dr. Watson at St. Paul's, e.g. at "
                        "noon, i.e. late, etc. Then No. 5 came. J. R. R. Tolkien wrote it. "
                        "The army left the U.S. at 5 p.m. It rained."_s),
              (QStringList{u"Mr. Bennet replied."_s,
                           u"Mrs. Long met Dr. Watson at St. Paul's, e.g. at noon, i.e. late, etc. "
                           "Then No. 5 came."_s,
                           u"J. R. R. Tolkien wrote it."_s, u"The army left the U.S. at 5 p.m."_s,
                           u"It rained."_s}));
    // Two spaces or a line's end change nothing of that, and an unknown
    // word ending in the same letters is no abbreviation.
    EXPECT_EQ(
        sentences(u"Ask Mr.  Darcy. Dear Mr.\r\nBennet. Amr. Said."_s),
        (QStringList{u"Ask Mr.  Darcy."_s, u"Dear Mr."_s, u"Bennet."_s, u"Amr."_s, u"Said."_s}));
}

TEST(Sentences, DialogueQuotesAndEllipsesEndWhereAListenerHearsAnEnd)
{
    EXPECT_EQ(sentences(u"\"Stop!\" he said. He said \"Stop!\" Then?! \u201CYes.\u201D (Fine.) "
                        "Wait... What? Well\u2026 he left. \"Why?\" She ran."_s),
              (QStringList{u"\"Stop!\" he said."_s, u"He said \"Stop!\""_s, u"Then?!"_s,
                           u"\u201CYes.\u201D"_s, u"(Fine.)"_s, u"Wait..."_s, u"What?"_s,
                           u"Well\u2026 he left."_s, u"\"Why?\""_s, u"She ran."_s}));
}

TEST(Sentences, APageOfDialogueIsCutIntoTheSentencesHeard)
{
    // As the engine is given it: every paragraph break a pause " ;".
    const QString page =
        u"\u201CMy dear Mr. Bennet,\u201D said his lady to him one day, \u201Chave you heard "
        "that Netherfield Park is let at last?\u201D ;\n"
        "Mr. Bennet replied that he had not. ;\n"
        " ;\n"
        "\u201CBut it is,\u201D returned she; \u201Cfor Mrs. Long has just been here, and she "
        "told me all about it.\u201D ;\n"
        "Mr. Bennet made no answer. ;\n"
        "\u201CDo you not want to know who has taken it?\u201D cried his wife impatiently. ;\n"
        "\u201CYou want to tell me, and I have no objection to hearing it.\u201D ;\n"
        "This was invitation enough. Dr. Jones, of St. Albans, agreed. ;\n"_s;
    const QStringList found = sentences(page);
    EXPECT_EQ(
        found,
        (QStringList{u"\u201CMy dear Mr. Bennet,\u201D said his lady to him one day, "
                     "\u201Chave you heard that Netherfield Park is let at last?\u201D ;"_s,
                     u"Mr. Bennet replied that he had not. ;\n ;"_s,
                     u"\u201CBut it is,\u201D returned she; \u201Cfor Mrs. Long has just been "
                     "here, and she told me all about it.\u201D ;"_s,
                     u"Mr. Bennet made no answer. ;"_s,
                     u"\u201CDo you not want to know who has taken it?\u201D cried his wife "
                     "impatiently. ;"_s,
                     u"\u201CYou want to tell me, and I have no objection to hearing "
                     "it.\u201D ;"_s,
                     u"This was invitation enough."_s, u"Dr. Jones, of St. Albans, agreed. ;"_s}));
}

TEST(Sentences, LineBreaksEndSentencesAndAWordlessPieceIsNeverASentenceOfItsOwn)
{
    EXPECT_EQ(sentences(u"Title ;\r\n\r\n  Body text\nlast\u2029para"_s),
              (QStringList{u"Title ;"_s, u"Body text"_s, u"last"_s, u"para"_s}));
    // The pause of a paragraph break and a row of stars go with the sentence
    // before them, or at the start with the one after.
    EXPECT_EQ(sentences(u" ;\n ;\nOne. ;\n ;\n* * * ;\nTwo! ;\n ;\n"_s),
              (QStringList{u";\n ;\nOne. ;\n ;\n* * * ;"_s, u"Two! ;\n ;"_s}));
    EXPECT_EQ(SentenceSplitter("en").count(u" \r\n \t "_s, 0), 0);
    EXPECT_EQ(SentenceSplitter("en").count(u" ;\n"_s, 0), 1) << "spoken, though silent";
}

TEST(Sentences, ALongRunWithoutAnEndIsCutAfterItsLastWordThatFits)
{
    EXPECT_EQ(sentences(u"aaa bbb ccc ddd"_s, 9), (QStringList{u"aaa bbb"_s, u"ccc ddd"_s}));
    // One enormous word is cut at the limit, never inside a surrogate pair.
    const QString word = QString(7, u'x') + u"\U0001F600"_s + u"yy"_s;
    SentenceSplitter splitter;
    const qsizetype end = splitter.end(word, 0, 8);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(splitter.end(word, end, 8), word.size());
    // A run of marks is cut at the limit too, and wordless runs never grow past it.
    const QStringList cut = sentences(QString(5000, u'.') + u"x"_s, 600);
    ASSERT_FALSE(cut.isEmpty());
    for (const QString& sentence : cut)
        EXPECT_LE(sentence.size(), 600);
    EXPECT_EQ(cut.join(QString()).size(), 5001);
}

TEST(Sentences, OtherLanguagesUseTheirOwnAbbreviationsAndUnknownTagsTheCommonRules)
{
    EXPECT_EQ(sentences(u"Das ist z.B. gut. Dr. Müller kommt."_s, 600, "de"),
              (QStringList{u"Das ist z.B. gut."_s, u"Dr. Müller kommt."_s}));
    // A language ICU keeps no abbreviations for gets none, not the user's.
    for (const char* unknown : {"qdb", "xx-invalid-"}) {
        EXPECT_EQ(sentences(u"Mr. Bennet. Dr. Who."_s, 600, unknown),
                  (QStringList{u"Mr."_s, u"Bennet."_s, u"Dr."_s, u"Who."_s}))
            << unknown;
    }
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
