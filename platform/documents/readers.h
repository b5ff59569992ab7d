#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

#include <vector>

// The readers of each format, behind readDocument. Each writes into the
// builder and throws platform::Error when it refuses the file; readDocument
// catches it. fileName is the file's name for messages.
namespace platform::documents {

class DocumentBuilder;
class StyleSheet;

void readDocx(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readOdt(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readEpub(const QByteArray& data, const QString& fileName, DocumentBuilder& out);
void readHtml(QByteArray data, const QString& fileName, DocumentBuilder& out);
void readPdf(QByteArray data, const QString& fileName, DocumentBuilder& out);
/// A picture of pages, through the builder's recognition.
void readPicture(QByteArray data, const QString& fileName, DocumentBuilder& out);

/// A web page, a book's chapter or a Word document's embedded page is read
/// whole as text (two bytes a character): beyond this many bytes of markup
/// in one piece it is refused as too large.
inline constexpr qsizetype maxMarkupBytes = 64 * 1024 * 1024;
/// The refusal of markup beyond maxMarkupBytes.
[[noreturn]] void refuseLargeMarkup(const QString& fileName, const QString& kind);

/// Markup already decoded to text (a book's chapter, a Word document's
/// embedded web page), written into out like a web page; sheet holds the
/// style sheets the markup links to (a book's, read once for all its chapters).
/// Returns the text of the headings read (the first few).
std::vector<QString> readHtmlText(QStringView html, DocumentBuilder& out,
                                  const StyleSheet* sheet = nullptr);
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
QString kindPicture();

} // namespace platform::documents
