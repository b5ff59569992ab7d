#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <memory>

// Small helpers shared by the XML-based readers (Word, OpenDocument, EPUB).
namespace platform::documents {

/// A reader over bytes with the entity expansion kept small: documents of
/// these formats declare no entities, so an expansion beyond a few
/// characters can only be an entity bomb, and it stops the read. The bytes
/// are decoded as the reader goes (through a buffer device), not all at
/// once: a large part never lies in memory twice.
class XmlReader : public QXmlStreamReader {
public:
    /// An element with more attributes than this makes the part unreadable:
    /// QXmlStreamReader compares each attribute with all those before it, so
    /// one element of a hundred thousand takes minutes. Real elements have a
    /// few, and a root element some forty namespace declarations.
    static constexpr int maxAttributes = 128;

    explicit XmlReader(const QByteArray& data) : m_buffer(std::make_unique<QBuffer>())
    {
        m_buffer->setData(data);
        m_buffer->open(QIODevice::ReadOnly);
        setDevice(m_buffer.get());
        setEntityExpansionLimit(1024);
        setNamespaceProcessing(true);
        if (hasCrowdedElement(data))
            raiseError(QStringLiteral("an element has more than %1 attributes").arg(maxAttributes));
    }
    /// How far the reader is through the bytes, 0 to 1.
    double share() const
    {
        const qint64 size = m_buffer->size();
        return size > 0 ? double(m_buffer->pos()) / double(size) : 1.0;
    }

private:
    /// True when a tag holds more than maxAttributes values (its "=" outside
    /// quotes), found in one pass over the bytes; comments, character data,
    /// processing instructions and declarations are passed over.
    static bool hasCrowdedElement(const QByteArray& data)
    {
        const qsizetype size = data.size();
        qsizetype i = 0;
        while ((i = data.indexOf('<', i)) >= 0) {
            ++i;
            const QByteArrayView rest = QByteArrayView(data).sliced(i);
            const char* end = rest.startsWith("!--")        ? "-->"
                              : rest.startsWith("![CDATA[") ? "]]>"
                              : rest.startsWith("?")        ? "?>"
                              : rest.startsWith("!")        ? ">"
                                                            : nullptr;
            if (end) {
                i = data.indexOf(end, i);
                if (i < 0)
                    return false;
                continue;
            }
            int values = 0;
            char quote = 0;
            for (; i < size; ++i) {
                const char c = data[i];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '=') {
                    if (++values > maxAttributes)
                        return true;
                } else if (c == '>') {
                    break;
                }
            }
        }
        return false;
    }

    std::unique_ptr<QBuffer> m_buffer;
};

/// The attribute of that local name, whatever its prefix; empty when absent.
inline QStringView attribute(const QXmlStreamReader& xml, QStringView localName)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == localName)
            return a.value();
    }
    return {};
}

/// True when the attribute is there (a switch like <w:b/> with no value).
inline bool hasAttribute(const QXmlStreamReader& xml, QStringView localName)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute& a : attributes) {
        if (a.name() == localName)
            return true;
    }
    return false;
}

/// Skips the current element with everything inside it.
inline void skipElement(QXmlStreamReader& xml)
{
    xml.skipCurrentElement();
}

/// The text of the current element and of everything inside it, read
/// without recursion (QXmlStreamReader::readElementText recurses once per
/// nested element, and a hostile file nests them by the hundred thousand).
/// Only the characters of elements called textElement count when it is
/// given (Word keeps its text in <w:t>); a space stands between the text of
/// two elements at paragraph level (paragraphs, table cells). Leaves the
/// reader at the element's end.
inline QString flatText(QXmlStreamReader& xml, QStringView textElement = {},
                        QStringView paragraphElement = {})
{
    QString text;
    int depth = 1;
    bool counting = textElement.isEmpty();
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (!textElement.isEmpty())
                counting = xml.name() == textElement;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (!textElement.isEmpty())
                counting = false;
            if (!paragraphElement.isEmpty() && xml.name() == paragraphElement && !text.isEmpty() &&
                !text.endsWith(u' '))
                text += u' ';
            break;
        case QXmlStreamReader::Characters:
            if (counting)
                text += xml.text();
            break;
        default:
            break;
        }
    }
    return text;
}

/// Where and why the XML failed, for the "damaged" message.
inline QString xmlProblem(const QXmlStreamReader& xml, const QString& part)
{
    return QStringLiteral("%1, line %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString());
}

} // namespace platform::documents
