// Just enough CSS to keep a web page's or a book's visible formatting.
#include "platform/documents/css.h"

#include <QFont>
#include <QRegularExpression>

namespace platform::documents {
namespace {

/// "12pt", "16px", "1.2em", "120%", "large" in points (absolute) or as a
/// factor of the parent's size (relative).
void parseSize(QStringView value, CssStyle& style)
{
    static const std::pair<const char*, double> keywords[] = {
        {"xx-small", 7}, {"x-small", 7.5}, {"small", 10},   {"medium", 12},
        {"large", 13.5}, {"x-large", 18},  {"xx-large", 24}};
    for (const auto& [name, points] : keywords) {
        if (value == QLatin1StringView(name)) {
            style.points = points;
            return;
        }
    }
    if (value == u"smaller") {
        style.scale = 0.83;
        return;
    }
    if (value == u"larger") {
        style.scale = 1.2;
        return;
    }
    qsizetype digits = 0;
    while (digits < value.size() && (value[digits].isDigit() || value[digits] == u'.'))
        ++digits;
    bool ok = false;
    const double number = value.first(digits).toDouble(&ok);
    if (!ok || number <= 0 || number > 1000)
        return;
    const QStringView unit = value.sliced(digits).trimmed();
    if (unit == u"pt")
        style.points = number;
    else if (unit == u"px")
        style.points = number * 0.75;
    else if (unit == u"em" || unit == u"rem")
        style.scale = number;
    else if (unit == u"%")
        style.scale = number / 100;
}

void declaration(QStringView property, QStringView value, CssStyle& style)
{
    if (property == u"font-weight") {
        bool numeric = false;
        const int weight = value.toInt(&numeric);
        style.bold = numeric ? weight >= 600 : (value == u"bold" || value == u"bolder");
    } else if (property == u"font-style") {
        style.italic = value == u"italic" || value == u"oblique";
    } else if (property == u"text-decoration" || property == u"text-decoration-line") {
        style.underline = value.contains(u"underline");
        style.strike = value.contains(u"line-through");
    } else if (property == u"color") {
        if (const auto color = parseColor(value))
            style.color = color;
    } else if (property == u"font-size") {
        parseSize(value, style);
    } else if (property == u"font-family") {
        QString family = value.split(u',').front().trimmed().toString();
        family.remove(u'"').remove(u'\'');
        if (!family.isEmpty() && family != u"inherit")
            style.family = family;
    } else if (property == u"text-align") {
        if (value == u"center")
            style.alignment = Qt::AlignHCenter;
        else if (value == u"right" || value == u"end")
            style.alignment = Qt::AlignRight | Qt::AlignAbsolute;
        else if (value == u"justify")
            style.alignment = Qt::AlignJustify;
        else if (value == u"left" || value == u"start")
            style.alignment = Qt::AlignLeft | Qt::AlignAbsolute;
    } else if (property == u"display") {
        style.hidden = value == u"none";
    } else if (property == u"visibility") {
        style.hidden = value == u"hidden" || value == u"collapse";
    } else if (property == u"vertical-align") {
        style.vertical = value == u"super" ? 1 : value == u"sub" ? -1 : 0;
    }
}

/// The style sheet without its /* comments */; one left open runs to the end.
QString withoutComments(QStringView css)
{
    QString text;
    text.reserve(css.size());
    qsizetype pos = 0;
    while (pos < css.size()) {
        const qsizetype start = css.indexOf(u"/*", pos);
        if (start < 0) {
            text += css.sliced(pos);
            break;
        }
        text += css.sliced(pos, start - pos);
        const qsizetype end = css.indexOf(u"*/", start + 2);
        pos = end < 0 ? css.size() : end + 2;
    }
    return text;
}

} // namespace

CssStyle parseDeclarations(QStringView text)
{
    CssStyle style;
    for (QStringView item : text.tokenize(u';')) {
        const qsizetype colon = item.indexOf(u':');
        if (colon <= 0)
            continue;
        QString value = item.sliced(colon + 1).trimmed().toString().toLower();
        value.remove(QStringLiteral("!important"));
        declaration(item.first(colon).trimmed().toString().toLower(), value.trimmed(), style);
    }
    return style;
}

std::optional<QColor> parseColor(QStringView text)
{
    text = text.trimmed();
    if (text.startsWith(u"rgb")) {
        const qsizetype open = text.indexOf(u'('), close = text.indexOf(u')');
        if (open < 0 || close < open)
            return std::nullopt;
        const auto parts = text.sliced(open + 1, close - open - 1).split(u',');
        if (parts.size() < 3)
            return std::nullopt;
        int rgb[3];
        for (int i = 0; i < 3; ++i) {
            const QStringView part = parts[i].trimmed();
            const double v =
                part.endsWith(u'%') ? part.chopped(1).toDouble() * 2.55 : part.toDouble();
            rgb[i] = std::clamp(int(v + 0.5), 0, 255);
        }
        return QColor(rgb[0], rgb[1], rgb[2]);
    }
    QColor color = QColor::fromString(text);
    if (!color.isValid() && text.size() == 6) // "ff0000" without its hash, as old pages write it
        color = QColor::fromString(QString(u'#' + text));
    return color.isValid() ? std::optional<QColor>(color) : std::nullopt;
}

void StyleSheet::add(QStringView css)
{
    // One pass over the text: every search below starts where the last one
    // stopped, so that a sheet of any shape takes time in proportion to it.
    const QString text = withoutComments(css);
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'{', pos);
        if (open < 0)
            break;
        const QStringView before = QStringView(text).sliced(pos, open - pos);
        if (const qsizetype semi = before.lastIndexOf(u';'); semi >= 0)
            pos += semi + 1; // after "@import ...;" and stray statements
        if (QStringView(text).sliced(pos, open - pos).trimmed().startsWith(u'@')) {
            // At-rules (media queries, fonts) are left out with all they hold.
            int depth = 0;
            qsizetype at = open;
            for (; at < text.size(); ++at) {
                if (text[at] == u'{')
                    ++depth;
                else if (text[at] == u'}' && --depth == 0)
                    break;
            }
            pos = at + 1;
            continue;
        }
        const qsizetype close = text.indexOf(u'}', open);
        if (close < 0)
            break;
        const QStringView selectors = QStringView(text).sliced(pos, open - pos).trimmed();
        pos = close + 1;
        const CssStyle style =
            parseDeclarations(QStringView(text).sliced(open + 1, close - open - 1));
        if (style.empty())
            continue;
        for (QStringView selector : selectors.tokenize(u',')) {
            const QString key = selector.trimmed().toString().toLower();
            static const QRegularExpression simple(QStringLiteral("^[a-z0-9]*(\\.[a-z0-9_-]+)?$"));
            if (key.isEmpty() || !simple.match(key).hasMatch())
                continue;
            m_rules[key].merge(style);
        }
    }
}

CssStyle StyleSheet::lookup(QStringView tag, QStringView classes) const
{
    CssStyle style;
    if (const auto it = m_rules.constFind(tag.toString()); it != m_rules.constEnd())
        style.merge(*it);
    for (QStringView name : classes.tokenize(u' ', Qt::SkipEmptyParts)) {
        const QString cls = name.toString().toLower();
        if (const auto it = m_rules.constFind(u'.' + cls); it != m_rules.constEnd())
            style.merge(*it);
        if (const auto it = m_rules.constFind(tag + u'.' + cls); it != m_rules.constEnd())
            style.merge(*it);
    }
    return style;
}

} // namespace platform::documents
