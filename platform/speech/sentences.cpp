#include "platform/speech/sentences.h"

#include <algorithm>
#include <cmath>

namespace platform::speech {
namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator || c == u'\f' || c == u'\v';
}

bool isSentenceMark(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\u2026' || c == u'\u3002' ||
           c == u'\uFF01' || c == u'\uFF1F';
}

bool isCloser(QChar c)
{
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == u'}' || c == u'\u201D' ||
           c == u'\u2019' || c == u'\u00BB';
}

} // namespace

qsizetype skipBlanks(QStringView text, qsizetype from)
{
    while (from < text.size() && text[from].isSpace())
        ++from;
    return from;
}

qsizetype sentenceEnd(QStringView text, qsizetype begin, qsizetype maxLength)
{
    const qsizetype size = text.size();
    const qsizetype limit = std::min(size, begin + std::max<qsizetype>(maxLength, 1));
    for (qsizetype i = begin; i < limit; ++i) {
        const QChar c = text[i];
        if (isLineBreak(c))
            return i > begin ? i : i + 1;
        if (!isSentenceMark(c))
            continue;
        // A run of marks counts toward the length limit like any other text.
        qsizetype end = i + 1;
        while (end < limit && (isSentenceMark(text[end]) || isCloser(text[end])))
            ++end;
        if (end == size || (end < size && text[end].isSpace()))
            return end;
        i = end - 1;
    }
    if (limit == size)
        return size;
    // No sentence end within reach: cut after the last word that fits.
    for (qsizetype i = limit; i > begin + 1; --i) {
        if (text[i - 1].isSpace())
            return i;
    }
    // One enormous word: cut it, but never between the halves of a surrogate pair.
    const qsizetype cut = text[limit - 1].isHighSurrogate() ? limit - 1 : limit;
    return cut > begin ? cut : std::min(size, limit + 1);
}

qsizetype countSentences(QStringView text, qsizetype from)
{
    qsizetype count = 0;
    for (qsizetype pos = skipBlanks(text, from); pos < text.size();
         pos = skipBlanks(text, sentenceEnd(text, pos)))
        ++count;
    return count;
}

int wordsPerMinute(long rate)
{
    const double r = std::clamp(rate, -10L, 10L);
    const double wpm = 175.0 * std::pow(3.0, r / 10.0);
    return static_cast<int>(std::lround(std::clamp(wpm, 80.0, 900.0)));
}

} // namespace platform::speech
