#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

// The readers of each format, behind readDocument. Each writes into the
// builder and throws platform::Error when it refuses the file; readDocument
// catches it. fileName is the file's name for messages.
namespace platform::documents {

class DocumentBuilder;

void readDocx(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readOdt(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readEpub(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readHtml(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readPdf(const QByteArray& data, const QString& fileName, DocumentBuilder& out);

/// Markup already decoded to text (a book's chapter, a Word document's
/// embedded web page), written into out like a web page; css holds style
/// sheets the markup links to (a book's).
void readHtmlText(QStringView html, DocumentBuilder& out, QStringView css = {});
/// Decodes a web page's bytes by its byte-order mark, its declaration or
/// its content, as browsers do.
QString decodeHtml(const QByteArray& data);

/// A heading of level (0 the highest) over body text of normalPoints: bold
/// and, for the upper levels, larger.
QTextCharFormat headingFormat(int level, double normalPoints);
/// Heading sizes relative to body text, by level.
double headingScale(int level);

/// The kinds of document as refusals name them.
QString kindDocx();
QString kindOdt();
QString kindEpub();
QString kindHtml();
QString kindPdf();

} // namespace platform::documents
