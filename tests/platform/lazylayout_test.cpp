#include "platform/richtextbox/heighttree.h"
#include "platform/richtextbox/lazylayout.h"
#include "platform/richtextbox/richtextbox.h"

#include <QAccessible>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "test_files.h"

using namespace Qt::StringLiterals;
using platform::LazyTextLayout;
using platform::RichTextBox;

namespace {

/// Paragraphs of a few hundred characters, each naming its number. Wide
/// letters make the estimates fall short, as real text can.
QString prose(int paragraphs)
{
    static const char16_t* words[] = {u"reading", u"voice", u"WWMMW", u"garden", u"window",
                                      u"MWWM",    u"quiet", u"river", u"letter", u"morning"};
    QRandomGenerator random(7);
    QString text;
    for (int p = 0; p < paragraphs; ++p) {
        text += u"Paragraph "_s + QString::number(p) + u':';
        const int count = 10 + random.bounded(60);
        for (int w = 0; w < count; ++w)
            text += u' ' + QString::fromUtf16(words[random.bounded(10)]);
        text += u".\n"_s;
    }
    return text;
}

/// A document shown as a file opened at start is: built detached, adopted,
/// then shown at the window's size.
struct ShownEditor {
    explicit ShownEditor(const QString& text, QSize size = {520, 360})
    {
        auto document = std::make_unique<QTextDocument>();
        document->setPlainText(text);
        box.resize(200, 100);
        box.adoptDocument(std::move(document));
        box.resize(size);
        box.show();
        QCoreApplication::processEvents();
    }
    LazyTextLayout& layout() const
    {
        auto* lazy = qobject_cast<LazyTextLayout*>(box.document()->documentLayout());
        EXPECT_NE(lazy, nullptr);
        return *lazy;
    }
    int lastBlock() const { return box.document()->blockCount() - 1; }
    QScrollBar& bar() const { return *box.verticalScrollBar(); }
    /// The position shown at a point of the view, and where it is drawn.
    int positionAt(QPoint point) const { return box.cursorForPosition(point).position(); }
    int screenTopOf(int position) const
    {
        QTextCursor cursor(box.document());
        cursor.setPosition(position);
        return box.cursorRect(cursor).top();
    }
    RichTextBox box;
};

int pdfPages(const QString& path)
{
    const QString pdf = QString::fromLatin1(readAll(path));
    return static_cast<int>(pdf.count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)));
}

} // namespace

TEST(HeightTree, TopsAndLookUpsMatchARunningSum)
{
    platform::HeightTree tree;
    std::vector<double> heights{15, 0, 30, 45, 15, 0, 0, 60, 15};
    tree.assign(heights);
    tree.set(3, 20);
    heights[3] = 20;
    tree.replace(1, 2, {5, 5, 5}); // two blocks become three
    heights.erase(heights.begin() + 1, heights.begin() + 3);
    heights.insert(heights.begin() + 1, {5, 5, 5});
    double top = 0;
    for (std::size_t i = 0; i < heights.size(); ++i) {
        EXPECT_EQ(tree.top(i), top);
        if (heights[i] > 0) {
            EXPECT_EQ(tree.indexAt(top), i) << "its own top belongs to the block";
            EXPECT_EQ(tree.indexAt(top + heights[i] - 0.5), i);
        }
        top += heights[i];
    }
    EXPECT_EQ(tree.total(), top);
    EXPECT_EQ(tree.indexAt(-10), 0U);
    EXPECT_EQ(tree.indexAt(top + 100), heights.size() - 1);
}

TEST(LazyLayout, EstimatesUntilShownThenLaysOutAsQtWould)
{
    // Formatting the readers give paragraphs, then plain prose.
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                        Qt::AlignJustify};
    for (int i = 0; i < 12; ++i) {
        QTextBlockFormat block;
        block.setAlignment(alignments[i % 4]);
        block.setIndent(i % 3);
        if (i == 5)
            block.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                              QTextLength(QTextLength::PercentageLength, 100));
        QTextCharFormat chars;
        chars.setFontPointSize(8 + 3 * (i % 5));
        chars.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
        if (i > 0)
            cursor.insertBlock(block, chars);
        else
            cursor.setBlockFormat(block);
        cursor.insertText(i == 5 ? QString() : prose(1) + u"A line\u2028break."_s, chars);
    }
    cursor.insertText(prose(300));
    const std::unique_ptr<QTextDocument> reference(document->clone());

    RichTextBox box;
    box.resize(520, 360);
    box.adoptDocument(std::move(document));
    box.show();
    QCoreApplication::processEvents();
    auto* lazy = qobject_cast<LazyTextLayout*>(box.document()->documentLayout());
    ASSERT_NE(lazy, nullptr);
    const int last = box.document()->blockCount() - 1;
    EXPECT_TRUE(lazy->isLaidOut(0));
    EXPECT_FALSE(lazy->isLaidOut(last / 2)) << "nothing far from the view is laid out";
    EXPECT_FALSE(lazy->isLaidOut(last));

    reference->setPageSize(box.document()->pageSize());
    QAbstractTextDocumentLayout& qt = *reference->documentLayout();
    const double estimated = lazy->documentSize().height();
    const double real = qt.documentSize().height();
    EXPECT_NEAR(estimated, real, real * 0.2) << "the estimate is of the right size";

    lazy->layOutRange(0, 1e9);
    EXPECT_EQ(lazy->documentSize(), qt.documentSize());
    for (int i = 0; i <= 12; ++i) {
        EXPECT_EQ(lazy->blockBoundingRect(box.document()->findBlockByNumber(i)),
                  qt.blockBoundingRect(reference->findBlockByNumber(i)))
            << "block " << i;
    }
    EXPECT_EQ(lazy->blockBoundingRect(box.document()->lastBlock()),
              qt.blockBoundingRect(reference->lastBlock()));
}

TEST(LazyLayout, HitTestsFindTheTextUnderAPointThroughBlocksNotLaidOut)
{
    ShownEditor shown(prose(3000));
    LazyTextLayout& layout = shown.layout();
    const qreal y = layout.documentSize().height() * 0.7;
    const int position = layout.hitTest(QPointF(60, y), Qt::FuzzyHit);
    const QTextBlock block = shown.box.document()->findBlock(position);
    const int index = block.blockNumber();
    ASSERT_TRUE(layout.isLaidOut(index));
    EXPECT_LE(layout.blockTop(index), y);
    EXPECT_GT(layout.blockTop(index) + layout.blockHeight(index), y);
    EXPECT_FALSE(layout.isLaidOut(index / 2)) << "the blocks above stay estimated";

    // Assistive technology reads the text and finds what is under a point.
    QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(&shown.box);
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor->textInterface(), nullptr);
    EXPECT_EQ(editor->textInterface()->characterCount(),
              shown.box.document()->characterCount() - 1);
    const QPoint point = shown.box.viewport()->mapToGlobal(QPoint(60, 40));
    const int offset = editor->textInterface()->offsetAtPoint(point);
    EXPECT_EQ(offset, layout.hitTest(QPointF(60, 40), Qt::ExactHit));
    EXPECT_TRUE(
        editor->textInterface()->characterRect(offset).adjusted(-8, 0, 8, 0).contains(point))
        << "the character's place on screen";
    EXPECT_EQ(layout.hitTest(QPointF(60, -50), Qt::FuzzyHit), 0);
    EXPECT_EQ(layout.hitTest(QPointF(60, 1e8), Qt::FuzzyHit),
              shown.box.document()->characterCount() - 1);
}

TEST(LazyLayout, TextOnScreenStaysStillWhileTheBlocksAboveItAreLaidOut)
{
    ShownEditor shown(prose(3000));
    QScrollBar& bar = shown.bar();
    EXPECT_EQ(bar.value(), 0) << "shown from its first line";
    bar.setValue(bar.maximum() / 2); // dragged to the middle
    QCoreApplication::processEvents();
    const int position = shown.positionAt({40, 150});
    const int top = shown.screenTopOf(position);
    for (int step = 1; step <= 4; ++step) { // scrolled up into estimated text
        bar.setValue(bar.value() - 120);
        QCoreApplication::processEvents();
        EXPECT_EQ(shown.screenTopOf(position), top + 120 * step);
    }

    // Resized narrower: the text at the top of the view stays at the top.
    const int topBlock = shown.box.document()->findBlock(shown.positionAt({40, 2})).blockNumber();
    shown.box.resize(400, 360);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.box.document()->findBlock(shown.positionAt({40, 2})).blockNumber(), topBlock);

    // Dragged to the end: the end is at the bottom of the view.
    bar.setValue(bar.maximum());
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.value(), bar.maximum());
    const int end = shown.box.document()->characterCount() - 1;
    const int bottom = shown.box.viewport()->height();
    EXPECT_LE(shown.screenTopOf(end), bottom);
    EXPECT_GT(shown.screenTopOf(end), bottom - 40);
}

TEST(LazyLayout, CursorMovesThroughBlocksNotLaidOut)
{
    ShownEditor shown(prose(3000));
    QScrollBar& bar = shown.bar();
    bar.setValue(bar.maximum() / 2);
    QCoreApplication::processEvents();
    QTest::mouseClick(shown.box.viewport(), Qt::LeftButton, {}, {200, 180});
    const int clicked = shown.box.textCursor().position();
    const int caretTop = shown.box.cursorRect().top();

    QTest::keyClick(&shown.box, Qt::Key_PageDown);
    QCoreApplication::processEvents();
    EXPECT_GT(shown.box.textCursor().position(), clicked);
    EXPECT_NEAR(shown.box.cursorRect().top(), caretTop, 20) << "the caret keeps its place";
    QTest::keyClick(&shown.box, Qt::Key_PageUp);
    QCoreApplication::processEvents();
    EXPECT_NEAR(shown.box.textCursor().position(), clicked, 80) << "about where it was";
    EXPECT_NEAR(shown.box.cursorRect().top(), caretTop, 20);

    // Up from the top line goes into the estimated block above the view.
    QTest::mouseClick(shown.box.viewport(), Qt::LeftButton, {}, {200, 3});
    const int topLine = shown.box.textCursor().position();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&shown.box, Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_LT(shown.box.textCursor().position(), topLine);
    EXPECT_TRUE(shown.box.viewport()->rect().contains(shown.box.cursorRect()));
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&shown.box, Qt::Key_Down);
    EXPECT_NEAR(shown.box.textCursor().position(), topLine, 3) << "down again to the same line";
}

TEST(LazyLayout, FindAndReadingMarksFarDownAreShownAtOnce)
{
    QString text = prose(3000);
    text.insert(text.size() - 200, u" Quillfeather "_s);
    ShownEditor shown(text);
    const int expected = static_cast<int>(text.indexOf(u"Quillfeather"_s));
    EXPECT_EQ(shown.box.Find(u"Quillfeather"_s, 0, 0), expected);
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown.box.viewport()->rect().contains(shown.box.cursorRect()));
    EXPECT_FALSE(shown.layout().isLaidOut(shown.lastBlock() / 2)) << "found without laying out";

    // A reading mark far down, scrolled into view as the reading does.
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(shown.box.document());
    mark.cursor.setPosition(static_cast<int>(text.indexOf(u"Paragraph 2500:"_s)));
    mark.cursor.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    mark.format.setBackground(QColor(255, 202, 64));
    shown.box.setExtraSelections({mark});
    shown.bar().setValue(shown.bar().value() + shown.box.cursorRect(mark.cursor).top() - 4);
    QCoreApplication::processEvents();
    QTextCursor start = mark.cursor;
    start.setPosition(mark.cursor.selectionStart());
    const QRect from = shown.box.cursorRect(start);
    const QRect to = shown.box.cursorRect(mark.cursor);
    EXPECT_TRUE(shown.box.viewport()->rect().contains(from.united(to)));
    const QImage image = shown.box.viewport()->grab().toImage();
    int marked = 0;
    for (int x = from.left(); x < to.left(); ++x)
        marked += image.pixelColor(x, from.center().y()) == mark.format.background().color();
    EXPECT_GT(marked, (to.left() - from.left()) / 3) << "the mark is drawn";
}

TEST(LazyLayout, PrintingLaysOutTheWholeDocument)
{
    const QString text = prose(400);
    ShownEditor shown(text);
    QTextDocument copy; // laid out by Qt
    copy.setPlainText(text);
    QTemporaryDir dir;
    const auto print = [&dir](const QTextDocument& document, const QString& name) {
        QPdfWriter pdf(dir.filePath(name));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        document.print(&pdf);
        return pdfPages(dir.filePath(name));
    };
    const int pages = print(*shown.box.document(), u"editor.pdf"_s);
    EXPECT_GT(pages, 5);
    EXPECT_EQ(pages, print(copy, u"qt.pdf"_s));
    EXPECT_FALSE(shown.layout().isLaidOut(shown.lastBlock() / 2)) << "the editor's is not";
}
