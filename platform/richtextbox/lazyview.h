#pragma once

#include <QObject>
#include <QTextCursor>
#include <QTimer>

class QTextDocument;
class QTextEdit;

namespace platform {

class LazyTextLayout;

/// Keeps an editor's view still while its lazy layout replaces estimated
/// heights with real ones: text that is already on screen does not move when
/// the blocks above it are laid out, and the end of the document stays at the
/// bottom of a view scrolled to it. The editor calls it before it scrolls and
/// around a resize.
class LazyLayoutView final : public QObject {
    Q_OBJECT

public:
    explicit LazyLayoutView(QTextEdit& editor);

    /// Gives document a lazy layout when it can have one; the editor shows it
    /// next.
    void install(QTextDocument& document);
    /// The editor's scroll bar has a new value: lays out what comes into view
    /// before it is drawn. Returns true when the view must be drawn whole
    /// rather than scrolled.
    bool prepareScroll();
    /// True while the view moves to keep its text still: the editor then
    /// redraws instead of scrolling its pixels.
    bool absorbing() const { return m_absorbing; }
    /// Around a resize: when the width changed and the document was laid out
    /// again, the text at the top of the view stays there.
    void beforeResize();
    void afterResize(bool widthChanged);

private:
    LazyTextLayout* layout() const;
    void chooseAnchor(LazyTextLayout& layout);
    void blockResized(const LazyTextLayout* layout, int index, qreal delta, bool replaced);
    void moveView(qreal delta);
    /// Lays out, a little at a time while the editor is idle, the pages
    /// around the view, so that scrolling there finds them laid out.
    void layOutAround();

    QTextEdit& m_editor;
    /// The first block that was on screen and laid out: blocks above it
    /// that get laid out move the view by their change.
    QTextCursor m_anchor;
    bool m_atEnd = false; ///< the view shows the end: everything above the end moves it
    bool m_absorbing = false;
    bool m_moved = false;
    qreal m_residue = 0; ///< the part of a move smaller than a pixel
    QTimer m_around;
    struct {
        QTextCursor block; ///< the block at the top of the view
        qreal fraction = 0;
    } m_resize;
};

} // namespace platform
