#include "platform/richtext/rtfwriter.h"

#include "platform/richtext/rtfreader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

/// What a reader must give back of a run: its text and visible formatting.
struct Run {
    QString text;
    QString family;
    double points;
    bool bold, italic, underline;
    QColor color;
    int alignment;
    bool operator==(const Run&) const = default;
};

void PrintTo(const Run& run, std::ostream* os)
{
    *os << run.text.toStdString() << " [" << run.family.toStdString() << ' ' << run.points
        << (run.bold ? " b" : "") << (run.italic ? " i" : "") << (run.underline ? " u" : "") << ' '
        << run.color.name().toStdString() << " al" << run.alignment << ']';
}

std::vector<Run> runsOf(const QTextDocument& document)
{
    std::vector<Run> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const Qt::Alignment a = block.blockFormat().alignment();
        const int alignment = a & Qt::AlignHCenter   ? 2
                              : a & Qt::AlignJustify ? 3
                              : a & Qt::AlignRight   ? 1
                                                     : 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QFont font = format.font().resolve(document.defaultFont());
            const QColor color =
                format.foreground().style() == Qt::NoBrush ? QColor() : format.foreground().color();
            runs.push_back({it.fragment().text(), font.family(), font.pointSizeF(), font.bold(),
                            font.italic(), font.underline(), color, alignment});
        }
        runs.push_back({u"<par>"_s, {}, 0, false, false, false, {}, alignment});
    }
    return runs;
}

std::unique_ptr<QTextDocument> reread(const QByteArray& rtf, const QFont& font)
{
    return platform::buildDocument(platform::parseRtf(rtf), font);
}

/// A document with every kind of formatting the writer carries.
std::unique_ptr<QTextDocument> mixedDocument()
{
    auto document = std::make_unique<QTextDocument>();
    document->setDefaultFont(QFont(u"DejaVu Sans"_s, 11));
    QTextCursor cursor(document.get());
    const auto add = [&](const QString& text, auto&& change) {
        QTextCharFormat format;
        change(format);
        cursor.insertText(text, format);
    };
    add(u"Plain, "_s, [](QTextCharFormat&) {});
    add(u"bold "_s, [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    add(u"italic "_s, [](QTextCharFormat& f) { f.setFontItalic(true); });
    add(u"underlined"_s, [](QTextCharFormat& f) { f.setFontUnderline(true); });
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centre);
    add(u"Serif 18 red "_s, [](QTextCharFormat& f) {
        f.setFontFamilies({u"Liberation Serif"_s});
        f.setFontPointSize(18);
        f.setForeground(QColor(200, 10, 20));
    });
    add(u"mono 9.5 blue"_s, [](QTextCharFormat& f) {
        f.setFontFamilies({u"Liberation Mono"_s});
        f.setFontPointSize(9.5);
        f.setForeground(QColor(0, 0, 255));
    });
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    cursor.insertBlock(right);
    add(u"Ça coûte 5 € — naïve “quotes” 中文 😀 {braces} back\\slash"_s,
        [](QTextCharFormat& f) { f.setFontItalic(true); });
    QTextBlockFormat justify;
    justify.setAlignment(Qt::AlignJustify);
    cursor.insertBlock(justify);
    add(u"tab\there\u2028line break, no\u00A0break"_s, [](QTextCharFormat&) {});
    cursor.insertBlock(QTextBlockFormat());
    return document;
}

} // namespace

TEST(RtfWriter, StartsWithTheAnsiHeaderAndTables)
{
    const QByteArray rtf = platform::writeRtf(*mixedDocument());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.left(60).constData();
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}"));
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red200\\green10\\blue20;\\red0\\green0\\blue255;}"));
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
}

TEST(RtfWriter, EscapesSyntaxAndWritesOnlyAscii)
{
    const QByteArray rtf = platform::writeRtf(*mixedDocument());
    for (const char c : rtf)
        ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80);
    EXPECT_TRUE(rtf.contains("\\{braces\\} back\\\\slash"));
    // Characters of Windows-1252 fall back to their byte, others to "?".
    EXPECT_TRUE(rtf.contains("\\u199\\'c7a co\\u251\\'fbte 5 \\u8364\\'80"));
    EXPECT_TRUE(rtf.contains("\\u20013?\\u25991?"));
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?")); // a surrogate pair, half by half
    EXPECT_TRUE(rtf.contains("tab\\tab here\\line line break, no\\~break"));
}

TEST(RtfWriter, OurReaderGivesBackEveryRunUnchanged)
{
    const auto original = mixedDocument();
    const auto copy = reread(platform::writeRtf(*original), original->defaultFont());
    EXPECT_EQ(runsOf(*copy), runsOf(*original));
    EXPECT_EQ(copy->toRawText(), original->toRawText());
}

TEST(RtfWriter, ASecondRoundTripWritesTheSameBytes)
{
    const auto original = mixedDocument();
    const QByteArray first = platform::writeRtf(*original);
    const QByteArray second = platform::writeRtf(*reread(first, original->defaultFont()));
    EXPECT_EQ(second.toStdString(), first.toStdString());
}

TEST(RtfWriter, ControlSymbolsAfterControlWordsAddNoSpace)
{
    // Found by fuzzing: "\\cf0\\- i" read back with a space before the i.
    QTextDocument document;
    document.setPlainText(u"\u00ADi\u00A0j\u2011k"_s);
    const auto copy = reread(platform::writeRtf(document), document.defaultFont());
    EXPECT_EQ(copy->toRawText(), document.toRawText());
}

TEST(RtfWriter, FontNamesBeyondAsciiSurvive)
{
    QTextDocument document;
    QTextCharFormat format;
    format.setFontFamilies({u"ＭＳ 明朝"_s});
    QTextCursor(&document).insertText(u"x"_s, format);
    const auto copy = reread(platform::writeRtf(document), document.defaultFont());
    EXPECT_EQ(runsOf(*copy), runsOf(document));
}

TEST(RtfWriter, EmptyParagraphsKeepTheirSize)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat big;
    big.setFontPointSize(30);
    cursor.insertText(u"x"_s, big);
    cursor.insertBlock(QTextBlockFormat(), big);
    cursor.insertBlock(QTextBlockFormat(), big);
    const auto copy = reread(platform::writeRtf(document), document.defaultFont());
    ASSERT_EQ(copy->blockCount(), 3);
    EXPECT_EQ(copy->lastBlock().charFormat().fontPointSize(), 30.0);
}

TEST(RtfWriter, AnEmptyDocumentRoundTripsToOneEmptyParagraph)
{
    QTextDocument document;
    const auto copy = reread(platform::writeRtf(document), document.defaultFont());
    EXPECT_TRUE(copy->isEmpty());
    EXPECT_EQ(copy->blockCount(), 1);
}
