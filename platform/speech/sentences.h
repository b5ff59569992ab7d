#pragma once

#include <QStringView>

namespace platform::speech {

/// The longest piece of text handed to the synthesizer at once when the text
/// has no sentence end for a long stretch.
inline constexpr qsizetype maxSentenceLength = 600;

/// The first position at or after from that is not white space (text.size()
/// when there is none).
qsizetype skipBlanks(QStringView text, qsizetype from);

/// Where the sentence that starts at begin ends (exclusive): after a full
/// stop, question or exclamation mark (with any closing quotes or brackets)
/// that is followed by white space, at a line break, or at the end of the
/// text. A sentence longer than maxLength is cut at its last white space
/// before that length, or at maxLength when it has none.
qsizetype sentenceEnd(QStringView text, qsizetype begin, qsizetype maxLength = maxSentenceLength);

/// Counts the sentences sentenceEnd finds from position from on.
qsizetype countSentences(QStringView text, qsizetype from);

/// The synthesizer's speed in words per minute for a rate of -10..10
/// (0 is the normal 175, each step of 10 triples or thirds it), kept within
/// what the synthesizer can do (80..900). Rates outside -10..10 count as the
/// nearest end.
int wordsPerMinute(long rate);

} // namespace platform::speech
