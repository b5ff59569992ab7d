#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QTextCharFormat>

#include <map>
#include <optional>

class QXmlStreamReader;

namespace platform::documents::odt {

/// Text properties of an OpenDocument style; unset fields inherit.
struct TextProps {
    std::optional<bool> bold, italic, underline, strike, hidden;
    std::optional<QColor> color;
    std::optional<double> points;  ///< absolute size
    std::optional<double> percent; ///< size relative to the parent style's
    std::optional<QString> font;
    std::optional<int> vertical;
    void merge(const TextProps& over);
    /// Applies over format; returns the size in points after it.
    double apply(QTextCharFormat& format, double parentPoints) const;
};

struct Style {
    QString parent;
    QString family;
    QString listStyle;
    TextProps text;
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
    void readStyle(QXmlStreamReader& xml, bool automatic);

    /// Resolved text properties of a style with its parents (no defaults).
    TextProps text(const QString& name) const;
    /// The paragraph defaults (<style:default-style style:family="paragraph">).
    const TextProps& defaultText() const { return m_defaultText; }
    std::optional<Qt::Alignment> alignment(const QString& name) const;
    QString listStyleOf(const QString& paragraphStyle) const;
    const ListLevel* listLevel(const QString& listStyle, int level) const;

private:
    void readListStyle(QXmlStreamReader& xml);

    QHash<QString, Style> m_styles;
    QHash<QString, QString> m_fonts; ///< font-face name to family
    QHash<QString, std::map<int, ListLevel>> m_lists;
    TextProps m_defaultText;
};

} // namespace platform::documents::odt
