// EPUB books (2 and 3): the chapters of the spine in order, each read as a
// web page with the book's style sheets; the title leads when no heading of
// the first chapter already says it.
#include "platform/documents/builder.h"
#include "platform/documents/css.h"
#include "platform/documents/errors.h"
#include "platform/documents/readers.h"
#include "platform/documents/xml.h"
#include "platform/documents/ziparchive.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace platform::documents {
namespace {

struct Book {
    QString title;
    QStringList spine;       ///< the chapters' part names, in reading order
    QStringList styleSheets; ///< part names of the style sheets
};

/// A name in the archive for href, relative to folder ("OPS/").
QString resolve(const QString& folder, QStringView href)
{
    QString path = QUrl::fromPercentEncoding(href.split(u'#').front().toUtf8());
    path = folder + path;
    // "a/../b" and "./b" as a browser would resolve them
    QStringList parts;
    for (const QString& part : path.split(u'/')) {
        if (part == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (!part.isEmpty() && part != u".") {
            parts.append(part);
        }
    }
    return parts.join(u'/');
}

QString rootFile(ZipArchive& zip, const QString& fileName)
{
    const QByteArray container = zip.readIfPresent(QStringLiteral("META-INF/container.xml"));
    XmlReader xml(container);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"rootfile") {
            const QStringView type = attribute(xml, u"media-type");
            if (type.isEmpty() || type == u"application/oebps-package+xml")
                return attribute(xml, u"full-path").toString();
        }
    }
    if (xml.hasError() && !container.isEmpty())
        zip.damaged(xmlProblem(xml, QStringLiteral("META-INF/container.xml")));
    throw notThisFormat(fileName, kindEpub());
}

Book readPackage(ZipArchive& zip, const QString& opfName)
{
    const QString folder = opfName.left(opfName.lastIndexOf(u'/') + 1);
    const QByteArray opf = zip.read(opfName);
    XmlReader xml(opf);
    struct Item {
        QString href;
        QString type;
    };
    QHash<QString, Item> manifest;
    QStringList linear, nonLinear;
    Book book;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"title" && book.title.isEmpty()) {
            book.title = flatText(xml).simplified().left(1000);
        } else if (name == u"item") {
            const Item item{resolve(folder, attribute(xml, u"href")),
                            attribute(xml, u"media-type").toString()};
            if (item.type == u"text/css")
                book.styleSheets.append(item.href);
            manifest.insert(attribute(xml, u"id").toString(), item);
        } else if (name == u"itemref") {
            const QString id = attribute(xml, u"idref").toString();
            (attribute(xml, u"linear") == u"no" ? nonLinear : linear).append(id);
        }
    }
    if (xml.hasError())
        zip.damaged(xmlProblem(xml, opfName));
    // Items outside the reading order (a cover, pop-up notes) are left out,
    // unless nothing else is in it.
    for (const QString& id : linear.isEmpty() ? nonLinear : linear) {
        const auto it = manifest.constFind(id);
        if (it != manifest.constEnd() && !it->type.contains(u"image"))
            book.spine.append(it->href);
    }
    return book;
}

/// Rights management encrypts the chapters; fonts that are merely
/// obfuscated (the two font algorithms) do not lock the text.
void refuseLocked(ZipArchive& zip, const Book& book, const QString& fileName)
{
    const QByteArray encryption = zip.readIfPresent(QStringLiteral("META-INF/encryption.xml"));
    if (encryption.isEmpty())
        return;
    XmlReader xml(encryption);
    QString algorithm;
    const QSet<QString> chapters(book.spine.begin(), book.spine.end());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"EncryptionMethod") {
            algorithm = attribute(xml, u"Algorithm").toString();
        } else if (xml.name() == u"CipherReference") {
            const bool fontOnly = algorithm == u"http://www.idpf.org/2008/embedding" ||
                                  algorithm == u"http://ns.adobe.com/pdf/enc#RC";
            if (!fontOnly && chapters.contains(resolve(QString(), attribute(xml, u"URI"))))
                throw drmProtected(fileName, kindEpub());
        }
    }
}

/// The words of text, in lower case, "&" read as "and".
QStringList wordsOf(const QString& text)
{
    QStringList words;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty())
            words.push_back(std::exchange(word, {}));
    };
    for (const QChar c : text) {
        if (c.isLetterOrNumber()) {
            word += c.toLower();
        } else {
            flush();
            if (c == u'&')
                words.push_back(QStringLiteral("and"));
        }
    }
    flush();
    return words;
}

/// Whether a heading says the title, in its words or a part of them: all the
/// title's words are in the heading ("Emma" in "EMMA: A Novel"), or the
/// heading is at least two of the title's words ("Pride & Prejudice" of
/// "Pride and Prejudice: A Novel").
bool saysTitle(const QString& heading, const QStringList& title)
{
    const QStringList words = wordsOf(heading);
    if (words.isEmpty())
        return false;
    const auto within = [](const QStringList& some, const QStringList& all) {
        return std::all_of(some.begin(), some.end(),
                           [&](const QString& w) { return all.contains(w); });
    };
    return within(title, words) || (words.size() >= 2 && within(words, title));
}

} // namespace

void readEpub(const QByteArray& data, const QString& fileName, DocumentBuilder& out)
{
    ZipArchive zip(data, fileName, kindEpub());
    const QString opfName = resolve(QString(), rootFile(zip, fileName));
    const Book book = readPackage(zip, opfName);
    refuseLocked(zip, book, fileName);

    // The book's style sheets are read once for all its chapters.
    StyleSheet sheet;
    QSet<QString> sheetsRead;
    for (const QString& name : book.styleSheets) {
        if (sheetsRead.contains(name))
            continue; // listed twice: its rules are in already
        sheetsRead.insert(name);
        const QByteArray css = zip.readIfPresent(name);
        if (css.size() > maxMarkupBytes)
            refuseLargeMarkup(fileName, kindEpub());
        sheet.add(decodeHtml(css));
    }
    const qsizetype chapters = book.spine.size();
    const QStringList titleWords = wordsOf(book.title);
    bool titleSaid = false;
    bool firstChapterSeen = false;
    for (qsizetype i = 0; i < chapters; ++i) {
        out.report(double(i) / double(chapters));
        const QString& chapter = book.spine[i];
        if (!zip.contains(chapter))
            continue; // a chapter the book lists but lacks: the rest still reads
        QByteArray bytes = zip.read(chapter);
        if (bytes.size() > maxMarkupBytes)
            refuseLargeMarkup(fileName, kindEpub());
        const QString html = decodeHtml(std::exchange(bytes, {}));
        const std::vector<QString> headings = readHtmlText(html, out, &sheet);
        out.endParagraph();
        // The first part with headings is the first chapter (a cover has none).
        if (!firstChapterSeen && !headings.empty()) {
            firstChapterSeen = true;
            titleSaid = std::any_of(headings.begin(), headings.end(),
                                    [&](const QString& h) { return saysTitle(h, titleWords); });
        }
    }
    if (titleSaid)
        return;

    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    block.setHeadingLevel(1);
    out.addTitleFirst(book.title, block, headingFormat(0, 12));
}

} // namespace platform::documents
