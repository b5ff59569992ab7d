// Files built to hurt, one class at a time, each made here: nesting without
// end, list numbers without bound, style sheets that make a reader go back
// over them, documents that unpack into more than the machine holds, pages
// that take poppler for ever, and files that are not files. Each is read as
// the window reads it (readFile) and must end soon, in time that grows
// with the file and no faster, within memory, with the reason said.
#include "platform/documentlimits.h"
#include "platform/documents/filereading.h"

#include "zipwriter.h"

#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <new>
#include <sys/stat.h>
#include <thread>

using namespace Qt::StringLiterals;

// Allocation that fails on demand on every thread but the test's own, so
// that a reading's other threads (the builder's writer) meet a failure no
// file can cause on purpose.
namespace {
std::atomic<bool> failElsewhere{false};
std::thread::id testThread;
} // namespace

void* operator new(std::size_t size)
{
    if (failElsewhere.load(std::memory_order_relaxed) && std::this_thread::get_id() != testThread)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

/// The highest resident memory of this process since the last reset, in MB.
double peakMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    }
    return -1;
}

void resetPeak()
{
    QFile refs(u"/proc/self/clear_refs"_s);
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5"); // the high-water mark starts again from now
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

/// A file read as the window reads it, with what it cost: the CPU time of
/// every thread of the process and the peak memory during the read.
struct Read {
    platform::LoadedFile file;
    double seconds = 0;
    double peakMegabytes = 0;

    QString text() const
    {
        return file.document ? file.document->toRawText().replace(QChar(0x2029), u'\n') : QString();
    }
    QString refusal() const
    {
        return file.refused ? file.refused->codeAndDescription() : QString();
    }
};

class HostileFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        return path;
    }

    Read read(const QString& path)
    {
        Read result;
        resetPeak();
        const double start = cpuSeconds();
        result.file = platform::readFile(path, QFont());
        result.seconds = cpuSeconds() - start;
        result.peakMegabytes = peakMegabytes();
        return result;
    }

    Read read(const QString& name, const QByteArray& data) { return read(write(name, data)); }

    /// Reads make(n) and make(2n) as name: the larger must not cost more
    /// than about twice the smaller (three times, for a test that never
    /// flakes; a quadratic reader takes four times and more at these sizes).
    /// Returns the larger read.
    Read expectLinear(const QString& name, const std::function<QByteArray(int)>& make, int n)
    {
        const Read small = read(u"small-"_s + name, make(n));
        Read large = read(u"large-"_s + name, make(2 * n));
        EXPECT_LE(large.seconds, 3 * small.seconds + 0.05)
            << name.toStdString() << ": " << small.seconds << " s for n = " << n << ", "
            << large.seconds << " s for twice that";
        return large;
    }

    static void expectRefusedAsTooLarge(const Read& read, const char* detail)
    {
        ASSERT_TRUE(read.file.refused) << "the file was opened";
        EXPECT_FALSE(read.file.document);
        EXPECT_TRUE(
            read.refusal().startsWith(u"7 - Out of memory: the document is too large to open: "_s))
            << read.refusal().toStdString();
        EXPECT_TRUE(read.refusal().contains(QLatin1StringView(detail)))
            << read.refusal().toStdString();
        if (!sanitized) {
            EXPECT_LT(read.peakMegabytes, 1024) << "peak memory of the refused read";
        }
    }

    QTemporaryDir m_dir;
};

const QByteArray wordNs =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")";

QByteArray docx(const QByteArray& body, const QByteArray& numbering = {})
{
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::vector<testzip::Entry> entries = {
        {u"[Content_Types].xml"_s, "<Types/>"},
        {u"_rels/.rels"_s, "<Relationships><Relationship Id=\"r\" Type=\"" + rel +
                               "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {u"word/_rels/document.xml.rels"_s, "<Relationships><Relationship Id=\"n\" Type=\"" + rel +
                                                "numbering\" Target=\"numbering.xml\"/>"
                                                "</Relationships>"},
        {u"word/document.xml"_s,
         "<w:document " + wordNs + "><w:body>" + body + "</w:body></w:document>"}};
    if (!numbering.isEmpty())
        entries.push_back({u"word/numbering.xml"_s,
                           "<w:numbering " + wordNs + ">" + numbering + "</w:numbering>"});
    return testzip::make(entries);
}

const QByteArray odtNs =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
    R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
    R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0")";

QByteArray odt(const QByteArray& text, const QByteArray& styles = {})
{
    return testzip::make({{u"mimetype"_s, "application/vnd.oasis.opendocument.text"},
                          {u"content.xml"_s, "<office:document-content " + odtNs +
                                                 "><office:automatic-styles>" + styles +
                                                 "</office:automatic-styles><office:body>"
                                                 "<office:text>" +
                                                 text +
                                                 "</office:text></office:body>"
                                                 "</office:document-content>"}});
}

QByteArray epub(const QByteArray& title, const QList<QByteArray>& chapters,
                const QByteArray& css = {}, int spineRepeats = 1)
{
    std::vector<testzip::Entry> entries = {
        {u"mimetype"_s, "application/epub+zip"},
        {u"META-INF/container.xml"_s, "<container><rootfiles><rootfile full-path=\"book.opf\"/>"
                                      "</rootfiles></container>"}};
    QByteArray manifest = "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>";
    QByteArray spine;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const QByteArray id = "c" + QByteArray::number(i);
        entries.push_back({QString::fromLatin1(id + ".xhtml"), chapters[i]});
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        for (int r = 0; r < spineRepeats; ++r)
            spine += "<itemref idref=\"" + id + "\"/>";
    }
    entries.push_back({u"style.css"_s, css});
    entries.push_back({u"book.opf"_s, "<package xmlns=\"http://www.idpf.org/2007/opf\" "
                                      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><metadata>"
                                      "<dc:title>" +
                                          title + "</dc:title></metadata><manifest>" + manifest +
                                          "</manifest><spine>" + spine + "</spine></package>"});
    return testzip::make(entries);
}

/// A PDF of the given pages (content streams), each page naming its own.
QByteArray pdf(const QList<QByteArray>& contents, int pagesPerContent = 1)
{
    QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                 {},
                                 "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    QByteArray kids;
    int count = 0;
    for (const QByteArray& content : contents) {
        objects.append("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
                       content + "\nendstream");
        const int contentObject = int(objects.size());
        for (int p = 0; p < pagesPerContent; ++p) {
            objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 850] /Resources "
                           "<< /Font << /F1 3 0 R >> >> /Contents " +
                           QByteArray::number(contentObject) + " 0 R >>");
            kids += QByteArray::number(objects.size()) + " 0 R ";
            ++count;
        }
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>";
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

QByteArray repeated(const QByteArray& part, int times)
{
    return part.repeated(times);
}

} // namespace

TEST_F(HostileFiles, NestingWithoutEndIsReadFlatInLinearTime)
{
    // Levels enough to overflow the stack of a reader that recurses per level,
    // and to take a reader that looks down its whole stack per tag four times
    // as long at twice the depth.
    constexpr int n = 30'000;
    const auto check = [](const Read& read, const char* what) {
        ASSERT_TRUE(read.file.document) << what << ": " << read.refusal().toStdString();
        EXPECT_TRUE(read.text().contains(u"deep"_s)) << what << ": the deepest text is kept";
    };
    check(expectLinear(
              u"sections.docx"_s,
              [](int k) -> QByteArray {
                  return docx(repeated("<w:sdt><w:sdtContent>", k) +
                              "<w:p><w:r><w:t>deep</w:t></w:r></w:p>" +
                              repeated("</w:sdtContent></w:sdt>", k));
              },
              n),
          "Word content controls");
    check(expectLinear(
              u"links.docx"_s,
              [](int k) -> QByteArray {
                  return docx("<w:p>" + repeated("<w:hyperlink>", k) +
                              "<w:r><w:t>deep</w:t></w:r>" + repeated("</w:hyperlink>", k) +
                              "</w:p>");
              },
              n),
          "Word links");
    check(expectLinear(
              u"tables.docx"_s,
              [](int k) -> QByteArray {
                  return docx(repeated("<w:tbl><w:tr><w:tc>", k) +
                              "<w:p><w:r><w:t>deep</w:t></w:r></w:p>" +
                              repeated("</w:tc></w:tr></w:tbl>", k));
              },
              n / 4),
          "Word tables");
    check(expectLinear(
              u"sections.odt"_s,
              [](int k) -> QByteArray {
                  return odt(repeated("<text:section>", k) + "<text:p>deep</text:p>" +
                             repeated("</text:section>", k));
              },
              n),
          "OpenDocument sections");
    check(expectLinear(
              u"spans.odt"_s,
              [](int k) -> QByteArray {
                  return odt("<text:p>" + repeated("<text:span>", k) + "deep" +
                             repeated("</text:span>", k) + "</text:p>");
              },
              n),
          "OpenDocument spans");
    check(expectLinear(
              u"lists.odt"_s,
              [](int k) -> QByteArray {
                  return odt(repeated("<text:list><text:list-item>", k) + "<text:p>deep</text:p>" +
                             repeated("</text:list-item></text:list>", k));
              },
              n / 2),
          "OpenDocument lists");
    for (const QByteArray& element : {QByteArray("span"), QByteArray("div"), QByteArray("ul><li"),
                                      QByteArray("table><tr><td"), QByteArray("h1")}) {
        const QByteArray close = "</" + element.split('>').front() + ">";
        check(expectLinear(
                  u"nested.html"_s,
                  [&](int k) -> QByteArray {
                      return "<html><body>" + repeated("<" + element + ">", k) + "deep" +
                             repeated(close, k) + "</body></html>";
                  },
                  element.contains('>') ? n / 3 : n / 2),
              element.constData());
    }
    check(expectLinear(
              u"unmatched.html"_s,
              [](int k) -> QByteArray {
                  return "<html><body>" + repeated("<span>", 300) + "deep" +
                         repeated("</x></y>", k) + "</body></html>";
              },
              n),
          "end tags that close nothing");
    check(expectLinear(
              u"book.epub"_s,
              [](int k) -> QByteArray {
                  return epub(repeated("<b>", k) + "Deep title" + repeated("</b>", k),
                              {"<html><body>" + repeated("<div>", k) + "deep" +
                               repeated("</div>", k) + "</body></html>"});
              },
              n),
          "EPUB title and chapter");
    const Read rtf = expectLinear(
        u"groups.rtf"_s,
        [](int k) -> QByteArray {
            return "{\\rtf1 " + repeated("{\\b ", k) + "deep" + repeated("}", k) + "}";
        },
        4 * n);
    check(rtf, "RTF groups");
    const Read arrays = expectLinear(
        u"arrays.pdf"_s,
        [](int k) -> QByteArray {
            return pdf({"BT /F1 10 Tf 72 700 Td " + repeated("[", k) + "(deep)" + repeated("]", k) +
                        " TJ ET"});
        },
        4 * n);
    EXPECT_TRUE(arrays.file.document || arrays.file.refused) << "PDF arrays: no crash";
}

TEST_F(HostileFiles, AnElementCrowdedWithAttributesCostsNoMoreThanItsBytes)
{
    // Qt's XML reader compares each attribute with those before it.
    const auto attributes = [](int k) {
        QByteArray list;
        for (int i = 0; i < k; ++i)
            list += " a" + QByteArray::number(i) + "=\"\"";
        return list;
    };
    const Read word = expectLinear(
        u"crowded.docx"_s,
        [&](int k) -> QByteArray {
            return docx("<w:p" + attributes(k) + "><w:r><w:t>x</w:t></w:r></w:p>");
        },
        20'000);
    EXPECT_TRUE(word.refusal().contains(u"an element has more than 128 attributes"_s))
        << word.refusal().toStdString();
    const Read page = expectLinear(
        u"crowded.html"_s, [&](int k) -> QByteArray { return "<p" + attributes(k) + ">crowded"; },
        200'000);
    EXPECT_TRUE(page.text().contains(u"crowded"_s));
}

TEST_F(HostileFiles, ListMarkersStayShortWhateverTheNumbers)
{
    const auto expectShortMarkers = [](const Read& read, const char* what) {
        ASSERT_TRUE(read.file.document) << what << ": " << read.refusal().toStdString();
        for (QTextBlock b = read.file.document->begin(); b.isValid(); b = b.next()) {
            const QString marker = b.text().section(u'\t', 0, 0);
            EXPECT_LE(marker.size(), platform::limits::maxMarker) << what;
        }
        EXPECT_TRUE(read.text().contains(u"item"_s)) << what;
    };
    expectShortMarkers(read(u"numbers.html"_s,
                            "<ol start=\"2147483647\" type=\"a\"><li>item<li>item</ol>"
                            "<ol start=\"-2147483648\" type=\"I\"><li>item<li>item</ol>"
                            "<ol><li value=\"99999999999\">item<li>item</ol>"),
                       "web page");
    QByteArray levels;
    for (int level = 0; level < 9; ++level)
        levels += "<w:lvl w:ilvl=\"" + QByteArray::number(level) +
                  "\"><w:start w:val=\"2147483647\"/><w:numFmt w:val=\"upperLetter\"/>"
                  "<w:lvlText w:val=\"" +
                  repeated("%1%2%3%4%5%6%7%8%9", 100) + "\"/></w:lvl>";
    QByteArray items;
    for (int level = 0; level < 9; ++level)
        items += "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"" + QByteArray::number(level) +
                 "\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr><w:r><w:t>item</w:t></w:r></w:p>";
    expectShortMarkers(
        read(u"numbers.docx"_s,
             docx(items, "<w:abstractNum w:abstractNumId=\"0\">" + levels +
                             "</w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/>"
                             "<w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"-2147483648\"/>"
                             "</w:lvlOverride></w:num>")),
        "Word document");
    QByteArray odtLevels;
    for (int level = 1; level <= 10; ++level)
        odtLevels += "<text:list-level-style-number text:level=\"" + QByteArray::number(level) +
                     "\" style:num-format=\"a\" text:start-value=\"2147483647\" "
                     "text:display-levels=\"2147483647\" style:num-prefix=\"" +
                     repeated("x", 100000) + "\"/>";
    expectShortMarkers(
        read(u"numbers.odt"_s,
             odt(repeated("<text:list text:style-name=\"L\"><text:list-item>", 10) +
                     "<text:p>item</text:p>" + repeated("</text:list-item></text:list>", 10),
                 "<text:list-style style:name=\"L\">" + odtLevels + "</text:list-style>")),
        "OpenDocument text");
}

TEST_F(HostileFiles, StyleSheetsAreReadOnceInLinearTime)
{
    const Read page = expectLinear(
        u"nosemicolons.html"_s,
        [](int k) -> QByteArray {
            return "<html><head><style>" + repeated("p{color:red}\n", k) +
                   "/* a comment left open " + repeated("/*", k) +
                   "</style></head><body><p>text</p></body></html>";
        },
        40'000);
    EXPECT_TRUE(page.text().contains(u"text"_s));
    // A book's sheet serves all its chapters: a longer sheet and more
    // chapters together must not multiply.
    const Read book = expectLinear(
        u"chapters.epub"_s,
        [](int k) -> QByteArray {
            QList<QByteArray> chapters;
            for (int c = 0; c < k / 10; ++c)
                chapters.append("<html><body><p class=\"c\">chapter</p></body></html>");
            return epub("Sheets", chapters, repeated(".c{font-weight:bold}\n", k));
        },
        10'000);
    EXPECT_TRUE(book.text().contains(u"chapter"_s));
}

TEST_F(HostileFiles, WhatWouldBuildTooLargeADocumentIsRefusedWithinMemory)
{
    // Every format's builder counts alike: characters stand for all of it here.
    expectRefusedAsTooLarge(
        read(u"spaces.odt"_s, odt(repeated("<text:p><text:s text:c=\"1000\"/></text:p>", 65'000))),
        "holds more than 64 million characters");
    // A small book whose chapter comes back again and again in its spine.
    const QByteArray chapter =
        "<html><body><p>" + QByteArray(1'000'000, 'x') + "</p></body></html>";
    const QByteArray book = epub("Again", {chapter}, {}, 65);
    EXPECT_LT(book.size(), 50'000);
    expectRefusedAsTooLarge(read(u"again.epub"_s, book), "holds more than 64 million characters");
    expectRefusedAsTooLarge(
        expectLinear(
            u"lines.txt"_s, [](int k) -> QByteArray { return QByteArray(k, '\n'); }, 4'000'000),
        "holds more than 1 million lines");
    expectRefusedAsTooLarge(read(u"paragraphs.rtf"_s, "{\\rtf1 " + repeated("\\par ", 1'100'000)),
                            "holds more than 1 million paragraphs");
}

TEST_F(HostileFiles, PdfPagesThatTakePopplerForEverAreBounded)
{
    // Letters drawn a tenth of a point apart: poppler's time grows with the
    // square of them. Past the page's bound its text is left out.
    const auto page = [](int operations) -> QByteArray {
        return pdf(
            {"BT /F1 10 Tf 10 800 Td " + repeated("(ab) Tj 0.01 0 Td ", operations) + " ET"});
    };
    const Read read = expectLinear(u"overlapping.pdf"_s, page, 40'000);
    EXPECT_TRUE(read.refusal().contains(u"damaged or incomplete (no page can be read)"_s))
        << read.refusal().toStdString();
    // Pages without end: refused before any is read.
    const Read many = expectLinear(
        u"pages.pdf"_s,
        [](int k) -> QByteArray { return pdf({"BT /F1 10 Tf 72 700 Td (page) Tj ET"}, k); },
        12'000);
    EXPECT_TRUE(many.refusal().contains(u"the document is too large to open"_s))
        << many.refusal().toStdString();
    EXPECT_TRUE(many.refusal().contains(u"\"large-pages.pdf\" has more than 10000 pages."_s));
    // A small file whose 600 pages all show one busy stream (3,600
    // operations): refused at the floor of the document's operations.
    const Read busy = HostileFiles::read(u"busy.pdf"_s, pdf({repeated("BT ET ", 20'000)}, 600));
    EXPECT_TRUE(busy.refusal().contains(u"takes more than 2 million drawing operations"_s))
        << busy.refusal().toStdString();
}

TEST_F(HostileFiles, AFailureOnTheWritersThreadIsTheReadingsRefusal)
{
    // Enough text for the builder to hand it to its writing thread.
    const QByteArray page = "<p>" + QByteArray(300'000, 'x') + "</p>";
    testThread = std::this_thread::get_id();
    failElsewhere = true;
    const platform::DocumentRead read =
        platform::readDocument(page, platform::DocumentFormat::Html, u"page.html"_s, QFont());
    failElsewhere = false;
    EXPECT_FALSE(read.document);
    ASSERT_TRUE(read.error);
    EXPECT_EQ(read.error->codeAndDescription(), u"7 - Out of memory"_s);
    // and the next reading is whole again
    EXPECT_TRUE(
        platform::readDocument(page, platform::DocumentFormat::Html, u"page.html"_s, QFont())
            .document);
}

TEST_F(HostileFiles, WhatIsNotARegularFileIsRefusedAtOnce)
{
    const QString fifo = m_dir.filePath(u"pipe.txt"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, u"/dev/zero"_s, u"/dev/null"_s}) {
        const Read read = this->read(path);
        ASSERT_TRUE(read.file.refused) << path.toStdString() << " was read";
        EXPECT_FALSE(read.file.document);
        EXPECT_TRUE(read.refusal().startsWith(u"75 - Path/File access error: "_s + path))
            << read.refusal().toStdString();
        EXPECT_TRUE(read.refusal().contains(u"is not a file that can be opened"_s));
        EXPECT_LT(read.seconds, 1.0);
    }
}
