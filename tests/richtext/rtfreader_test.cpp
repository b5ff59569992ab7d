#include "platform/richtext/rtfreader.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::parseRtf;

namespace {

struct Read {
    platform::RtfContent content;
    std::unique_ptr<QTextDocument> document;
    /// The text with paragraphs as LF; line breaks and no-break spaces stay.
    QString text() const { return document->toRawText().replace(QChar(0x2029), u'\n'); }
};

Read read(QByteArrayView rtf)
{
    Read result;
    result.content = parseRtf(rtf);
    result.document = platform::buildDocument(result.content, QFont(u"DejaVu Sans"_s, 10));
    return result;
}

QString text(QByteArrayView rtf)
{
    return read(rtf).text();
}

/// The character format at the first occurrence of needle.
QTextCharFormat formatOf(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    if (found.isNull())
        return {};
    QTextCursor at(const_cast<QTextDocument*>(&document));
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

/// 0 left, 1 right, 2 centre, 3 justified.
int alignmentOf(const QTextDocument& document, int block)
{
    const Qt::Alignment a = document.findBlockByNumber(block).blockFormat().alignment();
    return a & Qt::AlignHCenter ? 2 : a & Qt::AlignJustify ? 3 : a & Qt::AlignRight ? 1 : 0;
}

} // namespace

TEST(RtfReaderText, ParagraphsLineBreaksAndTabsKeepTheirPlaces)
{
    EXPECT_EQ(text("{\\rtf1 one\\par two\\line three\\tab four}"), u"one\ntwo\u2028three\tfour"_s);
    // The paragraph mark after the last paragraph does not add an empty one,
    // but an empty paragraph before it stays.
    EXPECT_EQ(read("{\\rtf1 a\\par}").document->blockCount(), 1);
    EXPECT_EQ(read("{\\rtf1 a\\par\\par}").document->blockCount(), 2);
    // Line ends in the file are not text; a backslash before one is \par.
    EXPECT_EQ(text("{\\rtf1 a\r\nb\\\nc}"), u"ab\nc"_s);
}

TEST(RtfReaderText, SpecialSymbolsBecomeTheirCharacters)
{
    EXPECT_EQ(text("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote"
                   "\\~\\-\\_\\{\\}\\\\}"),
              u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u00A0\u00AD\u2011{}\\"_s);
}

TEST(RtfReaderText, ControlWordsEndAtTheirDelimiter)
{
    // One space after a control word is its delimiter; a second is text.
    EXPECT_EQ(text("{\\rtf1 \\b  bold\\b0, x\\'e9y}"), u" bold, x\u00E9y"_s);
    // Letters right after a hex escape continue the word (no space added).
    EXPECT_EQ(text("{\\rtf1\\ansi \\'dcbersicht}"), u"\u00DCbersicht"_s);
}

TEST(RtfReaderCodePages, HexEscapesFollowTheDocumentPage)
{
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}"), u"При"_s);
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1250 \\'9e\\'e1k}"), u"žák"_s);
    EXPECT_EQ(text("{\\rtf1\\ansi \\'80\\'93\\'e9}"), u"€“é"_s);
}

TEST(RtfReaderCodePages, AFontsCharacterSetOverridesTheDocumentPage)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 "
                           "Arial Cyr;}{\\f2\\fcharset238 Arial CE;}}"
                           "\\'e9 {\\f1 \\'e9} {\\f2 \\'e9}}";
    const Read r = read(rtf);
    EXPECT_EQ(r.text(), u"é й é"_s);
    // "Arial CE" is Arial made for a character set: the family is Arial.
    EXPECT_EQ(r.content.fonts, QStringList{u"Arial"_s});
}

TEST(RtfReaderCodePages, DoubleBytePagesPairTheirBytes)
{
    // Shift-JIS: a trail byte may come escaped or as a plain character.
    EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg932 \\'82\\'b1\\'82\\'f1 \\'83N}"), u"こん ク"_s);
    EXPECT_EQ(text("{\\rtf1{\\fonttbl{\\f1\\fcharset128 MS Gothic;}}\\f1 \\'93\\'fa\\'96\\'7b}"),
              u"日本"_s);
    // A lead byte with nothing after it does not swallow what follows.
    EXPECT_EQ(text("{\\rtf1\\ansicpg932 \\'82\\par x}"), u"\u201A\nx"_s);
}

TEST(RtfReaderUnicode, FallbacksAreSkippedByTheCurrentCount)
{
    EXPECT_EQ(text("{\\rtf1 \\u233?t\\u8364 E}"), u"ét€"_s);
    EXPECT_EQ(text("{\\rtf1 \\uc2\\u24180\\'94\\'4e!}"), u"年!"_s);
    EXPECT_EQ(text("{\\rtf1 \\uc0\\u233 x}"), u"éx"_s);
    // The count belongs to the group; a group end stops skipping.
    EXPECT_EQ(text("{\\rtf1 {\\uc3 \\u65 bcd}\\u66 xy}"), u"ABy"_s);
    EXPECT_EQ(text("{\\rtf1 {\\u67}z}"), u"Cz"_s);
}

TEST(RtfReaderUnicode, SurrogatePairsJoinAndLoneHalvesAreReplaced)
{
    const Read pair = read("{\\rtf1 \\u-10179?\\u-8704?}");
    EXPECT_EQ(pair.text(), u"\U0001F600"_s);
    EXPECT_EQ(pair.content.report.unpairedSurrogates, 0);

    const Read lone = read("{\\rtf1 a\\u-10179? b \\u-8704?c}");
    EXPECT_EQ(lone.text(), u"a\uFFFD b \uFFFDc"_s);
    EXPECT_EQ(lone.content.report.unpairedSurrogates, 2);
}

TEST(RtfReaderFormat, CharacterFormattingFollowsGroupsAndToggles)
{
    const QByteArray rtf =
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "\\f0\\fs20 a{\\b b{\\i c}}d\\ul e\\ulnone f\\b g\\b0 h{\\f1\\fs36\\cf1 i}\\cf2 j\\plain k"
        "\\strike l\\strike0\\super m\\nosupersub\\ul n\\ul0 o}";
    const Read r = read(rtf);
    const QTextDocument& doc = *r.document;
    ASSERT_EQ(r.text(), u"abcdefghijklmno"_s);
    EXPECT_EQ(formatOf(doc, u"a"_s).fontFamilies().toStringList(), QStringList{u"Arial"_s});
    EXPECT_EQ(formatOf(doc, u"a"_s).fontPointSize(), 10.0);
    EXPECT_FALSE(formatOf(doc, u"a"_s).font().bold());
    EXPECT_TRUE(formatOf(doc, u"b"_s).font().bold());
    EXPECT_TRUE(formatOf(doc, u"c"_s).font().bold() && formatOf(doc, u"c"_s).fontItalic());
    EXPECT_FALSE(formatOf(doc, u"d"_s).font().bold() || formatOf(doc, u"d"_s).fontItalic());
    EXPECT_TRUE(formatOf(doc, u"e"_s).fontUnderline());
    EXPECT_FALSE(formatOf(doc, u"f"_s).fontUnderline());
    EXPECT_TRUE(formatOf(doc, u"g"_s).font().bold());
    EXPECT_FALSE(formatOf(doc, u"h"_s).font().bold());
    const QTextCharFormat i = formatOf(doc, u"i"_s);
    EXPECT_EQ(i.fontFamilies().toStringList(), QStringList{u"Courier New"_s});
    EXPECT_EQ(i.fontPointSize(), 18.0);
    EXPECT_EQ(i.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(doc, u"j"_s).foreground().color(), QColor(0, 0, 255));
    const QTextCharFormat k = formatOf(doc, u"k"_s); // \plain: defaults again
    EXPECT_EQ(k.fontPointSize(), 12.0);
    EXPECT_EQ(k.foreground().style(), Qt::NoBrush);
    EXPECT_TRUE(formatOf(doc, u"l"_s).fontStrikeOut());
    EXPECT_EQ(formatOf(doc, u"m"_s).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_TRUE(formatOf(doc, u"n"_s).fontUnderline());
    EXPECT_FALSE(formatOf(doc, u"o"_s).fontUnderline());
}

TEST(RtfReaderFormat, AlignmentBelongsToTheParagraphItEnds)
{
    const Read r = read("{\\rtf1 \\qc centre\\par\\pard right\\qr\\par\\pard\\qj just\\par "
                        "\\pard left\\par{\\qc inner\\par}after}");
    const QTextDocument& doc = *r.document;
    ASSERT_EQ(doc.blockCount(), 6);
    EXPECT_EQ(alignmentOf(doc, 0), 2);
    EXPECT_EQ(alignmentOf(doc, 1), 1);
    EXPECT_EQ(alignmentOf(doc, 2), 3);
    EXPECT_EQ(alignmentOf(doc, 3), 0);
    EXPECT_EQ(alignmentOf(doc, 4), 2);
    EXPECT_EQ(alignmentOf(doc, 5), 0); // the group's \qc ended with it
}

TEST(RtfReaderDestinations, GroupsWithoutBodyTextAreSkipped)
{
    EXPECT_EQ(text("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s1 Normal;}}"
                   "{\\*\\unknownthing junk}{\\*\\bkmkstart mark}{\\pict\\pngblip 89504e47}"
                   "{\\object{\\*\\objdata 0102}{\\result shown}}{\\footnote note}body}"),
              u"shownbody"_s);
    // Fields show their result, never their instruction.
    EXPECT_EQ(text("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}"
                   "{\\fldrslt {\\ul here}}} now}"),
              u"see here now"_s);
    EXPECT_EQ(text("{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 3}}}"), u"3"_s);
    // \upr carries the text twice: the Unicode version wins.
    EXPECT_EQ(text("{\\rtf1 {\\upr{ansi}{\\*\\ud{\\u233?}}}}"), u"é"_s);
}

TEST(RtfReaderDestinations, AnIgnorableMarkCountsOnlyAtTheStartOfAGroup)
{
    EXPECT_EQ(text("{\\rtf1 {\\f0\\*\\cs7\\cf0 kept}{\\*\\cs7 dropped}}"), u"kept"_s);
}

TEST(RtfReaderDestinations, HeadersAreShownOnlyWhenTheBodyHasNoText)
{
    EXPECT_EQ(text("{\\rtf1{\\header Page head\\par}Body}"), u"Body"_s);
    EXPECT_EQ(text("{\\rtf1{\\header Only head\\par}\\par}"), u"Only head\n"_s);
}

TEST(RtfReaderDestinations, BinaryDataIsSkippedByItsLength)
{
    EXPECT_EQ(text("{\\rtf1 a{\\*\\shppict{\\pict\\bin6 }{\\}\\x}}b}"), u"ab"_s);
    // A length past the end of the data stops at the end.
    EXPECT_EQ(text("{\\rtf1 a\\bin2147483647 xyz"), u"a"_s);
}

TEST(RtfReaderTables, CellsAreTabSeparatedAndRowsAreParagraphs)
{
    const QByteArray rtf = "{\\rtf1 \\trowd\\cellx100\\cellx200\\cellx300"
                           "\\pard\\intbl a\\cell b\\cell c\\cell\\row"
                           "\\trowd\\pard\\intbl \\cell e\\par f\\cell \\cell\\row"
                           "\\pard after\\par}";
    EXPECT_EQ(text(rtf), u"a\tb\tc\n\te\u2028f\nafter"_s);
}

TEST(RtfReaderRobustness, MalformedInputIsReadAsFarAsItGoes)
{
    const Read truncated = read("{\\rtf1 {\\b abc");
    EXPECT_EQ(truncated.text(), u"abc"_s);
    EXPECT_TRUE(truncated.content.report.truncated);

    const Read early = read("{\\rtf1 Hello} world\\par}");
    EXPECT_EQ(early.text(), u"Hello world"_s);
    EXPECT_EQ(early.content.report.strayCloseBraces, 1);

    const Read junk = read("{\\rtf1 Body}\x01\xEF\xBF\xBD junk");
    EXPECT_EQ(junk.text(), u"Body"_s);
    EXPECT_TRUE(junk.content.report.trailingData);

    const Read hex = read("{\\rtf1 x\\'4gy\\'z}");
    EXPECT_EQ(hex.text(), u"xgyz"_s);
    EXPECT_EQ(hex.content.report.invalidHex, 2);

    EXPECT_EQ(text("{\\rtf1 end\\"), u"end"_s);
    // Control characters are not text, DEL included (found by fuzzing).
    EXPECT_EQ(text("{\\rtf1 a\x01\x7F"
                   "b}"),
              u"ab"_s);
    const Read headless = read("plain {\\b bold} words");
    EXPECT_EQ(headless.text(), u"plain bold words"_s);
    EXPECT_TRUE(headless.content.report.missingHeader);
    EXPECT_FALSE(headless.content.report.truncated);
    EXPECT_TRUE(read("").document->isEmpty());
}

TEST(RtfReaderRobustness, HugeNumbersAreClampedNotOverflowed)
{
    const Read r = read("{\\rtf1{\\fonttbl{\\f99999999999999999999 Big;}}"
                        "\\f99999999999999999999\\fs-99999999999999\\cf4294967296"
                        "\\uc99999999999 a\\u99999999999 b\\u-99999999999 c}");
    EXPECT_EQ(r.text(), u"a"_s);
    EXPECT_GT(formatOf(*r.document, u"a"_s).fontPointSize(), 0.0);
}

TEST(RtfReaderRobustness, DeepNestingIsCappedAndKeepsTheText)
{
    QByteArray rtf = "{\\rtf1 ";
    rtf += QByteArray(200000, '{') + "deep" + QByteArray(200000, '}') + " after}";
    const Read r = read(rtf);
    EXPECT_EQ(r.text(), u"deep after"_s);
    EXPECT_TRUE(r.content.report.depthLimited);
    EXPECT_FALSE(r.content.report.truncated);
}

TEST(RtfReaderRobustness, RecognisesRtfOnlyByItsHeader)
{
    EXPECT_TRUE(platform::looksLikeRtf("{\\rtf1 x}"));
    EXPECT_TRUE(platform::looksLikeRtf(" \r\n\t{\\rtf"));
    EXPECT_TRUE(platform::looksLikeRtf("\xEF\xBB\xBF{\\rtf1}"));
    EXPECT_FALSE(platform::looksLikeRtf("{\\rt"));
    EXPECT_FALSE(platform::looksLikeRtf("x{\\rtf1}"));
    EXPECT_FALSE(platform::looksLikeRtf("{\\RTF1}"));
}
