// The real-world corpus: every well-formed file loads whole and clean, every
// malformed one loads or fails without harm.
#include "platform/richtext/rtfreader.h"

#include "platform/richtextbox/richtextbox.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString corpus(const QString& name)
{
    return QStringLiteral(PARLIVOX_RTF_CORPUS "/") + name;
}

QStringList filesIn(const QString& folder)
{
    const QDir dir(corpus(folder));
    QStringList files;
    for (const QString& name : dir.entryList({u"*.rtf"_s}, QDir::Files, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

QByteArray bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The text as the reader produced it: paragraphs as LF, other characters
/// (line breaks, no-break spaces) as they are.
QString textOf(const QString& name)
{
    const auto content = platform::parseRtf(bytes(corpus(u"pass/"_s + name)));
    return platform::buildDocument(content, QFont())->toRawText().replace(QChar(0x2029), u'\n');
}

bool isBoldAt(const QTextDocument& document, const QString& needle)
{
    const QTextCursor found = document.find(needle);
    return !found.isNull() && found.charFormat().font().bold();
}

} // namespace

TEST(RtfCorpus, TheCorpusIsThere)
{
    EXPECT_EQ(filesIn(u"pass"_s).size(), 49);
    EXPECT_EQ(filesIn(u"fail"_s).size(), 11);
}

TEST(RtfCorpus, EveryWellFormedFileLoadsCompletelyIntoTheEditor)
{
    for (const QString& path : filesIn(u"pass"_s)) {
        SCOPED_TRACE(path.toStdString());
        const auto content = platform::parseRtf(bytes(path));
        EXPECT_TRUE(content.report.clean());
        platform::RichTextBox box;
        EXPECT_NO_THROW(box.setFileName(path));
        EXPECT_EQ(box.FileName(), path);
    }
}

TEST(RtfCorpus, NoRtfSyntaxLeaksIntoTheText)
{
    const QRegularExpression controlWord(u"\\\\[a-zA-Z]+-?[0-9]*"_s);
    const QRegularExpression hexData(u"[0-9a-fA-F]{24,}"_s);
    const QRegularExpression fontEntry(
        u"(Times New Roman|Arial|Calibri|Symbol|Courier New|Cambria);"_s);
    for (const QString& path : filesIn(u"pass"_s)) {
        SCOPED_TRACE(path.toStdString());
        const QString text =
            platform::buildDocument(platform::parseRtf(bytes(path)), QFont())->toRawText();
        EXPECT_FALSE(controlWord.match(text).hasMatch())
            << controlWord.match(text).captured().toStdString();
        EXPECT_FALSE(hexData.match(text).hasMatch())
            << hexData.match(text).captured().toStdString();
        EXPECT_FALSE(fontEntry.match(text).hasMatch());
        EXPECT_FALSE(text.contains(QChar(0xFFFD)));
        if (!path.endsWith(u"WithCurlyBraces.rtf"_s)) { // braces are that file's text
            EXPECT_FALSE(text.contains(u'{') || text.contains(u'}'));
        }
    }
}

TEST(RtfCorpus, CodePagesGiveTheWrittenLetters)
{
    EXPECT_EQ(textOf(u"tika-testRTFWindowsCodepage1250.rtf"_s),
              u"zażółć gęślą jaźń\nZAŻÓŁĆ GĘŚLĄ JAŹŃ\n"_s);
    EXPECT_EQ(textOf(u"tika-testFontAfterBufferedText.rtf"_s), u"\nУважаемый клиент!"_s);
    EXPECT_EQ(textOf(u"tika-testRTFUmlautSpaces.rtf"_s), u"Übersicht"_s);
    EXPECT_TRUE(textOf(u"tika-testRTFWordPadCzechCharacters.rtf"_s)
                    .startsWith(u"Článek týdne\nČást svitku s textem Knihy Izajáš\nSvitky od "
                                u"Mrtvého moře jsou starověké židovské náboženské texty"_s));
    EXPECT_TRUE(textOf(u"tika-testRTFWord2010CzechCharacters.rtf"_s)
                    .startsWith(u"Článek týdne\nČást svitku s textem Knihy Izajáš\n"_s));
    const QString ms932 = textOf(u"tika-testRTF-ms932.rtf"_s);
    EXPECT_TRUE(ms932.startsWith(u"Hello\nこんにちは\nTest\nテスト"_s)) << ms932.toStdString();
    EXPECT_TRUE(textOf(u"tika-testRTFJapanese.rtf"_s).startsWith(u"ゾルゲと尾崎、淡々と最期"_s));
    EXPECT_TRUE(textOf(u"tika-testRTFUnicodeUCNControlWordCharacterDoubling.rtf"_s)
                    .startsWith(u"0 年 abc "_s));
}

TEST(RtfCorpus, UnicodeAndSymbolsComeOutAsCharacters)
{
    EXPECT_EQ(textOf(u"tika-testRTFUnicodeGothic.rtf"_s), u"𐌲𐌿𐍄𐌹𐍃𐌺"_s);
    EXPECT_EQ(textOf(u"tika-testRTFControls.rtf"_s),
              u"Thiswordhasanem\u2014dash\nThiswordhasanen\u2013dash\n"
              u"Thiswordhasanon\u2011breakinghyphen\nThiswordhasanonbreaking\u00A0space\n"
              u"Thiswordhasanoptional\u00ADhyphen\n\n\u2018Single quoted text\u2019\n"
              u"\u201CDouble quoted text\u201D\n\u201CDouble quoted text again\u201D"_s);
    EXPECT_TRUE(textOf(u"tika-testRTFWithCurlyBraces.rtf"_s)
                    .contains(u"{ some text inside curly brackets }"_s));
}

TEST(RtfCorpus, FieldsTablesAndSkippedDataReadAsAPersonSeesThem)
{
    EXPECT_EQ(textOf(u"tika-testRTF_nestedHyperlinkPageRef.rtf"_s), u"Before 42 after."_s);
    EXPECT_EQ(textOf(u"tika-testRTF_parInsideHyperlink.rtf"_s), u"Before line1\nline2 after."_s);
    EXPECT_EQ(textOf(u"tika-testRTFTableCellSeparation.rtf"_s), u"a\tb\nc\td\nä\të\nö\tü\n"_s);
    EXPECT_EQ(textOf(u"lo-bin-skipping.rtf"_s), u"text"_s);
    EXPECT_EQ(textOf(u"lo-kde52609.rtf"_s), u"first line\nsecond line"_s);
    EXPECT_EQ(textOf(u"lo-fdo49666.rtf"_s), u"foo"_s); // the text box's text
    EXPECT_EQ(textOf(u"tika-testComment.rtf"_s), u"Here is some text."_s);
    const QString various = textOf(u"tika-testRTFVarious.rtf"_s);
    EXPECT_TRUE(various.contains(u"Row 1 Col 1\tRow 1 Col 2\tRow 1 Col 3\n"_s));
    EXPECT_TRUE(various.contains(u"This is a hyperlink"_s));
    EXPECT_TRUE(various.contains(u"\u2022\tBullet 1"_s));
    EXPECT_FALSE(various.contains(u"HYPERLINK"_s));
}

TEST(RtfCorpus, FormattingSurvivesFromRealFiles)
{
    const auto italic = platform::buildDocument(
        platform::parseRtf(bytes(corpus(u"pass/tika-testRTFBoldItalic.rtf"_s))), QFont());
    EXPECT_TRUE(isBoldAt(*italic, u"bold italic"_s));
    for (QTextBlock block = italic->begin(); block.isValid(); block = block.next())
        if (block.text() == u"italic"_s) {
            EXPECT_FALSE(block.begin().fragment().charFormat().font().bold());
        }
    // \plain turns bold off: the name is bold, the number after it is not.
    const auto plain = platform::buildDocument(
        platform::parseRtf(bytes(corpus(u"pass/tika-testRTFBoldPlain.rtf"_s))), QFont());
    EXPECT_TRUE(isBoldAt(*plain, u"Hank"_s));
    EXPECT_FALSE(isBoldAt(*plain, u"(44598-55)"_s));
    EXPECT_FALSE(isBoldAt(*plain, u"Anna Smith"_s));
}

TEST(RtfCorpus, MalformedFilesLoadOrFailCleanly)
{
    for (const QString& path : filesIn(u"fail"_s)) {
        SCOPED_TRACE(path.toStdString());
        platform::RichTextBox box;
        EXPECT_NO_THROW(box.setFileName(path));
    }
}

TEST(RtfCorpus, MalformedFilesGiveBackTheirText)
{
    const auto read = [](const QString& name) {
        return platform::parseRtf(bytes(corpus(u"fail/"_s + name)));
    };
    const auto hyperlink = read(u"lo-hyperlink.rtf"_s);
    EXPECT_EQ(hyperlink.text, u"Helloworld!"_s);
    EXPECT_GE(hyperlink.report.strayCloseBraces, 1);

    const auto unicode = read(u"tika-testRTFInvalidUnicode.rtf"_s);
    EXPECT_TRUE(unicode.text.contains(u"Unpaired hi \uFFFD here"_s));
    EXPECT_EQ(unicode.report.unpairedSurrogates, 4);

    const auto nested = read(u"tika-testRTFTIKA_2500.rtf"_s);
    EXPECT_TRUE(nested.text.contains(u"This is level2 paragraph."_s));

    const auto junk = read(u"tika-testRTFListOverride.rtf"_s);
    EXPECT_TRUE(junk.report.trailingData);
    EXPECT_TRUE(junk.text.endsWith(u"Body"_s));

    const auto cut = read(u"tika-testBinControlWord.rtf"_s);
    EXPECT_TRUE(cut.report.truncated);

    EXPECT_EQ(read(u"tika-testRTFTableCellSeparation2.rtf"_s).text,
              u"Fax / Phone Station\tFax / Phone #"_s);
    EXPECT_TRUE(read(u"tika-testRTFTIKA_1713.rtf"_s).text.contains(u"REDACTED.docx (35 KB)"_s));
}
