#include "platform/speech/sentences.h"

#include <unicode/brkiter.h>
#include <unicode/filteredbrk.h>
#include <unicode/locid.h>
#include <unicode/udata.h>
#include <unicode/ures.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::speech {
namespace {

constexpr bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029' || c == u'\f' || c == u'\v';
}

constexpr bool isSentenceMark(char16_t c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\u2026' || c == u'\u3002' ||
           c == u'\uFF01' || c == u'\uFF1F';
}

bool isCloser(char16_t c)
{
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == u'}' || c == u'\u201D' ||
           c == u'\u2019' || c == u'\u00BB';
}

bool isOpener(char16_t c)
{
    return c == u'"' || c == u'\'' || c == u'(' || c == u'[' || c == u'{' || c == u'\u201C' ||
           c == u'\u2018' || c == u'\u00AB';
}

/// What the scan needs to know of a character, looked up for ASCII.
enum class Kind : unsigned char { Other, Word, LineBreak, Mark };

constexpr std::array<Kind, 128> asciiKinds = [] {
    std::array<Kind, 128> kinds{};
    for (char16_t c = 0; c < 128; ++c) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            kinds[c] = Kind::Word;
        else if (isLineBreak(c))
            kinds[c] = Kind::LineBreak;
        else if (isSentenceMark(c))
            kinds[c] = Kind::Mark;
    }
    return kinds;
}();

[[gnu::noinline]] Kind kindOfNonAscii(char16_t c)
{
    if (isLineBreak(c))
        return Kind::LineBreak;
    if (isSentenceMark(c))
        return Kind::Mark;
    return QChar(c).isLetterOrNumber() ? Kind::Word : Kind::Other;
}

/// Every character of a text passes here: ASCII is one look-up.
inline Kind kindOf(char16_t c)
{
    return c < 128 ? asciiKinds[c] : kindOfNonAscii(c);
}

/// The abbreviations after which a full stop does not end a sentence, as
/// ICU keeps them for a language, for a quick look before ICU is asked.
struct Suppressions {
    std::vector<std::u16string> words; ///< sorted, each with its full stop
    std::size_t longest = 0;
    /// Lengths and first letters that occur, so that most words need no search.
    std::bitset<1024> seen;

    static std::size_t slot(std::size_t length, char16_t first)
    {
        return (length * 31 + first) % 1024;
    }
    void add(std::u16string word)
    {
        if (word.empty())
            return;
        longest = std::max(longest, word.size());
        seen.set(slot(word.size(), word.front()));
        words.push_back(std::move(word));
    }
    /// The word's place in words, or -1.
    int indexOf(std::u16string_view word) const
    {
        if (word.empty() || word.size() > longest || !seen.test(slot(word.size(), word.front())))
            return -1;
        const auto found = std::lower_bound(words.begin(), words.end(), word);
        return found != words.end() && *found == word ? static_cast<int>(found - words.begin())
                                                      : -1;
    }
};

/// English abbreviations ICU's list lacks (it has "Mr.", "Mrs.", "Ms." and
/// capitalised "E.g.", "Etc." among many).
constexpr std::u16string_view englishExtras[] = {u"Dr.",  u"St.", u"e.g.", u"i.e.",
                                                 u"etc.", u"No.", u"Jr.",  u"Sr."};

/// ICU's own list for a locale, as its filter builder reads it. False when
/// ICU has none for the locale's language (it would then fall back on the
/// process's default locale).
bool addIcuSuppressions(const icu::Locale& locale, Suppressions& out)
{
    for (const char* name : {locale.getBaseName(), locale.getLanguage()}) {
        UErrorCode status = U_ZERO_ERROR;
        icu::LocalUResourceBundlePointer bundle(
            ures_open(U_ICUDATA_NAME U_TREE_SEPARATOR_STRING "brkitr", name, &status));
        const char* found = ures_getLocaleByType(bundle.getAlias(), ULOC_ACTUAL_LOCALE, &status);
        if (U_FAILURE(status) || !found ||
            icu::Locale(found).getLanguage() != std::string_view(locale.getLanguage()))
            continue;
        icu::LocalUResourceBundlePointer exceptions(
            ures_getByKey(bundle.getAlias(), "exceptions", nullptr, &status));
        icu::LocalUResourceBundlePointer list(
            ures_getByKey(exceptions.getAlias(), "SentenceBreak", nullptr, &status));
        if (U_FAILURE(status))
            continue;
        const int32_t count = ures_getSize(list.getAlias());
        for (int32_t i = 0; i < count; ++i) {
            int32_t length = 0;
            UErrorCode itemStatus = U_ZERO_ERROR;
            const UChar* word = ures_getStringByIndex(list.getAlias(), i, &length, &itemStatus);
            if (U_SUCCESS(itemStatus) && length > 0)
                out.add(std::u16string(word, static_cast<std::size_t>(length)));
        }
        return true;
    }
    return false;
}

/// What a language's splitters share: ICU's filtered sentence iterator to
/// clone, and the abbreviations it knows.
struct LanguageRules {
    std::unique_ptr<icu::BreakIterator> iterator; ///< null when ICU has no rules
    std::shared_ptr<const Suppressions> suppressions;
};

LanguageRules buildRules(std::string_view language)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(
        icu::StringPiece(language.data(), static_cast<int32_t>(language.size())), status);
    if (U_FAILURE(status) || locale.isBogus())
        locale = icu::Locale::getRoot();
    const bool english = std::string_view(locale.getLanguage()) == "en";

    auto suppressions = std::make_shared<Suppressions>();
    // A language ICU keeps no abbreviations for gets none, not those of the
    // user's locale.
    if (!addIcuSuppressions(locale, *suppressions) && !english)
        locale = icu::Locale::getRoot();
    if (english) {
        for (std::u16string_view word : englishExtras)
            suppressions->add(std::u16string(word));
    }
    std::sort(suppressions->words.begin(), suppressions->words.end());

    LanguageRules rules;
    rules.suppressions = std::move(suppressions);
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> base(
        icu::BreakIterator::createSentenceInstance(locale, status));
    std::unique_ptr<icu::FilteredBreakIteratorBuilder> builder(
        icu::FilteredBreakIteratorBuilder::createInstance(locale, status));
    if (U_FAILURE(status) || !base || !builder)
        return rules;
    if (english) {
        for (std::u16string_view word : englishExtras) {
            UErrorCode added = U_ZERO_ERROR;
            builder->suppressBreakAfter(
                icu::UnicodeString(word.data(), static_cast<int32_t>(word.size())), added);
        }
    }
    rules.iterator.reset(builder->wrapIteratorWithFilter(base.release(), status));
    if (U_FAILURE(status))
        rules.iterator.reset();
    return rules;
}

/// Building the rules reads ICU's data: once per language and process.
std::pair<std::unique_ptr<icu::BreakIterator>, std::shared_ptr<const Suppressions>>
rulesFor(std::string_view language)
{
    static std::mutex mutex;
    static std::map<std::string, LanguageRules, std::less<>> cache;
    const std::lock_guard lock(mutex);
    auto found = cache.find(language);
    if (found == cache.end())
        found = cache.emplace(std::string(language), buildRules(language)).first;
    const LanguageRules& rules = found->second;
    return {std::unique_ptr<icu::BreakIterator>(rules.iterator ? rules.iterator->clone() : nullptr),
            rules.suppressions};
}

/// Asking ICU costs a microsecond or two; a text repeats the same few doubts.
constexpr std::size_t maxVerdicts = 4096;
/// How far the scan looks around a mark for the word before it and after it.
constexpr qsizetype contextLength = 40;

} // namespace

struct SentenceSplitter::Rules {
    std::unique_ptr<icu::BreakIterator> iterator;
    std::shared_ptr<const Suppressions> suppressions;
    std::unordered_map<std::u16string, bool> verdicts;
    /// ICU's answers for an abbreviation, its full stop and a word in upper
    /// case, lower case or digits after it (-1 while not asked): the doubt
    /// a text meets most.
    std::vector<signed char> abbreviationVerdicts;

    /// ICU's answer for a mark in a short stretch of text made of the word
    /// before it, the marks, one space and what follows up to a letter.
    bool breaksAfter(const std::u16string& window, qsizetype marksEnd)
    {
        if (!iterator)
            return true;
        if (const auto known = verdicts.find(window); known != verdicts.end())
            return known->second;
        iterator->setText(icu::UnicodeString(window.data(), static_cast<int32_t>(window.size())));
        const bool breaks = iterator->following(static_cast<int32_t>(marksEnd) - 1) ==
                            static_cast<int32_t>(marksEnd) + 1;
        if (verdicts.size() >= maxVerdicts)
            verdicts.clear();
        verdicts.emplace(window, breaks);
        return breaks;
    }
};

SentenceSplitter::SentenceSplitter(std::string_view language) : m_rules(std::make_unique<Rules>())
{
    auto [iterator, suppressions] = rulesFor(language);
    m_rules->iterator = std::move(iterator);
    m_rules->suppressions = std::move(suppressions);
    m_rules->abbreviationVerdicts.assign(m_rules->suppressions->words.size() * 3, -1);
}

SentenceSplitter::~SentenceSplitter() = default;
SentenceSplitter::SentenceSplitter(SentenceSplitter&&) noexcept = default;
SentenceSplitter& SentenceSplitter::operator=(SentenceSplitter&&) noexcept = default;

qsizetype skipBlanks(QStringView text, qsizetype from)
{
    while (from < text.size() && text[from].isSpace())
        ++from;
    return from;
}

bool SentenceSplitter::endsSentence(QStringView text, qsizetype mark, qsizetype runEnd)
{
    const qsizetype size = text.size();
    qsizetype next = runEnd;
    while (next < size && text[next].isSpace() && !isLineBreak(text[next].unicode()))
        ++next;
    if (next >= size || isLineBreak(text[next].unicode()))
        return true; // the line or the text ends here anyway

    qsizetype lastMark = runEnd - 1;
    while (!isSentenceMark(text[lastMark].unicode()))
        --lastMark;
    const bool quoted = lastMark + 1 < runEnd;
    const bool fullStop = text[lastMark] == u'.' || text[lastMark] == u'\u2026';
    // The first letter or digit after the quotes or brackets that open what follows.
    qsizetype letter = next;
    while (letter < size && letter - next < 8 && kindOf(text[letter].unicode()) != Kind::Word &&
           !text[letter].isSpace())
        ++letter;
    const QChar after = letter < size ? text[letter] : QChar();
    if (quoted && after.isLower())
        return false; // "Stop!" he said.
    const char16_t following = text[next].unicode();
    bool doubtful = after.isLower() || following == u',' || following == u';' || following == u':';

    // The word the marks close, without the quotes or brackets that open it.
    qsizetype word = mark;
    signed char* known = nullptr;
    if (fullStop) {
        while (word > 0 && mark - word < contextLength && !text[word - 1].isSpace())
            --word;
        while (word < mark && isOpener(text[word].unicode()))
            ++word;
        if (!quoted && mark - word == 1 && text[word].isUpper() && text[mark] == u'.')
            return false; // an initial
        const int abbreviation = m_rules->suppressions->indexOf(
            std::u16string_view(text.utf16() + word, static_cast<std::size_t>(mark + 1 - word)));
        if (abbreviation >= 0) {
            doubtful = true;
            const int kind = after.isUpper() ? 0 : after.isLower() ? 1 : after.isDigit() ? 2 : -1;
            if (runEnd == mark + 1 && letter == next && kind >= 0)
                known = &m_rules->abbreviationVerdicts[static_cast<std::size_t>(abbreviation) * 3 +
                                                       static_cast<std::size_t>(kind)];
        }
    }
    if (!doubtful)
        return true;
    if (known && *known >= 0)
        return *known != 0;
    const bool breaks = askIcu(text, word, runEnd, next, letter);
    if (known)
        *known = breaks ? 1 : 0;
    return breaks;
}

bool SentenceSplitter::askIcu(QStringView text, qsizetype word, qsizetype runEnd, qsizetype next,
                              qsizetype letter)
{
    // The word and its marks as they are, one space, and what follows up to
    // its first letter or digit by kind: ICU's rules look no further.
    std::u16string window;
    for (qsizetype i = word; i < runEnd; ++i) {
        if (text[i] == u'\u2026')
            window += u"...";
        else
            window += text[i].unicode();
    }
    const auto marksEnd = static_cast<qsizetype>(window.size());
    window += u' ';
    for (qsizetype i = next; i <= letter && i < text.size(); ++i) {
        const QChar c = text[i];
        window += c.isUpper() ? u'A' : c.isLower() ? u'a' : c.isDigit() ? u'1' : c.unicode();
    }
    return m_rules->breaksAfter(window, marksEnd);
}

SentenceSplitter::Piece SentenceSplitter::piece(QStringView text, qsizetype begin,
                                                qsizetype maxLength)
{
    const qsizetype size = text.size();
    const qsizetype limit = std::min(size, begin + std::max<qsizetype>(maxLength, 1));
    bool word = false;
    for (qsizetype i = begin; i < limit; ++i) {
        const char16_t c = text[i].unicode();
        switch (kindOf(c)) {
        case Kind::Word:
            word = true;
            continue;
        case Kind::Other:
            continue;
        case Kind::LineBreak:
            return {i > begin ? i : i + 1, word};
        case Kind::Mark:
            break;
        }
        // A run of marks counts toward the length limit like any other text.
        qsizetype end = i + 1;
        while (end < limit &&
               (isSentenceMark(text[end].unicode()) || isCloser(text[end].unicode())))
            ++end;
        if ((end == size || (end < size && text[end].isSpace())) && endsSentence(text, i, end))
            return {end, word};
        i = end - 1;
    }
    if (limit == size)
        return {size, word};
    // No sentence end within reach: cut after the last word that fits.
    for (qsizetype i = limit; i > begin + 1; --i) {
        if (text[i - 1].isSpace())
            return {i, word};
    }
    // One enormous word: cut it, but never between the halves of a surrogate pair.
    const qsizetype cut = text[limit - 1].isHighSurrogate() ? limit - 1 : limit;
    return {cut > begin ? cut : std::min(size, limit + 1), word};
}

namespace {

/// The end of the piece at from when it holds no letter or digit up to its
/// line break (or the end of the text) within limit.
std::optional<qsizetype> wordlessPieceEnd(QStringView text, qsizetype from, qsizetype limit)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (i >= limit)
            return std::nullopt;
        switch (kindOf(text[i].unicode())) {
        case Kind::LineBreak:
            return i;
        case Kind::Word:
            return std::nullopt;
        default:
            break;
        }
    }
    return text.size() <= limit ? std::optional(text.size()) : std::nullopt;
}

} // namespace

qsizetype SentenceSplitter::end(QStringView text, qsizetype begin, qsizetype maxLength)
{
    const qsizetype size = text.size();
    if (begin >= size)
        return size;
    const qsizetype limit = begin + std::max<qsizetype>(maxLength, 1);
    Piece found = piece(text, begin, maxLength);
    // A wordless piece at the start is spoken with the sentence after it.
    while (!found.hasWord && found.end < size) {
        const qsizetype next = skipBlanks(text, found.end);
        if (next >= std::min(size, limit))
            break;
        found = piece(text, next, limit - next);
    }
    // Wordless pieces after it (a paragraph break's pause) are spoken with it.
    for (qsizetype next = skipBlanks(text, found.end); next < size;
         next = skipBlanks(text, found.end)) {
        const std::optional<qsizetype> wordless = wordlessPieceEnd(text, next, limit);
        if (!wordless)
            break;
        found.end = *wordless;
    }
    return found.end;
}

qsizetype SentenceSplitter::count(QStringView text, qsizetype from)
{
    qsizetype count = 0;
    for (qsizetype pos = skipBlanks(text, from); pos < text.size();
         pos = skipBlanks(text, end(text, pos)))
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
