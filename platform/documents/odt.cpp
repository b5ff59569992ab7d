// OpenDocument text (.odt): the body of content.xml with the styles of both
// style parts, lists with their markers, tables and notes. Headers and
// footers (in the master pages), annotations, tracked deletions and
// pictures are left out.
#include "platform/documentlimits.h"
#include "platform/documents/builder.h"
#include "platform/documents/docxstyles.h"
#include "platform/documents/errors.h"
#include "platform/documents/odtstyles.h"
#include "platform/documents/readers.h"
#include "platform/documents/tablereader.h"
#include "platform/documents/xml.h"
#include "platform/documents/ziparchive.h"

#include <vector>

namespace platform::documents {
namespace {

using odt::Styles;

constexpr double defaultPoints = 12;

class BodyReader {
public:
    BodyReader(XmlReader& xml, DocumentBuilder& out, const Styles& styles)
        : m_xml(xml), m_out(out), m_styles(styles)
    {
        m_base = styles.defaultText();
        QTextCharFormat unused;
        m_basePoints = m_base.apply(unused, defaultPoints);
    }
    void blocks();

private:
    using Level = Nesting;

    struct Span {
        QTextCharFormat format;
        double points;
        bool hidden;
    };
    void paragraph(bool heading);
    void inlines();
    void inlineElement();
    void text(QStringView raw);
    void list();
    void table();
    void note();
    void shape();
    Span spanFor(const QString& style) const;
    /// The rest of the open element as one paragraph of plain text.
    void flatParagraph();
    /// The marker of the next item at the current list level, counting it.
    QString nextMarker();

    XmlReader& m_xml;
    DocumentBuilder& m_out;
    const Styles& m_styles;
    TextStyle m_base;
    double m_basePoints = defaultPoints;
    std::vector<Span> m_spans;
    bool m_lastWasSpace = true;        ///< white space collapses, as in the format's rules
    std::vector<QString> m_listStyles; ///< the open lists' styles, outermost first
    std::vector<int> m_counters;       ///< the item counts of the open list's levels
    bool m_itemMarkerDue = false;      ///< the next paragraph starts a list item
    QString m_lastListStyle;
    QString m_notePrefix; ///< the citation that starts a note's first paragraph
    int m_depth = 0;      ///< the nesting being read
};

void BodyReader::flatParagraph()
{
    const QString text = flatText(m_xml, {}, u"p").simplified();
    m_out.beginParagraph();
    m_out.addText(text, QTextCharFormat());
    m_out.endParagraph();
}

BodyReader::Span BodyReader::spanFor(const QString& style) const
{
    const Span& parent = m_spans.back();
    Span span = parent;
    const TextStyle props = m_styles.text(style);
    span.points = props.apply(span.format, parent.points);
    span.hidden = parent.hidden || props.hidden.value_or(false);
    return span;
}

void BodyReader::blocks()
{
    const Level level(m_depth);
    if (level.tooDeep())
        return flatParagraph();
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"p" || name == u"h") {
            paragraph(name == u"h");
        } else if (name == u"list") {
            list();
        } else if (name == u"table") {
            table();
        } else if (name == u"section" || name == u"index-body" || name == u"table-of-content" ||
                   name == u"alphabetical-index" || name == u"illustration-index" ||
                   name == u"bibliography" || name == u"user-index" || name == u"object-index" ||
                   name == u"table-index" || name == u"index-title" || name == u"text" ||
                   name == u"deletion-free-region") {
            blocks();
        } else if (m_xml.namespaceUri().contains(u"drawing")) {
            shape();
        } else {
            // tracked changes, declarations, forms, index templates
            m_xml.skipCurrentElement();
        }
    }
}

void BodyReader::paragraph(bool heading)
{
    if (m_depth <= 1)
        m_out.report(m_xml.share());
    const QString style = attribute(m_xml, u"style-name").toString();
    QTextBlockFormat block;
    if (const auto alignment = m_styles.alignment(style))
        block.setAlignment(*alignment);
    const TextStyle props = m_styles.text(style).inheriting(m_base);
    Span span{QTextCharFormat(), m_basePoints, props.hidden.value_or(false)};
    span.points = props.apply(span.format, defaultPoints);
    if (heading) {
        bool ok = false;
        const int level = std::clamp(attribute(m_xml, u"outline-level").toInt(&ok), 1, 10);
        block.setHeadingLevel(std::min(ok ? level : 1, 6));
        span.format.setFontWeight(QFont::Bold);
        const double points = std::max(span.points, m_basePoints * headingScale(level - 1));
        span.format.setFontPointSize(points);
        span.points = points;
    }
    if (!m_listStyles.empty())
        block.setIndent(int(m_listStyles.size()));
    m_out.beginParagraph(block);
    if (m_itemMarkerDue) {
        m_itemMarkerDue = false;
        if (const QString marker = nextMarker(); !marker.isEmpty())
            m_out.addText(QString(marker + u'\t'), span.format);
    }
    if (!m_notePrefix.isEmpty()) {
        m_out.addNoteReference(m_notePrefix, span.format);
        m_out.addText(u" ", span.format);
        m_notePrefix.clear();
    }
    m_spans.assign(1, span);
    m_lastWasSpace = true;
    inlines();
    m_out.endParagraph();
}

void BodyReader::inlines()
{
    const Level level(m_depth);
    if (level.tooDeep()) {
        const QString text = flatText(m_xml).simplified();
        if (!m_spans.back().hidden)
            m_out.addText(text, m_spans.back().format);
        return;
    }
    while (!m_xml.atEnd()) {
        const auto token = m_xml.readNext();
        if (token == XmlReader::Characters)
            text(m_xml.text());
        else if (token == XmlReader::StartElement)
            inlineElement();
        else if (token == XmlReader::EndElement)
            return;
    }
}

void BodyReader::inlineElement()
{
    const auto name = m_xml.name();
    if (name == u"span") {
        m_spans.push_back(spanFor(attribute(m_xml, u"style-name").toString()));
        inlines();
        m_spans.pop_back();
    } else if (name == u"s") {
        bool ok = false;
        const int count = attribute(m_xml, u"c").toInt(&ok);
        if (!m_spans.back().hidden)
            m_out.addText(QString(std::clamp(ok ? count : 1, 1, 1000), u' '),
                          m_spans.back().format);
        m_lastWasSpace = true;
        m_xml.skipCurrentElement();
    } else if (name == u"tab" || name == u"line-break") {
        if (!m_spans.back().hidden)
            m_out.addText(name == u"tab" ? QStringLiteral("\t") : QString(QChar(0x2028)),
                          m_spans.back().format);
        m_lastWasSpace = true;
        m_xml.skipCurrentElement();
    } else if (name == u"note") {
        note();
    } else if (m_xml.namespaceUri().contains(u"drawing")) {
        shape();
    } else if (name == u"annotation" || name == u"annotation-end" || name == u"tracked-changes" ||
               name == u"change" || name == u"ruby-text" || name == u"hidden-text" ||
               name == u"hidden-paragraph" || name == u"bookmark-start") {
        m_xml.skipCurrentElement(); // comments and deletions are not the text
    } else {
        inlines(); // links, fields (their shown result), ruby bases, meta
    }
}

void BodyReader::text(QStringView raw)
{
    if (m_spans.back().hidden)
        return;
    // Runs of white space count as one space, and none at a paragraph's start.
    QString collapsed;
    collapsed.reserve(raw.size());
    for (const QChar c : raw) {
        if (c == u' ' || c == u'\n' || c == u'\t' || c == u'\r') {
            if (!m_lastWasSpace)
                collapsed += u' ';
            m_lastWasSpace = true;
        } else {
            collapsed += c;
            m_lastWasSpace = false;
        }
    }
    m_out.addText(collapsed, m_spans.back().format);
}

void BodyReader::note()
{
    QString citation;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == u"note-citation") {
            citation = flatText(m_xml).trimmed().left(limits::maxMarker);
            if (!m_spans.back().hidden)
                m_out.addNoteReference(citation, m_spans.back().format);
        } else if (m_xml.name() == u"note-body") {
            const std::vector<Span> spans = m_spans;
            const bool lastWasSpace = m_lastWasSpace;
            const std::vector<QString> listStyles = std::exchange(m_listStyles, {});
            m_out.beginNote();
            m_notePrefix = citation;
            blocks();
            m_notePrefix.clear();
            m_out.endNote();
            m_listStyles = listStyles;
            m_spans = spans;
            m_lastWasSpace = lastWasSpace;
        } else {
            m_xml.skipCurrentElement();
        }
    }
}

void BodyReader::shape()
{
    // A picture and a shape's title and description are left out; the
    // paragraphs of text boxes and shapes are read where they stand.
    const Level level(m_depth);
    if (level.tooDeep())
        return flatParagraph();
    const std::vector<Span> spans = m_spans;
    const bool lastWasSpace = m_lastWasSpace;
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"text-box")
            blocks();
        else if (name == u"p" || name == u"h")
            paragraph(name == u"h");
        else if (name == u"list")
            list();
        else if (m_xml.namespaceUri().contains(u"drawing"))
            shape();
        else
            m_xml.skipCurrentElement();
    }
    m_spans = spans;
    m_lastWasSpace = lastWasSpace;
}

void BodyReader::list()
{
    const Level level(m_depth);
    if (level.tooDeep())
        return flatParagraph();
    QString style = attribute(m_xml, u"style-name").toString();
    if (style.isEmpty() && !m_listStyles.empty())
        style = m_listStyles.back();
    if (m_listStyles.empty()) {
        // A list counts from its start unless it says it continues the last one.
        const bool continues = attribute(m_xml, u"continue-numbering") == u"true" ||
                               !attribute(m_xml, u"continue-list").isEmpty();
        if (!continues || style != m_lastListStyle)
            m_counters.clear();
    }
    m_listStyles.push_back(style);
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name == u"list-item" || name == u"list-header") {
            m_itemMarkerDue = name == u"list-item";
            blocks();
            m_itemMarkerDue = false;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    m_listStyles.pop_back();
    if (m_listStyles.empty())
        m_lastListStyle = style;
}

QString BodyReader::nextMarker()
{
    const QString& style = m_listStyles.back();
    const int level = int(m_listStyles.size());
    const auto startOf = [&](int l) {
        const odt::ListLevel* d = m_styles.listLevel(style, l);
        return d ? d->start : 1;
    };
    while (int(m_counters.size()) < level) {
        const int l = int(m_counters.size()) + 1;
        m_counters.push_back(startOf(l) - (l == level ? 1 : 0));
    }
    m_counters.resize(std::size_t(level)); // deeper levels count again
    ++m_counters.back();
    const odt::ListLevel* def = m_styles.listLevel(style, level);
    if (!def)
        return QStringLiteral("\u2022");
    if (!def->bullet.isEmpty())
        return def->bullet;
    if (def->format.isEmpty())
        return {};
    static const std::pair<const char16_t*, const char16_t*> formats[] = {{u"a", u"lowerLetter"},
                                                                          {u"A", u"upperLetter"},
                                                                          {u"i", u"lowerRoman"},
                                                                          {u"I", u"upperRoman"}};
    QString number;
    for (int l = std::max(1, level - def->displayLevels + 1); l <= level; ++l) {
        const odt::ListLevel* d = m_styles.listLevel(style, l);
        QStringView format = u"decimal";
        for (const auto& [code, name] : formats) {
            if (d && d->format == QStringView(code))
                format = name;
        }
        if (!number.isEmpty())
            number += u'.';
        number += docx::listNumber(m_counters[std::size_t(l) - 1], format);
    }
    return QString(def->prefix + number + def->suffix).left(limits::maxMarker);
}

bool holdsRows(QLatin1StringView name)
{
    return name == u"table-header-rows" || name == u"table-rows" || name == u"table-row-group";
}

bool holdsCells(QLatin1StringView)
{
    return false;
}

void BodyReader::table()
{
    static const TableShape shape{QLatin1StringView("table-row"), QLatin1StringView("table-cell"),
                                  &holdsRows, &holdsCells};
    readTable(
        m_xml, m_out, m_depth, shape, [this] { blocks(); }, [this] { flatParagraph(); });
}

void refuseEncrypted(ZipArchive& zip, const QString& fileName)
{
    const QByteArray manifest = zip.readIfPresent(QStringLiteral("META-INF/manifest.xml"));
    if (manifest.contains("encryption-data"))
        throw passwordProtected(fileName, kindOdt());
}

} // namespace

void readOdt(const QByteArray& data, const QString& fileName, DocumentBuilder& out)
{
    ZipArchive zip(data, fileName, kindOdt());
    refuseEncrypted(zip, fileName);
    if (!zip.contains(QStringLiteral("content.xml")))
        throw notThisFormat(fileName, kindOdt());
    Styles styles;
    styles.read(zip.readIfPresent(QStringLiteral("styles.xml")));
    const QByteArray content = zip.read(QStringLiteral("content.xml"));
    styles.read(content);
    XmlReader xml(content);
    BodyReader body(xml, out, styles);
    while (!xml.atEnd()) {
        if (xml.readNext() == XmlReader::StartElement && xml.name() == u"text" &&
            xml.namespaceUri().contains(u"office"))
            body.blocks();
    }
    if (xml.hasError())
        zip.damaged(xmlProblem(xml, QStringLiteral("content.xml")));
}

} // namespace platform::documents
