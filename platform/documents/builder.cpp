// The one place where every reader's text becomes a QTextDocument. The
// document is built detached, with undo off, as loading large files needs.
#include "platform/documents/builder.h"

#include <QTextBlock>
#include <QTextDocument>

namespace platform::documents {
namespace {

constexpr char16_t lineSeparator = 0x2028;

/// The text as the editor may hold it: tabs and line separators stay, other
/// control characters, object marks and paragraph separators do not.
QString clean(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\t' || c == lineSeparator ||
            (c >= 0x20 && c != 0xFFFE && c != 0xFFFF && c != 0xFFFC && c != 0xFEFF && c != 0x2029 &&
             (c < 0x7F || c > 0x9F)))
            out.append(ch);
        else if (c == 0x2029 || c == u'\n')
            out.append(QChar(lineSeparator));
    }
    return out;
}

} // namespace

DocumentBuilder::DocumentBuilder(const QFont& defaultFont)
    : m_document(std::make_unique<QTextDocument>())
{
    m_document->setUndoRedoEnabled(false);
    m_document->setDefaultFont(defaultFont);
    m_cursor = QTextCursor(m_document.get());
    m_cursor.beginEditBlock();
}

DocumentBuilder::~DocumentBuilder() = default;

void DocumentBuilder::openBlock()
{
    if (m_blockOpen)
        return;
    if (m_firstBlock) {
        m_cursor.setBlockFormat(m_block);
        m_firstBlock = false;
    } else {
        m_cursor.insertBlock(m_block, QTextCharFormat());
    }
    m_blockOpen = true;
}

void DocumentBuilder::beginParagraph(const QTextBlockFormat& block)
{
    if (m_noteDepth > 0) {
        m_notes.push_back({block, {}});
        return;
    }
    if (m_tableDepth > 0) {
        if (m_cellHasText)
            m_pendingLine = true;
        return;
    }
    endParagraph();
    m_block = block;
    m_paragraphBegun = true;
}

void DocumentBuilder::addText(QStringView text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    QString cleaned = clean(text);
    if (cleaned.isEmpty())
        return;
    if (m_noteDepth > 0) {
        if (m_notes.empty())
            m_notes.push_back({});
        auto& runs = m_notes.back().runs;
        if (!runs.empty() && runs.back().format == format)
            runs.back().text += cleaned;
        else
            runs.push_back({std::move(cleaned), format});
        return;
    }
    write(cleaned, format);
}

void DocumentBuilder::flushPending(const QTextCharFormat& format)
{
    if (m_pendingTabs > 0) {
        m_cursor.insertText(QString(m_pendingTabs, u'\t'), format);
        m_bodyCharacters += m_pendingTabs;
    } else if (m_pendingLine) {
        m_cursor.insertText(QString(QChar(lineSeparator)), format);
        ++m_bodyCharacters;
    }
    m_pendingTabs = 0;
    m_pendingLine = false;
}

void DocumentBuilder::write(const QString& text, const QTextCharFormat& format)
{
    openBlock();
    if (m_tableDepth > 0) {
        flushPending(format);
        m_rowHasText = true;
        m_cellHasText = true;
    }
    m_cursor.insertText(text, format);
    m_bodyCharacters += text.size();
}

void DocumentBuilder::endParagraph()
{
    if (m_noteDepth > 0 || m_tableDepth > 0)
        return;
    if (m_paragraphBegun)
        openBlock(); // an empty paragraph stays an empty line, as the source shows it
    m_paragraphBegun = false;
    m_blockOpen = false;
    m_block = QTextBlockFormat();
}

void DocumentBuilder::beginTable()
{
    if (m_noteDepth == 0 && m_tableDepth == 0)
        endParagraph();
    ++m_tableDepth;
}

void DocumentBuilder::beginRow()
{
    if (m_noteDepth > 0) {
        m_notes.push_back({});
        return;
    }
    if (m_tableDepth > 1) { // a nested table's rows stay in the outer cell
        if (m_cellHasText)
            m_pendingLine = true;
        return;
    }
    m_rowHasText = false;
    m_cellHasText = false;
    m_pendingTabs = 0;
    m_pendingLine = false;
    m_block = QTextBlockFormat();
}

void DocumentBuilder::endCell()
{
    if (m_noteDepth > 0) {
        addText(u"\t", QTextCharFormat());
        return;
    }
    if (m_tableDepth == 0)
        return;
    ++m_pendingTabs;
    m_pendingLine = false;
    m_cellHasText = false;
}

void DocumentBuilder::endRow()
{
    if (m_noteDepth > 0 || m_tableDepth != 1)
        return;
    if (m_rowHasText)
        m_blockOpen = false;
    m_rowHasText = false;
    m_cellHasText = false;
    m_pendingTabs = 0;
    m_pendingLine = false;
}

void DocumentBuilder::endTable()
{
    if (m_tableDepth > 0)
        --m_tableDepth;
    if (m_tableDepth == 0 && m_noteDepth == 0) {
        m_blockOpen = false;
        m_block = QTextBlockFormat();
    }
}

void DocumentBuilder::beginNote()
{
    ++m_noteDepth;
    if (m_noteDepth == 1)
        m_notes.push_back({});
}

void DocumentBuilder::endNote()
{
    if (m_noteDepth > 0)
        --m_noteDepth;
}

void DocumentBuilder::addRule()
{
    if (m_noteDepth > 0 || m_tableDepth > 0)
        return;
    endParagraph();
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 100));
    m_block = rule;
    m_paragraphBegun = true;
    endParagraph();
}

QString DocumentBuilder::firstParagraphText() const
{
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text().trimmed();
        if (!text.isEmpty())
            return text;
    }
    return {};
}

void DocumentBuilder::prependParagraph(const QString& text, const QTextBlockFormat& block,
                                       const QTextCharFormat& format)
{
    const bool wasEmpty = m_firstBlock;
    QTextCursor start(m_document.get());
    start.movePosition(QTextCursor::Start);
    if (wasEmpty) {
        start.setBlockFormat(block);
        start.insertText(clean(text), format);
        m_firstBlock = false;
        m_blockOpen = false;
    } else {
        const QTextBlockFormat firstFormat = start.blockFormat();
        const QTextCharFormat firstChar = start.blockCharFormat();
        start.insertBlock(firstFormat, firstChar);
        start.movePosition(QTextCursor::PreviousBlock);
        start.setBlockFormat(block);
        start.insertText(clean(text), format);
    }
    m_bodyCharacters += text.size();
}

std::unique_ptr<QTextDocument> DocumentBuilder::finish()
{
    m_noteDepth = 0;
    m_tableDepth = 0;
    const bool anyNote = std::any_of(m_notes.begin(), m_notes.end(),
                                     [](const NoteParagraph& p) { return !p.runs.empty(); });
    if (anyNote) {
        addRule();
        for (const NoteParagraph& paragraph : m_notes) {
            if (paragraph.runs.empty())
                continue;
            beginParagraph(paragraph.block);
            for (const Run& run : paragraph.runs)
                write(run.text, run.format);
            endParagraph();
        }
    }
    m_cursor.endEditBlock();
    m_document->setUndoRedoEnabled(true);
    m_document->setModified(false);
    return std::move(m_document);
}

} // namespace platform::documents
