#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QXmlStreamReader>

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The XML reader of the readers of Word, OpenDocument and EPUB files: a
// pull reader (read the next token, the element's name, its attributes)
// over expat. The parts of a large document run to tens of megabytes, and
// expat tokenizes them several times faster than QXmlStreamReader while
// the readers keep their shape of one function a nesting element.
namespace platform::documents {

class XmlReader {
public:
    using TokenType = QXmlStreamReader::TokenType;
    static constexpr TokenType Invalid = QXmlStreamReader::Invalid;
    static constexpr TokenType StartElement = QXmlStreamReader::StartElement;
    static constexpr TokenType EndElement = QXmlStreamReader::EndElement;
    static constexpr TokenType Characters = QXmlStreamReader::Characters;
    static constexpr TokenType EndDocument = QXmlStreamReader::EndDocument;

    /// An element with more attributes than this makes the part unreadable:
    /// real elements have a few, and a root element some forty namespace
    /// declarations; one with a hundred thousand is an attack on the memory
    /// the reader keeps for the current element.
    static constexpr int maxAttributes = 128;

    /// Reads data, which must outlive the reader. Entity declarations make
    /// the part unreadable: these formats declare none, so one can only be
    /// the start of an entity bomb.
    explicit XmlReader(const QByteArray& data);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    /// The next token: StartElement, EndElement, Characters, then
    /// EndDocument, or Invalid once the part proves damaged.
    TokenType readNext();
    /// Reads on to the next start of an element within the current one
    /// (true) or to the current one's end (false).
    bool readNextStartElement();
    /// Reads to the end of the element just started, with all it holds.
    void skipCurrentElement();
    /// The text of the element just started, its child elements left out;
    /// leaves the reader at its end.
    QString readElementText();

    TokenType tokenType() const { return current().type; }
    bool atEnd() const { return m_atEnd; }
    bool hasError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    qint64 lineNumber() const { return m_errorLine; }
    /// How far the reader is through the bytes, 0 to 1.
    double share() const;

    /// The local name and namespace of the element started or ended. Names
    /// are UTF-8 bytes seen as Latin-1: they compare equal to the ASCII
    /// names the readers look for exactly when they are those names.
    QLatin1StringView name() const { return view(current().name); }
    QLatin1StringView namespaceUri() const { return current().ns; }
    /// The characters of a Characters token.
    QStringView text() const;

    /// The attributes of the element just started.
    int attributeCount() const { return int(current().attributeEnd - current().attributeBegin); }
    QLatin1StringView attributeName(int i) const { return view(attributeAt(i).name); }
    QLatin1StringView attributeNamespace(int i) const { return attributeAt(i).ns; }
    /// Valid until the next token is read.
    QStringView attributeValue(int i) const;
    /// The value of the attribute of that local name, whatever its prefix;
    /// empty when absent. Valid until the next token is read.
    QStringView attribute(QStringView localName) const;
    bool hasAttribute(QStringView localName) const;

private:
    struct Span {
        std::size_t offset = 0, size = 0;
    };
    struct Attribute {
        Span name, value;
        QLatin1StringView ns;
    };
    struct Token {
        TokenType type = QXmlStreamReader::NoToken;
        Span name, text;
        QLatin1StringView ns;
        std::size_t attributeBegin = 0, attributeEnd = 0;
    };
    struct Parser;

    const Token& current() const { return m_tokens[m_next - 1]; }
    const Attribute& attributeAt(int i) const
    {
        return m_attributes[current().attributeBegin + std::size_t(i)];
    }
    QLatin1StringView view(Span span) const
    {
        return QLatin1StringView(m_arena.data() + span.offset, qsizetype(span.size));
    }
    QStringView decoded(Span span) const;
    /// Appends the UTF-8 bytes of span to text.
    void decodeInto(QString& text, Span span) const;
    void fill();
    void fail(const QString& message);

    // What the parser's callbacks record.
    void started(const char* name, const char** attributes);
    void ended(const char* name);
    void characters(const char* text, int length);
    Span store(const char* text, std::size_t size);
    /// Stores the local name; the namespace its prefix stands for goes to ns.
    void storeName(const char* name, Span& local, QLatin1StringView& ns, bool attribute);
    void declareNamespaces(const char** attributes);
    QLatin1StringView namespaceOf(std::string_view prefix);

    const QByteArray& m_data;
    std::unique_ptr<Parser> m_parser;
    qsizetype m_fed = 0;
    bool m_suspended = false;
    bool m_atEnd = false;
    QString m_error;
    qint64 m_errorLine = 0;

    // One batch of tokens, parsed ahead; m_next is the one after the current.
    std::vector<Token> m_tokens{Token{}};
    std::size_t m_next = 1;
    std::vector<Attribute> m_attributes;
    std::string m_arena;
    // The current token's text and attribute values as they are asked for:
    // in one buffer, reserved for all of them at the first request so that
    // no view handed out moves; beyond it (a value asked for twice), apart.
    mutable QString m_values;
    mutable bool m_valuesReserved = false;
    mutable std::deque<QString> m_overflow;

    // Namespaces are resolved here rather than by expat, which costs half
    // as much again with them: each prefix's URIs in scope, innermost last,
    // and the prefixes declared by the open elements.
    std::unordered_map<std::string, std::vector<const std::string*>> m_scopes;
    std::vector<std::pair<int, std::string>> m_declared; ///< depth, prefix
    std::deque<std::string> m_uris;                      ///< every URI declared, at a stable place
    int m_depth = 0;
    struct {
        std::string prefix;
        QLatin1StringView uri;
        bool valid = false;
    } m_lastPrefix; ///< the last prefix looked up, while the bindings stay
};

/// The attribute of that local name, whatever its prefix; empty when absent.
inline QStringView attribute(const XmlReader& xml, QStringView localName)
{
    return xml.attribute(localName);
}

/// True when the attribute is there (a switch like <w:b/> with no value).
inline bool hasAttribute(const XmlReader& xml, QStringView localName)
{
    return xml.hasAttribute(localName);
}

/// The text of the current element and of everything inside it, read
/// without recursion. Only the characters of elements called textElement
/// count when it is given (Word keeps its text in <w:t>); a space stands
/// between the text of two elements at paragraph level (paragraphs, table
/// cells). Leaves the reader at the element's end.
QString flatText(XmlReader& xml, QStringView textElement = {}, QStringView paragraphElement = {});

/// Where and why the XML failed, for the "damaged" message.
QString xmlProblem(const XmlReader& xml, const QString& part);

} // namespace platform::documents
