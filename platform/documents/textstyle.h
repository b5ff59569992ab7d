#pragma once

#include <QColor>
#include <QString>
#include <QTextCharFormat>

#include <optional>

namespace platform::documents {

/// The character properties every reader shows, whatever the format calls
/// them (a web page's CSS, Word's run properties, an OpenDocument style's
/// text properties), and the paragraph's alignment that CSS sets beside
/// them. An unset field inherits.
struct TextStyle {
    std::optional<bool> bold, italic, underline, strike, hidden;
    /// An invalid colour is the default one (Word's "auto").
    std::optional<QColor> color;
    std::optional<double> points; ///< absolute size
    std::optional<double> scale;  ///< size relative to the parent's
    std::optional<QString> family;
    std::optional<int> vertical; ///< 1 raised, -1 lowered, 0 on the line
    std::optional<Qt::Alignment> alignment;

    /// The fields over sets replace ours; its size, absolute or relative,
    /// replaces ours.
    void merge(const TextStyle& over);
    /// This style as the child of parent, where a relative size counts from
    /// the parent's (a style's parent style, a paragraph's defaults).
    TextStyle inheriting(const TextStyle& parent) const;
    bool empty() const;
    /// Applies the character properties over format; parentPoints is the
    /// size relative sizes count from. Returns the resulting size.
    double apply(QTextCharFormat& format, double parentPoints) const;
    /// The character properties alone as a format.
    QTextCharFormat format() const;
};

} // namespace platform::documents
