// Recognising a file's format by its content, and reading it with the
// reader of that format into a detached document.
#include "platform/documents/documents.h"

#include "platform/documents/builder.h"
#include "platform/documents/readers.h"
#include "platform/documents/ziparchive.h"
#include "platform/textdecode.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QFont>
#include <QTextDocument>
#include <QThread>

#include <new>
#include <zip.h>

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
DocumentFormat zipFormat(const QByteArray& data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (source)
            zip_source_free(source);
        return DocumentFormat::None;
    }
    const auto has = [archive](const char* name) {
        return zip_name_locate(archive, name, ZIP_FL_NOCASE) >= 0;
    };
    QByteArray mimetype;
    if (zip_file_t* file = zip_fopen(archive, "mimetype", 0)) {
        char buffer[128];
        const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
        if (got > 0)
            mimetype = QByteArray(buffer, qsizetype(got)).trimmed();
        zip_fclose(file);
    }
    DocumentFormat format = DocumentFormat::None;
    if (mimetype.startsWith("application/vnd.oasis.opendocument.text"))
        format = DocumentFormat::Odt;
    else if (mimetype == "application/epub+zip" || has("META-INF/container.xml"))
        format = DocumentFormat::Epub;
    else if (has("word/document.xml") || has("[Content_Types].xml"))
        format = DocumentFormat::Docx;
    else if (mimetype.isEmpty() && has("content.xml") && has("META-INF/manifest.xml"))
        format = DocumentFormat::Odt;
    zip_discard(archive);
    return format;
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
    if (looksLikeZip(data)) {
        const DocumentFormat format = zipFormat(data.toByteArray());
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

DocumentRead readDocument(const QByteArray& data, DocumentFormat format, const QString& path,
                          const QFont& defaultFont)
{
    using namespace documents;
    const QString fileName = QFileInfo(path).fileName();
    DocumentRead result;
    try {
        DocumentBuilder builder(defaultFont);
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
            readHtml(data, fileName, builder);
            break;
        case DocumentFormat::Pdf:
            readPdf(data, fileName, builder);
            break;
        case DocumentFormat::None:
            throw Error(err::BadFileFormat, QStringLiteral("Invalid file format: ") + fileName);
        }
        result.document = builder.finish();
    } catch (const Error& error) {
        result.error = error;
    } catch (const std::bad_alloc&) {
        result.error = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    }
    return result;
}

DocumentRead readDocumentInBackground(const QByteArray& data, DocumentFormat format,
                                      const QString& path, const QFont& defaultFont)
{
    // Below this a thread costs more than it saves.
    constexpr qsizetype threadFrom = 256 * 1024;
    if (data.size() < threadFrom)
        return readDocument(data, format, path, defaultFont);
    DocumentRead result;
    QThread* const home = QThread::currentThread();
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        result = readDocument(data, format, path, defaultFont);
        if (result.document)
            result.document->moveToThread(home);
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    // The window keeps painting; what the user types waits for the document.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    return result;
}

} // namespace platform
