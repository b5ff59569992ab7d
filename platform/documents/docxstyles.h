#pragma once

#include "platform/documents/textstyle.h"

#include <QHash>
#include <QString>
#include <QTextCharFormat>

#include <map>
#include <optional>
#include <vector>

namespace platform::documents {
class XmlReader;
}

namespace platform::documents::docx {

/// Reads the children of <w:rPr> into style, and the character style it
/// names (<w:rStyle>) into characterStyle when given; leaves the reader at
/// its end.
void readRunProperties(XmlReader& xml, TextStyle& style, QString* characterStyle = nullptr);

/// Paragraph properties; unset fields inherit.
struct ParaProps {
    std::optional<Qt::Alignment> alignment;
    std::optional<int> outlineLevel; ///< 0 for a first-level heading
    std::optional<int> numId;
    std::optional<int> level;
    QString style; ///< <w:pStyle> of direct formatting
    /// The paragraph's end is a tracked deletion or the old place of a move:
    /// with no text of its own, the paragraph is not there once accepted.
    bool markRemoved = false;
    void merge(const ParaProps& over);
    /// Reads the children of <w:pPr>; leaves the reader at its end.
    void read(XmlReader& xml);
};

/// The style sheet (word/styles.xml): styles resolved through basedOn.
class Styles {
public:
    void read(const QByteArray& xml);
    /// Run properties of a paragraph style, with the document defaults under them.
    TextStyle paragraphRun(const QString& styleId) const;
    ParaProps paragraph(const QString& styleId) const;
    /// Run properties of a character style alone (no defaults).
    TextStyle character(const QString& styleId) const;
    /// The default paragraph style's id.
    const QString& defaultParagraph() const { return m_defaultParagraph; }
    /// Heading level (0 = first) of a paragraph style named "heading N" or "Title".
    std::optional<int> headingLevel(const QString& styleId) const;
    /// Size of body text in points.
    double normalPoints() const;

private:
    struct Style {
        QString basedOn;
        QString name;
        TextStyle run;
        ParaProps para;
    };
    template <typename T, typename Get> T resolve(const QString& id, Get get) const;

    QHash<QString, Style> m_styles;
    TextStyle m_defaultRun;
    ParaProps m_defaultPara;
    QString m_defaultParagraph;
};

/// The list definitions (word/numbering.xml) and the running counters.
class Numbering {
public:
    void read(const QByteArray& xml);
    /// The marker of the next item of list numId at level, counting it.
    QString nextMarker(int numId, int level);

private:
    struct Level {
        QString format = QStringLiteral("decimal");
        QString text;
        int start = 1;
    };
    using Levels = std::map<int, Level>;
    std::map<int, Levels> m_abstract;
    std::map<int, int> m_numToAbstract;
    std::map<int, std::map<int, int>> m_startOverride;
    std::map<int, std::vector<int>> m_counters;
};

/// Roman numerals and letters for list markers ("iv", "C", "aa").
QString listNumber(int value, QStringView format);

} // namespace platform::documents::docx
