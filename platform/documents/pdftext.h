#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

// The layout rules that turn a PDF's positioned lines into what is read
// aloud: paragraphs, headings, table rows and notes, apart from poppler so
// that they can be tried on their own.
namespace platform::documents::pdf {

/// A note's reference mark within a text: a small raised number or sign.
struct Mark {
    qsizetype start = 0;
    qsizetype length = 0;
};

/// One line of text as it lies on the page, in reading order.
struct Line {
    QString text;
    QRectF box;                ///< in points, y growing downwards
    double firstWordWidth = 0; ///< of the line's first word, in points
    std::vector<Mark> marks;   ///< note reference marks in text
    QStringList cells;         ///< the cells of a table row, when the line is one
};

struct Page {
    std::vector<Line> lines;
    QSizeF size;
    bool failed = false; ///< the page could not be read
};

/// Leaves out running headers, footers and page numbers: lines at the top
/// or bottom of their page that come back (digits aside) at the same place
/// on at least half of the pages.
void removeRunningLines(std::vector<Page>& pages);

/// What the document is made of, in reading order.
struct Block {
    enum Kind { Paragraph, Heading, Row, Note } kind = Paragraph;
    QString text;
    std::vector<Mark> marks;
    QStringList cells; ///< of a Row
    int level = 0;     ///< of a Heading: 0 the largest
};

/// The blocks of the pages' lines: lines of one paragraph are joined with a
/// space, or without the hyphen where a word was broken at a line end; a
/// paragraph that goes on over a page or a column is one; notes at the foot
/// of a page come at the end, in order.
std::vector<Block> blocks(std::vector<Page> pages);

} // namespace platform::documents::pdf
