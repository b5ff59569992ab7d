// Running headers, table rows and the notes at the foot of a page, from
// positioned lines; the paragraphs themselves are pdfparagraphs.cpp's.
#include "platform/documents/pdftext.h"

#include "platform/documents/pdfparagraphs.h"

#include <QHash>
#include <QSet>

#include <algorithm>

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

/// A note's number or sign standing alone: "1", "12", "*", a dagger.
bool isNoteMark(QStringView text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    if (text.size() == 1 && QStringView(u"*\u2020\u2021\u00A7").contains(text.front()))
        return true;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

/// A list item's marker standing alone: a bullet, "3." or "b)".
bool isListMarker(QStringView text)
{
    if (text.size() == 1)
        return QStringView(u"\u2022\u25AA\u25E6\u2013\u2012-*\u25CF\u25CB\u25A0").contains(text[0]);
    if (text.size() < 2 || text.size() > 4 || (text.back() != u'.' && text.back() != u')'))
        return false;
    const QStringView body = text.first(text.size() - 1);
    return std::all_of(body.begin(), body.end(), [](QChar c) { return c.isDigit(); }) ||
           (body.size() == 1 && body[0].isLetter());
}

bool sameRow(const Line& a, const Line& b)
{
    const double overlap =
        std::min(a.box.bottom(), b.box.bottom()) - std::max(a.box.top(), b.box.top());
    return overlap > 0.5 * std::min(a.box.height(), b.box.height()) &&
           b.box.left() >= a.box.right() - 1;
}

void append(Line& line, const Line& next, QStringView separator)
{
    // A small marker before its text does not make the line taller.
    const QRectF taller = next.box.height() > line.box.height() ? next.box : line.box;
    line.box = QRectF(QPointF(line.box.left(), taller.top()),
                      QPointF(std::max(line.box.right(), next.box.right()), taller.bottom()));
    line.text += separator;
    for (Mark mark : next.marks) {
        mark.start += line.text.size();
        line.marks.push_back(mark);
    }
    line.text += next.text;
}

/// Pieces of one row that poppler gives as lines of their own: a marker and
/// its item become one line, cells side by side a table row.
std::vector<Line> mergeRows(std::vector<Line> lines)
{
    std::vector<Line> out;
    for (Line& line : lines) {
        if (!out.empty() && sameRow(out.back(), line)) {
            Line& row = out.back();
            const QString first = row.cells.isEmpty() ? row.text.trimmed() : QString();
            if (row.cells.isEmpty() && (isListMarker(first) || isNoteMark(first))) {
                append(row, line, u" ");
                continue;
            }
            if (row.cells.isEmpty())
                row.cells.append(row.text);
            row.cells.append(line.text);
            append(row, line, u"\t");
            continue;
        }
        out.push_back(std::move(line));
    }
    return out;
}

/// The notes at the foot of a page: below all of its body text, in smaller
/// type, starting with a note's number. Taken out of the page, as lines.
std::vector<Line> takeFootnotes(Page& page, double bodyHeight)
{
    const auto small = [&](const Line& line) {
        return line.box.height() < 0.95 * bodyHeight;
    };
    double bodyBottom = 0;
    for (const Line& line : page.lines) {
        if (!small(line))
            bodyBottom = std::max(bodyBottom, line.box.bottom());
    }
    std::vector<std::size_t> notes;
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        const Line& line = page.lines[i];
        if (small(line) && line.box.top() > bodyBottom && line.box.top() > 0.5 * page.size.height())
            notes.push_back(i);
    }
    if (notes.empty() || bodyBottom <= 0)
        return {};
    std::sort(notes.begin(), notes.end(), [&](std::size_t a, std::size_t b) {
        return page.lines[a].box.top() < page.lines[b].box.top();
    });
    const Line& first = page.lines[notes.front()];
    if (!isNoteMark(first.text.section(u' ', 0, 0)) ||
        first.box.top() < bodyBottom + 0.3 * bodyHeight) // no room for a separator
        return {};
    std::vector<Line> out;
    for (const std::size_t i : notes)
        out.push_back(page.lines[i]);
    std::sort(notes.begin(), notes.end());
    for (auto it = notes.rbegin(); it != notes.rend(); ++it)
        page.lines.erase(page.lines.begin() + std::ptrdiff_t(*it));
    return out;
}

/// The notes' lines as notes: one starts at each line that begins with a
/// note's number at the notes' left edge.
void addNotes(const std::vector<Line>& lines, std::vector<Block>& notes)
{
    double left = 1e9;
    for (const Line& line : lines)
        left = std::min(left, line.box.left());
    for (const Line& line : lines) {
        const bool starts = line.box.left() < left + 2 && isNoteMark(line.text.section(u' ', 0, 0));
        if (starts || notes.empty()) {
            Block note{Block::Note, line.text, line.marks, {}, 0};
            notes.push_back(std::move(note));
        } else {
            joinText(notes.back().text, notes.back().marks, line);
        }
    }
}

} // namespace

void removeRunningLines(std::vector<Page>& pages)
{
    // Lines near the edges (the first and last few) that come back at the
    // same height on at least half of the readable pages run; the body
    // between them does not, nor does a title that repeats the header lower down.
    constexpr std::size_t depth = 3;
    int readable = 0;
    QHash<QString, int> pagesWith;
    QHash<QString, double> place; // where the line first stood
    for (const Page& page : pages) {
        if (page.failed || page.lines.empty())
            continue;
        ++readable;
        QSet<QString> seen;
        for (int edge = 0; edge < 2; ++edge) {
            const auto order = fromEdge(page, edge);
            for (std::size_t i = 0; i < std::min(depth, order.size()); ++i) {
                const Line& line = page.lines[order[i]];
                const QString key = runningKey(line.text);
                if (!place.contains(key))
                    place.insert(key, line.box.center().y());
                if (std::abs(place.value(key) - line.box.center().y()) < line.box.height())
                    seen.insert(key);
            }
        }
        for (const QString& key : std::as_const(seen))
            ++pagesWith[key];
    }
    if (readable < 2)
        return;
    const auto running = [&](const Line& line) {
        const QString key = runningKey(line.text);
        const int count = pagesWith.value(key);
        return !key.isEmpty() && count >= 2 && count * 2 >= readable &&
               std::abs(place.value(key) - line.box.center().y()) < line.box.height();
    };
    for (Page& page : pages) {
        std::vector<std::size_t> drop;
        for (int edge = 0; edge < 2; ++edge) {
            const auto order = fromEdge(page, edge);
            // From the edge inwards, up to the first line of the body.
            for (std::size_t i = 0; i < std::min(depth, order.size()); ++i) {
                if (!running(page.lines[order[i]]))
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

std::vector<Block> blocks(std::vector<Page> pages)
{
    for (Page& page : pages)
        page.lines = mergeRows(std::move(page.lines));
    const Measures measures = measure(pages);
    std::vector<Block> notes;
    for (Page& page : pages)
        addNotes(takeFootnotes(page, measures.bodyHeight), notes);
    std::vector<Block> out = paragraphs(pages, measure(pages));
    std::move(notes.begin(), notes.end(), std::back_inserter(out));
    return out;
}

} // namespace platform::documents::pdf
