#pragma once

#include "platform/documents/pdftext.h"
#include "platform/documents/recognition.h"

#include <QByteArray>

#include <vector>

namespace platform::documents {

class DocumentBuilder;

namespace pdf {

/// Pages of a scan hold a picture and no text, or only a few characters:
/// their text is recognised from the page drawn at 300 dpi, when the
/// reading has recognition (else they stay as they are). Pages with text
/// are left alone. Tells out what was recognised; throws err::Cancel once
/// cancelled.
void recogniseScannedPages(const QByteArray& data, std::vector<Page>& pages, DocumentBuilder& out);

/// A recognised page as the lines of a PDF's page, so that the same rules
/// make paragraphs of both.
Page pageOf(const RecognisedPage& recognised);

/// The blocks into the document: headings as headings, rows of cells as a
/// table, notes gathered at the end; a note's own number is raised as in
/// the text.
void writeBlocks(const std::vector<Block>& blocks, DocumentBuilder& out);

} // namespace pdf
} // namespace platform::documents
