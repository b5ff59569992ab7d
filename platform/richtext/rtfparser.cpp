// The RTF reader: bytes in, paragraphs and styled runs out. One pass over the
// data with a stack of group states; nothing it meets is fatal.
#include "platform/richtext/rtfreader.h"

#include "platform/richtext/codepage.h"
#include "platform/richtext/rtfkeywords.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace platform {
namespace {

using rtf::Kw;

/// Deeper nesting than this is read as if it were flat: real documents stay
/// below 40 levels, and the state stack must not grow without bound.
constexpr std::size_t maxDepth = 256;
constexpr int maxWordLength = 32;
constexpr char16_t replacementChar = 0xFFFD;
constexpr char16_t lineSeparator = 0x2028;

enum class Dest : unsigned char { Body, Skip, Container, FontTable, FontEntry, ColorTable };

/// Character properties as the file states them (numbers, not values).
struct CharState {
    int font = -1; ///< -1: the document's default font
    int halfPoints = 24;
    int color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    std::int8_t vertical = 0;
    bool operator==(const CharState&) const = default;
};

struct Group {
    CharState ch;
    std::int8_t alignment = 0;
    bool inTable = false;
    int unicodeSkip = 1;
    Dest dest = Dest::Body;
};

struct FontDef {
    int family = -1;  ///< index into RtfContent::fonts
    int codePage = 0; ///< 0: the document's
    bool symbol = false;
};

struct PendingFont {
    int number = 0;
    int charset = -1;
    int codePage = 0;
    QByteArray name;
    bool open = false;
};

struct StyleHash {
    std::size_t operator()(const RtfRunStyle& s) const noexcept
    {
        std::size_t h = std::hash<int>()(s.font) * 31 + std::size_t(s.halfPoints);
        h = h * 31 + (s.bold | s.italic << 1 | s.underline << 2 | s.strike << 3);
        h = h * 31 + std::size_t(s.vertical + 1);
        return h * 31 + (s.hasColor ? s.color : 0x1000000u);
    }
};

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

/// Font names that carry the character set they were made for ("Arial CE").
QString withoutCharsetSuffix(QString name)
{
    static const char* const suffixes[] = {" CE",     " Cyr",      " Greek",    " Tur",
                                           " Baltic", " (Hebrew)", " (Arabic)", " (Vietnamese)"};
    for (const char* suffix : suffixes) {
        const QLatin1StringView s(suffix);
        if (name.size() > s.size() && name.endsWith(s))
            return name.chopped(s.size());
    }
    return name;
}

class Parser {
public:
    Parser(QByteArrayView data, bool headersAsBody)
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

    bool sawHeader() const { return m_sawHeader; }

    RtfContent run()
    {
        m_stack.reserve(64);
        m_stack.push_back(Group{});
        m_out.report.missingHeader = !looksLikeRtf(QByteArrayView(m_p, m_end - m_p));
        m_out.text.reserve((m_end - m_p) / 2);
        // White space and a byte-order mark before the header are not text.
        if (QByteArrayView(m_p, m_end - m_p).startsWith("\xEF\xBB\xBF"))
            m_p += 3;
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\r' || *m_p == '\n'))
            ++m_p;
        while (m_p < m_end && !m_stop)
            step();
        finish();
        return std::move(m_out);
    }

private:
    Group& cur() { return m_stack.back(); }

    void step()
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

    // ---- groups -------------------------------------------------------------

    void openGroup()
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

    void closeGroup()
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
    void closeDocument()
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

    // ---- tokens -------------------------------------------------------------

    void control()
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

    static bool isDestination(Kw kind)
    {
        return kind == Kw::FontTable || kind == Kw::ColorTable || kind == Kw::SkipDest ||
               kind == Kw::ContainerDest || kind == Kw::BodyDest || kind == Kw::HeaderDest;
    }

    void symbol(unsigned char c)
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

    void hexByte()
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

    void binary(int length)
    {
        const auto available = m_end - m_p;
        m_p += std::clamp<std::ptrdiff_t>(length, 0, available);
        if (m_skip > 0)
            --m_skip;
    }

    /// Text that is not a control word or a group.
    void literal()
    {
        if (m_skip > 0) {
            ++m_p;
            --m_skip;
            return;
        }
        const Dest dest = cur().dest;
        if (dest == Dest::Body && !cur().ch.hidden && m_pendingLength == 0 &&
            m_highSurrogate == 0) {
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

    // ---- control words ------------------------------------------------------

    void dispatch(rtf::Keyword keyword, bool hasParam, int param)
    {
        Group& g = cur();
        const bool on = !hasParam || param != 0;
        switch (keyword.kind) {
        case Kw::Unknown:
            return;
        case Kw::FontTable:
            setDest(Dest::FontTable);
            return;
        case Kw::ColorTable:
            setDest(Dest::ColorTable);
            m_colors.clear();
            m_colorSet = false;
            return;
        case Kw::SkipDest:
            g.dest = Dest::Skip;
            return;
        case Kw::ContainerDest:
            if (g.dest == Dest::Body || g.dest == Dest::Container)
                g.dest = Dest::Container;
            return;
        case Kw::BodyDest:
            if (g.dest == Dest::Body || g.dest == Dest::Container)
                g.dest = Dest::Body;
            return;
        case Kw::HeaderDest:
            // Shown only when the body itself is empty (a document made of
            // its header); otherwise they would interrupt the text.
            m_sawHeader = true;
            if (!m_headersAsBody)
                g.dest = Dest::Skip;
            return;
        case Kw::Rtf:
            return;
        case Kw::Ansi:
            setCodePage(1252);
            return;
        case Kw::Mac:
            setCodePage(10000);
            return;
        case Kw::Pc:
            setCodePage(437);
            return;
        case Kw::Pca:
            setCodePage(850);
            return;
        case Kw::AnsiCpg:
            if (hasParam && param > 0)
                setCodePage(param);
            return;
        case Kw::DefaultFont:
            m_defaultFont = param;
            m_styleValid = false;
            m_decoderValid = false;
            return;
        case Kw::Font:
            if (g.dest == Dest::FontTable || g.dest == Dest::FontEntry)
                beginFont(param);
            else
                g.ch.font = param;
            return;
        case Kw::FontCharset:
            m_font.charset = param;
            return;
        case Kw::FontCodePage:
            m_font.codePage = param;
            return;
        case Kw::Red:
            colorComponent(16, param);
            return;
        case Kw::Green:
            colorComponent(8, param);
            return;
        case Kw::Blue:
            colorComponent(0, param);
            return;
        case Kw::FontSize:
            g.ch.halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24;
            return;
        case Kw::Bold:
            g.ch.bold = on;
            return;
        case Kw::Italic:
            g.ch.italic = on;
            return;
        case Kw::Underline:
            g.ch.underline = on;
            return;
        case Kw::UnderlineNone:
            g.ch.underline = false;
            return;
        case Kw::Strike:
            g.ch.strike = on;
            return;
        case Kw::Color:
            g.ch.color = param;
            return;
        case Kw::Super:
            g.ch.vertical = on ? 1 : 0;
            return;
        case Kw::Sub:
            g.ch.vertical = on ? -1 : 0;
            return;
        case Kw::NoSuperSub:
            g.ch.vertical = 0;
            return;
        case Kw::Hidden:
            g.ch.hidden = on;
            return;
        case Kw::Plain:
            g.ch = CharState{};
            return;
        case Kw::Pard:
            g.alignment = 0;
            g.inTable = false;
            return;
        case Kw::AlignLeft:
            g.alignment = 0;
            return;
        case Kw::AlignRight:
            g.alignment = 1;
            return;
        case Kw::AlignCenter:
            g.alignment = 2;
            return;
        case Kw::AlignJustify:
            g.alignment = 3;
            return;
        case Kw::InTable:
            g.inTable = true;
            return;
        case Kw::Par:
            paragraph();
            return;
        case Kw::Line:
            character(lineSeparator);
            return;
        case Kw::Tab:
            character(u'\t');
            return;
        case Kw::Cell:
        case Kw::NestCell:
        case Kw::NestRow:
            if (bodyVisible()) {
                flushPending();
                ++m_pendingTabs;
                m_pendingLine = false;
            }
            return;
        case Kw::Row:
            if (bodyVisible())
                endParagraph();
            return;
        case Kw::Break:
            if (bodyVisible() && m_out.text.size() > m_paraStart)
                endParagraph();
            return;
        case Kw::Char:
            character(keyword.character);
            return;
        case Kw::Unicode:
            unicode(param);
            return;
        case Kw::UnicodeSkip:
            g.unicodeSkip = std::max(param, 0);
            return;
        case Kw::Bin:
            return; // handled before
        }
    }

    void setDest(Dest dest)
    {
        if (cur().dest != Dest::Skip)
            cur().dest = dest;
    }

    void setCodePage(int codePage)
    {
        m_codePage = codePage;
        m_decoderValid = false;
    }

    bool bodyVisible() { return cur().dest == Dest::Body && !cur().ch.hidden; }

    // ---- font and colour tables ---------------------------------------------

    void beginFont(int number)
    {
        finishFont();
        m_font = PendingFont{};
        m_font.number = number;
        m_font.open = true;
    }

    void finishFont()
    {
        if (!m_font.open)
            return;
        m_font.open = false;
        if (m_fonts.contains(m_font.number))
            return; // the first definition of a number wins
        FontDef def;
        def.codePage = m_font.codePage > 0 ? m_font.codePage : codePageForCharset(m_font.charset);
        def.symbol = m_font.charset == 2;
        // Names of fonts for the ANSI set are written in the document's page.
        const bool ansi = m_font.charset <= 1 && m_font.codePage <= 0;
        CodePageDecoder& names = decoder(def.codePage > 0 && !ansi ? def.codePage : m_codePage);
        QString name = names.decode(m_font.name.constData(), int(m_font.name.size())).trimmed();
        name = withoutCharsetSuffix(name);
        if (!name.isEmpty()) {
            def.family = int(m_out.fonts.indexOf(name));
            if (def.family < 0) {
                def.family = int(m_out.fonts.size());
                m_out.fonts.append(name);
            }
        }
        m_fonts.emplace(m_font.number, def);
        m_styleValid = false;
        m_decoderValid = false;
    }

    void fontNameByte(unsigned char c)
    {
        if (!m_font.open)
            return;
        if (c == ';') {
            finishFont();
            return;
        }
        if (m_font.name.size() < 256)
            m_font.name.append(char(c));
    }

    void colorComponent(int shift, int value)
    {
        if (cur().dest != Dest::ColorTable)
            return;
        m_color = (m_color & ~(0xFFu << shift)) | (unsigned(std::clamp(value, 0, 255)) << shift);
        m_colorSet = true;
    }

    void colorEnd()
    {
        m_colors.push_back(m_colorSet ? int(m_color) : -1);
        m_color = 0;
        m_colorSet = false;
        m_styleValid = false;
    }

    // ---- text ---------------------------------------------------------------

    CodePageDecoder& decoder(int codePage)
    {
        for (const auto& d : m_decoders)
            if (d->codePage() == codePage || d->requested == codePage)
                return *d;
        m_decoders.push_back(std::make_unique<NamedDecoder>(codePage));
        return *m_decoders.back();
    }

    /// The code page of the text in the current font.
    CodePageDecoder& textDecoder()
    {
        const int font = cur().ch.font < 0 ? m_defaultFont : cur().ch.font;
        if (!m_decoderValid || font != m_decoderFont) {
            const auto found = m_fonts.find(font);
            int codePage = m_codePage;
            m_decoderSymbol = false;
            if (found != m_fonts.end()) {
                if (found->second.codePage > 0)
                    codePage = found->second.codePage;
                m_decoderSymbol = found->second.symbol;
            }
            m_textDecoder = &decoder(codePage);
            m_decoderFont = font;
            m_decoderValid = true;
        }
        return *m_textDecoder;
    }

    /// One byte of text in the current code page (escaped or literal).
    void byte(unsigned char c)
    {
        switch (cur().dest) {
        case Dest::FontTable:
        case Dest::FontEntry:
            fontNameByte(c);
            return;
        case Dest::ColorTable:
            if (c == ';')
                colorEnd();
            return;
        case Dest::Body:
            break;
        default:
            return;
        }
        if (cur().ch.hidden)
            return;
        CodePageDecoder& dec = textDecoder();
        if (m_pendingLength > 0) {
            if (m_pendingDecoder == &dec) {
                m_pending[m_pendingLength++] = char(c);
                if (m_pendingLength == m_pendingNeeded) {
                    const QString text = dec.decode(m_pending, m_pendingLength);
                    m_pendingLength = 0;
                    putRaw(text.constData(), text.size());
                }
                return;
            }
            flushPending();
        }
        const int needed = dec.sequenceLength(c);
        if (needed > 1) {
            flushPending();
            m_pending[0] = char(c);
            m_pendingLength = 1;
            m_pendingNeeded = needed;
            m_pendingDecoder = &dec;
            return;
        }
        QChar ch = dec.byte(c);
        if (m_decoderSymbol && c == 0xB7)
            ch = QChar(0x2022); // the bullet of symbol fonts
        flushPending();
        putRaw(&ch, 1);
    }

    void character(char16_t c)
    {
        if (!bodyVisible())
            return;
        flushPending();
        const QChar ch(c);
        putRaw(&ch, 1);
    }

    void unicode(int value)
    {
        m_skip = cur().unicodeSkip;
        if (!bodyVisible())
            return;
        char32_t code = value < 0 ? char32_t(value + 65536) : char32_t(value);
        if (value < -32768 || code > 0x10FFFF)
            return;
        if (QChar::isLowSurrogate(code) && m_highSurrogate != 0) {
            const QChar pair[2] = {QChar(m_highSurrogate), QChar(char16_t(code))};
            m_highSurrogate = 0;
            putRaw(pair, 2);
            return;
        }
        flushPending();
        if (QChar::isHighSurrogate(code)) {
            m_highSurrogate = char16_t(code);
            return;
        }
        if (QChar::isLowSurrogate(code)) {
            ++m_out.report.unpairedSurrogates;
            code = replacementChar;
        }
        if (code > 0xFFFF) {
            const QChar pair[2] = {QChar(QChar::highSurrogate(code)),
                                   QChar(QChar::lowSurrogate(code))};
            putRaw(pair, 2);
            return;
        }
        const QChar ch{char16_t(code)};
        putRaw(&ch, 1);
    }

    /// Ends an incomplete multi-byte character or a high surrogate that no
    /// low one followed.
    void flushPending()
    {
        if (m_highSurrogate != 0) {
            m_highSurrogate = 0;
            ++m_out.report.unpairedSurrogates;
            const QChar ch(replacementChar);
            putRaw(&ch, 1);
        }
        if (m_pendingLength > 0) {
            // A lead byte with no trail: most likely a single-byte character
            // in a font that claims a double-byte set.
            const QString text = decodeWindows1252(m_pending, m_pendingLength);
            m_pendingLength = 0;
            putRaw(text.constData(), text.size());
        }
    }

    void putLatin1(const unsigned char* text, qsizetype length)
    {
        beginText();
        m_out.text.append(QLatin1StringView(reinterpret_cast<const char*>(text), length));
    }

    /// Appends decoded characters to the body, dropping what cannot stand in
    /// a paragraph (controls, separators that would split it).
    void putRaw(const QChar* text, qsizetype length)
    {
        beginText();
        for (qsizetype i = 0; i < length; ++i) {
            const char16_t c = text[i].unicode();
            if (c == u'\t' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF && c != 0x2029 &&
                               c != 0xFFFC && c != 0xFEFF && (c < 0x7F || c > 0x9F)))
                m_out.text.append(QChar(c));
            else if (c == 0x2029)
                m_out.text.append(QChar(lineSeparator));
        }
    }

    /// Before text is added: pending cell separators, and a new run when the
    /// character formatting changed.
    void beginText()
    {
        if (m_pendingTabs > 0) {
            m_out.text.append(QString(m_pendingTabs, u'\t'));
            m_pendingTabs = 0;
            m_pendingLine = false;
        } else if (m_pendingLine) {
            m_out.text.append(QChar(lineSeparator));
            m_pendingLine = false;
        }
        if (m_styleValid && cur().ch == m_styleState)
            return;
        const int style = styleFor(cur().ch);
        m_styleState = cur().ch;
        m_styleValid = true;
        auto& runs = m_out.runs;
        if (!runs.empty() && runs.back().style == style)
            return;
        if (!runs.empty() && runs.back().start == m_out.text.size())
            runs.back().style = style;
        else
            runs.push_back(RtfRun{m_out.text.size(), style});
    }

    int styleFor(const CharState& ch)
    {
        RtfRunStyle style;
        const auto font = m_fonts.find(ch.font < 0 ? m_defaultFont : ch.font);
        style.font = font == m_fonts.end() ? -1 : font->second.family;
        style.halfPoints = ch.halfPoints;
        style.bold = ch.bold;
        style.italic = ch.italic;
        style.underline = ch.underline;
        style.strike = ch.strike;
        style.vertical = ch.vertical;
        if (ch.color >= 0 && std::size_t(ch.color) < m_colors.size() && m_colors[ch.color] >= 0) {
            style.hasColor = true;
            style.color = QRgb(m_colors[ch.color]) | 0xFF000000u;
        }
        const auto [it, added] = m_styleIds.try_emplace(style, int(m_out.styles.size()));
        if (added)
            m_out.styles.push_back(style);
        return it->second;
    }

    // ---- paragraphs ---------------------------------------------------------

    void paragraph()
    {
        if (!bodyVisible())
            return;
        if (cur().inTable) {
            flushPending();
            if (m_out.text.size() > m_paraStart)
                m_pendingLine = true;
            return;
        }
        endParagraph();
    }

    void endParagraph()
    {
        flushPending();
        m_pendingTabs = 0;
        m_pendingLine = false;
        RtfParagraph para;
        para.start = m_paraStart;
        para.end = m_out.text.size();
        para.alignment = cur().alignment;
        para.markStyle = styleFor(cur().ch);
        m_out.paragraphs.push_back(para);
        m_paraStart = para.end;
    }

    void finish()
    {
        // The state at the cut gives the last paragraph its format.
        if (m_overflow > 0 || (m_stack.size() >= 2 && !m_stop))
            m_out.report.truncated = true;
        if (cur().dest == Dest::FontEntry || cur().dest == Dest::FontTable)
            finishFont();
        flushPending();
        if (m_out.text.size() > m_paraStart || m_out.paragraphs.empty())
            endParagraph();
        if (m_out.runs.empty())
            m_out.runs.push_back(RtfRun{0, m_out.paragraphs.front().markStyle});
    }

    /// A decoder that remembers the page asked for (an unknown page falls
    /// back to 1252 and must still be found under its own number).
    struct NamedDecoder : CodePageDecoder {
        explicit NamedDecoder(int page) : CodePageDecoder(page), requested(page) {}
        int requested;
    };

    const unsigned char* m_p;
    const unsigned char* m_end;
    const unsigned char* m_contentEnd;
    const unsigned char* m_lastSyntax;
    RtfContent m_out;
    std::vector<Group> m_stack;
    int m_overflow = 0;
    bool m_stop = false;
    bool m_star = false;
    bool m_atGroupStart = false;
    bool m_tokenAtGroupStart = false;
    const bool m_headersAsBody;
    bool m_sawHeader = false;
    int m_skip = 0;

    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, FontDef> m_fonts;
    PendingFont m_font;
    std::vector<int> m_colors;
    unsigned m_color = 0;
    bool m_colorSet = false;

    std::vector<std::unique_ptr<NamedDecoder>> m_decoders;
    CodePageDecoder* m_textDecoder = nullptr;
    int m_decoderFont = 0;
    bool m_decoderValid = false;
    bool m_decoderSymbol = false;
    char m_pending[4] = {};
    int m_pendingLength = 0;
    int m_pendingNeeded = 0;
    CodePageDecoder* m_pendingDecoder = nullptr;
    char16_t m_highSurrogate = 0;

    std::unordered_map<RtfRunStyle, int, StyleHash> m_styleIds;
    CharState m_styleState;
    bool m_styleValid = false;
    qsizetype m_paraStart = 0;
    int m_pendingTabs = 0;
    bool m_pendingLine = false;
};

} // namespace

bool looksLikeRtf(QByteArrayView data)
{
    qsizetype i = 0;
    if (data.startsWith("\xEF\xBB\xBF"))
        i = 3;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

RtfContent parseRtf(QByteArrayView data) noexcept
{
    try {
        Parser parser(data, false);
        RtfContent content = parser.run();
        if (parser.sawHeader() && content.text.trimmed().isEmpty())
            return Parser(data, true).run();
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
