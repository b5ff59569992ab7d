#pragma once

#include "platform/documents/pdftext.h"

#include <map>

// How the lines of a PDF's pages form paragraphs: the measures of the
// document's body text, and the rules that judge each line against the
// lines around it.
namespace platform::documents::pdf {

/// The document's usual type and spacing.
struct Measures {
    double bodyHeight = 0; ///< of the lines that hold most of the text
    /// From one line's top to the next within a paragraph, by line height
    /// (in half points).
    std::map<int, double> pitches;
    /// Paragraphs start with an indented line (rather than with space above).
    bool indentedParagraphs = false;
    double pitchFor(double height) const;
};

Measures measure(const std::vector<Page>& pages);

/// The pages' lines as paragraphs, headings and table rows.
std::vector<Block> paragraphs(const std::vector<Page>& pages, const Measures& measures);

/// Joins a line to a paragraph's text: a word broken by a hyphen at the
/// line's end is whole again; marks keep their place.
void joinText(QString& text, std::vector<Mark>& marks, const Line& line);

} // namespace platform::documents::pdf
