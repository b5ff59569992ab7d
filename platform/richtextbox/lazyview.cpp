#include "platform/richtextbox/lazyview.h"

#include "platform/richtextbox/lazylayout.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

/// The pages laid out ahead of the view while idle; how long after the view
/// moved that starts (the view is drawn first), and how long each step may
/// take, well under a frame.
constexpr int pagesBelow = 2;
constexpr int pagesAbove = 1;
constexpr int aroundDelayMs = 20;
constexpr qint64 stepNs = 4'000'000;

} // namespace

LazyLayoutView::LazyLayoutView(QTextEdit& editor) : QObject(&editor), m_editor(editor)
{
    m_around.setSingleShot(true);
    connect(&m_around, &QTimer::timeout, this, &LazyLayoutView::layOutAround);
}

void LazyLayoutView::install(QTextDocument& document)
{
    if (qobject_cast<LazyTextLayout*>(document.documentLayout()) || !LazyTextLayout::lays(document))
        return;
    auto* layout = new LazyTextLayout(&document); // owned by the document
    layout->setViewHeight(m_editor.viewport()->height());
    document.setDocumentLayout(layout);
    connect(layout, &LazyTextLayout::blockResized, this,
            [this, layout](int index, qreal delta, bool replaced) {
                blockResized(layout, index, delta, replaced);
            });
    m_anchor = QTextCursor();
    m_atEnd = false;
    m_around.start(aroundDelayMs);
}

LazyTextLayout* LazyLayoutView::layout() const
{
    return qobject_cast<LazyTextLayout*>(m_editor.document()->documentLayout());
}

void LazyLayoutView::chooseAnchor(LazyTextLayout& layout)
{
    const QScrollBar& bar = *m_editor.verticalScrollBar();
    m_atEnd = bar.maximum() > 0 && bar.value() >= bar.maximum();
    const int top = layout.blockAt(bar.value());
    const int bottom = layout.blockAt(bar.value() + m_editor.viewport()->height());
    int anchor = top;
    for (int index = top; index <= bottom; ++index) {
        if (layout.isLaidOut(index)) {
            anchor = index;
            break;
        }
    }
    m_anchor = QTextCursor(m_editor.document()->findBlockByNumber(anchor));
}

bool LazyLayoutView::prepareScroll()
{
    LazyTextLayout* lazy = layout();
    if (!lazy || m_absorbing)
        return false;
    const int height = m_editor.viewport()->height();
    lazy->setViewHeight(height);
    chooseAnchor(*lazy);
    m_moved = false;
    // Each round lays out what the view shows now; moving it to keep its
    // text still can bring more blocks into it.
    QScrollBar& bar = *m_editor.verticalScrollBar();
    for (int round = 0; round < 100; ++round) {
        if (!lazy->layOutRange(bar.value(), bar.value() + height))
            break;
    }
    // Scrolled to the end of a range that a drawing may have left short: the
    // view shows the document's real end.
    const int end = std::max(0, qRound(lazy->documentSize().height()) - height);
    if (m_atEnd && bar.value() != end) {
        const QScopedValueRollback absorbing(m_absorbing, true);
        bar.setMaximum(end);
        bar.setValue(end);
        m_moved = true;
    }
    m_around.start(aroundDelayMs);
    return m_moved;
}

void LazyLayoutView::layOutAround()
{
    LazyTextLayout* lazy = layout();
    if (!lazy || !m_editor.isVisible() || lazy->blockCount() == 0)
        return;
    QElapsedTimer clock;
    clock.start();
    const QScrollBar& bar = *m_editor.verticalScrollBar();
    const int height = std::max(1, m_editor.viewport()->height());
    // Below the view first, where reading goes; then above it, which moves
    // the view by what it adds, so that nothing on screen moves.
    const int top = bar.value();
    const int last = lazy->blockAt(top + (1 + pagesBelow) * height);
    for (int index = lazy->blockAt(top); index <= last; ++index) {
        if (lazy->needsLayout(index)) {
            lazy->layOutBlock(index);
            if (clock.nsecsElapsed() > stepNs)
                return m_around.start(0);
        }
    }
    const int first = lazy->blockAt(bar.value() - pagesAbove * height);
    for (int index = lazy->blockAt(bar.value()); index >= first; --index) {
        if (lazy->needsLayout(index)) {
            lazy->layOutBlock(index);
            if (clock.nsecsElapsed() > stepNs)
                return m_around.start(0);
        }
    }
}

void LazyLayoutView::blockResized(const LazyTextLayout* layout, int index, qreal delta,
                                  bool replaced)
{
    if (!replaced || layout != this->layout())
        return;
    bool above = m_atEnd;
    if (!above && !m_anchor.isNull()) {
        above = index < m_anchor.block().blockNumber();
    } else if (!above) { // no anchor yet: the top of the view stays
        above = layout->blockTop(index) + layout->blockHeight(index) - delta <=
                m_editor.verticalScrollBar()->value();
    }
    if (above)
        moveView(delta);
}

void LazyLayoutView::moveView(qreal delta)
{
    m_residue += delta;
    const auto step = static_cast<int>(std::lround(m_residue));
    if (step == 0)
        return;
    m_residue -= step;
    QScrollBar& bar = *m_editor.verticalScrollBar();
    const QScopedValueRollback absorbing(m_absorbing, true);
    if (bar.value() + step > bar.maximum())
        bar.setMaximum(bar.value() + step); // the layout reports its new size next
    bar.setValue(bar.value() + step);
    m_moved = true;
}

void LazyLayoutView::beforeResize()
{
    LazyTextLayout* lazy = layout();
    m_resize.block = QTextCursor();
    if (!lazy || lazy->blockCount() == 0)
        return;
    const int value = m_editor.verticalScrollBar()->value();
    const int index = lazy->blockAt(value);
    const qreal top = lazy->blockTop(index);
    const qreal height = lazy->blockHeight(index);
    if (index == 0 && value <= top)
        return; // at the top, where it stays
    m_resize.block = QTextCursor(m_editor.document()->findBlockByNumber(index));
    m_resize.fraction = height > 0 ? std::clamp((value - top) / height, 0.0, 1.0) : 0;
}

void LazyLayoutView::afterResize(bool widthChanged)
{
    LazyTextLayout* lazy = layout();
    if (!lazy || m_resize.block.isNull())
        return;
    lazy->setViewHeight(m_editor.viewport()->height());
    if (!widthChanged)
        return; // the same lines: the view has not moved
    // The document was estimated again at the new width: the block that was
    // at the top is laid out and put back there.
    const int index = m_resize.block.block().blockNumber();
    lazy->layOutRange(lazy->blockTop(index), lazy->blockTop(index) + 1);
    const qreal top = lazy->blockTop(index) + m_resize.fraction * lazy->blockHeight(index);
    QScrollBar& bar = *m_editor.verticalScrollBar();
    const QScopedValueRollback absorbing(m_absorbing, true);
    bar.setValue(static_cast<int>(std::lround(top)));
    m_residue = 0;
    m_anchor = m_resize.block;
    m_atEnd = false;
    m_around.start(aroundDelayMs);
}

} // namespace platform
