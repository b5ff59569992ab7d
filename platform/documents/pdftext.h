#pragma once

#include <QRectF>
#include <QString>

#include <vector>

// The layout rules that turn a PDF's positioned lines into paragraphs for
// reading aloud, apart from poppler so that they can be tried on their own.
namespace platform::documents::pdf {

/// One line of text as it lies on the page, in reading order.
struct Line {
    QString text;
    QRectF box; ///< in points, y growing downwards
};

struct Page {
    std::vector<Line> lines;
    bool failed = false; ///< the page could not be read
};

/// Leaves out running headers, footers and page numbers: lines at the top
/// or bottom of their page that come back (digits aside) on at least half
/// of the pages.
void removeRunningLines(std::vector<Page>& pages);

/// The paragraphs of a page's lines: lines of one paragraph are joined with
/// a space, or without the hyphen where a word was broken at a line end.
std::vector<QString> paragraphs(const std::vector<Line>& lines);

} // namespace platform::documents::pdf
