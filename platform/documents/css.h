#pragma once

#include "platform/documents/textstyle.h"

#include <QColor>
#include <QHash>
#include <QString>

#include <optional>

namespace platform::documents {

/// The part of CSS a reader shows: weight, style, decoration, colour, size,
/// family, alignment, raised text and whether the element is shown at all.
using CssStyle = TextStyle;

/// Parses "font-weight: bold; color: red" (an inline style attribute).
CssStyle parseDeclarations(QStringView text);
/// A colour as HTML writes it: "#rgb", "#rrggbb", a name or "rgb(r, g, b)".
std::optional<QColor> parseColor(QStringView text);

/// The rules of style sheets whose selectors are a tag, a class or both
/// ("p", ".note", "p.note"); rules that need the document's structure are
/// left out, since a reader without a tree could apply them wrongly.
class StyleSheet {
public:
    void add(QStringView css);
    /// The style of an element with that (lower-case) tag and class list.
    CssStyle lookup(QStringView tag, QStringView classes) const;
    bool empty() const { return m_rules.isEmpty(); }

private:
    QHash<QString, CssStyle> m_rules; ///< by "tag", ".class" or "tag.class"
};

} // namespace platform::documents
