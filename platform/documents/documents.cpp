// Recognising a file's format by its content, and reading it with the
// reader of that format into a detached document.
#include "platform/documents/documents.h"

#include "platform/documents/builder.h"
#include "platform/documents/errors.h"
#include "platform/documents/readers.h"
#include "platform/documents/ziparchive.h"
#include "platform/textdecode.h"

#include <QFileInfo>
#include <QFont>
#include <QTextDocument>

#include <new>
#include <optional>

namespace platform {
namespace documents {

QString kindDocx()
{
    return QStringLiteral("Word document");
}
QString kindOdt()
{
    return QStringLiteral("OpenDocument text");
}
QString kindEpub()
{
    return QStringLiteral("EPUB book");
}
QString kindHtml()
{
    return QStringLiteral("web page");
}
QString kindPdf()
{
    return QStringLiteral("PDF document");
}

double headingScale(int level)
{
    static constexpr double scales[] = {2.0, 1.5, 1.25, 1.1};
    return level >= 0 && level < 4 ? scales[level] : 1.0;
}

QTextCharFormat headingFormat(int level, double normalPoints)
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    format.setFontPointSize(normalPoints * headingScale(level));
    return format;
}

namespace {

/// The format a zip holds, by its main part: Word's document, the
/// OpenDocument mimetype, or a book's container.
DocumentFormat zipFormat(QByteArrayView data)
{
    std::optional<ZipArchive> zip;
    try {
        zip.emplace(data, QString(), QString());
    } catch (const Error&) {
        return DocumentFormat::None;
    }
    const auto has = [&zip](const char* name) {
        return zip->contains(QString::fromLatin1(name), true);
    };
    QByteArray mimetype;
    try {
        mimetype = zip->readStart(QStringLiteral("mimetype"), 128).trimmed();
    } catch (const Error&) {
        // an unreadable mimetype says nothing; the parts still may
    }
    if (mimetype.startsWith("application/vnd.oasis.opendocument.text"))
        return DocumentFormat::Odt;
    if (mimetype == "application/epub+zip" || has("META-INF/container.xml"))
        return DocumentFormat::Epub;
    if (has("word/document.xml") || has("[Content_Types].xml"))
        return DocumentFormat::Docx;
    if (mimetype.isEmpty() && has("content.xml") && has("META-INF/manifest.xml"))
        return DocumentFormat::Odt;
    return DocumentFormat::None;
}

/// Markup as browsers recognise a web page by its first tag.
bool looksLikeHtml(QByteArrayView data)
{
    const QByteArrayView start = data.first(std::min<qsizetype>(data.size(), 2048));
    QString head = decodeByByteOrderMark(start).value_or(QString::fromLatin1(start)).trimmed();
    if (head.startsWith(u"<?xml", Qt::CaseInsensitive)) // XHTML: its root element decides
        return head.contains(u"<html", Qt::CaseInsensitive);
    static const char* const tags[] = {"<!doctype html",
                                       "<html",
                                       "<head",
                                       "<body",
                                       "<title",
                                       "<script",
                                       "<style",
                                       "<iframe",
                                       "<table",
                                       "<font",
                                       "<div",
                                       "<br",
                                       "<p",
                                       "<a",
                                       "<b",
                                       "<h1",
                                       "<!--"};
    for (const char* tag : tags) {
        const QLatin1StringView t(tag);
        if (!head.startsWith(t, Qt::CaseInsensitive))
            continue;
        const QChar next = head.size() > t.size() ? head[t.size()] : QChar();
        if (next == u'>' || next == u' ' || next == u'\t' || next == u'\n' || next == u'\r' ||
            (t == QLatin1StringView("<!--") && !next.isNull()) ||
            (t == QLatin1StringView("<!doctype html") && !next.isNull()))
            return true;
    }
    return false;
}

/// "BM" and the size of a bitmap's header that one of its versions has:
/// a text that starts with "BM" stays text.
bool looksLikeBitmap(QByteArrayView data)
{
    if (!data.startsWith("BM") || data.size() < 26)
        return false;
    const auto byte = [&data](int i) {
        return quint32(static_cast<unsigned char>(data[i]));
    };
    const quint32 header = byte(14) | byte(15) << 8 | byte(16) << 16 | byte(17) << 24;
    return header == 12 || header == 40 || header == 52 || header == 56 || header == 64 ||
           header == 108 || header == 124;
}

/// The start of a picture of the kinds recognition reads: PNG, JPEG, TIFF,
/// WebP, BMP.
bool looksLikePicture(QByteArrayView data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n") || data.startsWith("\xFF\xD8\xFF") ||
           data.startsWith(QByteArrayView("II*\0", 4)) ||
           data.startsWith(QByteArrayView("MM\0*", 4)) ||
           (data.startsWith("RIFF") && data.size() >= 12 && data.sliced(8, 4) == "WEBP") ||
           looksLikeBitmap(data);
}

DocumentFormat formatClaimedBy(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"docx")
        return DocumentFormat::Docx;
    if (suffix == u"odt")
        return DocumentFormat::Odt;
    if (suffix == u"epub")
        return DocumentFormat::Epub;
    if (suffix == u"html" || suffix == u"htm" || suffix == u"xhtml")
        return DocumentFormat::Html;
    if (suffix == u"pdf")
        return DocumentFormat::Pdf;
    if (suffix == u"png" || suffix == u"jpg" || suffix == u"jpeg" || suffix == u"tif" ||
        suffix == u"tiff" || suffix == u"webp" || suffix == u"bmp")
        return DocumentFormat::Picture;
    return DocumentFormat::None;
}

} // namespace
} // namespace documents

QString documentFormatName(DocumentFormat format)
{
    switch (format) {
    case DocumentFormat::Docx:
        return QStringLiteral("Word Document");
    case DocumentFormat::Odt:
        return QStringLiteral("OpenDocument Text");
    case DocumentFormat::Epub:
        return QStringLiteral("EPUB Book");
    case DocumentFormat::Html:
        return QStringLiteral("Web Page");
    case DocumentFormat::Pdf:
        return QStringLiteral("PDF Document");
    case DocumentFormat::Picture:
        return QStringLiteral("Picture");
    case DocumentFormat::ScannedPdf:
        return QStringLiteral("Scanned PDF");
    case DocumentFormat::None:
        break;
    }
    return {};
}

DocumentFormat recogniseDocument(QByteArrayView data, const QString& fileName)
{
    using namespace documents;
    if (data.first(std::min<qsizetype>(data.size(), 1024)).contains("%PDF-"))
        return DocumentFormat::Pdf;
    if (looksLikePicture(data))
        return DocumentFormat::Picture;
    if (looksLikeZip(data)) {
        const DocumentFormat format = zipFormat(data);
        if (format != DocumentFormat::None)
            return format;
    }
    const DocumentFormat claimed = formatClaimedBy(fileName);
    // Markup in a text or RTF file stays what it always was: plain text.
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const bool text = suffix == u"txt" || suffix == u"rtf";
    if (!text && looksLikeHtml(data))
        return DocumentFormat::Html;
    return claimed;
}

DocumentRead readDocument(QByteArray data, DocumentFormat format, const QString& path,
                          const QFont& defaultFont, ReadProgress* progress,
                          const RecognitionRequest& recognition)
{
    using namespace documents;
    const QString fileName = QFileInfo(path).fileName();
    DocumentRead result;
    try {
        DocumentBuilder builder(defaultFont, fileName, progress);
        builder.setRecognition(recognition);
        switch (format) {
        case DocumentFormat::Docx:
            readDocx(data, fileName, builder);
            break;
        case DocumentFormat::Odt:
            readOdt(data, fileName, builder);
            break;
        case DocumentFormat::Epub:
            readEpub(data, fileName, builder);
            break;
        case DocumentFormat::Html:
            readHtml(std::move(data), fileName, builder);
            break;
        case DocumentFormat::Pdf:
        case DocumentFormat::ScannedPdf:
            readPdf(std::move(data), fileName, builder);
            break;
        case DocumentFormat::Picture:
            readPicture(std::move(data), fileName, builder);
            break;
        case DocumentFormat::None:
            throw Error(err::BadFileFormat, QStringLiteral("Invalid file format: ") + fileName);
        }
        result.recognition = builder.recognised();
        result.document = builder.finish();
    } catch (const Error& error) {
        result.error = error;
    } catch (const std::bad_alloc&) {
        result.error = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    } catch (...) {
        // Nothing else is thrown by intent; whatever it was, the file is not opened.
        const QString kind = format == DocumentFormat::Docx      ? kindDocx()
                             : format == DocumentFormat::Odt     ? kindOdt()
                             : format == DocumentFormat::Epub    ? kindEpub()
                             : format == DocumentFormat::Pdf     ? kindPdf()
                             : format == DocumentFormat::Picture ? kindPicture()
                                                                 : kindHtml();
        result.error = damaged(fileName, kind, QStringLiteral("it could not be read"));
    }
    return result;
}

} // namespace platform
