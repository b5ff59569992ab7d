// OpenDocument styles: text properties through the parent chain, paragraph
// alignment and list styles.
#include "platform/documents/odtstyles.h"

#include "platform/documentlimits.h"
#include "platform/documents/css.h"
#include "platform/documents/xml.h"

#include <QFont>

namespace platform::documents::odt {
namespace {

/// "12pt", "0.5in", "150%" as points or a percentage.
void readSize(QStringView value, TextStyle& props)
{
    if (value.endsWith(u'%')) {
        bool ok = false;
        const double percent = value.chopped(1).toDouble(&ok);
        if (ok && percent > 0)
            props.scale = percent / 100;
        return;
    }
    static const std::pair<const char16_t*, double> units[] = {
        {u"pt", 1},         {u"in", 72}, {u"cm", 72 / 2.54},
        {u"mm", 72 / 25.4}, {u"pc", 12}, {u"px", 0.75}};
    for (const auto& [unit, factor] : units) {
        if (value.endsWith(QStringView(unit))) {
            bool ok = false;
            const double number = value.chopped(2).toDouble(&ok);
            if (ok && number > 0)
                props.points = std::min(number * factor, 1638.0);
            return;
        }
    }
}

void readTextProperties(const XmlReader& xml, TextStyle& props,
                        const QHash<QString, QString>& fonts)
{
    for (int i = 0; i < xml.attributeCount(); ++i) {
        const QLatin1StringView name = xml.attributeName(i);
        const QStringView value = xml.attributeValue(i);
        if (name == u"font-weight") {
            bool numeric = false;
            const int weight = value.toInt(&numeric);
            props.bold = numeric ? weight >= 600 : value == u"bold";
        } else if (name == u"font-style") {
            props.italic = value == u"italic" || value == u"oblique";
        } else if (name == u"text-underline-style") {
            props.underline = value != u"none";
        } else if (name == u"text-line-through-style") {
            props.strike = value != u"none";
        } else if (name == u"color") {
            if (const auto color = parseColor(value))
                props.color = color;
        } else if (name == u"font-size") {
            readSize(value, props);
        } else if (name == u"font-name") {
            const auto it = fonts.constFind(value.toString());
            props.family = it == fonts.constEnd() ? value.toString() : *it;
        } else if (name == u"font-family" && xml.attributeNamespace(i).contains(u"xsl-fo")) {
            QString family = value.toString();
            family.remove(u'\'').remove(u'"');
            props.family = family;
        } else if (name == u"text-position") {
            // "super 58%", "sub 58%" or a signed percentage of raising
            QStringView first = value.trimmed();
            if (const qsizetype space = first.indexOf(u' '); space >= 0)
                first = first.first(space);
            if (first == u"super" || first == u"sub") {
                props.vertical = first == u"super" ? 1 : -1;
            } else {
                const double raise = (first.endsWith(u'%') ? first.chopped(1) : first).toDouble();
                props.vertical = raise > 0 ? 1 : raise < 0 ? -1 : 0;
            }
        } else if (name == u"display") {
            props.hidden = value == u"none";
        }
    }
}

std::optional<Qt::Alignment> readAlignment(QStringView value)
{
    if (value == u"center")
        return Qt::AlignHCenter;
    if (value == u"end" || value == u"right")
        return Qt::AlignRight | Qt::AlignAbsolute;
    if (value == u"justify")
        return Qt::AlignJustify;
    if (value == u"start" || value == u"left")
        return Qt::AlignLeft | Qt::AlignAbsolute;
    return std::nullopt;
}

} // namespace

void Styles::read(const QByteArray& part)
{
    XmlReader xml(part);
    bool automatic = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == XmlReader::EndElement && xml.name() == u"automatic-styles")
            automatic = false;
        if (token != XmlReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"automatic-styles") {
            automatic = true;
        } else if (name == u"font-face") {
            QString family = attribute(xml, u"font-family").toString();
            family.remove(u'\'').remove(u'"');
            m_fonts.insert(attribute(xml, u"name").toString(), family);
        } else if (name == u"style" || name == u"default-style") {
            readStyle(xml, automatic);
        } else if (name == u"list-style") {
            readListStyle(xml);
        } else if (name == u"body" || name == u"master-styles") {
            return; // the text itself (and headers, footers) are not styles
        }
    }
}

void Styles::readStyle(XmlReader& xml, bool automatic)
{
    Q_UNUSED(automatic)
    const bool isDefault = xml.name() == u"default-style";
    Style style;
    const QString name = attribute(xml, u"name").toString();
    style.family = attribute(xml, u"family").toString();
    style.parent = attribute(xml, u"parent-style-name").toString();
    style.listStyle = attribute(xml, u"list-style-name").toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == u"text-properties")
            readTextProperties(xml, style.text, m_fonts);
        else if (xml.name() == u"paragraph-properties")
            style.alignment = readAlignment(attribute(xml, u"text-align"));
        xml.skipCurrentElement();
    }
    if (isDefault) {
        if (style.family == u"paragraph")
            m_defaultText = style.text;
        return;
    }
    m_styles.insert(name, std::move(style));
}

void Styles::readListStyle(XmlReader& xml)
{
    auto& levels = m_lists[attribute(xml, u"name").toString()];
    while (xml.readNextStartElement()) {
        const auto kind = xml.name();
        ListLevel level;
        const int index = attribute(xml, u"level").toInt();
        if (kind == u"list-level-style-bullet") {
            level.bullet = attribute(xml, u"bullet-char").left(2).toString(); // one character
            const QChar c = level.bullet.isEmpty() ? QChar() : level.bullet.front();
            if (c.isNull() || (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF))
                level.bullet = QStringLiteral("\u2022");
        } else if (kind == u"list-level-style-number") {
            level.format = attribute(xml, u"num-format").toString();
            level.prefix = attribute(xml, u"num-prefix").left(limits::maxMarker).toString();
            level.suffix = attribute(xml, u"num-suffix").left(limits::maxMarker).toString();
            level.displayLevels = std::clamp(attribute(xml, u"display-levels").toInt(), 1, 10);
            bool ok = false;
            const int start = attribute(xml, u"start-value").toInt(&ok);
            level.start = ok ? std::clamp(start, -limits::maxListNumber, limits::maxListNumber) : 1;
        } else {
            level.bullet = QString(); // a picture as bullet: no marker shown in text
            level.format.clear();
        }
        if (index >= 1 && index <= 10)
            levels[index] = level;
        xml.skipCurrentElement();
    }
}

TextStyle Styles::text(const QString& name) const
{
    std::vector<const Style*> chain;
    QString current = name;
    while (!current.isEmpty() && chain.size() < 32) {
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            break;
        chain.push_back(&*it);
        current = it->parent;
    }
    TextStyle props;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        props = (*it)->text.inheriting(props);
    return props;
}

std::optional<Qt::Alignment> Styles::alignment(const QString& name) const
{
    QString current = name;
    for (int depth = 0; !current.isEmpty() && depth < 32; ++depth) {
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            break;
        if (it->alignment)
            return it->alignment;
        current = it->parent;
    }
    return std::nullopt;
}

QString Styles::listStyleOf(const QString& paragraphStyle) const
{
    QString current = paragraphStyle;
    for (int depth = 0; !current.isEmpty() && depth < 32; ++depth) {
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            break;
        if (!it->listStyle.isEmpty())
            return it->listStyle;
        current = it->parent;
    }
    return {};
}

const ListLevel* Styles::listLevel(const QString& listStyle, int level) const
{
    const auto list = m_lists.constFind(listStyle);
    if (list == m_lists.constEnd())
        return nullptr;
    const auto it = list->find(level);
    return it == list->end() ? nullptr : &it->second;
}

} // namespace platform::documents::odt
