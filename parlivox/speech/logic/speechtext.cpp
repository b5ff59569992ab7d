#include "parlivox/speech/logic/speechtext.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace speechtext {
namespace {

/// Drops the time-zone fields ("t") of a time format, with the spaces that
/// set them apart; quoted literal text is kept as it is.
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't')
            ++i;
        while (out.endsWith(u' '))
            out.chop(1);
    }
    return out.trimmed();
}

bool isSuperscriptDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x00B9 || u == 0x00B2 || u == 0x00B3 || u == 0x2070 || (u >= 0x2074 && u <= 0x2079);
}

bool isMarkCharacter(QChar c)
{
    return c.isDigit() || isSuperscriptDigit(c) || c == u'*' || c == u',' || c == u'-' ||
           c == QChar(0x2020) || c == QChar(0x2021) || c == QChar(0x00A7);
}

/// Punctuation a note's mark follows: the end of a sentence, a clause or a quotation.
bool isMarkAfter(QChar c)
{
    return QStringView(u".,;:!?)]\"'\u201D\u2019\u00BB").contains(c);
}

/// The pieces of superscript digits in text, as candidates for note marks.
void superscriptRuns(QStringView text, std::vector<std::pair<qsizetype, qsizetype>>& runs)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isSuperscriptDigit(text[i]))
            continue;
        qsizetype end = i + 1;
        while (end < text.size() && isSuperscriptDigit(text[end]))
            ++end;
        runs.emplace_back(i, end - i);
        i = end - 1;
    }
}

} // namespace

bool looksLikeNoteMark(QStringView text, qsizetype at, qsizetype length)
{
    if (at <= 0 || length <= 0 || length > 8 || at + length > text.size())
        return false;
    const QStringView mark = text.sliced(at, length);
    // A comma or a dash only joins marks ("1,2", "3-5").
    if (!std::all_of(mark.begin(), mark.end(), isMarkCharacter) || mark.front() == u',' ||
        mark.front() == u'-')
        return false;
    const QChar before = text[at - 1];
    if (isMarkAfter(before))
        return true;
    qsizetype letters = 0;
    for (qsizetype i = at - 1; i >= 0 && letters < 3 && text[i].isLetter(); --i)
        ++letters;
    return letters >= 3;
}

QString timeText(QTime time, const QLocale& locale)
{
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString dateText(QDate date, const QLocale& locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString prepare(QString text, QTime time, QDate date, const QLocale& locale)
{
    // A long document seldom holds a macro or a micro sign: looking for one
    // character first is many times faster than a search for a word.
    if (text.contains(u'$')) {
        text.replace(u"$time$"_s, timeText(time, locale), Qt::CaseSensitive);
        text.replace(u"$date$"_s, dateText(date, locale), Qt::CaseSensitive);
    }
    // The micro sign, U+00B5, not the Greek letter mu, U+03BC.
    const QChar micro = u'µ';
    if (text.contains(micro))
        text.replace(micro, u"Micro"_s);
    text.replace(QChar(u'\r'), u" ;"_s);
    return text;
}

} // namespace speechtext

namespace speechtext {

/// Builds a TextMap while making prepare's replacements, in prepare's order.
struct Mapper {
    explicit Mapper(qsizetype base) { map.m_base = base; }

    TextMap map;

    /// Each note mark becomes a space. Raised pieces come in editor
    /// positions, sorted; the source text's line feeds are known already.
    void noteMarks(QString& text, const std::vector<RaisedText>& raised)
    {
        std::vector<std::pair<qsizetype, qsizetype>> marks;
        for (const RaisedText& piece : raised) {
            const qsizetype from = map.toSpoken(piece.position);
            const qsizetype to = map.toSpoken(piece.position + piece.length);
            if (from < to && to <= text.size() &&
                (piece.noteReference || looksLikeNoteMark(text, from, to - from)))
                marks.emplace_back(from, to - from);
        }
        std::vector<std::pair<qsizetype, qsizetype>> runs;
        superscriptRuns(text, runs);
        for (const auto& [at, length] : runs) {
            if (looksLikeNoteMark(text, at, length))
                marks.emplace_back(at, length);
        }
        if (marks.empty())
            return;
        std::sort(marks.begin(), marks.end());
        std::vector<TextMap::Edit> edits;
        QString out;
        out.reserve(text.size());
        qsizetype from = 0;
        for (const auto& [at, length] : marks) {
            if (at < from)
                continue; // inside a mark taken already
            out += QStringView(text).sliced(from, at - from);
            edits.push_back({out.size(), 1, at, length});
            out += u' ';
            from = at + length;
        }
        out += QStringView(text).sliced(from);
        text = std::move(out);
        map.m_passes.push_back(std::move(edits));
    }

    /// The line feeds of text's CR LF pairs.
    void lineFeeds(QStringView text)
    {
        for (qsizetype lf = text.indexOf(u'\n'); lf >= 0; lf = text.indexOf(u'\n', lf + 1)) {
            if (lf > 0 && text[lf - 1] == u'\r')
                map.m_lineFeeds.push_back(lf);
        }
    }

    /// Replaces every pattern in text by replacement and records where.
    void replace(QString& text, QStringView pattern, const QString& replacement)
    {
        qsizetype found = text.indexOf(pattern);
        if (found < 0)
            return;
        std::vector<TextMap::Edit> edits;
        QString out;
        out.reserve(text.size() + text.size() / 16);
        qsizetype from = 0;
        for (; found >= 0; found = text.indexOf(pattern, from)) {
            out += QStringView(text).sliced(from, found - from);
            edits.push_back({out.size(), replacement.size(), found, pattern.size()});
            out += replacement;
            from = found + pattern.size();
        }
        out += QStringView(text).sliced(from);
        text = std::move(out);
        map.m_passes.push_back(std::move(edits));
    }

    /// Carriage returns become " ;", by Qt's own replace: every paragraph
    /// has one, so this is the pass a long document pays for. When nothing
    /// was replaced before, its CR LF pairs are found in the same scan.
    void carriageReturns(QString& text, bool sourceUnchanged)
    {
        const QStringView view(text);
        std::vector<TextMap::Edit> edits;
        edits.reserve(static_cast<std::size_t>(view.count(u'\r')));
        qsizetype added = 0;
        for (qsizetype cr = view.indexOf(u'\r'); cr >= 0; cr = view.indexOf(u'\r', cr + 1)) {
            edits.push_back({cr + added, 2, cr, 1});
            ++added;
            if (sourceUnchanged && cr + 1 < view.size() && view[cr + 1] == u'\n')
                map.m_lineFeeds.push_back(cr + 1);
        }
        if (edits.empty())
            return;
        text.replace(QChar(u'\r'), u" ;"_s);
        map.m_passes.push_back(std::move(edits));
    }
};

qsizetype TextMap::back(const std::vector<Edit>& edits, qsizetype offset, bool isEnd)
{
    const auto after = std::upper_bound(edits.begin(), edits.end(), offset,
                                        [](qsizetype x, const Edit& e) { return x < e.outPos; });
    if (after == edits.begin())
        return offset;
    const Edit& edit = *(after - 1);
    if (offset == edit.outPos)
        return edit.srcPos;
    if (offset < edit.outPos + edit.outLen)
        return isEnd ? edit.srcPos + edit.srcLen : edit.srcPos;
    return edit.srcPos + edit.srcLen + (offset - edit.outPos - edit.outLen);
}

std::pair<qsizetype, qsizetype> TextMap::toEditor(qsizetype begin, qsizetype length) const
{
    qsizetype first = begin;
    qsizetype last = begin + std::max<qsizetype>(length, 0);
    for (auto pass = m_passes.rbegin(); pass != m_passes.rend(); ++pass) {
        first = back(*pass, first, false);
        last = back(*pass, last, true);
    }
    // A CR LF is one paragraph break in the editor: both its halves are it.
    const auto editor = [this](qsizetype source) {
        const auto feeds = std::upper_bound(m_lineFeeds.begin(), m_lineFeeds.end(), source);
        return m_base + source - (feeds - m_lineFeeds.begin());
    };
    return {editor(first), editor(last)};
}

qsizetype TextMap::forth(const std::vector<Edit>& edits, qsizetype offset)
{
    const auto after = std::upper_bound(edits.begin(), edits.end(), offset,
                                        [](qsizetype x, const Edit& e) { return x < e.srcPos; });
    if (after == edits.begin())
        return offset;
    const Edit& edit = *(after - 1);
    if (offset < edit.srcPos + edit.srcLen)
        return edit.outPos;
    return edit.outPos + edit.outLen + (offset - edit.srcPos - edit.srcLen);
}

qsizetype TextMap::toSpoken(qsizetype position) const
{
    // The i-th line feed (counted from 0) is followed by editor offset lf - i:
    // every line feed up to the position lies before it in the source text.
    const qsizetype offset = std::max<qsizetype>(position - m_base, 0);
    qsizetype before = 0;
    qsizetype count = static_cast<qsizetype>(m_lineFeeds.size());
    while (count > 0) {
        const qsizetype half = count / 2;
        const auto i = static_cast<std::size_t>(before + half);
        if (m_lineFeeds[i] - static_cast<qsizetype>(i) <= offset) {
            before += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    qsizetype spoken = offset + before;
    for (const std::vector<Edit>& pass : m_passes)
        spoken = forth(pass, spoken);
    return spoken;
}

PreparedText prepareMapped(QString text, QTime time, QDate date, const QLocale& locale,
                           qsizetype base, const std::vector<RaisedText>& raised)
{
    Mapper mapper(base);
    QString out = std::move(text); // a text owned alone is replaced in place
    // Note marks, macros and micro signs are rare: only then are the CR LF
    // pairs found before anything moves.
    const bool rare = !raised.empty() || out.contains(u'$') || out.contains(QChar(u'\u00B5')) ||
                      std::any_of(out.cbegin(), out.cend(), isSuperscriptDigit);
    if (rare) {
        mapper.lineFeeds(out);
        mapper.noteMarks(out, raised);
        mapper.replace(out, u"$time$", timeText(time, locale));
        mapper.replace(out, u"$date$", dateText(date, locale));
        mapper.replace(out, u"\u00B5", u"Micro"_s);
    }
    mapper.carriageReturns(out, !rare);
    return {std::move(out), std::move(mapper.map)};
}

} // namespace speechtext
