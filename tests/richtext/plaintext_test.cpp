#include "platform/richtext/plaintext.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::decodePlainText;

namespace {

const QString sample = u"Grüße, 5 € — naïve “quotes” 中文 😀"_s;

QByteArray utf16(const QString& text, bool littleEndian)
{
    QByteArray out = littleEndian ? QByteArray("\xFF\xFE", 2) : QByteArray("\xFE\xFF", 2);
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
        out.append(littleEndian ? lo : hi);
        out.append(littleEndian ? hi : lo);
    }
    return out;
}

} // namespace

TEST(PlainTextDecoding, EveryUnicodeFormReadsTheSameText)
{
    EXPECT_EQ(decodePlainText(sample.toUtf8()), sample);
    EXPECT_EQ(decodePlainText(QByteArray(QByteArray("\xEF\xBB\xBF") + sample.toUtf8())), sample);
    EXPECT_EQ(decodePlainText(utf16(sample, true)), sample);
    EXPECT_EQ(decodePlainText(utf16(sample, false)), sample);
}

TEST(PlainTextDecoding, InvalidUtf8IsReadAsWindows1252)
{
    EXPECT_EQ(decodePlainText("caf\xE9 \x80 \x93quoted\x94 \x81"), u"café € “quoted” \u0081"_s);
    // One bad byte is enough to read the whole file as 1252.
    EXPECT_EQ(decodePlainText("\xC3\xA9 and \xE9"), u"Ã© and é"_s);
}

TEST(PlainTextDecoding, EveryLineEndBecomesOneBreak)
{
    EXPECT_EQ(decodePlainText("a\r\nb\nc\rd\r\n\r\ne"), u"a\nb\nc\nd\n\ne"_s);
    EXPECT_EQ(decodePlainText(utf16(u"x\r\ny"_s, true)), u"x\ny"_s);
    EXPECT_EQ(decodePlainText(""), QString());
}

TEST(PlainTextEncoding, WritesUtf8WithLfAndKeepsSpecialSpaces)
{
    QTextDocument document;
    document.setPlainText(u"one\ntwo\u00A0three\tfour\n"_s + sample);
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(QChar(0x2028)) + u"five"_s);
    EXPECT_EQ(platform::encodePlainText(document),
              (u"one\ntwo\u00A0three\tfour\n"_s + sample + u"\nfive"_s).toUtf8());
}
