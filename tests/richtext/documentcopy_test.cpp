#include "platform/richtext/documentcopy.h"
#include "platform/richtext/rtfwriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using platform::DocumentCopier;

namespace {

/// A document of paragraphs in a few formats.
void fill(QTextDocument& document, int paragraphs)
{
    QTextCursor cursor(&document);
    for (int i = 0; i < paragraphs; ++i) {
        QTextCharFormat format;
        format.setFontWeight(i % 3 == 0 ? QFont::Bold : QFont::Normal);
        format.setFontPointSize(10 + i % 4);
        cursor.insertText(u"Paragraph "_s + QString::number(i) + u" of the text"_s, format);
        if (i + 1 < paragraphs)
            cursor.insertBlock();
    }
}

/// One edit a person could make anywhere in the document: typing, a new
/// paragraph, a deletion across paragraphs, bold, an alignment.
void edit(QTextDocument& document, std::mt19937& random)
{
    const int end = document.characterCount() - 1;
    const int at = int(random() % unsigned(end + 1));
    QTextCursor cursor(&document);
    cursor.setPosition(at);
    switch (random() % 5) {
    case 0:
        cursor.insertText(u"xy"_s);
        break;
    case 1:
        cursor.insertBlock();
        break;
    case 2:
        cursor.setPosition(std::min(end, at + int(random() % 90)), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        break;
    case 3: {
        cursor.setPosition(std::min(end, at + 7), QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.mergeCharFormat(bold);
        break;
    }
    default: {
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        cursor.mergeBlockFormat(centred);
        break;
    }
    }
}

} // namespace

TEST(DocumentCopy, ACopyMadeInStepsBetweenEditsIsTheDocumentAsItEndsUp)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        QTextDocument document;
        fill(document, 60);
        DocumentCopier copier(document);
        // One paragraph per step, an edit between steps, until the copy is whole.
        while (!copier.step(std::chrono::nanoseconds(0)))
            edit(document, random);
        EXPECT_EQ(platform::writeRtf(copier.take()), platform::writeRtf(document))
            << "seed " << seed;
    }
}

TEST(DocumentCopy, HoldsTextRunsAndAlignmentOfEachParagraph)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(u"plain "_s);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(u"bold"_s, bold);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.insertBlock(right);

    const platform::DocumentCopy copy = platform::copyDocument(document);
    ASSERT_EQ(copy.paragraphs.size(), 2u);
    const platform::ParagraphCopy& first = copy.paragraphs[0];
    EXPECT_EQ(first.text, u"plain bold"_s);
    ASSERT_EQ(first.runs.size(), 2u);
    EXPECT_EQ(first.runs[0].length, 6);
    EXPECT_FALSE(copy.styles[std::size_t(first.runs[0].style)].bold);
    EXPECT_TRUE(copy.styles[std::size_t(first.runs[1].style)].bold);
    EXPECT_TRUE(copy.paragraphs[1].text.isEmpty());
    EXPECT_TRUE(copy.paragraphs[1].alignment & Qt::AlignRight);
}

TEST(DocumentCopy, ADocumentDeletedMidwayIsReportedLost)
{
    auto document = std::make_unique<QTextDocument>();
    fill(*document, 10);
    DocumentCopier copier(*document);
    EXPECT_FALSE(copier.step(std::chrono::nanoseconds(0)));
    document.reset();
    EXPECT_TRUE(copier.lost());
    EXPECT_FALSE(copier.step(std::chrono::nanoseconds(0)));
}
