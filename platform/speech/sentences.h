#pragma once

#include <QStringView>

#include <memory>
#include <string_view>

namespace platform::speech {

/// The longest piece of text handed to the synthesizer at once when the text
/// has no sentence end for a long stretch.
inline constexpr qsizetype maxSentenceLength = 600;

/// The first position at or after from that is not white space (text.size()
/// when there is none).
qsizetype skipBlanks(QStringView text, qsizetype from);

/// Finds sentences as a listener hears them, in the language of a voice.
///
/// A sentence ends after a full stop, question or exclamation mark or
/// ellipsis (with any closing quotes or brackets) that is followed by white
/// space, at a line break, or at the end of the text. Where a full stop may
/// belong to a word rather than end the sentence, ICU's sentence break
/// iterator for the language decides, with ICU's abbreviations that do not
/// end a sentence ("Mr.", "Mrs."; in English also "Dr.", "St.", "e.g.",
/// "i.e.", "etc.", "No."); an initial ("J. R. R. Tolkien") never ends one,
/// nor does a mark inside closing quotes that a lower-case word follows
/// ("\"Stop!\" he said."). A piece without a letter or a digit (the pause a
/// paragraph break leaves, a row of stars) is no sentence of its own: it is
/// spoken with the sentence before it, or the one after it at the start. A
/// sentence longer than the most given is cut at its last white space
/// before that length, or at the length when it has none.
///
/// Not thread-safe: each thread that splits text has a splitter of its own.
class SentenceSplitter {
public:
    /// language: a voice's language tag ("en-gb"); empty or unknown tags
    /// split by ICU's rules for all languages.
    explicit SentenceSplitter(std::string_view language = {});
    ~SentenceSplitter();
    SentenceSplitter(SentenceSplitter&&) noexcept;
    SentenceSplitter& operator=(SentenceSplitter&&) noexcept;

    /// Where the sentence that starts at begin (not white space) ends,
    /// exclusive; after begin unless begin is the end of the text.
    qsizetype end(QStringView text, qsizetype begin, qsizetype maxLength = maxSentenceLength);
    /// How many sentences there are from from on.
    qsizetype count(QStringView text, qsizetype from);

private:
    struct Rules;
    struct Piece {
        qsizetype end;
        bool hasWord;
    };
    /// The next piece: up to a sentence end, a line break or the length limit.
    Piece piece(QStringView text, qsizetype begin, qsizetype maxLength);
    /// Whether the marks [mark, runEnd) followed by white space end a sentence.
    bool endsSentence(QStringView text, qsizetype mark, qsizetype runEnd);
    /// ICU's verdict on the marks that end the word at word, followed at
    /// next by text whose first letter or digit is at letter.
    bool askIcu(QStringView text, qsizetype word, qsizetype runEnd, qsizetype next,
                qsizetype letter);

    std::unique_ptr<Rules> m_rules;
};

/// The synthesizer's speed in words per minute for a rate of -10..10
/// (0 is the normal 175, each step of 10 triples or thirds it), kept within
/// what the synthesizer can do (80..900). Rates outside -10..10 count as the
/// nearest end.
int wordsPerMinute(long rate);

} // namespace platform::speech
