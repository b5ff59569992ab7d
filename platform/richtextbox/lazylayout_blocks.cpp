#include "platform/richtextbox/lazylayout.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

// Measuring, estimating and laying out single blocks, as Qt's own document
// layout does for a block of the root frame.
namespace platform {
namespace {

/// Ordinary prose, with its letters about as often as in running text: its
/// mean advance stands for a font's character width.
const QString sampleText = QStringLiteral(
    "It was the best of times; she said that it would be in the house on the hill with all "
    "of us, and then we left.");
/// Word wrapping leaves the end of most lines short of the width.
constexpr qreal wrapFill = 0.97;

/// Alignment as the block shows it: left and right swap in right-to-left
/// text unless the alignment is absolute.
Qt::Alignment visualAlignment(Qt::LayoutDirection direction, Qt::Alignment alignment)
{
    if (!(alignment & Qt::AlignHorizontal_Mask))
        alignment |= Qt::AlignLeft;
    if (!(alignment & Qt::AlignAbsolute) && (alignment & (Qt::AlignLeft | Qt::AlignRight))) {
        if (direction == Qt::RightToLeft)
            alignment ^= (Qt::AlignLeft | Qt::AlignRight);
        alignment |= Qt::AlignAbsolute;
    }
    return alignment;
}

} // namespace

const LazyTextLayout::FontMetrics& LazyTextLayout::metricsOf(int formatIndex,
                                                             const QTextCharFormat& format)
{
    const auto index = static_cast<std::size_t>(std::max(formatIndex, 0));
    if (index >= m_metrics.size())
        m_metrics.resize(index + 1);
    FontMetrics& metrics = m_metrics[index];
    if (metrics.lineHeight > 0)
        return metrics;
    // A document has hundreds of formats but few families and styles: each
    // style is measured once, at one size, and scaled to the others, which
    // is close enough for an estimate and far cheaper than opening every size.
    QFont font = format.font().resolve(m_settings.font);
    const bool points = font.pointSizeF() > 0;
    const qreal size = points ? font.pointSizeF() : font.pixelSize();
    const QString key = font.family() + QChar(u'/') + QString::number(font.weight()) +
                        (font.italic() ? QStringLiteral("/i") : QString()) +
                        (points ? QString() : QStringLiteral("/px"));
    auto style = m_styles.constFind(key);
    if (style == m_styles.cend()) {
        constexpr qreal reference = 48;
        if (points)
            font.setPointSizeF(reference);
        else
            font.setPixelSize(int(reference));
        const QFontMetricsF measured(font, paintDevice());
        const qreal width = measured.horizontalAdvance(sampleText) / qreal(sampleText.size());
        style = m_styles.insert(
            key, {static_cast<float>(width / reference),
                  static_cast<float>((measured.ascent() + measured.descent() + measured.leading()) /
                                     reference)});
    }
    metrics.charWidth = static_cast<float>(style->charWidth * size);
    metrics.lineHeight = static_cast<float>(std::max(1.0, std::ceil(style->lineHeight * size)));
    return metrics;
}

const LazyTextLayout::BlockStyle& LazyTextLayout::styleOf(const QTextBlock& block)
{
    const auto index = static_cast<std::size_t>(std::max(block.blockFormatIndex(), 0));
    if (index >= m_blockStyles.size())
        m_blockStyles.resize(index + 1);
    BlockStyle& style = m_blockStyles[index];
    if (!style.known) {
        const QTextBlockFormat format = block.blockFormat();
        style.format = format;
        style.topMargin = static_cast<float>(format.topMargin());
        style.vertical = static_cast<float>(format.topMargin() + format.bottomMargin());
        style.horizontal = static_cast<float>(format.leftMargin() + format.rightMargin() +
                                              format.indent() * m_settings.indentWidth +
                                              std::abs(format.textIndent()));
        style.wraps = !format.nonBreakableLines();
        style.known = true;
    }
    return style;
}

LazyTextLayout::Measure LazyTextLayout::measure(const QTextBlock& block, const FontMetrics* uniform)
{
    Measure measure;
    if (!block.isVisible()) {
        measure.visible = false;
        return measure;
    }
    // Formats are few and blocks many: what a format gives is looked up once.
    const BlockStyle& style = styleOf(block);
    measure.topMargin = style.topMargin;
    measure.vertical = style.vertical;
    measure.horizontal = style.horizontal;
    measure.wraps = style.wraps;
    if (uniform) { // one format for all the text: no need to visit its runs
        measure.advance = static_cast<float>((block.length() - 1) * qreal(uniform->charWidth));
        measure.lineHeight =
            static_cast<float>(std::max(1.0, style.format.lineHeight(uniform->lineHeight, 1.0)));
        return measure;
    }
    qreal advance = 0;
    float lineHeight = 0;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int index = fragment.charFormatIndex();
        const auto cached = static_cast<std::size_t>(index);
        const FontMetrics& metrics = cached < m_metrics.size() && m_metrics[cached].lineHeight > 0
                                         ? m_metrics[cached]
                                         : metricsOf(index, fragment.charFormat());
        advance += fragment.length() * qreal(metrics.charWidth);
        lineHeight = std::max(lineHeight, metrics.lineHeight);
    }
    if (lineHeight == 0) // an empty paragraph: the height of its mark
        lineHeight = metricsOf(block.charFormatIndex(), block.charFormat()).lineHeight;
    measure.advance = static_cast<float>(advance);
    measure.lineHeight =
        static_cast<float>(std::max(1.0, style.format.lineHeight(lineHeight, 1.0)));
    return measure;
}

qreal LazyTextLayout::estimate(const Measure& measure) const
{
    if (!measure.visible)
        return 0;
    qreal lines = 1;
    const qreal width = textWidth() - measure.horizontal;
    if (measure.wraps && width > 0 && m_settings.option.wrapMode() != QTextOption::NoWrap &&
        m_settings.option.wrapMode() != QTextOption::ManualWrap)
        lines = std::max(1.0, std::ceil(measure.advance / (width * wrapFill)));
    return std::round(measure.vertical + lines * measure.lineHeight);
}

qreal LazyTextLayout::layOutLines(const QTextBlock& block, QTextLayout& layout)
{
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();
    QTextOption option = m_settings.option;
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    option.setAlignment(visualAlignment(direction, format.hasProperty(QTextFormat::BlockAlignment)
                                                       ? format.alignment()
                                                       : m_settings.option.alignment()));
    const qreal available = textWidth();
    if (format.nonBreakableLines() || available < 0)
        option.setWrapMode(QTextOption::ManualWrap);
    layout.setTextOption(option);

    const qreal indent = format.indent() * m_settings.indentWidth;
    const bool rightToLeft = direction == Qt::RightToLeft;
    const qreal left = format.leftMargin() + (rightToLeft ? 0 : indent);
    const qreal right = format.rightMargin() + (rightToLeft ? indent : 0);
    const qreal width = available < 0 ? qreal(1e9) : std::max<qreal>(0, available - left - right);
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLeadingIncluded(true);
        const qreal textIndent = line.lineNumber() == 0 ? format.textIndent() : 0;
        line.setLineWidth(std::max<qreal>(0, width - textIndent));
        // Line heights as Qt's own layout sets them, so that a document looks
        // the same laid out either way.
        const qreal natural = std::ceil(line.ascent() + line.descent() + line.leading());
        const qreal height = format.lineHeight(natural, 1.0);
        qreal shift = 0;
        if (format.lineHeightType() == QTextBlockFormat::FixedHeight)
            shift = line.ascent() + std::max<qreal>(line.leading(), 0) - height * 4 / 5;
        else if (format.lineHeightType() == QTextBlockFormat::MinimumHeight)
            shift = line.height() - height;
        line.setPosition(QPointF(left + (rightToLeft ? 0 : textIndent), y - shift));
        y += height;
        m_naturalWidth = std::max(m_naturalWidth, left + line.naturalTextWidth() + right);
    }
    layout.endLayout();
    return y + format.topMargin() + format.bottomMargin();
}

} // namespace platform
