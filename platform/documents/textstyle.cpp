// The one character-property model of the readers and its merge.
#include "platform/documents/textstyle.h"

#include <QFont>

#include <algorithm>

namespace platform::documents {
namespace {

constexpr double largestPoints = 1638;

template <typename T> void take(std::optional<T>& mine, const std::optional<T>& theirs)
{
    if (theirs)
        mine = theirs;
}

} // namespace

void TextStyle::merge(const TextStyle& over)
{
    take(bold, over.bold);
    take(italic, over.italic);
    take(underline, over.underline);
    take(strike, over.strike);
    take(hidden, over.hidden);
    take(color, over.color);
    if (over.points) {
        points = over.points;
        scale.reset();
    } else if (over.scale) {
        scale = over.scale;
        points.reset();
    }
    take(family, over.family);
    take(vertical, over.vertical);
    take(alignment, over.alignment);
}

TextStyle TextStyle::inheriting(const TextStyle& parent) const
{
    TextStyle child = *this;
    if (child.scale && !child.points) {
        if (parent.points) {
            child.points = std::min(*parent.points * *child.scale, largestPoints);
            child.scale.reset();
        } else if (parent.scale) {
            child.scale = *parent.scale * *child.scale;
        }
    }
    TextStyle result = parent;
    result.merge(child);
    return result;
}

bool TextStyle::empty() const
{
    return !bold && !italic && !underline && !strike && !hidden && !color && !points && !scale &&
           !family && !vertical && !alignment;
}

double TextStyle::apply(QTextCharFormat& format, double parentPoints) const
{
    if (bold)
        format.setFontWeight(*bold ? QFont::Bold : QFont::Normal);
    if (italic)
        format.setFontItalic(*italic);
    if (underline)
        format.setFontUnderline(*underline);
    if (strike)
        format.setFontStrikeOut(*strike);
    if (color && color->isValid())
        format.setForeground(*color);
    else if (color)
        format.clearForeground();
    if (family)
        format.setFontFamilies(QStringList{*family});
    if (vertical) {
        format.setVerticalAlignment(*vertical > 0   ? QTextCharFormat::AlignSuperScript
                                    : *vertical < 0 ? QTextCharFormat::AlignSubScript
                                                    : QTextCharFormat::AlignNormal);
    }
    double size = parentPoints;
    if (points)
        size = *points;
    else if (scale)
        size = parentPoints * *scale;
    size = std::clamp(size, 1.0, largestPoints);
    if (points || scale)
        format.setFontPointSize(size);
    return size;
}

QTextCharFormat TextStyle::format() const
{
    TextStyle absolute = *this;
    absolute.scale.reset(); // nothing to count from
    QTextCharFormat format;
    absolute.apply(format, 0);
    return format;
}

} // namespace platform::documents
