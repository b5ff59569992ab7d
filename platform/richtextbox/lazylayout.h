#pragma once

#include "platform/richtextbox/heighttree.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QHash>
#include <QTextBlockFormat>
#include <QTextLayout>
#include <QTextOption>

#include <cstdint>
#include <vector>

namespace platform {

/// A document layout that lays out only what is needed. Every block starts
/// with a height estimated from its text, its fonts and the width; a block is
/// laid out when it is drawn, hit, measured or reached by the cursor, and its
/// real height then replaces the estimate. Tops and hit tests come from a
/// prefix-sum tree in O(log n), so a large document opens, scrolls and finds
/// without being laid out whole.
///
/// It lays out flat documents: the blocks of the root frame with their
/// format (alignment, margins, indent, line height, a trailing rule,
/// direction, tabs). A document with tables, frames, lists or images keeps
/// Qt's own layout (see lays()). Printing clones the document, and Qt lays
/// the clone out whole as before.
class LazyTextLayout final : public QAbstractTextDocumentLayout {
    Q_OBJECT

public:
    explicit LazyTextLayout(QTextDocument* document);

    /// Whether this layout can lay out document: true for flat documents.
    static bool lays(const QTextDocument& document);

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    /// Lays the block out, with a view's height of text above it (so that a
    /// view scrolled to show it at its bottom does not move it), and returns
    /// its rectangle.
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    /// The block (by number) that holds document y, a block's top and
    /// height as the layout stands (estimated or real), and whether it has
    /// been laid out since it was last estimated.
    int blockAt(qreal y) const;
    qreal blockTop(int index) const;
    qreal blockHeight(int index) const;
    bool isLaidOut(int index) const;
    /// Whether the block must be laid out before it is drawn.
    bool needsLayout(int index) const;
    int blockCount() const;
    void layOutBlock(int index);
    /// Lays out every block that meets [top, bottom) and needs it; returns
    /// whether there was one.
    bool layOutRange(qreal top, qreal bottom);
    /// How much text above a measured block is laid out with it: the
    /// height of the view that will show it.
    void setViewHeight(qreal height) { m_viewHeight = height; }

signals:
    /// A block's height changed by delta when it was laid out. replaced is
    /// true when its real height replaced an estimate (a view keeps the text
    /// it shows still), false after an edit (the text below moves, as editing
    /// moves it). Never sent while drawing.
    void blockResized(int index, qreal delta, bool replaced);

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    enum class State : std::uint8_t {
        Estimated, ///< the height is a guess and the block has no lines
        LaidOut,   ///< lines and height are real
        Edited,    ///< changed since it was laid out: no lines, the old height stands in
    };
    /// What the estimate needs of a block, whatever the width.
    struct Measure {
        float advance = 0;    ///< the width of its text on one line
        float lineHeight = 0; ///< the height of its tallest font's line
        float topMargin = 0;
        float vertical = 0;   ///< top and bottom margins
        float horizontal = 0; ///< left and right margins, indent
        bool wraps = true;
        bool visible = true;
    };
    /// What a layout depends on besides the text.
    struct Settings {
        qreal width = -1;
        QFont font;
        QTextOption option;
        qreal indentWidth = 0;
        qreal left = 0, top = 0, right = 0, bottom = 0; ///< the root frame's insets
        bool sameAs(const Settings& other) const;
    };
    /// What a block format gives the estimate.
    struct BlockStyle {
        QTextBlockFormat format;
        float topMargin = 0, vertical = 0, horizontal = 0;
        bool wraps = true;
        bool known = false;
    };
    struct FontMetrics {
        float charWidth = 0;
        float lineHeight = 0; ///< 0: not measured yet
    };

    LazyTextLayout* self() const { return const_cast<LazyTextLayout*>(this); }
    Settings currentSettings() const;
    qreal textWidth() const;
    void rebuildAll();
    void dropLines(std::size_t index);
    void reestimateAll();
    void markAllEdited();
    void syncBlocks(int from, int charsRemoved, int charsAdded);
    void layOutEdited(int begin, int end, QTextBlock block);
    /// uniform: the metrics of the document's one character format, if so.
    Measure measure(const QTextBlock& block, const FontMetrics* uniform = nullptr);
    const BlockStyle& styleOf(const QTextBlock& block);
    qreal estimate(const Measure& measure) const;
    const FontMetrics& metricsOf(int formatIndex, const QTextCharFormat& format);

    /// Lays the block out now, whatever its state, and reports the change.
    void layOut(int index, const QTextBlock& block);
    qreal layOutLines(const QTextBlock& block, QTextLayout& layout);
    void ensureLaidOut(int index, const QTextBlock& block);
    void layOutAbove(const QTextBlock& block, qreal height);
    /// The block's layout, placed at its current top.
    QTextLayout* placed(int index, const QTextBlock& block) const;
    void sizeChanged();
    void repaintFrom(int index);
    static QList<QTextLayout::FormatRange>
    selectionsIn(const QTextBlock& block, const QTextLayout& layout, const PaintContext& context);
    void drawBlock(QPainter* painter, const PaintContext& context, int index,
                   const QTextBlock& block, const QRectF& clip) const;
    int hitBlock(int index, const QTextBlock& block, const QPointF& point,
                 Qt::HitTestAccuracy accuracy) const;

    Settings m_settings;
    std::vector<Measure> m_measures;
    std::vector<State> m_states;
    HeightTree m_heights;
    std::vector<FontMetrics> m_metrics;    ///< by char format index
    QHash<QString, FontMetrics> m_styles;  ///< per point (or pixel), by family and style
    std::vector<BlockStyle> m_blockStyles; ///< by block format index
    int m_length = 0;                      ///< the document's length when last synchronised
    qreal m_naturalWidth = 0;              ///< the widest line, for documents that do not wrap
    qreal m_viewHeight = 1000;
    bool m_drawing = false;
    bool m_movedWhileDrawing = false; ///< a block drawn changed its height
    bool m_sizeSignalQueued = false;
    /// The change the document announced through contentsChange, which
    /// documentChanged then carries out; its other calls are relayouts.
    struct Change {
        int from = -1, removed = 0, added = 0;
        bool operator==(const Change&) const = default;
    } m_announced;
};

} // namespace platform
