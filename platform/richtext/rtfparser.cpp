// The RTF reader: bytes in, paragraphs and styled runs out. One pass over the
// data with a stack of group states; nothing it meets is fatal. This file
// reads the syntax; rtftext.cpp turns what it finds into text.
#include "platform/richtext/rtfparser_p.h"

#include "platform/documentlimits.h"
#include "platform/textdecode.h"

#include <algorithm>

namespace platform {
namespace rtf {
namespace {

bool isLetter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
int hexValue(unsigned char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The size of a UTF-8 byte-order mark that some editors put before the
/// header (it is not text), else 0.
qsizetype utf8MarkSize(QByteArrayView data)
{
    const std::optional<ByteOrderMark> mark = byteOrderMark(data);
    return mark && mark->encoding == QStringConverter::Utf8 ? mark->size : 0;
}

} // namespace

Parser::Parser(QByteArrayView data, bool headersAsBody)
    : m_p(reinterpret_cast<const unsigned char*>(data.data())), m_end(m_p + data.size()),
      m_headersAsBody(headersAsBody)
{
    // Where the meaningful data ends (ignoring trailing white space and
    // NULs), and the last byte that can start RTF syntax.
    const unsigned char* e = m_end;
    while (e > m_p && (e[-1] <= ' '))
        --e;
    m_contentEnd = e;
    m_lastSyntax = m_p;
    for (const unsigned char* q = m_end; q > m_p; --q)
        if (q[-1] == '\\' || q[-1] == '{') {
            m_lastSyntax = q;
            break;
        }
}

RtfContent Parser::run()
{
    m_stack.reserve(64);
    m_stack.push_back(Group{});
    m_out.report.missingHeader = !looksLikeRtf(QByteArrayView(m_p, m_end - m_p));
    m_out.text.reserve((m_end - m_p) / 2);
    // White space and a byte-order mark before the header are not text.
    m_p += utf8MarkSize(QByteArrayView(m_p, m_end - m_p));
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\r' || *m_p == '\n'))
        ++m_p;
    // Data that does not open with a group is read as the inside of one, so
    // that its first "}" is not taken for the end of the document.
    m_implicitDocument = m_p < m_end && *m_p != '{';
    if (m_implicitDocument)
        m_stack.push_back(Group{});
    while (m_p < m_end && !m_stop) {
        step();
        // Past the limits the document cannot be opened: reading on would
        // only take memory (a paragraph mark is four bytes of RTF).
        if (m_out.text.size() > limits::maxCharacters ||
            qsizetype(m_out.paragraphs.size()) > limits::maxParagraphs) {
            m_out.report.tooLarge = true;
            break;
        }
    }
    finish();
    return std::move(m_out);
}

void Parser::step()
{
    const unsigned char c = *m_p;
    // "\*" marks a group as ignorable only as the group's first token.
    m_tokenAtGroupStart = std::exchange(m_atGroupStart, false);
    switch (c) {
    case '{':
        ++m_p;
        m_star = false;
        m_skip = 0;
        openGroup();
        m_atGroupStart = true;
        return;
    case '}':
        ++m_p;
        m_star = false;
        m_skip = 0;
        closeGroup();
        return;
    case '\\':
        ++m_p;
        control();
        return;
    case '\r':
    case '\n':
        ++m_p;
        return;
    default:
        m_star = false;
        literal();
    }
}

void Parser::openGroup()
{
    if (m_stack.size() >= maxDepth) {
        ++m_overflow;
        m_out.report.depthLimited = true;
        return;
    }
    Group group = cur();
    if (group.dest == Dest::FontTable || group.dest == Dest::FontEntry) {
        // A group inside a font entry ({\*\panose}) is not part of its name.
        group.dest = group.dest == Dest::FontTable ? Dest::FontEntry : Dest::Skip;
    } else if (group.dest == Dest::ColorTable) {
        group.dest = Dest::Skip;
    }
    m_stack.push_back(group);
}

void Parser::closeGroup()
{
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    flushPending();
    if (m_stack.size() <= 2) {
        closeDocument();
        return;
    }
    const Dest dest = cur().dest;
    if (dest == Dest::FontEntry || dest == Dest::FontTable)
        finishFont();
    m_stack.pop_back();
}

/// The group of the document closes: normally at the end of the data.
/// Anything after it is read on in the document's state when it looks
/// like RTF (an early "}"), and dropped when it is junk.
void Parser::closeDocument()
{
    if (cur().dest == Dest::FontEntry || cur().dest == Dest::FontTable)
        finishFont();
    if (m_p >= m_contentEnd) {
        m_stop = true;
        return;
    }
    if (m_p < m_lastSyntax) {
        ++m_out.report.strayCloseBraces;
        if (m_stack.size() == 2)
            m_stack[1].dest = Dest::Body;
        return;
    }
    m_out.report.trailingData = true;
    m_stop = true;
}

void Parser::control()
{
    if (m_p >= m_end)
        return; // a lone backslash at the very end
    const unsigned char c = *m_p;
    if (!isLetter(c)) {
        ++m_p;
        symbol(c);
        return;
    }
    const unsigned char* word = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const auto length = m_p - word;
    bool hasParam = false;
    long long value = 0;
    bool negative = false;
    if (m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    while (m_p < m_end && isDigit(*m_p)) {
        hasParam = true;
        if (value < 10'000'000'000LL)
            value = value * 10 + (*m_p - '0');
        ++m_p;
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    if (negative)
        value = -value;
    const int param = int(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
    const bool star = std::exchange(m_star, false);
    const rtf::Keyword keyword =
        length > maxWordLength ? rtf::Keyword{}
                               : rtf::lookupKeyword(std::string_view(
                                     reinterpret_cast<const char*>(word), std::size_t(length)));
    if (keyword.kind == Kw::Bin) {
        binary(hasParam ? param : 0);
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (star && !isDestination(keyword.kind)) {
        cur().dest = Dest::Skip;
        return;
    }
    dispatch(keyword, hasParam, param);
}

bool Parser::isDestination(Kw kind)
{
    return kind == Kw::FontTable || kind == Kw::ColorTable || kind == Kw::SkipDest ||
           kind == Kw::ContainerDest || kind == Kw::BodyDest || kind == Kw::HeaderDest;
}

void Parser::symbol(unsigned char c)
{
    m_star = false;
    if (c == '\'') {
        hexByte();
        return;
    }
    if (m_skip > 0) {
        if (c != '\r' && c != '\n')
            --m_skip;
        return;
    }
    switch (c) {
    case '*':
        m_star = m_tokenAtGroupStart;
        return;
    case '\\':
    case '{':
    case '}':
        byte(c);
        return;
    case '~':
        character(0x00A0);
        return;
    case '-':
        character(0x00AD);
        return;
    case '_':
        character(0x2011);
        return;
    case '\t':
        character(u'\t');
        return;
    case '\r':
    case '\n':
        paragraph();
        return;
    default:
        return; // \: \| and unknown symbols
    }
}

void Parser::hexByte()
{
    int value = 0;
    int digits = 0;
    while (digits < 2 && m_p < m_end) {
        const int digit = hexValue(*m_p);
        if (digit < 0)
            break;
        value = value * 16 + digit;
        ++m_p;
        ++digits;
    }
    if (digits < 2)
        ++m_out.report.invalidHex;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (digits < 2)
        return;
    byte(static_cast<unsigned char>(value));
}

void Parser::binary(int length)
{
    const auto available = m_end - m_p;
    m_p += std::clamp<std::ptrdiff_t>(length, 0, available);
    if (m_skip > 0)
        --m_skip;
}

/// Text that is not a control word or a group.
void Parser::literal()
{
    if (m_skip > 0) {
        ++m_p;
        --m_skip;
        return;
    }
    const Dest dest = cur().dest;
    if (dest == Dest::Body && !cur().ch.hidden && m_pendingLength == 0 && m_highSurrogate == 0) {
        const unsigned char* start = m_p;
        while (m_p < m_end) {
            const unsigned char c = *m_p;
            if (c < 0x20 || c >= 0x7F || c == '\\' || c == '{' || c == '}')
                break;
            ++m_p;
        }
        if (m_p > start) {
            putLatin1(start, m_p - start);
            return;
        }
    } else if (dest == Dest::Skip || dest == Dest::Container ||
               (dest == Dest::Body && cur().ch.hidden)) {
        while (m_p < m_end && *m_p != '\\' && *m_p != '{' && *m_p != '}')
            ++m_p;
        return;
    }
    const unsigned char c = *m_p++;
    if (c == '\t')
        character(u'\t');
    else if (c >= 0x20 || m_pendingLength > 0)
        byte(c);
}

void Parser::dispatch(rtf::Keyword keyword, bool hasParam, int param)
{
    if (keyword.kind <= Kw::HeaderDest)
        destination(keyword.kind);
    else if (keyword.kind <= Kw::Blue)
        documentWord(keyword.kind, hasParam, param);
    else if (keyword.kind <= Kw::Plain)
        characterWord(keyword.kind, hasParam, param);
    else
        textWord(keyword, param);
}

void Parser::destination(Kw kind)
{
    Group& g = cur();
    switch (kind) {
    case Kw::FontTable:
        setDest(Dest::FontTable);
        break;
    case Kw::ColorTable:
        setDest(Dest::ColorTable);
        m_colors.clear();
        m_colorSet = false;
        break;
    case Kw::SkipDest:
        g.dest = Dest::Skip;
        break;
    case Kw::ContainerDest:
        if (g.dest == Dest::Body || g.dest == Dest::Container)
            g.dest = Dest::Container;
        break;
    case Kw::BodyDest:
        if (g.dest == Dest::Body || g.dest == Dest::Container)
            g.dest = Dest::Body;
        break;
    case Kw::HeaderDest:
        // Shown only when the body itself is empty (a document made of its
        // header); otherwise they would interrupt the text.
        m_sawHeader = true;
        if (!m_headersAsBody)
            g.dest = Dest::Skip;
        break;
    default:
        break;
    }
}

void Parser::documentWord(Kw kind, bool hasParam, int param)
{
    switch (kind) {
    case Kw::Ansi:
        setCodePage(1252);
        break;
    case Kw::Mac:
        setCodePage(10000);
        break;
    case Kw::Pc:
        setCodePage(437);
        break;
    case Kw::Pca:
        setCodePage(850);
        break;
    case Kw::AnsiCpg:
        if (hasParam && param > 0)
            setCodePage(param);
        break;
    case Kw::DefaultFont:
        m_defaultFont = param;
        m_styleValid = false;
        m_decoderValid = false;
        break;
    case Kw::Font:
        if (cur().dest == Dest::FontTable || cur().dest == Dest::FontEntry)
            beginFont(param);
        else
            cur().ch.font = param;
        break;
    case Kw::FontCharset:
        m_font.charset = param;
        break;
    case Kw::FontCodePage:
        m_font.codePage = param;
        break;
    case Kw::Red:
        colorComponent(16, param);
        break;
    case Kw::Green:
        colorComponent(8, param);
        break;
    case Kw::Blue:
        colorComponent(0, param);
        break;
    default:
        break;
    }
}

void Parser::characterWord(Kw kind, bool hasParam, int param)
{
    CharState& ch = cur().ch;
    const bool on = !hasParam || param != 0;
    switch (kind) {
    case Kw::FontSize:
        ch.halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24;
        break;
    case Kw::Bold:
        ch.bold = on;
        break;
    case Kw::Italic:
        ch.italic = on;
        break;
    case Kw::Underline:
        ch.underline = on;
        break;
    case Kw::UnderlineNone:
        ch.underline = false;
        break;
    case Kw::Strike:
        ch.strike = on;
        break;
    case Kw::Color:
        ch.color = param;
        break;
    case Kw::Super:
        ch.vertical = on ? 1 : 0;
        break;
    case Kw::Sub:
        ch.vertical = on ? -1 : 0;
        break;
    case Kw::NoSuperSub:
        ch.vertical = 0;
        break;
    case Kw::Hidden:
        ch.hidden = on;
        break;
    case Kw::Plain:
        ch = CharState{};
        break;
    default:
        break;
    }
}

void Parser::textWord(rtf::Keyword keyword, int param)
{
    Group& g = cur();
    switch (keyword.kind) {
    case Kw::Pard:
        g.alignment = 0;
        g.inTable = false;
        break;
    case Kw::AlignLeft:
        g.alignment = 0;
        break;
    case Kw::AlignRight:
        g.alignment = 1;
        break;
    case Kw::AlignCenter:
        g.alignment = 2;
        break;
    case Kw::AlignJustify:
        g.alignment = 3;
        break;
    case Kw::InTable:
        g.inTable = true;
        break;
    case Kw::Par:
        paragraph();
        break;
    case Kw::Line:
        character(lineSeparator);
        break;
    case Kw::Tab:
        character(u'\t');
        break;
    case Kw::Cell:
    case Kw::NestCell:
    case Kw::NestRow:
        cellEnd();
        break;
    case Kw::Row:
        if (bodyVisible())
            endParagraph();
        break;
    case Kw::Break:
        if (bodyVisible() && m_out.text.size() > m_paraStart)
            endParagraph();
        break;
    case Kw::Char:
        character(keyword.character);
        break;
    case Kw::Unicode:
        unicode(param);
        break;
    case Kw::UnicodeSkip:
        g.unicodeSkip = std::max(param, 0);
        break;
    default:
        break;
    }
}

void Parser::setDest(Dest dest)
{
    if (cur().dest != Dest::Skip)
        cur().dest = dest;
}

void Parser::setCodePage(int codePage)
{
    m_codePage = codePage;
    m_decoderValid = false;
}

void Parser::finish()
{
    // The state at the cut gives the last paragraph its format.
    const std::size_t closed = m_implicitDocument ? 2 : 1;
    if (m_overflow > 0 || (m_stack.size() > closed && !m_stop))
        m_out.report.truncated = true;
    if (cur().dest == Dest::FontEntry || cur().dest == Dest::FontTable)
        finishFont();
    flushPending();
    if (m_out.text.size() > m_paraStart || m_out.paragraphs.empty())
        endParagraph();
    if (m_out.runs.empty())
        m_out.runs.push_back(RtfRun{0, m_out.paragraphs.front().markStyle});
}

} // namespace rtf

bool looksLikeRtf(QByteArrayView data)
{
    qsizetype i = rtf::utf8MarkSize(data);
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

RtfContent parseRtf(QByteArrayView data) noexcept
{
    try {
        rtf::Parser parser(data, false);
        RtfContent content = parser.run();
        if (parser.sawHeader() && !content.report.tooLarge && content.text.trimmed().isEmpty())
            return rtf::Parser(data, true).run();
        return content;
    } catch (...) {
        // Only allocation can fail here; an empty document is the answer.
        RtfContent empty;
        empty.styles.push_back(RtfRunStyle{});
        empty.paragraphs.push_back(RtfParagraph{});
        empty.runs.push_back(RtfRun{});
        empty.report.truncated = true;
        return empty;
    }
}

} // namespace platform
