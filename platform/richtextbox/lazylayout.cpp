#include "platform/richtextbox/lazylayout.h"

#include <QPainter>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>

namespace platform {
namespace {

/// Far enough below anything on screen to stand for "to the end".
constexpr qreal farAway = 1e9;
/// Edits of up to this many blocks are laid out as they happen.
constexpr int editedAtOnce = 64;

} // namespace

LazyTextLayout::LazyTextLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document)
{
    // The document announces its edits just before it hands them to the
    // layout; what it hands over unannounced is a request to lay out again.
    connect(document, &QTextDocument::contentsChange, this,
            [this](int from, int removed, int added) {
                m_announced = {from, removed, added};
            });
}

bool LazyTextLayout::lays(const QTextDocument& document)
{
    const int root = document.rootFrame()->formatIndex();
    const QList<QTextFormat> formats = document.allFormats();
    for (qsizetype i = 0; i < formats.size(); ++i) {
        const QTextFormat& format = formats[i];
        if (i == root)
            continue;
        if (format.isFrameFormat() || format.isListFormat() || format.isTableCellFormat() ||
            (format.isCharFormat() && format.objectType() != QTextFormat::NoObject))
            return false;
    }
    return true;
}

bool LazyTextLayout::Settings::sameAs(const Settings& other) const
{
    return width == other.width && font == other.font && indentWidth == other.indentWidth &&
           left == other.left && top == other.top && right == other.right &&
           bottom == other.bottom && option.alignment() == other.option.alignment() &&
           option.wrapMode() == other.option.wrapMode() && option.flags() == other.option.flags() &&
           option.tabStopDistance() == other.option.tabStopDistance() &&
           option.tabs() == other.option.tabs() &&
           option.textDirection() == other.option.textDirection() &&
           option.useDesignMetrics() == other.option.useDesignMetrics();
}

LazyTextLayout::Settings LazyTextLayout::currentSettings() const
{
    const QTextDocument& doc = *document();
    Settings settings;
    settings.width = doc.pageSize().width();
    settings.font = doc.defaultFont();
    settings.option = doc.defaultTextOption();
    settings.indentWidth = doc.indentWidth();
    const QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    const qreal inset = frame.border() + frame.padding();
    settings.left = frame.leftMargin() + inset;
    settings.top = frame.topMargin() + inset;
    settings.right = frame.rightMargin() + inset;
    settings.bottom = frame.bottomMargin() + inset;
    return settings;
}

qreal LazyTextLayout::textWidth() const
{
    return m_settings.width < 0 ? -1 : m_settings.width - m_settings.left - m_settings.right;
}

void LazyTextLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    const bool edit = m_announced == Change{from, charsRemoved, charsAdded};
    m_announced = {};
    const Settings settings = currentSettings();
    const auto blocks = static_cast<std::size_t>(document()->blockCount());
    if (!settings.sameAs(m_settings)) {
        // Another width only estimates again; another font or indent
        // measures again.
        const bool remeasure = settings.font != m_settings.font ||
                               settings.indentWidth != m_settings.indentWidth ||
                               m_measures.size() != blocks;
        m_settings = settings;
        if (remeasure) {
            m_metrics.clear();
            m_styles.clear();
            m_blockStyles.clear();
            rebuildAll();
        } else {
            reestimateAll();
        }
    } else if (edit) {
        if (from == 0 && charsRemoved >= m_length - 1) {
            m_metrics.clear(); // cleared: the document's formats start afresh
            m_blockStyles.clear();
        }
        syncBlocks(from, charsRemoved, charsAdded);
    } else if (m_measures.size() != blocks) {
        rebuildAll();
    } else if (from == 0 && charsAdded >= document()->characterCount() - 1) {
        markAllEdited();
    } else {
        syncBlocks(from, charsRemoved, charsAdded);
    }
    m_length = document()->characterCount();
}

void LazyTextLayout::dropLines(std::size_t index)
{
    const QTextBlock block = document()->findBlockByNumber(static_cast<int>(index));
    if (block.isValid())
        block.layout()->clearLayout();
}

void LazyTextLayout::rebuildAll()
{
    for (std::size_t i = 0; i < m_states.size(); ++i) {
        if (m_states[i] == State::LaidOut)
            dropLines(i);
    }
    // Plain text has one character format: its runs need not be visited.
    const QList<QTextFormat> formats = document()->allFormats();
    int charFormats = 0;
    qsizetype charFormat = 0;
    for (qsizetype i = 0; i < formats.size(); ++i) {
        if (formats[i].isCharFormat()) {
            ++charFormats;
            charFormat = i;
        }
    }
    const FontMetrics only = charFormats == 1 ? metricsOf(static_cast<int>(charFormat),
                                                          formats[charFormat].toCharFormat())
                                              : FontMetrics();
    const FontMetrics* uniform = charFormats == 1 ? &only : nullptr;
    m_measures.clear();
    m_measures.reserve(static_cast<std::size_t>(document()->blockCount()));
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        m_measures.push_back(measure(block, uniform));
    m_states.clear();
    reestimateAll();
}

void LazyTextLayout::reestimateAll()
{
    for (std::size_t i = 0; i < m_states.size(); ++i) {
        if (m_states[i] == State::LaidOut)
            dropLines(i);
    }
    std::vector<double> heights;
    heights.reserve(m_measures.size());
    m_naturalWidth = 0;
    for (const Measure& measure : m_measures) {
        heights.push_back(estimate(measure));
        m_naturalWidth = std::max<qreal>(m_naturalWidth, measure.advance + measure.horizontal);
    }
    m_states.assign(m_measures.size(), State::Estimated);
    m_heights.assign(std::move(heights));
    sizeChanged();
    emit update(QRectF(0, 0, farAway, farAway));
}

void LazyTextLayout::markAllEdited()
{
    for (std::size_t i = 0; i < m_states.size(); ++i) {
        if (m_states[i] == State::LaidOut) {
            dropLines(i);
            m_states[i] = State::Edited;
        }
    }
    emit update(QRectF(0, 0, farAway, farAway));
}

void LazyTextLayout::syncBlocks(int from, int charsRemoved, int charsAdded)
{
    const QTextDocument& doc = *document();
    const auto oldCount = static_cast<int>(m_measures.size());
    QTextBlock first = doc.findBlock(from);
    if (!first.isValid())
        first = doc.lastBlock();
    QTextBlock last = doc.findBlock(from + charsAdded);
    if (!last.isValid())
        last = doc.lastBlock();
    const int begin = first.blockNumber();
    const int end = last.blockNumber() + 1;
    const int oldEnd = end - (doc.blockCount() - oldCount);
    if (begin > oldCount || oldEnd < begin || oldEnd > oldCount) {
        rebuildAll(); // the document and the layout disagree: start again
        return;
    }
    Q_UNUSED(charsRemoved)
    // Blocks that keep their place keep their height until laid out again;
    // new ones are estimated. Lines are dropped, so that no caller reads
    // lines of the old text.
    const bool samePlaces = oldEnd - begin == end - begin;
    const double totalBefore = m_heights.total();
    std::vector<Measure> measures;
    std::vector<State> states;
    std::vector<double> heights;
    int index = begin;
    for (QTextBlock block = first; block.isValid() && index < end; block = block.next(), ++index) {
        measures.push_back(measure(block));
        const bool kept = samePlaces || index == begin;
        const State old = kept ? m_states[static_cast<std::size_t>(index)] : State::Estimated;
        if (old == State::LaidOut || (!samePlaces && (index == begin || index == end - 1)))
            block.layout()->clearLayout();
        states.push_back(old == State::Estimated ? State::Estimated : State::Edited);
        heights.push_back(old == State::Estimated || !samePlaces
                              ? estimate(measures.back())
                              : m_heights.height(static_cast<std::size_t>(index)));
    }
    const auto at = static_cast<std::ptrdiff_t>(begin);
    const auto replaced = static_cast<std::ptrdiff_t>(oldEnd - begin);
    m_measures.insert(m_measures.erase(m_measures.begin() + at, m_measures.begin() + at + replaced),
                      measures.begin(), measures.end());
    m_states.insert(m_states.erase(m_states.begin() + at, m_states.begin() + at + replaced),
                    states.begin(), states.end());
    m_heights.replace(static_cast<std::size_t>(begin), static_cast<std::size_t>(replaced), heights);
    if (m_heights.total() != totalBefore)
        sizeChanged();
    if (samePlaces)
        layOutEdited(begin, end, first);
    else
        repaintFrom(begin);
}

void LazyTextLayout::layOutEdited(int begin, int end, QTextBlock block)
{
    // An edit of text on screen (typing, formatting) is laid out at once, as
    // Qt's layout does: only the blocks changed are drawn again unless their
    // height changes.
    emit update(QRectF(0, blockTop(begin), farAway, blockTop(end) - blockTop(begin)));
    if (end - begin > editedAtOnce)
        return;
    for (int index = begin; block.isValid() && index < end; block = block.next(), ++index) {
        if (m_states[static_cast<std::size_t>(index)] == State::Edited)
            layOut(index, block);
    }
}

void LazyTextLayout::layOut(int index, const QTextBlock& block)
{
    const auto at = static_cast<std::size_t>(index);
    const State before = m_states[at];
    const qreal old = m_heights.height(at);
    QTextLayout* layout = block.layout();
    qreal height = 0;
    if (block.isVisible())
        height = layOutLines(block, *layout);
    else
        layout->clearLayout();
    m_states[at] = State::LaidOut;
    if (height == old)
        return;
    m_heights.set(at, height);
    if (!m_drawing) {
        emit blockResized(index, height - old, before == State::Estimated);
        repaintFrom(index);
    } else {
        m_movedWhileDrawing = true;
    }
    sizeChanged();
}

void LazyTextLayout::ensureLaidOut(int index, const QTextBlock& block)
{
    if (m_states[static_cast<std::size_t>(index)] != State::LaidOut)
        layOut(index, block);
}

void LazyTextLayout::layOutAbove(const QTextBlock& block, qreal height)
{
    qreal covered = 0;
    int index = block.blockNumber() - 1;
    for (QTextBlock above = block.previous(); above.isValid() && covered < height;
         above = above.previous(), --index) {
        ensureLaidOut(index, above);
        covered += m_heights.height(static_cast<std::size_t>(index));
    }
}

bool LazyTextLayout::layOutRange(qreal top, qreal bottom)
{
    if (m_states.empty())
        return false;
    bool any = false;
    int index = blockAt(top);
    for (QTextBlock block = document()->findBlockByNumber(index);
         block.isValid() && index < static_cast<int>(m_states.size()) && blockTop(index) < bottom;
         block = block.next(), ++index) {
        if (m_states[static_cast<std::size_t>(index)] != State::LaidOut) {
            layOut(index, block);
            any = true;
        }
    }
    return any;
}

QTextLayout* LazyTextLayout::placed(int index, const QTextBlock& block) const
{
    QTextLayout* layout = block.layout();
    layout->setPosition(QPointF(
        m_settings.left, blockTop(index) + m_measures[static_cast<std::size_t>(index)].topMargin));
    return layout;
}

void LazyTextLayout::sizeChanged()
{
    if (!m_drawing) {
        emit documentSizeChanged(documentSize());
        return;
    }
    // The view must not change its scroll range while it paints.
    if (std::exchange(m_sizeSignalQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_sizeSignalQueued = false;
            emit documentSizeChanged(documentSize());
        },
        Qt::QueuedConnection);
}

void LazyTextLayout::repaintFrom(int index)
{
    emit update(QRectF(0, blockTop(index), farAway, farAway));
}

int LazyTextLayout::blockAt(qreal y) const
{
    return static_cast<int>(m_heights.indexAt(y - m_settings.top));
}

qreal LazyTextLayout::blockTop(int index) const
{
    return m_settings.top + m_heights.top(static_cast<std::size_t>(index));
}

qreal LazyTextLayout::blockHeight(int index) const
{
    return m_heights.height(static_cast<std::size_t>(index));
}

bool LazyTextLayout::isLaidOut(int index) const
{
    return m_states[static_cast<std::size_t>(index)] != State::Estimated;
}

bool LazyTextLayout::needsLayout(int index) const
{
    return m_states[static_cast<std::size_t>(index)] != State::LaidOut;
}

int LazyTextLayout::blockCount() const
{
    return static_cast<int>(m_states.size());
}

void LazyTextLayout::layOutBlock(int index)
{
    layOut(index, document()->findBlockByNumber(index));
}

QSizeF LazyTextLayout::documentSize() const
{
    const qreal height = m_settings.top + m_heights.total() + m_settings.bottom;
    qreal width = m_settings.width;
    if (textWidth() <= 0 || m_settings.option.wrapMode() == QTextOption::NoWrap)
        width = std::max(width, m_settings.left + m_naturalWidth + m_settings.right);
    return {width, height};
}

QRectF LazyTextLayout::frameBoundingRect(QTextFrame* frame) const
{
    return frame == document()->rootFrame() ? QRectF(QPointF(), documentSize()) : QRectF();
}

QRectF LazyTextLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.document() != document() || !block.isVisible())
        return {};
    const int index = block.blockNumber();
    if (index >= static_cast<int>(m_states.size()))
        return {};
    self()->ensureLaidOut(index, block);
    self()->layOutAbove(block, m_viewHeight);
    const QTextLayout* layout = placed(index, block);
    QRectF rect = layout->boundingRect();
    rect.moveTopLeft(layout->position());
    return rect;
}

int LazyTextLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    if (m_states.empty())
        return -1;
    // Laying the block out may move the point into a later block; the
    // blocks above it stay where they are.
    int index = blockAt(point.y());
    QTextBlock block = document()->findBlockByNumber(index);
    for (;;) {
        self()->ensureLaidOut(index, block);
        const int now = blockAt(point.y());
        if (now == index)
            break;
        index = now;
        block = document()->findBlockByNumber(index);
    }
    return hitBlock(index, block, point, accuracy);
}

int LazyTextLayout::hitBlock(int index, const QTextBlock& block, const QPointF& point,
                             Qt::HitTestAccuracy accuracy) const
{
    const bool exactly = accuracy == Qt::ExactHit;
    const QTextLayout* layout = placed(index, block);
    const QRectF text = layout->boundingRect().translated(layout->position());
    if (point.y() < text.top() - m_measures[static_cast<std::size_t>(index)].topMargin)
        return exactly ? -1 : block.position();
    if (point.y() > text.bottom())
        return exactly ? -1 : block.position() + block.length() - 1;
    const QPointF at = point - layout->position();
    bool onText = false;
    int offset = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF rect = line.naturalTextRect();
        if (rect.top() > at.y()) {
            offset = std::min(offset, line.textStart());
        } else if (rect.bottom() <= at.y()) {
            offset = std::max(offset, line.textStart() + line.textLength());
        } else {
            onText = rect.left() <= at.x() && rect.right() >= at.x();
            offset = line.xToCursor(at.x(), exactly ? QTextLine::CursorOnCharacter
                                                    : QTextLine::CursorBetweenCharacters);
            break;
        }
    }
    if (exactly && !onText)
        return -1;
    return block.position() + offset;
}

void LazyTextLayout::draw(QPainter* painter, const PaintContext& context)
{
    if (m_states.empty())
        return;
    const QSizeF size = documentSize();
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(), size);
    QScopedValueRollback drawing(m_drawing, true);
    m_movedWhileDrawing = false;
    layOutRange(clip.top(), clip.bottom());
    if (m_movedWhileDrawing) {
        // What lies below the area drawn moved: it is drawn next.
        QMetaObject::invokeMethod(
            this,
            [this, below = clip.bottom()] { emit update(QRectF(0, below, farAway, farAway)); },
            Qt::QueuedConnection);
    }

    const QTextFrameFormat frame = document()->rootFrame()->frameFormat();
    if (frame.background() != Qt::NoBrush)
        painter->fillRect(clip & QRectF(QPointF(), size), frame.background());
    // Text stays inside the frame's margins, as Qt's layout keeps it.
    const QRectF inside =
        QRectF(QPointF(), size).adjusted(frame.leftMargin(), 0, -frame.rightMargin(), 0);
    int index = blockAt(clip.top());
    const auto count = static_cast<int>(m_states.size());
    for (QTextBlock block = document()->findBlockByNumber(index);
         block.isValid() && index < count && blockTop(index) < clip.bottom();
         block = block.next(), ++index)
        drawBlock(painter, context, index, block, clip & inside);
}

QList<QTextLayout::FormatRange> LazyTextLayout::selectionsIn(const QTextBlock& block,
                                                             const QTextLayout& layout,
                                                             const PaintContext& context)
{
    // The selection and the extra selections, as ranges of this block.
    const int position = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> selections;
    for (const Selection& selection : context.selections) {
        const int start = selection.cursor.selectionStart() - position;
        const int end = selection.cursor.selectionEnd() - position;
        if (start < length && end > 0 && end > start) {
            selections.append({start, end - start, selection.format});
        } else if (!selection.cursor.hasSelection() &&
                   selection.format.hasProperty(QTextFormat::FullWidthSelection) &&
                   block.contains(selection.cursor.position())) {
            // A full-width selection needs only a position to name its line.
            const QTextLine line =
                layout.lineForTextPosition(selection.cursor.position() - position);
            QTextLayout::FormatRange range{line.textStart(), line.textLength(), selection.format};
            if (range.start + range.length == length - 1)
                ++range.length; // with the paragraph break
            selections.append(range);
        }
    }
    return selections;
}

void LazyTextLayout::drawBlock(QPainter* painter, const PaintContext& context, int index,
                               const QTextBlock& block, const QRectF& clip) const
{
    if (!block.isVisible())
        return;
    QTextLayout* layout = placed(index, block);
    const QRectF rect = layout->boundingRect().translated(layout->position());
    const QTextBlockFormat format = block.blockFormat();
    if (format.background() != Qt::NoBrush) {
        const QPointF origin = painter->brushOrigin();
        painter->setBrushOrigin(rect.topLeft());
        painter->fillRect(rect, format.background());
        painter->setBrushOrigin(origin);
    }

    const int position = block.position();
    const int length = block.length();
    const QList<QTextLayout::FormatRange> selections = selectionsIn(block, *layout, context);

    const QPen pen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    layout->draw(painter, QPointF(), selections, clip);
    const int cursor = context.cursorPosition;
    if ((cursor >= position && cursor < position + length) ||
        (cursor < -1 && !layout->preeditAreaText().isEmpty())) {
        const int at =
            cursor < -1 ? layout->preeditAreaPosition() - (cursor + 2) : cursor - position;
        bool ok = false;
        const int width = property("cursorWidth").toInt(&ok);
        layout->drawCursor(painter, QPointF(), at, ok ? width : 1);
    }
    if (format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)) {
        const qreal width = format.lengthProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
                                .value(rect.width());
        painter->setPen(format.hasProperty(QTextFormat::BackgroundBrush)
                            ? format.background().color()
                            : context.palette.color(QPalette::Inactive, QPalette::WindowText));
        const qreal y = length == 1 ? rect.top() + rect.height() / 2 : rect.bottom();
        const qreal middle = rect.left() + rect.width() / 2;
        painter->drawLine(QLineF(middle - width / 2, y, middle + width / 2, y));
    }
    painter->setPen(pen);
}

} // namespace platform
