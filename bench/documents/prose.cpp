// Prose for benchmarks: plausible sentences from small word lists, so that
// a long book costs what a real one costs to read and lay out.
#include "prose.h"

#include <random>

namespace bench {
namespace {

const char* const subjects[] = {
    "Margaret", "the old man",       "her brother", "the captain",  "nobody in the village",
    "Thomas",   "the doctor's wife", "a stranger",  "the children", "Eleanor"};
const char* const verbs[] = {
    "walked slowly towards", "looked at",     "remembered",           "could not forget",
    "spoke quietly about",   "waited beside", "wrote a letter about", "laughed at",
    "thought often of",      "returned to"};
const char* const objects[] = {"the house on the hill",   "the river in winter",
                               "the empty station",       "a promise made years ago",
                               "the garden gate",         "the harbour lights",
                               "the letter on the table", "the long road north",
                               "the music of the fair",   "the last train"};
const char* const tails[] = {"before the rain began",         "as the evening grew cold",
                             "without saying a word",         "while the bells rang",
                             "though it was already late",    "and the dog followed",
                             "until the candles burned down", "in the grey light of morning"};
const char* const speech[] = {"I never meant to stay so long",     "Do you hear the sea tonight",
                              "We shall see what tomorrow brings", "It was not my fault, you know",
                              "Come inside before you catch cold", "Tell me everything"};

} // namespace

Novel writeNovel(int chapterCount, int wordsPerChapter, unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](const auto& list) {
        return QString::fromLatin1(list[random() % std::size(list)]);
    };
    Novel novel;
    novel.title = QStringLiteral("The Harbour Lights");
    for (int c = 1; c <= chapterCount; ++c) {
        novel.chapterTitles.append(QStringLiteral("Chapter %1").arg(c));
        QStringList paragraphs;
        qsizetype words = 0;
        while (words < wordsPerChapter) {
            QString paragraph;
            const int sentences = 3 + int(random() % 6);
            for (int s = 0; s < sentences; ++s) {
                QString sentence;
                if (random() % 5 == 0) {
                    sentence = u'\u201C' + pick(speech) + (random() % 2 ? u"," : u"?") + u'\u201D' +
                               u' ' + pick(subjects) + QStringLiteral(" said.");
                } else {
                    sentence = pick(subjects) + u' ' + pick(verbs) + u' ' + pick(objects) + u' ' +
                               pick(tails) + u'.';
                }
                sentence[0] = sentence[0].toUpper();
                if (!paragraph.isEmpty())
                    paragraph += u' ';
                paragraph += sentence;
            }
            words += paragraph.count(u' ') + 1;
            paragraphs.append(paragraph);
        }
        novel.words += words;
        novel.chapters.push_back(paragraphs);
    }
    return novel;
}

} // namespace bench
