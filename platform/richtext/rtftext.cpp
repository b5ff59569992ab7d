// The text side of the RTF reader: font and colour tables, code pages and
// Unicode, runs of one style, paragraphs and table rows.
#include "platform/richtext/rtfparser_p.h"

#include <algorithm>

namespace platform::rtf {
namespace {

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

} // namespace

void Parser::beginFont(int number)
{
    finishFont();
    m_font = PendingFont{};
    m_font.number = number;
    m_font.open = true;
}

void Parser::finishFont()
{
    if (!m_font.open)
        return;
    m_font.open = false;
    if (m_fonts.contains(m_font.number))
        return; // the first definition of a number wins
    FontDef def;
    def.codePage = m_font.codePage > 0 ? m_font.codePage : codePageForCharset(m_font.charset);
    def.symbol = m_font.charset == 2;
    fontNameCharacter(0); // decodes the bytes still pending
    const QString name = withoutCharsetSuffix(m_font.decodedName.trimmed());
    if (!name.isEmpty()) {
        // A hash keeps a font table of many thousand entries linear to read.
        const auto [known, added] = m_familyIndex.try_emplace(name, int(m_out.fonts.size()));
        if (added)
            m_out.fonts.append(name);
        def.family = known->second;
    }
    m_fonts.emplace(m_font.number, def);
    m_styleValid = false;
    m_decoderValid = false;
}

void Parser::fontNameByte(unsigned char c)
{
    if (!m_font.open)
        return;
    if (c == ';') {
        finishFont();
        return;
    }
    if (m_font.name.size() + m_font.decodedName.size() < 256)
        m_font.name.append(char(c));
}

/// Adds a character given as \uN to the name (0 only decodes the bytes
/// before it).
void Parser::fontNameCharacter(char16_t c)
{
    if (!m_font.name.isEmpty()) {
        m_font.decodedName +=
            fontNameDecoder().decode(m_font.name.constData(), int(m_font.name.size()));
        m_font.name.clear();
    }
    if (c != 0 && m_font.decodedName.size() < 256)
        m_font.decodedName.append(QChar(c));
}

/// Names of fonts for the ANSI set are written in the document's page, the
/// others in their own.
CodePageDecoder& Parser::fontNameDecoder()
{
    const int own = m_font.codePage > 0 ? m_font.codePage : codePageForCharset(m_font.charset);
    const bool ansi = m_font.charset <= 1 && m_font.codePage <= 0;
    return decoder(own > 0 && !ansi ? own : m_codePage);
}

void Parser::colorComponent(int shift, int value)
{
    if (cur().dest != Dest::ColorTable)
        return;
    m_color = (m_color & ~(0xFFu << shift)) | (unsigned(std::clamp(value, 0, 255)) << shift);
    m_colorSet = true;
}

void Parser::colorEnd()
{
    m_colors.push_back(m_colorSet ? int(m_color) : -1);
    m_color = 0;
    m_colorSet = false;
    m_styleValid = false;
}

CodePageDecoder& Parser::decoder(int codePage)
{
    for (const auto& d : m_decoders)
        if (d->codePage() == codePage || d->requested == codePage)
            return *d;
    m_decoders.push_back(std::make_unique<NamedDecoder>(codePage));
    return *m_decoders.back();
}

/// The code page of the text in the current font.
CodePageDecoder& Parser::textDecoder()
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
void Parser::byte(unsigned char c)
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

void Parser::character(char16_t c)
{
    if (!bodyVisible())
        return;
    flushPending();
    const QChar ch(c);
    putRaw(&ch, 1);
}

void Parser::unicode(int value)
{
    m_skip = cur().unicodeSkip;
    if ((cur().dest == Dest::FontTable || cur().dest == Dest::FontEntry) && m_font.open) {
        fontNameCharacter(char16_t(value));
        return;
    }
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
        const QChar pair[2] = {QChar(QChar::highSurrogate(code)), QChar(QChar::lowSurrogate(code))};
        putRaw(pair, 2);
        return;
    }
    const QChar ch{char16_t(code)};
    putRaw(&ch, 1);
}

/// Ends an incomplete multi-byte character or a high surrogate that no
/// low one followed.
void Parser::flushPending()
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

void Parser::putLatin1(const unsigned char* text, qsizetype length)
{
    beginText();
    m_out.text.append(QLatin1StringView(reinterpret_cast<const char*>(text), length));
}

/// Appends decoded characters to the body, dropping what cannot stand in
/// a paragraph (controls, separators that would split it).
void Parser::putRaw(const QChar* text, qsizetype length)
{
    beginText();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\t' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF && c != 0x2029 && c != 0xFFFC &&
                           c != 0xFEFF && (c < 0x7F || c > 0x9F)))
            m_out.text.append(QChar(c));
        else if (c == 0x2029)
            m_out.text.append(QChar(lineSeparator));
    }
}

/// Before text is added: pending cell separators, and a new run when the
/// character formatting changed.
void Parser::beginText()
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

int Parser::styleFor(const CharState& ch)
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

void Parser::paragraph()
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

/// Cells become tabs, written only once text follows, so that a row does
/// not end with one.
void Parser::cellEnd()
{
    if (!bodyVisible())
        return;
    flushPending();
    ++m_pendingTabs;
    m_pendingLine = false;
}

void Parser::endParagraph()
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

} // namespace platform::rtf
