// Paragraphs and running headers from positioned lines.
#include "platform/documents/pdftext.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace platform::documents::pdf {
namespace {

/// A line as it repeats from page to page: digits (page numbers) and case
/// and spacing do not count.
QString runningKey(const QString& text)
{
    QString key;
    for (const QChar c : text) {
        if (c.isDigit())
            key += u'#';
        else if (c.isLetter())
            key += c.toLower();
        else if (!c.isSpace())
            key += c;
    }
    // "#" runs of any length are one page number
    QString folded;
    for (const QChar c : key) {
        if (c != u'#' || !folded.endsWith(u'#'))
            folded += c;
    }
    return folded;
}

/// The page's lines from the top down (edge 0) or the bottom up (edge 1).
std::vector<std::size_t> fromEdge(const Page& page, int edge)
{
    std::vector<std::size_t> order(page.lines.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const double ya = page.lines[a].box.center().y(), yb = page.lines[b].box.center().y();
        return edge == 0 ? ya < yb : ya > yb;
    });
    return order;
}

bool endsSentence(const QString& text)
{
    static const QString ends = QStringLiteral(".!?:;\"\u201D\u2019)");
    return !text.isEmpty() && ends.contains(text.back());
}

bool startsListItem(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (first == u'\u2022' || first == u'\u25AA' || first == u'\u25E6' || first == u'\u2013' ||
        first == u'-' || first == u'*')
        return text.size() > 1 && text[1].isSpace();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return digits > 0 && digits < 4 && digits + 1 < text.size() &&
           (text[digits] == u'.' || text[digits] == u')') && text[digits + 1].isSpace();
}

/// True when b goes on the paragraph that a ended.
bool continues(const Line& a, const Line& b, double paragraphRight)
{
    const double ha = a.box.height(), hb = b.box.height();
    const double h = std::max(ha, hb);
    if (h <= 0)
        return false;
    if (std::abs(ha - hb) > 0.3 * h) // another size: a heading or a caption
        return false;
    const double gap = b.box.top() - a.box.bottom();
    if (b.box.top() < a.box.top() + 0.3 * h || gap > 0.8 * h) // not the next line down
        return false;
    if (b.box.left() > a.box.right() || b.box.right() < a.box.left()) // another column
        return false;
    if (startsListItem(b.text))
        return false;
    const double charWidth = a.text.isEmpty() ? h / 2 : a.box.width() / a.text.size();
    const double right = std::max(paragraphRight, b.box.right());
    // A line that stops well short of the paragraph's edge after a sentence ends it.
    if (endsSentence(a.text) && a.box.right() < right - 4 * charWidth)
        return false;
    return true;
}

/// Joins a line to the paragraph: a word broken by a hyphen at the line's
/// end is whole again.
void join(QString& paragraph, const QString& line)
{
    if (paragraph.isEmpty()) {
        paragraph = line;
        return;
    }
    const QChar last = paragraph.back();
    const bool hyphen = last == u'-' || last == QChar(0x00AD) || last == QChar(0x2010);
    const bool brokenWord = hyphen && paragraph.size() > 1 &&
                            paragraph[paragraph.size() - 2].isLetter() && !line.isEmpty() &&
                            line.front().isLower();
    if (brokenWord) {
        paragraph.chop(1);
        paragraph += line;
    } else if (last == QChar(0x00AD)) {
        paragraph.chop(1);
        paragraph += line;
    } else {
        paragraph += u' ';
        paragraph += line;
    }
}

} // namespace

void removeRunningLines(std::vector<Page>& pages)
{
    // Lines near the edges (the first and last few) that come back on at
    // least half of the readable pages run; the body between them does not.
    constexpr std::size_t depth = 3;
    int readable = 0;
    QHash<QString, int> pagesWith;
    for (const Page& page : pages) {
        if (page.failed || page.lines.empty())
            continue;
        ++readable;
        QSet<QString> seen;
        for (int edge = 0; edge < 2; ++edge) {
            const auto order = fromEdge(page, edge);
            for (std::size_t i = 0; i < std::min(depth, order.size()); ++i)
                seen.insert(runningKey(page.lines[order[i]].text));
        }
        for (const QString& key : std::as_const(seen))
            ++pagesWith[key];
    }
    if (readable < 2)
        return;
    const auto running = [&](const QString& key) {
        const int count = pagesWith.value(key);
        return !key.isEmpty() && count >= 2 && count * 2 >= readable;
    };
    for (Page& page : pages) {
        std::vector<std::size_t> drop;
        for (int edge = 0; edge < 2; ++edge) {
            const auto order = fromEdge(page, edge);
            // From the edge inwards, up to the first line of the body.
            for (std::size_t i = 0; i < std::min(depth, order.size()); ++i) {
                if (!running(runningKey(page.lines[order[i]].text)))
                    break;
                drop.push_back(order[i]);
            }
        }
        std::sort(drop.begin(), drop.end());
        drop.erase(std::unique(drop.begin(), drop.end()), drop.end());
        for (auto it = drop.rbegin(); it != drop.rend(); ++it)
            page.lines.erase(page.lines.begin() + std::ptrdiff_t(*it));
    }
}

std::vector<QString> paragraphs(const std::vector<Line>& lines)
{
    std::vector<QString> out;
    QString current;
    double right = 0;
    std::optional<Line> previous;
    for (const Line& raw : lines) {
        const Line line{raw.text.trimmed(), raw.box};
        if (line.text.isEmpty())
            continue;
        if (previous && !continues(*previous, line, right)) {
            out.push_back(current);
            current.clear();
            right = 0;
        }
        join(current, line.text);
        right = std::max(right, line.box.right());
        previous = line;
    }
    if (!current.isEmpty())
        out.push_back(current);
    return out;
}

} // namespace platform::documents::pdf
