// libFuzzer entry for one document reader, chosen when it is built
// (PARLIVOX_FUZZ_FORMAT: docx, odt, epub, html, pdf). A zip is read as it
// is; other input is the inside of one, cut at lines "#part" into its parts
// (Word: the document, its numbering, its styles, its footnotes;
// OpenDocument: the content, the styles; a book: a chapter, its style
// sheet, its title, a second chapter), so that mutations reach the markup
// rather than the zip's checksums. Web pages and PDF files are read as they
// come. Every input either opens or is refused with a reason, never both or
// neither, and what opens stays within the document limits.
#include "platform/documentlimits.h"
#include "platform/documents/documents.h"

#include "zipwriter.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using platform::DocumentFormat;

namespace {

#define PARLIVOX_FORMAT_(name) #name
#define PARLIVOX_FORMAT(name) PARLIVOX_FORMAT_(name)
constexpr const char* formatName = PARLIVOX_FORMAT(PARLIVOX_FUZZ_FORMAT);

QByteArray part(const QList<QByteArray>& parts, qsizetype index, const QByteArray& otherwise = {})
{
    return index < parts.size() ? parts[index] : otherwise;
}

QByteArray wordDocument(const QList<QByteArray>& parts)
{
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    const auto relation = [&](const char* id, const char* type, const char* target) -> QByteArray {
        return "<Relationship Id=\"" + QByteArray(id) + "\" Type=\"" + rel + type + "\" Target=\"" +
               target + "\"/>";
    };
    return testzip::make(
        {{u"[Content_Types].xml"_s, "<Types/>"},
         {u"_rels/.rels"_s, "<Relationships>" +
                                relation("r", "officeDocument", "word/document.xml") +
                                "</Relationships>"},
         {u"word/_rels/document.xml.rels"_s,
          "<Relationships>" + relation("n", "numbering", "numbering.xml") +
              relation("s", "styles", "styles.xml") + relation("f", "footnotes", "footnotes.xml") +
              relation("e", "endnotes", "footnotes.xml") + "</Relationships>"},
         {u"word/document.xml"_s, part(parts, 0)},
         {u"word/numbering.xml"_s, part(parts, 1)},
         {u"word/styles.xml"_s, part(parts, 2)},
         {u"word/footnotes.xml"_s, part(parts, 3)}});
}

QByteArray openDocument(const QList<QByteArray>& parts)
{
    return testzip::make({{u"mimetype"_s, "application/vnd.oasis.opendocument.text"},
                          {u"content.xml"_s, part(parts, 0)},
                          {u"styles.xml"_s, part(parts, 1)}});
}

QByteArray book(const QList<QByteArray>& parts)
{
    return testzip::make(
        {{u"mimetype"_s, "application/epub+zip"},
         {u"META-INF/container.xml"_s,
          "<container><rootfiles><rootfile full-path=\"OPS/book.opf\"/>"
          "</rootfiles></container>"},
         {u"OPS/book.opf"_s,
          "<package xmlns=\"http://www.idpf.org/2007/opf\" "
          "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><metadata><dc:title>" +
              part(parts, 2, "Title") +
              "</dc:title></metadata><manifest>"
              "<item id=\"a\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>"
              "<item id=\"b\" href=\"b.xhtml\" media-type=\"application/xhtml+xml\"/>"
              "<item id=\"s\" href=\"s.css\" media-type=\"text/css\"/></manifest>"
              "<spine><itemref idref=\"a\"/><itemref idref=\"b\"/><itemref idref=\"a\"/></spine>"
              "</package>"},
         {u"OPS/a.xhtml"_s, part(parts, 0)},
         {u"OPS/s.css"_s, part(parts, 1)},
         {u"OPS/b.xhtml"_s, part(parts, 3)}});
}

/// The input as the reader of this fuzzer takes it.
QByteArray prepared(const QByteArray& data, DocumentFormat format)
{
    if (data.startsWith("PK") || format == DocumentFormat::Html || format == DocumentFormat::Pdf)
        return data;
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = data.indexOf("\n#part\n", from);
        pieces.append(data.mid(from, at < 0 ? -1 : at - from));
        if (at < 0)
            break;
        from = at + 7;
    }
    switch (format) {
    case DocumentFormat::Docx:
        return wordDocument(pieces);
    case DocumentFormat::Odt:
        return openDocument(pieces);
    default:
        return book(pieces);
    }
}

DocumentFormat fuzzedFormat()
{
    if (std::strcmp(formatName, "docx") == 0)
        return DocumentFormat::Docx;
    if (std::strcmp(formatName, "odt") == 0)
        return DocumentFormat::Odt;
    if (std::strcmp(formatName, "epub") == 0)
        return DocumentFormat::Epub;
    if (std::strcmp(formatName, "html") == 0)
        return DocumentFormat::Html;
    return DocumentFormat::Pdf;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DocumentFormat format = fuzzedFormat();
    const QByteArray bytes =
        prepared(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), format);
    // The format the content shows: the reader must cope with a file that
    // claims to be what it is not, as a renamed file does.
    (void)platform::recogniseDocument(bytes, u"fuzz."_s + QLatin1StringView(formatName));
    const platform::DocumentRead read = platform::readDocument(bytes, format, u"fuzz"_s, QFont());
    if (bool(read.document) == read.error.has_value())
        std::abort();
    if (read.document && (read.document->characterCount() >
                              platform::limits::maxCharacters + platform::limits::maxParagraphs ||
                          read.document->blockCount() > platform::limits::maxParagraphs + 2))
        std::abort();
    return 0;
}
