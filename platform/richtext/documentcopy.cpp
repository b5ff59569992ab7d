#include "platform/richtext/documentcopy.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace platform {
namespace {

CharStyle reduce(const QTextCharFormat& format, const QFont& defaultFont)
{
    const QFont font = format.font().resolve(defaultFont);
    CharStyle style;
    style.family = font.family();
    style.points = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
    style.bold = font.bold();
    style.italic = font.italic();
    style.underline = font.underline();
    style.strike = font.strikeOut();
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        style.vertical = 1;
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        style.vertical = -1;
    const QBrush brush = format.foreground();
    if (brush.style() != Qt::NoBrush)
        style.colour = brush.color().rgb() & 0xFFFFFFu;
    return style;
}

} // namespace

DocumentCopier::DocumentCopier(const QTextDocument& document, AtOnce) : m_document(&document)
{
    m_copy.defaultFamily = document.defaultFont().family();
}

DocumentCopier::DocumentCopier(const QTextDocument& document) : DocumentCopier(document, AtOnce{})
{
    // QTextDocument says what changed only to a document that has a layout.
    document.documentLayout();
    m_watch =
        connect(&document, &QTextDocument::contentsChange, this, &DocumentCopier::contentsChanged);
}

bool DocumentCopier::step(std::chrono::nanoseconds budget)
{
    if (lost())
        return false;
    QElapsedTimer clock;
    clock.start();
    const QTextDocument& document = *m_document;
    QTextBlock block = document.findBlockByNumber(m_copied);
    while (block.isValid()) {
        m_copy.paragraphs.push_back(copyParagraph(block));
        ++m_copied;
        m_copiedEnd = block.position() + block.length();
        block = block.next();
        if (clock.nsecsElapsed() >= budget.count())
            break;
    }
    return !block.isValid();
}

DocumentCopy DocumentCopier::take()
{
    disconnect(m_watch);
    m_document.clear();
    return std::move(m_copy);
}

ParagraphCopy DocumentCopier::copyParagraph(const QTextBlock& block)
{
    ParagraphCopy paragraph;
    paragraph.text = block.text();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        paragraph.runs.push_back(
            {fragment.length(), styleOf(fragment.charFormatIndex(), fragment.charFormat())});
    }
    paragraph.markStyle = styleOf(block.charFormatIndex(), block.charFormat());
    paragraph.alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    return paragraph;
}

int DocumentCopier::styleOf(int formatIndex, const QTextCharFormat& format)
{
    // A document has few formats: each is reduced once, when first met.
    const auto known = m_styleOfFormat.constFind(formatIndex);
    if (known != m_styleOfFormat.cend())
        return *known;
    const int style = int(m_copy.styles.size());
    m_copy.styles.push_back(reduce(format, m_document->defaultFont()));
    m_styleOfFormat.insert(formatIndex, style);
    return style;
}

void DocumentCopier::truncate(int paragraph, int position)
{
    m_copy.paragraphs.resize(std::size_t(paragraph));
    m_copied = paragraph;
    m_copiedEnd = position;
}

void DocumentCopier::contentsChanged(int position, int removed, int added)
{
    // Nothing copied yet is behind the change: later steps copy it as it is.
    if (lost() || position >= m_copiedEnd)
        return;
    const QTextDocument& document = *m_document;
    const int last = document.characterCount() - 1;
    const QTextBlock first = document.findBlock(std::clamp(position, 0, last));
    const int from = first.blockNumber();
    // The paragraphs before `from` are untouched. Find the copied paragraph
    // that held the end of the removed text: it ends the stretch that changed.
    const int removedEnd = position + removed;
    int paragraph = from;
    int start = first.position();
    while (paragraph < m_copied) {
        const int length = int(m_copy.paragraphs[std::size_t(paragraph)].text.size()) + 1;
        if (removedEnd < start + length)
            break;
        start += length;
        ++paragraph;
    }
    if (paragraph >= m_copied) {
        // The change reaches past what was copied: copy again from its start.
        truncate(from, first.position());
        return;
    }
    // Replace the changed stretch by the paragraphs that now stand there.
    const int to = document.findBlock(std::clamp(position + added, 0, last)).blockNumber();
    std::vector<ParagraphCopy> fresh;
    for (QTextBlock block = first; block.isValid() && block.blockNumber() <= to;
         block = block.next())
        fresh.push_back(copyParagraph(block));
    // Typing changes one paragraph: it is replaced in place, and the long
    // tail of the copy moves only when paragraphs come or go.
    auto& paragraphs = m_copy.paragraphs;
    const std::size_t stale = std::size_t(paragraph - from + 1);
    const std::size_t kept = std::min(stale, fresh.size());
    std::move(fresh.begin(), fresh.begin() + std::ptrdiff_t(kept),
              paragraphs.begin() + std::ptrdiff_t(from));
    const auto after = paragraphs.begin() + std::ptrdiff_t(std::size_t(from) + kept);
    if (fresh.size() > kept)
        paragraphs.insert(after, std::make_move_iterator(fresh.begin() + std::ptrdiff_t(kept)),
                          std::make_move_iterator(fresh.end()));
    else
        paragraphs.erase(after, after + std::ptrdiff_t(stale - kept));
    m_copied = int(paragraphs.size());
    m_copiedEnd += added - removed;
}

DocumentCopy copyDocument(const QTextDocument& document)
{
    DocumentCopier copier(document, DocumentCopier::AtOnce{});
    copier.step(std::chrono::nanoseconds::max());
    return copier.take();
}

} // namespace platform
