// Paragraphs from positioned lines. Where a paragraph ends is judged from
// the lines around each line (their edges, spacing and indentation), never
// from the whole page, so that columns, lists and short lines of dialogue
// each keep their own measure.
#include "platform/documents/pdfparagraphs.h"

#include <algorithm>

namespace platform::documents::pdf {
namespace {

/// A line of the document with the page it is on.
struct Ref {
    const Line* line;
    std::size_t page;
};

int heightKey(double height)
{
    return int(height * 2 + 0.5);
}

bool similarHeight(const Line& a, const Line& b)
{
    return std::abs(a.box.height() - b.box.height()) <= 0.15 * std::max(a.box.height(), 1.0);
}

bool overlapsAcross(const Line& a, const Line& b)
{
    return b.box.left() < a.box.right() && b.box.right() > a.box.left();
}

/// True when b is the next line down from a in the same column of text.
bool flowsInto(const Ref& a, const Ref& b)
{
    const Line &x = *a.line, &y = *b.line;
    return a.page == b.page && x.cells.isEmpty() && y.cells.isEmpty() && similarHeight(x, y) &&
           y.box.top() > x.box.top() + 0.3 * x.box.height() &&
           y.box.top() < x.box.bottom() + 2 * x.box.height() && overlapsAcross(x, y);
}

bool endsSentence(const QString& text)
{
    static const QString ends = QStringLiteral(".!?:;\"\u201D\u2019)\u2026");
    return !text.isEmpty() && ends.contains(text.back());
}

bool startsLower(const QString& text)
{
    for (const QChar c : text) {
        if (c.isLetter())
            return c.isLower();
        if (c.isDigit() || c == u'\u201C' || c == u'"' || c == u'(')
            return false;
    }
    return false;
}

bool startsListItem(const QString& text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    if (QStringView(u"\u2022\u25AA\u25E6\u2013\u2012-*\u25CF\u25CB\u25A0").contains(first))
        return text.size() > 1 && text[1].isSpace();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return digits > 0 && digits < 4 && digits + 1 < text.size() &&
           (text[digits] == u'.' || text[digits] == u')') && text[digits + 1].isSpace();
}

bool endsBrokenWord(const QString& text)
{
    if (text.size() < 2)
        return false;
    const QChar last = text.back();
    return (last == u'-' || last == QChar(0x00AD) || last == QChar(0x2010)) &&
           text[text.size() - 2].isLetter();
}

/// The edges of the column around lines[i], from the lines of the same
/// column just before and after it.
struct Column {
    double left = 1e9;
    double right = 0;
};

Column columnAround(const std::vector<Ref>& lines, std::size_t i)
{
    constexpr std::size_t reach = 4;
    Column column;
    const auto take = [&](std::size_t k) {
        column.left = std::min(column.left, lines[k].line->box.left());
        column.right = std::max(column.right, lines[k].line->box.right());
    };
    take(i);
    for (std::size_t k = i, n = 0; k > 0 && n < reach && flowsInto(lines[k - 1], lines[k]);
         --k, ++n)
        take(k - 1);
    for (std::size_t k = i, n = 0;
         k + 1 < lines.size() && n < reach && flowsInto(lines[k], lines[k + 1]); ++k, ++n)
        take(k + 1);
    return column;
}

/// True when the first word of next would have fitted at the end of line:
/// the line ended there on purpose.
bool endsShort(const Line& line, const Line& next, const Column& column)
{
    if (endsBrokenWord(line.text))
        return false;
    const double space = 0.25 * line.box.height();
    return line.box.right() + space + next.firstWordWidth < column.right - 1;
}

bool indented(const Line& line, const Column& column)
{
    return line.box.left() > column.left + 0.5 * line.box.height();
}

/// True when b goes on the paragraph that ends with a (b the line after a
/// in reading order); item is whether that paragraph is a list item.
bool continues(const std::vector<Ref>& lines, std::size_t i, const Measures& measures, bool item)
{
    const Line &a = *lines[i].line, &b = *lines[i + 1].line;
    if (!a.cells.isEmpty() || !b.cells.isEmpty() || !similarHeight(a, b) || b.text.isEmpty())
        return false;
    if (startsListItem(b.text))
        return false;
    if (!flowsInto(lines[i], lines[i + 1])) {
        // A new page or column: the paragraph goes on when its sentence
        // does, or, where paragraphs start indented, when the next line is not.
        if (!endsSentence(a.text) && startsLower(b.text))
            return true;
        const bool top = lines[i].page != lines[i + 1].page || b.box.top() < a.box.top();
        const Column before = columnAround(lines, i), after = columnAround(lines, i + 1);
        return top && measures.indentedParagraphs && !item && !indented(b, after) &&
               !endsShort(a, b, before);
    }
    const double pitch = b.box.top() - a.box.top();
    if (pitch > 1.25 * measures.pitchFor(a.box.height()) + 1) // space between paragraphs
        return false;
    const Column column = columnAround(lines, i);
    if (!item && indented(b, column))
        return false;
    return !endsShort(a, b, column);
}

} // namespace

double Measures::pitchFor(double height) const
{
    const auto it = pitches.find(heightKey(height));
    return it != pitches.end() ? it->second : 0.9 * height;
}

Measures measure(const std::vector<Page>& pages)
{
    Measures result;
    std::map<int, qsizetype> characters;
    std::map<int, std::vector<double>> pitches;
    for (const Page& page : pages) {
        for (std::size_t i = 0; i < page.lines.size(); ++i) {
            const Line& line = page.lines[i];
            characters[heightKey(line.box.height())] += line.text.size();
            if (i + 1 < page.lines.size()) {
                const Line& next = page.lines[i + 1];
                const double pitch = next.box.top() - line.box.top();
                const double h = line.box.height();
                if (similarHeight(line, next) && overlapsAcross(line, next) && pitch > 0.6 * h &&
                    pitch < 2.5 * h && line.cells.isEmpty())
                    pitches[heightKey(h)].push_back(pitch);
            }
        }
    }
    qsizetype most = 0;
    for (const auto& [key, count] : characters) {
        if (count > most) {
            most = count;
            result.bodyHeight = key / 2.0;
        }
    }
    for (auto& [key, list] : pitches) {
        // The lower quartile: the spacing within paragraphs, not between them.
        const auto quartile = list.begin() + std::ptrdiff_t(list.size() / 4);
        std::nth_element(list.begin(), quartile, list.end());
        result.pitches.emplace(key, *quartile);
    }
    // Indented paragraphs: again and again an inset body line is followed
    // by a line of the same paragraph at the column's edge.
    int starts = 0;
    qsizetype body = 0;
    for (const Page& page : pages) {
        for (std::size_t i = 0; i + 1 < page.lines.size(); ++i) {
            const Line &line = page.lines[i], &next = page.lines[i + 1];
            if (heightKey(line.box.height()) != heightKey(result.bodyHeight))
                continue;
            ++body;
            const double inset = line.box.left() - next.box.left();
            const double pitch = next.box.top() - line.box.top();
            if (similarHeight(line, next) && inset > 0.5 * line.box.height() &&
                inset < 3 * line.box.height() && pitch > 0 &&
                pitch < 1.25 * result.pitchFor(line.box.height()) + 1 && !startsListItem(line.text))
                ++starts;
        }
    }
    result.indentedParagraphs = starts >= 3 && starts * 20 >= body;
    return result;
}

void joinText(QString& text, std::vector<Mark>& marks, const Line& line)
{
    const auto add = [&](const QString& separator) {
        text += separator;
        for (Mark mark : line.marks) {
            mark.start += text.size();
            marks.push_back(mark);
        }
        text += line.text;
    };
    if (text.isEmpty()) {
        add({});
        return;
    }
    const bool brokenWord = endsBrokenWord(text) && startsLower(line.text) &&
                            !line.text.isEmpty() && line.text.front().isLower();
    if (brokenWord || text.back() == QChar(0x00AD)) {
        text.chop(1);
        add({});
    } else {
        add(QStringLiteral(" "));
    }
}

std::vector<Block> paragraphs(const std::vector<Page>& pages, const Measures& measures)
{
    std::vector<Ref> lines;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        for (const Line& line : pages[p].lines) {
            if (!line.text.trimmed().isEmpty())
                lines.push_back({&line, p});
        }
    }
    std::vector<Block> out;
    std::vector<double> heights; // of each block's first line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = *lines[i].line;
        const bool opens =
            i == 0 || !continues(lines, i - 1, measures, startsListItem(out.back().text));
        if (opens) {
            Block block;
            if (!line.cells.isEmpty()) {
                block.kind = Block::Row;
                block.cells = line.cells;
            }
            out.push_back(std::move(block));
            heights.push_back(line.box.height());
        }
        joinText(out.back().text, out.back().marks, line);
    }
    // Headings: text in larger type than the body, ranked by size.
    std::vector<int> sizes;
    for (std::size_t b = 0; b < out.size(); ++b) {
        if (out[b].kind == Block::Paragraph && heights[b] >= 1.12 * measures.bodyHeight)
            sizes.push_back(int(heights[b] + 0.5));
    }
    std::sort(sizes.begin(), sizes.end(), std::greater<>());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (std::size_t b = 0; b < out.size(); ++b) {
        if (out[b].kind != Block::Paragraph || heights[b] < 1.12 * measures.bodyHeight)
            continue;
        out[b].kind = Block::Heading;
        const auto rank =
            std::find(sizes.begin(), sizes.end(), int(heights[b] + 0.5)) - sizes.begin();
        out[b].level = int(std::min<std::ptrdiff_t>(rank, 3));
    }
    return out;
}

} // namespace platform::documents::pdf
