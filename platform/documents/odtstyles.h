#pragma once

#include "platform/documents/textstyle.h"

#include <QHash>
#include <QString>
#include <QTextCharFormat>

#include <map>
#include <optional>

namespace platform::documents {
class XmlReader;
}

namespace platform::documents::odt {

struct Style {
    QString parent;
    QString family;
    QString listStyle;
    TextStyle text;
    std::optional<Qt::Alignment> alignment;
};

/// One level of a list style: a bullet or a number with its decorations.
struct ListLevel {
    QString bullet; ///< empty for numbered levels
    QString format = QStringLiteral("1");
    QString prefix, suffix;
    int displayLevels = 1;
    int start = 1;
};

/// The styles of styles.xml and of content.xml's automatic styles.
class Styles {
public:
    /// Reads <office:font-face-decls>, <office:styles>, <office:automatic-styles>
    /// from a whole part; content.xml's automatic styles may name common ones.
    void read(const QByteArray& part);
    /// Reads the style element the reader stands on (family given by it).
    void readStyle(XmlReader& xml, bool automatic);

    /// Resolved text properties of a style with its parents (no defaults);
    /// a relative size counts from the parent style's.
    TextStyle text(const QString& name) const;
    /// The paragraph defaults (<style:default-style style:family="paragraph">).
    const TextStyle& defaultText() const { return m_defaultText; }
    std::optional<Qt::Alignment> alignment(const QString& name) const;
    QString listStyleOf(const QString& paragraphStyle) const;
    const ListLevel* listLevel(const QString& listStyle, int level) const;

private:
    void readListStyle(XmlReader& xml);

    QHash<QString, Style> m_styles;
    QHash<QString, QString> m_fonts; ///< font-face name to family
    QHash<QString, std::map<int, ListLevel>> m_lists;
    TextStyle m_defaultText;
};

} // namespace platform::documents::odt
