// Each format's formatting and structure on small documents made here, and
// the refusals of bad input.
#include "platform/documents/documents.h"
#include "platform/richtext/textproperties.h"

#include "zipwriter.h"

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::DocumentFormat;

namespace {

platform::DocumentRead read(const QByteArray& data, const QString& name)
{
    return platform::readDocument(data, platform::recogniseDocument(data, name), name, QFont());
}

/// The text with paragraphs as LF and line breaks as U+2028.
QString plain(const QTextDocument& document)
{
    return document.toRawText().replace(QChar(0x2029), u'\n');
}

QString textOf(const platform::DocumentRead& read)
{
    return read.document ? plain(*read.document)
                         : u"<refused: "_s + read.error->description() + u'>';
}

QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    return found.isNull() ? QTextCharFormat() : found.charFormat();
}

Qt::Alignment alignmentOf(const QTextDocument& document, const QString& needle)
{
    return document.find(needle).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

QString refusal(const QByteArray& data, const QString& name)
{
    const platform::DocumentRead result = read(data, name);
    return result.error ? result.error->codeAndDescription() : u"<opened>"_s;
}

const QByteArray wordNs =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";

QByteArray docx(const QByteArray& body)
{
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    return testzip::make({
        {u"[Content_Types].xml"_s, R"(<?xml version="1.0"?><Types/>)"},
        {u"_rels/.rels"_s, "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                               "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {u"word/_rels/document.xml.rels"_s, "<Relationships><Relationship Id=\"s\" Type=\"" + rel +
                                                "styles\" Target=\"styles.xml\"/>"
                                                "<Relationship Id=\"n\" Type=\"" +
                                                rel +
                                                "numbering\" Target=\"numbering.xml\"/>"
                                                "<Relationship Id=\"f\" Type=\"" +
                                                rel +
                                                "footnotes\" Target=\"footnotes.xml\"/>"
                                                "<Relationship Id=\"h\" Type=\"" +
                                                rel +
                                                "header\" Target=\"header1.xml\"/>"
                                                "<Relationship Id=\"c\" Type=\"" +
                                                rel +
                                                "comments\" Target=\"comments.xml\"/>"
                                                "</Relationships>"},
        {u"word/styles.xml"_s,
         "<w:styles " + wordNs +
             "><w:docDefaults><w:rPrDefault><w:rPr><w:sz w:val=\"22\"/>"
             "</w:rPr></w:rPrDefault></w:docDefaults><w:style w:type=\"paragraph\" "
             "w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:rPr><w:sz w:val=\"32\"/>"
             "</w:rPr></w:style></w:styles>"},
        {u"word/numbering.xml"_s,
         "<w:numbering " + wordNs +
             "><w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\">"
             "<w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl>"
             "</w:abstractNum><w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
             "</w:numbering>"},
        {u"word/footnotes.xml"_s,
         "<w:footnotes " + wordNs +
             "><w:footnote w:type=\"separator\" w:id=\"0\"><w:p><w:r>"
             "<w:separator/></w:r></w:p></w:footnote><w:footnote w:id=\"2\"><w:p><w:r>"
             "<w:footnoteRef/></w:r><w:r><w:t xml:space=\"preserve\"> A note.</w:t></w:r></w:p>"
             "</w:footnote></w:footnotes>"},
        {u"word/header1.xml"_s, "<w:hdr " + wordNs +
                                    "><w:p><w:r><w:t>Running header</w:t>"
                                    "</w:r></w:p></w:hdr>"},
        {u"word/comments.xml"_s, "<w:comments " + wordNs +
                                     "><w:comment w:id=\"0\"><w:p><w:r>"
                                     "<w:t>A comment</w:t></w:r></w:p></w:comment></w:comments>"},
        {u"word/document.xml"_s, "<?xml version=\"1.0\"?><w:document " + wordNs + "><w:body>" +
                                     body + "</w:body></w:document>"},
    });
}

const QByteArray wordBody =
    R"(<w:p><w:pPr><w:pStyle w:val="Heading1"/></w:pPr><w:r><w:t>Chapter One</w:t></w:r></w:p>)"
    R"(<w:p><w:pPr><w:jc w:val="center"/></w:pPr><w:r><w:rPr><w:b/></w:rPr>)"
    R"(<w:t>Bold words</w:t></w:r><w:r><w:t xml:space="preserve"> then plain </w:t></w:r>)"
    R"(<w:del w:id="5"><w:r><w:delText>removed</w:delText></w:r></w:del>)"
    R"(<w:r><w:rPr><w:i/><w:color w:val="FF0000"/><w:sz w:val="32"/></w:rPr><w:t>red</w:t></w:r>)"
    R"(<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>)"
    R"(<w:r><w:footnoteReference w:id="2"/></w:r></w:p>)"
    R"(<w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr></w:pPr>)"
    R"(<w:r><w:t>First</w:t></w:r></w:p>)"
    R"(<w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr></w:pPr>)"
    R"(<w:r><w:t>Second</w:t></w:r></w:p>)"
    R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>a</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>b</w:t>)"
    R"(</w:r></w:p><w:p><w:r><w:t>b2</w:t></w:r></w:p></w:tc></w:tr><w:tr><w:tc><w:p/></w:tc>)"
    R"(<w:tc><w:p><w:r><w:t>d</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
    R"(<w:p><w:commentRangeStart w:id="0"/><w:r><w:t>After</w:t></w:r><w:commentRangeEnd w:id="0"/>)"
    R"(<w:r><w:commentReference w:id="0"/></w:r><w:r><w:drawing><wp:inline )"
    R"(xmlns:wp="urn:wp"/></w:drawing></w:r></w:p>)"
    R"(<w:sectPr><w:headerReference w:type="default" r:id="h"/></w:sectPr>)";

QByteArray odt()
{
    const QByteArray ns =
        R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
        R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
        R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
        R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
        R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0")";
    return testzip::make({
        {u"mimetype"_s, "application/vnd.oasis.opendocument.text"},
        {u"META-INF/manifest.xml"_s, "<manifest/>"},
        {u"styles.xml"_s,
         "<office:document-styles " + ns +
             "><office:styles><style:default-style "
             "style:family=\"paragraph\"><style:text-properties fo:font-size=\"11pt\"/>"
             "</style:default-style></office:styles><office:master-styles><style:master-page>"
             "<style:header><text:p>Running header</text:p></style:header></style:master-page>"
             "</office:master-styles></office:document-styles>"},
        {u"content.xml"_s,
         "<office:document-content " + ns +
             "><office:automatic-styles>"
             "<style:style style:name=\"P1\" "
             "style:family=\"paragraph\"><style:paragraph-properties "
             "fo:text-align=\"center\"/></style:style><style:style style:name=\"T1\" "
             "style:family=\"text\"><style:text-properties fo:font-weight=\"bold\"/></style:style>"
             "<style:style style:name=\"T2\" style:family=\"text\"><style:text-properties "
             "fo:color=\"#ff0000\" fo:font-style=\"italic\" fo:font-size=\"16pt\"/></style:style>"
             "<text:list-style style:name=\"L1\"><text:list-level-style-number text:level=\"1\" "
             "style:num-format=\"1\" style:num-suffix=\".\"/></text:list-style>"
             "</office:automatic-styles><office:body><office:text>"
             "<text:tracked-changes><text:changed-region><text:deletion><text:p>removed</text:p>"
             "</text:deletion></text:changed-region></text:tracked-changes>"
             "<text:h text:outline-level=\"1\">Chapter One</text:h>"
             "<text:p text:style-name=\"P1\"><text:span text:style-name=\"T1\">Bold "
             "words</text:span>"
             " then   plain <text:span text:style-name=\"T2\">red</text:span><text:note>"
             "<text:note-citation>1</text:note-citation><text:note-body><text:p>A note.</text:p>"
             "</text:note-body></text:note><office:annotation><text:p>A comment</text:p>"
             "</office:annotation></text:p>"
             "<text:list text:style-name=\"L1\"><text:list-item><text:p>First</text:p>"
             "</text:list-item><text:list-item><text:p>Second</text:p></text:list-item></text:list>"
             "<table:table><table:table-row><table:table-cell><text:p>a</text:p></table:table-cell>"
             "<table:table-cell><text:p>b</text:p><text:p>b2</text:p></table:table-cell>"
             "</table:table-row><table:table-row><table:table-cell/><table:table-cell><text:p>d"
             "</text:p></table:table-cell></table:table-row></table:table>"
             "<text:p>After</text:p></office:text></office:body></office:document-content>"},
    });
}

} // namespace

// Word and OpenDocument files of the same content read alike: the heading
// bold and larger, the alignment, the runs, list markers, tables as
// tab-separated rows, the note at the end under a rule; headers, comments,
// deletions, hidden text and pictures left out.
TEST(DocumentReaders, WordAndOpenDocumentKeepFormattingAndStructure)
{
    const QString expected = u"Chapter One\nBold words then plain red1\n1.\tFirst\n2.\tSecond\n"
                             u"a\tb\u2028b2\n\td\nAfter\n\n1 A note."_s;
    for (const auto& [data, name] :
         {std::pair{docx(wordBody), u"a.docx"_s}, std::pair{odt(), u"a.odt"_s}}) {
        SCOPED_TRACE(name.toStdString());
        const platform::DocumentRead result = read(data, name);
        ASSERT_TRUE(result.document) << textOf(result).toStdString();
        const QTextDocument& document = *result.document;
        EXPECT_EQ(plain(document), expected);

        const QTextCharFormat heading = formatOf(document, u"Chapter One"_s);
        EXPECT_EQ(heading.fontWeight(), QFont::Bold);
        EXPECT_GE(heading.fontPointSize(), 16);
        EXPECT_EQ(alignmentOf(document, u"Bold words"_s), Qt::AlignHCenter);
        EXPECT_EQ(formatOf(document, u"Bold words"_s).fontWeight(), QFont::Bold);
        EXPECT_NE(formatOf(document, u"then plain"_s).fontWeight(), QFont::Bold);
        const QTextCharFormat red = formatOf(document, u"red"_s);
        EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
        EXPECT_TRUE(red.fontItalic());
        EXPECT_EQ(red.fontPointSize(), 16);
        // A selection's format is its last character's: the raised note mark.
        EXPECT_EQ(formatOf(document, u"red1"_s).verticalAlignment(),
                  QTextCharFormat::AlignSuperScript);
        const QTextBlock rule = document.findBlock(document.find(u"After"_s).position()).next();
        EXPECT_TRUE(rule.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
    }
}

// A web page in a legacy charset it declares: its formatting, lists and
// tables; scripts and the head are not text, a picture is its description.
TEST(DocumentReaders, WebPageKeepsFormattingAndLeavesScriptsOut)
{
    const QString page =
        u"<!DOCTYPE html><html><head><meta charset=\"windows-1251\"><title>Head title</title>"
        u"<style>.note { color: #0000ff } .gone { display: none }</style>"
        u"<script>document.write('evil')</script></head><body>"
        u"<h1>Глава первая</h1><p align=\"center\"><b>Bold words</b> then &amp; plain</p>"
        u"<p class=\"note\">Blue <img src=\"http://example.invalid/x.png\" alt=\"pic\"></p>"
        u"<div class=\"gone\">invisible</div><ul><li>First<li>Second</ul>"
        u"<table><tr><td>a<td>b</tr><tr><td></td><td>d</td></tr></table>"
        u"<p>line<br>break &#8212; done</body></html>"_s;
    QStringEncoder encoder("windows-1251");
    const QByteArray data = encoder.encode(page);
    ASSERT_FALSE(encoder.hasError());
    ASSERT_EQ(platform::recogniseDocument(data, u"page.htm"_s), DocumentFormat::Html);
    const platform::DocumentRead result = read(data, u"page.htm"_s);
    ASSERT_TRUE(result.document) << textOf(result).toStdString();
    const QTextDocument& document = *result.document;
    EXPECT_EQ(plain(document),
              u"Глава первая\nBold words then & plain\nBlue pic\n\u2022\tFirst\n\u2022\tSecond\n"
              u"a\tb\n\td\nline\u2028break \u2014 done"_s);
    const QTextCharFormat heading = formatOf(document, u"Глава"_s);
    EXPECT_EQ(heading.fontWeight(), QFont::Bold);
    EXPECT_GT(heading.fontPointSize(), 12);
    EXPECT_EQ(alignmentOf(document, u"Bold words"_s), Qt::AlignHCenter);
    EXPECT_EQ(formatOf(document, u"Bold words"_s).fontWeight(), QFont::Bold);
    EXPECT_NE(formatOf(document, u"plain"_s).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatOf(document, u"Blue"_s).foreground().color(), QColor(0, 0, 255));
}

// What a reader view of a web page shows: the main element alone, without
// menus, banners, asides or what assistive technology is told to skip;
// without a main element, the articles alone, each with its own header and
// footer. Every named reference of the standard is known, the legacy ones
// without their semicolon too; a link to a note is the note's mark.
TEST(DocumentReaders, WebPageIsReadAsAReaderViewShowsIt)
{
    const QByteArray page =
        "<html><body><header><nav><a href=\"/\">Home</a></nav>Site</header>"
        "<noscript>Please enable JavaScript</noscript><aside>Ads</aside>"
        "<main><h1>Names &NotNestedLessLess; &fjlig; &notit; &amp &copy=2 &nosuch;"
        "<a class=\"headerlink\" href=\"#n\">\u00B6</a></h1>"
        "<p aria-hidden=\"true\">icon</p><p hidden>gone</p><p style=\"display:none\">none</p>"
        "<p>published 1813.<sup><a href=\"#fn1\">1</a></sup> daughters<a href=\"#fn2\" "
        "class=\"footnote-ref\" role=\"doc-noteref\"><sup>2</sup></a> "
        "<a href=\"#fn3\">link</a></p><template>tmpl</template><aside>Related</aside></main>"
        "<main>Second main</main><footer>Site footer</footer></body></html>";
    const platform::DocumentRead result = read(page, u"page.html"_s);
    ASSERT_TRUE(result.document) << textOf(result).toStdString();
    EXPECT_EQ(plain(*result.document), u"Names \u2AA1\u0338 fj \u00ACit; & \u00A9=2 &nosuch;\n"
                                       u"published 1813.1 daughters2 link"_s);
    const QTextCharFormat one = formatOf(*result.document, u"1813.1"_s); // the last one's
    EXPECT_TRUE(one.boolProperty(platform::NoteReferenceProperty));
    EXPECT_EQ(one.verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_TRUE(
        formatOf(*result.document, u"daughters2"_s).boolProperty(platform::NoteReferenceProperty));
    EXPECT_FALSE(
        formatOf(*result.document, u"link"_s).boolProperty(platform::NoteReferenceProperty));

    const QByteArray articles =
        "<body><header>Site</header><p>Teaser</p><article><header>By A</header><p>One</p>"
        "<footer>Tags</footer></article><!-- <main> --><article><p>Two</p></article>"
        "<footer>Site footer</footer></body>";
    EXPECT_EQ(plain(*read(articles, u"page.html"_s).document), u"By A\nOne\nTags\nTwo"_s);
    const QByteArray layout =
        "<table><tr><td>Menu</td><td><div role=\"main\"><p>Body</p>"
        "<table><tr><td>a</td><td>b</td></tr></table></div></td></tr></table>";
    EXPECT_EQ(plain(*read(layout, u"page.html"_s).document), u"Body\na\tb"_s);
}

// A book's chapters in spine order (not the manifest's), the title first
// when no heading of the first chapter says it, and a locked book refused.
TEST(DocumentReaders, BookReadsItsSpineInOrderUnderItsTitle)
{
    const auto chapter = [](const char* heading, const char* text) -> QByteArray {
        return QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?><html "
                          "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>x</title>"
                          "<link rel=\"stylesheet\" href=\"../book.css\"/></head><body><h2>") +
               heading + "</h2><p class=\"centre\">" + text + "</p></body></html>";
    };
    const auto book = [&](const QByteArray& encryption, const char* firstHeading = "One") {
        std::vector<testzip::Entry> entries = {
            {u"mimetype"_s, "application/epub+zip"},
            {u"META-INF/container.xml"_s,
             "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
             "media-type=\"application/oebps-package+xml\"/></rootfiles></container>"},
            {u"OEBPS/content.opf"_s,
             "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata "
             "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>The Test Book</dc:title>"
             "</metadata><manifest><item id=\"c2\" href=\"text/two.xhtml\" "
             "media-type=\"application/xhtml+xml\"/><item id=\"c1\" href=\"text/one%20a.xhtml\" "
             "media-type=\"application/xhtml+xml\"/><item id=\"cover\" href=\"text/cover.xhtml\" "
             "media-type=\"application/xhtml+xml\"/><item id=\"css\" href=\"book.css\" "
             "media-type=\"text/css\"/></manifest><spine><itemref idref=\"cover\" "
             "linear=\"no\"/><itemref idref=\"c1\"/><itemref idref=\"c2\"/></spine></package>"},
            {u"OEBPS/book.css"_s, ".centre { text-align: center }"},
            {u"OEBPS/text/cover.xhtml"_s, chapter("Cover", "cover page")},
            {u"OEBPS/text/one a.xhtml"_s, chapter(firstHeading, "It begins.")},
            {u"OEBPS/text/two.xhtml"_s, chapter("Two", "It ends.")},
        };
        if (!encryption.isEmpty())
            entries.push_back({u"META-INF/encryption.xml"_s, encryption});
        return testzip::make(entries);
    };
    const platform::DocumentRead result = read(book({}), u"book.epub"_s);
    ASSERT_TRUE(result.document) << textOf(result).toStdString();
    EXPECT_EQ(plain(*result.document), u"The Test Book\nOne\nIt begins.\nTwo\nIt ends."_s);
    EXPECT_EQ(alignmentOf(*result.document, u"It ends."_s), Qt::AlignHCenter);
    EXPECT_EQ(formatOf(*result.document, u"The Test Book"_s).fontWeight(), QFont::Bold);
    EXPECT_EQ(plain(*read(book({}, "One</h2><h2>THE TEST-BOOK"), u"book.epub"_s).document),
              u"One\nTHE TEST-BOOK\nIt begins.\nTwo\nIt ends."_s);

    const QByteArray locked =
        "<encryption><EncryptedData><EncryptionMethod "
        "Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes128-cbc\"/><CipherData><CipherReference "
        "URI=\"OEBPS/text/two.xhtml\"/></CipherData></EncryptedData></encryption>";
    EXPECT_TRUE(refusal(book(locked), u"book.epub"_s).contains(u"digital rights management"_s));
}

namespace {

/// A PDF of several pages with a running header, a page number in the
/// footer, and paragraphs whose lines break (one inside a hyphenated word).
const QString names[] = {u"one"_s, u"two"_s, u"three"_s};

QByteArray reportPdf(int pages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"report.pdf"_s);
    {
        QPdfWriter writer(path);
        writer.setResolution(72);
        QPainter painter(&writer);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(12);
        painter.setFont(font);
        for (int page = 1; page <= pages; ++page) {
            if (page > 1)
                writer.newPage();
            const QString name = names[page - 1];
            painter.drawText(60, 40, u"Quarterly Report of the Society"_s);
            painter.drawText(60, 110, u"On day %1 the committee met and the exam-"_s.arg(name));
            painter.drawText(60, 125, u"ination of the accounts went on all afternoon"_s);
            painter.drawText(60, 140, u"until dark."_s);
            painter.drawText(60, 180, u"Paragraph %1 stands alone."_s.arg(name));
            painter.drawText(280, 780, QString::number(page));
        }
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(DocumentReaders, PdfJoinsLinesAndBrokenWordsAndLeavesRunningLinesOut)
{
    const platform::DocumentRead result = read(reportPdf(3), u"report.pdf"_s);
    ASSERT_TRUE(result.document) << textOf(result).toStdString();
    QString expected;
    for (const QString& name : names)
        expected += u"On day %1 the committee met and the examination of the accounts went on "
                    u"all afternoon until dark.\nParagraph %1 stands alone.\n"_s.arg(name);
    expected.chop(1);
    EXPECT_EQ(plain(*result.document), expected);

    // One page has nothing that runs: its header is text like any other.
    const platform::DocumentRead single = read(reportPdf(1), u"report.pdf"_s);
    ASSERT_TRUE(single.document);
    EXPECT_TRUE(plain(*single.document).startsWith(u"Quarterly Report"_s));
}

// Bad input of every kind is refused with the reason, never half-opened,
// except a PDF with a broken page, which keeps the pages that can be read.
TEST(DocumentReaders, BadInputIsRefusedSayingWhy)
{
    const QByteArray word = docx(wordBody);
    EXPECT_TRUE(refusal("Just some words.", u"notes.docx"_s)
                    .startsWith(u"321 - Invalid file format: \"notes.docx\" is not a Word"_s));
    EXPECT_TRUE(refusal(word.left(word.size() / 2), u"cut.docx"_s).contains(u"damaged"_s));
    EXPECT_TRUE(refusal("%PDF-1.4\n garbage", u"bad.pdf"_s).contains(u"damaged"_s));

    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<w:document " +
        wordNs +
        "><w:body><w:p><w:r><w:t>&d;&d;&d;&d;&d;&d;&d;&d;</w:t>"
        "</w:r></w:p></w:body></w:document>";
    EXPECT_TRUE(refusal(testzip::make({{u"word/document.xml"_s, laughs}}), u"laughs.docx"_s)
                    .contains(u"damaged"_s));

    // A zip bomb: a few hundred kilobytes that unpack past the limit.
    const QByteArray huge(257 * 1024 * 1024, ' ');
    EXPECT_TRUE(refusal(testzip::make({{u"word/document.xml"_s, huge}}), u"bomb.docx"_s)
                    .contains(u"unsafe: it unpacks to more than 256 MB"_s));
    std::vector<testzip::Entry> many{{u"mimetype"_s, "application/vnd.oasis.opendocument.text"}};
    for (int i = 0; i < 20001; ++i)
        many.push_back({u"f%1"_s.arg(i), QByteArray()});
    EXPECT_TRUE(refusal(testzip::make(many), u"many.odt"_s).contains(u"more than 20000 files"_s));

    // A PDF cut short loses its page tree; one page that fails leaves the others.
    const QByteArray pdf = reportPdf(3);
    EXPECT_TRUE(refusal(pdf.left(pdf.size() / 2), u"cut.pdf"_s).contains(u"damaged"_s));
    QByteArray broken = pdf;
    const QByteArray start = ">>\nstream\n"; // of each page's contents, in page order
    const qsizetype secondPage = broken.indexOf(start, broken.indexOf(start) + 1);
    ASSERT_GT(secondPage, 0);
    broken.replace(secondPage + start.size(), 16, QByteArray(16, 'x'));
    const platform::DocumentRead partly = read(broken, u"broken.pdf"_s);
    ASSERT_TRUE(partly.document) << textOf(partly).toStdString();
    const QString text = plain(*partly.document);
    EXPECT_TRUE(text.contains(u"Paragraph one"_s) && text.contains(u"Paragraph three"_s))
        << text.toStdString();
    EXPECT_FALSE(text.contains(u"Paragraph two"_s));
}

// The content decides the format; the name only keeps markup in a ".txt"
// plain, and claims a format for content that is none of them.
TEST(DocumentReaders, FormatIsRecognisedByContent)
{
    const QByteArray word = docx(wordBody);
    EXPECT_EQ(platform::recogniseDocument(word, u"misnamed.odt"_s), DocumentFormat::Docx);
    EXPECT_EQ(platform::recogniseDocument(odt(), u"misnamed.docx"_s), DocumentFormat::Odt);
    EXPECT_EQ(platform::recogniseDocument("%PDF-1.7\n", u"x.rtf"_s), DocumentFormat::Pdf);
    EXPECT_EQ(platform::recogniseDocument("<html><body>x", u"page.txt"_s), DocumentFormat::None);
    EXPECT_EQ(platform::recogniseDocument("<p>x</p>", u"page"_s), DocumentFormat::Html);
    EXPECT_EQ(platform::recogniseDocument("plain words", u"page.html"_s), DocumentFormat::Html);
    EXPECT_EQ(platform::recogniseDocument("plain words", u"notes.txt"_s), DocumentFormat::None);
    EXPECT_EQ(platform::recogniseDocument("{\\rtf1 x}", u"letter.rtf"_s), DocumentFormat::None);
    EXPECT_EQ(platform::documentFormatName(DocumentFormat::Epub), u"EPUB Book"_s);
}
