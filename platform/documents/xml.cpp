// The pull reader over expat: expat pushes tokens through callbacks; they are
// recorded a batch at a time, the parser suspended, and handed out one by
// one; the parser resumes when the batch is used up.
#include "platform/documents/xml.h"

#include <expat.h>

#include <cstring>

namespace platform::documents {
namespace {

/// Tokens recorded before the parser is suspended.
constexpr std::size_t batchTokens = 2048;
/// Bytes given to the parser at a time: a suspension copies what is left of them.
constexpr qsizetype chunkBytes = 256 * 1024;

struct ParserDeleter {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

} // namespace

struct XmlReader::Parser {
    std::unique_ptr<XML_ParserStruct, ParserDeleter> handle;
    XmlReader* reader = nullptr;

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<Parser*>(data)->reader->started(name, attributes);
    }
    static void XMLCALL onEnd(void* data, const XML_Char* name)
    {
        static_cast<Parser*>(data)->reader->ended(name);
    }
    static void XMLCALL onCharacters(void* data, const XML_Char* text, int length)
    {
        static_cast<Parser*>(data)->reader->characters(text, length);
    }
    static void XMLCALL onEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<Parser*>(data)->reader->fail(QStringLiteral("the part declares entities"));
    }
};

XmlReader::XmlReader(const QByteArray& data) : m_data(data), m_parser(std::make_unique<Parser>())
{
    m_parser->handle.reset(XML_ParserCreate(nullptr));
    m_parser->reader = this;
    XML_Parser parser = m_parser->handle.get();
    if (!parser)
        throw std::bad_alloc();
    XML_SetUserData(parser, m_parser.get());
    XML_SetElementHandler(parser, &Parser::onStart, &Parser::onEnd);
    XML_SetCharacterDataHandler(parser, &Parser::onCharacters);
    XML_SetEntityDeclHandler(parser, &Parser::onEntity);
    m_tokens.reserve(batchTokens + 1);
}

XmlReader::~XmlReader() = default;

double XmlReader::share() const
{
    return m_data.isEmpty() ? 1.0 : double(m_fed) / double(m_data.size());
}

void XmlReader::fail(const QString& message)
{
    if (m_error.isEmpty()) {
        m_error = message;
        m_errorLine = qint64(XML_GetCurrentLineNumber(m_parser->handle.get()));
    }
    XML_StopParser(m_parser->handle.get(), XML_FALSE);
}

XmlReader::Span XmlReader::store(const char* text, std::size_t size)
{
    const Span span{m_arena.size(), size};
    m_arena.append(text, size);
    return span;
}

QLatin1StringView XmlReader::namespaceOf(std::string_view prefix)
{
    if (m_lastPrefix.valid && m_lastPrefix.prefix == prefix)
        return m_lastPrefix.uri;
    QLatin1StringView uri;
    if (prefix == "xml") {
        uri = QLatin1StringView("http://www.w3.org/XML/1998/namespace");
    } else {
        const auto it = m_scopes.find(std::string(prefix));
        if (it != m_scopes.end() && !it->second.empty())
            uri =
                QLatin1StringView(it->second.back()->data(), qsizetype(it->second.back()->size()));
    }
    m_lastPrefix.prefix = prefix;
    m_lastPrefix.uri = uri;
    m_lastPrefix.valid = true;
    return uri;
}

void XmlReader::declareNamespaces(const char** attributes)
{
    for (int i = 0; attributes[i]; i += 2) {
        const char* name = attributes[i];
        if (std::strncmp(name, "xmlns", 5) != 0 || (name[5] != 0 && name[5] != ':'))
            continue;
        m_uris.emplace_back(attributes[i + 1]);
        std::string prefix = name[5] ? std::string(name + 6) : std::string();
        m_scopes[prefix].push_back(&m_uris.back());
        m_declared.emplace_back(m_depth, std::move(prefix));
        m_lastPrefix.valid = false;
    }
}

void XmlReader::storeName(const char* name, Span& local, QLatin1StringView& ns, bool attribute)
{
    const std::size_t size = std::strlen(name);
    const char* colon = static_cast<const char*>(std::memchr(name, ':', size));
    if (colon) {
        const std::size_t prefix = std::size_t(colon - name);
        ns = namespaceOf(std::string_view(name, prefix));
        local = store(colon + 1, size - prefix - 1);
    } else {
        // The default namespace is an element's, never an attribute's.
        ns = attribute ? QLatin1StringView() : namespaceOf(std::string_view());
        local = store(name, size);
    }
}

void XmlReader::started(const char* name, const char** attributes)
{
    ++m_depth;
    declareNamespaces(attributes);
    Token token;
    token.type = QXmlStreamReader::StartElement;
    storeName(name, token.name, token.ns, false);
    token.attributeBegin = m_attributes.size();
    for (int i = 0; attributes[i]; i += 2) {
        if (i / 2 >= maxAttributes)
            return fail(
                QStringLiteral("an element has more than %1 attributes").arg(maxAttributes));
        Attribute attribute;
        storeName(attributes[i], attribute.name, attribute.ns, true);
        attribute.value = store(attributes[i + 1], std::strlen(attributes[i + 1]));
        m_attributes.push_back(attribute);
    }
    token.attributeEnd = m_attributes.size();
    m_tokens.push_back(token);
    if (m_tokens.size() >= batchTokens)
        XML_StopParser(m_parser->handle.get(), XML_TRUE);
}

void XmlReader::ended(const char* name)
{
    Token token;
    token.type = QXmlStreamReader::EndElement;
    storeName(name, token.name, token.ns, false);
    m_tokens.push_back(token);
    while (!m_declared.empty() && m_declared.back().first == m_depth) {
        m_scopes[m_declared.back().second].pop_back();
        m_declared.pop_back();
        m_lastPrefix.valid = false;
    }
    --m_depth;
    if (m_tokens.size() >= batchTokens)
        XML_StopParser(m_parser->handle.get(), XML_TRUE);
}

void XmlReader::characters(const char* text, int length)
{
    // Expat hands over text in pieces (at line ends and references): the
    // pieces of one run of text are one token, as the readers expect.
    if (!m_tokens.empty() && m_tokens.back().type == QXmlStreamReader::Characters) {
        m_arena.append(text, std::size_t(length));
        m_tokens.back().text.size += std::size_t(length);
        return;
    }
    Token token;
    token.type = QXmlStreamReader::Characters;
    token.text = store(text, std::size_t(length));
    m_tokens.push_back(token);
}

void XmlReader::fill()
{
    m_tokens.clear();
    m_attributes.clear();
    m_arena.clear();
    m_next = 0;
    XML_Parser parser = m_parser->handle.get();
    // Chunks are fed until the parser suspends itself on a full batch, so
    // that a run of text is not cut at a chunk's end more often than need be.
    while (m_error.isEmpty()) {
        XML_Status status;
        bool last = false;
        if (m_suspended) {
            status = XML_ResumeParser(parser);
            last = m_fed == m_data.size();
        } else {
            const qsizetype size = std::min(chunkBytes, m_data.size() - m_fed);
            last = m_fed + size == m_data.size();
            status = XML_Parse(parser, m_data.constData() + m_fed, int(size), last);
            m_fed += size;
        }
        m_suspended = status == XML_STATUS_SUSPENDED;
        if (status == XML_STATUS_ERROR) {
            if (m_error.isEmpty()) {
                m_error = QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser)));
                m_errorLine = qint64(XML_GetCurrentLineNumber(parser));
            }
        } else if (m_suspended) {
            break;
        } else if (last) {
            Token end;
            end.type = QXmlStreamReader::EndDocument;
            m_tokens.push_back(end);
            break;
        }
    }
    if (!m_error.isEmpty()) {
        // What was read before the damage is handed out first.
        Token invalid;
        invalid.type = QXmlStreamReader::Invalid;
        m_tokens.push_back(invalid);
    }
}

XmlReader::TokenType XmlReader::readNext()
{
    if (m_atEnd)
        return current().type;
    m_valuesReserved = false;
    m_overflow.clear();
    if (m_next >= m_tokens.size())
        fill();
    ++m_next;
    const TokenType type = current().type;
    if (type == QXmlStreamReader::EndDocument || type == QXmlStreamReader::Invalid)
        m_atEnd = true;
    return type;
}

bool XmlReader::readNextStartElement()
{
    while (!m_atEnd) {
        const TokenType type = readNext();
        if (type == QXmlStreamReader::StartElement)
            return true;
        if (type == QXmlStreamReader::EndElement)
            return false;
    }
    return false;
}

void XmlReader::skipCurrentElement()
{
    int depth = 1;
    while (depth > 0 && !m_atEnd) {
        const TokenType type = readNext();
        if (type == QXmlStreamReader::StartElement)
            ++depth;
        else if (type == QXmlStreamReader::EndElement)
            --depth;
    }
}

QString XmlReader::readElementText()
{
    QString text;
    int depth = 1;
    while (depth > 0 && !m_atEnd) {
        const TokenType type = readNext();
        if (type == QXmlStreamReader::StartElement)
            ++depth;
        else if (type == QXmlStreamReader::EndElement)
            --depth;
        else if (type == QXmlStreamReader::Characters && depth == 1)
            decodeInto(text, current().text);
    }
    return text;
}

void XmlReader::decodeInto(QString& text, Span span) const
{
    const char* bytes = m_arena.data() + span.offset;
    const qsizetype size = qsizetype(span.size);
    qsizetype ascii = 0;
    while (ascii < size && static_cast<unsigned char>(bytes[ascii]) < 0x80)
        ++ascii;
    if (ascii == size)
        text.append(QLatin1StringView(bytes, size));
    else
        text.append(QString::fromUtf8(bytes, size));
}

QStringView XmlReader::decoded(Span span) const
{
    const Token& token = current();
    if (!m_valuesReserved) {
        // UTF-8 never takes fewer bytes than UTF-16 takes code units.
        qsizetype need = qsizetype(token.text.size);
        for (std::size_t i = token.attributeBegin; i < token.attributeEnd; ++i)
            need += qsizetype(m_attributes[i].value.size);
        m_values.resize(0);
        m_values.reserve(need);
        m_valuesReserved = true;
    }
    if (m_values.size() + qsizetype(span.size) > m_values.capacity()) {
        m_overflow.emplace_back();
        decodeInto(m_overflow.back(), span);
        return m_overflow.back();
    }
    const qsizetype start = m_values.size();
    decodeInto(m_values, span);
    return QStringView(m_values).sliced(start);
}

QStringView XmlReader::text() const
{
    if (current().type != QXmlStreamReader::Characters)
        return {};
    return decoded(current().text);
}

QStringView XmlReader::attributeValue(int i) const
{
    return decoded(attributeAt(i).value);
}

QStringView XmlReader::attribute(QStringView localName) const
{
    for (int i = 0; i < attributeCount(); ++i) {
        if (attributeName(i) == localName)
            return attributeValue(i);
    }
    return {};
}

bool XmlReader::hasAttribute(QStringView localName) const
{
    for (int i = 0; i < attributeCount(); ++i) {
        if (attributeName(i) == localName)
            return true;
    }
    return false;
}

QString flatText(XmlReader& xml, QStringView textElement, QStringView paragraphElement)
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

QString xmlProblem(const XmlReader& xml, const QString& part)
{
    return QStringLiteral("%1, line %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString());
}

} // namespace platform::documents
