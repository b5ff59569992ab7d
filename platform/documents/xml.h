#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

// Small helpers shared by the XML-based readers (Word, OpenDocument, EPUB).
namespace platform::documents {

/// A reader over bytes with the entity expansion kept small: documents of
/// these formats declare no entities, so an expansion beyond a few
/// characters can only be an entity bomb, and it stops the read.
class XmlReader : public QXmlStreamReader {
public:
    explicit XmlReader(const QByteArray& data) : QXmlStreamReader(data)
    {
        setEntityExpansionLimit(1024);
        setNamespaceProcessing(true);
    }
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

/// Where and why the XML failed, for the "damaged" message.
inline QString xmlProblem(const QXmlStreamReader& xml, const QString& part)
{
    return QStringLiteral("%1, line %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString());
}

} // namespace platform::documents
