// Word's styles and list definitions, resolved to what the editor can show.
#include "platform/documents/docxstyles.h"

#include "platform/documentlimits.h"
#include "platform/documents/xml.h"

#include <QFont>

#include <limits>

namespace platform::documents::docx {
namespace {

/// A switch such as <w:b/>, <w:b w:val="0"/> or <w:b w:val="false"/>.
bool toggle(const XmlReader& xml)
{
    const QStringView value = attribute(xml, u"val");
    return !(value == u"0" || value == u"false" || value == u"off" || value == u"none");
}

template <typename T> void take(std::optional<T>& mine, const std::optional<T>& theirs)
{
    if (theirs)
        mine = theirs;
}

std::optional<int> number(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

/// A list's start or override, within the numbers a marker shows.
int listStart(QStringView text)
{
    return std::clamp(number(text).value_or(1), -limits::maxListNumber, limits::maxListNumber);
}

} // namespace

void readRunProperties(XmlReader& xml, TextStyle& style, QString* characterStyle)
{
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == u"b")
            style.bold = toggle(xml);
        else if (name == u"i")
            style.italic = toggle(xml);
        else if (name == u"u")
            style.underline = toggle(xml);
        else if (name == u"strike" || name == u"dstrike")
            style.strike = toggle(xml);
        else if (name == u"vanish")
            style.hidden = toggle(xml);
        else if (name == u"rStyle" && characterStyle)
            *characterStyle = attribute(xml, u"val").toString();
        else if (name == u"sz") { // in half points
            if (const auto value = number(attribute(xml, u"val")); value && *value > 0)
                style.points = std::min(*value, 3276) / 2.0;
        } else if (name == u"color") {
            const QStringView value = attribute(xml, u"val");
            if (value == u"auto")
                style.color = QColor();
            else if (QColor c = QColor::fromString(u'#' + value.toString()); c.isValid())
                style.color = c;
        } else if (name == u"rFonts") {
            QStringView face = attribute(xml, u"ascii");
            if (face.isEmpty())
                face = attribute(xml, u"hAnsi");
            if (!face.isEmpty())
                style.family = face.toString();
        } else if (name == u"vertAlign") {
            const QStringView value = attribute(xml, u"val");
            style.vertical = value == u"superscript" ? 1 : value == u"subscript" ? -1 : 0;
        }
        xml.skipCurrentElement();
    }
}

void ParaProps::merge(const ParaProps& over)
{
    take(alignment, over.alignment);
    take(outlineLevel, over.outlineLevel);
    take(numId, over.numId);
    take(level, over.level);
    if (!over.style.isEmpty())
        style = over.style;
}

void ParaProps::read(XmlReader& xml)
{
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == u"pStyle") {
            style = attribute(xml, u"val").toString();
        } else if (name == u"jc") {
            const QStringView value = attribute(xml, u"val");
            if (value == u"center")
                alignment = Qt::AlignHCenter;
            else if (value == u"right" || value == u"end")
                alignment = Qt::AlignRight | Qt::AlignAbsolute;
            else if (value == u"both" || value == u"distribute")
                alignment = Qt::AlignJustify;
            else
                alignment = Qt::AlignLeft | Qt::AlignAbsolute;
        } else if (name == u"outlineLvl") {
            if (const auto value = number(attribute(xml, u"val")); value && *value < 9)
                outlineLevel = *value;
        } else if (name == u"rPr") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"del" || xml.name() == u"moveFrom")
                    markRemoved = true;
                xml.skipCurrentElement();
            }
            continue;
        } else if (name == u"numPr") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"ilvl")
                    level = number(attribute(xml, u"val"));
                else if (xml.name() == u"numId")
                    numId = number(attribute(xml, u"val"));
                xml.skipCurrentElement();
            }
            continue;
        }
        xml.skipCurrentElement();
    }
}

void Styles::read(const QByteArray& data)
{
    XmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.readNext() != XmlReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"rPrDefault" || name == u"pPrDefault") {
            const bool run = name == u"rPrDefault";
            while (xml.readNextStartElement()) {
                if (run && xml.name() == u"rPr")
                    readRunProperties(xml, m_defaultRun);
                else if (!run && xml.name() == u"pPr")
                    m_defaultPara.read(xml);
                else
                    xml.skipCurrentElement();
            }
        } else if (name == u"style") {
            const QString id = attribute(xml, u"styleId").toString();
            const QStringView defaultFlag = attribute(xml, u"default");
            const bool isDefault = defaultFlag == u"1" || defaultFlag == u"true";
            const bool paragraph = attribute(xml, u"type") == u"paragraph";
            Style style;
            while (xml.readNextStartElement()) {
                const auto child = xml.name();
                if (child == u"basedOn")
                    style.basedOn = attribute(xml, u"val").toString();
                else if (child == u"name")
                    style.name = attribute(xml, u"val").toString().toLower();

                if (child == u"rPr")
                    readRunProperties(xml, style.run);
                else if (child == u"pPr")
                    style.para.read(xml);
                else
                    xml.skipCurrentElement();
            }
            if (isDefault && paragraph)
                m_defaultParagraph = id;
            m_styles.insert(id, std::move(style));
        }
    }
    // A damaged style sheet leaves what was read: the text matters more.
}

template <typename T, typename Get> T Styles::resolve(const QString& id, Get get) const
{
    std::vector<const Style*> chain;
    QString current = id;
    while (!current.isEmpty() && chain.size() < 32) { // basedOn loops end here
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            break;
        chain.push_back(&*it);
        current = it->basedOn;
    }
    T result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        result.merge(get(**it));
    return result;
}

TextStyle Styles::paragraphRun(const QString& styleId) const
{
    TextStyle props = m_defaultRun;
    props.merge(resolve<TextStyle>(styleId.isEmpty() ? m_defaultParagraph : styleId,
                                   [](const Style& s) -> const TextStyle& { return s.run; }));
    return props;
}

ParaProps Styles::paragraph(const QString& styleId) const
{
    ParaProps props = m_defaultPara;
    props.merge(resolve<ParaProps>(styleId.isEmpty() ? m_defaultParagraph : styleId,
                                   [](const Style& s) -> const ParaProps& { return s.para; }));
    return props;
}

TextStyle Styles::character(const QString& styleId) const
{
    return resolve<TextStyle>(styleId, [](const Style& s) -> const TextStyle& { return s.run; });
}

std::optional<int> Styles::headingLevel(const QString& styleId) const
{
    const auto it = m_styles.constFind(styleId.isEmpty() ? m_defaultParagraph : styleId);
    if (it == m_styles.constEnd())
        return std::nullopt;
    if (it->name == u"title")
        return 0;
    if (it->name.startsWith(u"heading ")) {
        bool ok = false;
        const int level = QStringView(it->name).mid(8).toInt(&ok);
        if (ok && level >= 1 && level <= 9)
            return level - 1;
    }
    return std::nullopt;
}

double Styles::normalPoints() const
{
    return paragraphRun(QString()).points.value_or(10);
}

void Numbering::read(const QByteArray& data)
{
    XmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.readNext() != XmlReader::StartElement)
            continue;
        if (xml.name() == u"abstractNum") {
            const int id = number(attribute(xml, u"abstractNumId")).value_or(-1);
            Levels& levels = m_abstract[id];
            while (xml.readNextStartElement()) {
                if (xml.name() != u"lvl") {
                    xml.skipCurrentElement();
                    continue;
                }
                Level& level = levels[number(attribute(xml, u"ilvl")).value_or(0)];
                while (xml.readNextStartElement()) {
                    const auto name = xml.name();
                    if (name == u"numFmt")
                        level.format = attribute(xml, u"val").toString();
                    else if (name == u"lvlText")
                        level.text = attribute(xml, u"val").left(limits::maxMarker).toString();
                    else if (name == u"start")
                        level.start = listStart(attribute(xml, u"val"));
                    xml.skipCurrentElement();
                }
            }
        } else if (xml.name() == u"num") {
            const int id = number(attribute(xml, u"numId")).value_or(-1);
            while (xml.readNextStartElement()) {
                if (xml.name() == u"abstractNumId") {
                    m_numToAbstract[id] = number(attribute(xml, u"val")).value_or(-1);
                    xml.skipCurrentElement();
                } else if (xml.name() == u"lvlOverride") {
                    const int level = number(attribute(xml, u"ilvl")).value_or(0);
                    while (xml.readNextStartElement()) {
                        if (xml.name() == u"startOverride")
                            m_startOverride[id][level] = listStart(attribute(xml, u"val"));
                        xml.skipCurrentElement();
                    }
                } else {
                    xml.skipCurrentElement();
                }
            }
        }
    }
}

QString Numbering::nextMarker(int numId, int level)
{
    const auto abstract = m_numToAbstract.find(numId);
    if (numId == 0 || abstract == m_numToAbstract.end())
        return {};
    const Levels& levels = m_abstract[abstract->second];
    level = std::clamp(level, 0, 8);
    std::vector<int>& counters = m_counters[numId];
    const auto startOf = [&](int l) {
        const auto over = m_startOverride[numId].find(l);
        if (over != m_startOverride[numId].end())
            return over->second;
        const auto it = levels.find(l);
        return it == levels.end() ? 1 : it->second.start;
    };
    if (int(counters.size()) <= level) {
        const int from = int(counters.size());
        counters.resize(std::size_t(level) + 1);
        for (int l = from; l < level; ++l)
            counters[std::size_t(l)] = startOf(l);
        counters[std::size_t(level)] = startOf(level) - 1;
    }
    counters.resize(std::size_t(level) + 1); // deeper levels start again
    int& counter = counters[std::size_t(level)];
    counter = std::min(counter, std::numeric_limits<int>::max() - 1) + 1;

    const auto it = levels.find(level);
    if (it == levels.end())
        return QStringLiteral("\u2022");
    const Level& def = it->second;
    if (def.format == u"bullet") {
        // Symbol-font bullets live in the private use area: show a plain one.
        const QChar c = def.text.isEmpty() ? QChar() : def.text.front();
        if (c.isNull() || (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF) || c == u'o')
            return c == u'o' ? QStringLiteral("\u25E6") : QStringLiteral("\u2022");
        return def.text;
    }
    if (def.format == u"none")
        return def.text.contains(u'%') ? QString() : def.text;
    QString marker = def.text;
    for (int l = 0; l <= level && l < 9; ++l) {
        const auto lv = levels.find(l);
        const QString format = lv == levels.end() ? QStringLiteral("decimal") : lv->second.format;
        marker.replace(u'%' + QString::number(l + 1), listNumber(counters[std::size_t(l)], format));
    }
    return marker.left(limits::maxMarker);
}

QString listNumber(int value, QStringView format)
{
    constexpr int maxLetters = 4;
    if (format == u"lowerRoman" || format == u"upperRoman" || format == u"lower-roman") {
        static const std::pair<int, const char*> numerals[] = {
            {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
            {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
        QString text;
        int rest = std::clamp(value, 1, 3999);
        for (const auto& [amount, letters] : numerals) {
            while (rest >= amount) {
                text += QLatin1StringView(letters);
                rest -= amount;
            }
        }
        return format == u"upperRoman" ? text.toUpper() : text;
    }
    if ((format == u"lowerLetter" || format == u"upperLetter") && value <= 26 * maxLetters) {
        // Word repeats the letter past z: aa, bb... (a longer run shows as a number)
        const int n = std::max(value, 1) - 1;
        const QChar letter(u'a' + n % 26);
        QString text(n / 26 + 1, letter);
        return format == u"upperLetter" ? text.toUpper() : text;
    }
    return QString::number(value);
}

} // namespace platform::documents::docx
