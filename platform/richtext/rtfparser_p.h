#pragma once

// Internal to the RTF reader: the parser's state, shared by the source that
// reads the syntax (rtfparser.cpp) and the one that builds text (rtftext.cpp).
#include "platform/codepage.h"
#include "platform/richtext/rtfkeywords.h"
#include "platform/richtext/rtfreader.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace platform::rtf {

/// Deeper nesting than this is read as if it were flat: real documents stay
/// below 40 levels, and the state stack must not grow without bound.
inline constexpr std::size_t maxDepth = 256;
inline constexpr int maxWordLength = 32;
inline constexpr char16_t replacementChar = 0xFFFD;
inline constexpr char16_t lineSeparator = 0x2028;

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
    QByteArray name;     ///< bytes not yet decoded
    QString decodedName; ///< what came before them, and \u characters
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

/// Reads one RTF document into RtfContent; used once per document.
class Parser {
public:
    Parser(QByteArrayView data, bool headersAsBody);
    bool sawHeader() const { return m_sawHeader; }
    RtfContent run();

private:
    Group& cur() { return m_stack.back(); }
    void step();

    // ---- groups -------------------------------------------------------------
    void openGroup();
    void closeGroup();

    /// The group of the document closes: normally at the end of the data.
    /// Anything after it is read on in the document's state when it looks
    /// like RTF (an early "}"), and dropped when it is junk.
    void closeDocument();

    // ---- tokens -------------------------------------------------------------
    void control();
    static bool isDestination(Kw kind);
    void symbol(unsigned char c);
    void hexByte();
    void binary(int length);

    /// Text that is not a control word or a group.
    void literal();

    // ---- control words ------------------------------------------------------
    void dispatch(rtf::Keyword keyword, bool hasParam, int param);
    void destination(Kw kind);
    void documentWord(Kw kind, bool hasParam, int param);
    void characterWord(Kw kind, bool hasParam, int param);
    void textWord(rtf::Keyword keyword, int param);
    void cellEnd();
    void setDest(Dest dest);
    void setCodePage(int codePage);
    bool bodyVisible() { return cur().dest == Dest::Body && !cur().ch.hidden; }

    // ---- font and colour tables ---------------------------------------------
    void beginFont(int number);
    void finishFont();
    void fontNameByte(unsigned char c);
    void fontNameCharacter(char16_t c);
    CodePageDecoder& fontNameDecoder();
    void colorComponent(int shift, int value);
    void colorEnd();

    // ---- text ---------------------------------------------------------------
    CodePageDecoder& decoder(int codePage);

    /// The code page of the text in the current font.
    CodePageDecoder& textDecoder();

    /// One byte of text in the current code page (escaped or literal).
    void byte(unsigned char c);
    void character(char16_t c);
    void unicode(int value);

    /// Ends an incomplete multi-byte character or a high surrogate that no
    /// low one followed.
    void flushPending();
    void putLatin1(const unsigned char* text, qsizetype length);

    /// Appends decoded characters to the body, dropping what cannot stand in
    /// a paragraph (controls, separators that would split it).
    void putRaw(const QChar* text, qsizetype length);

    /// Before text is added: pending cell separators, and a new run when the
    /// character formatting changed.
    void beginText();
    int styleFor(const CharState& ch);

    // ---- paragraphs ---------------------------------------------------------
    void paragraph();
    void endParagraph();
    void finish();

    /// A decoder that remembers the page asked for (an unknown page falls
    /// back to 1252 and must still be found under its own number).
    struct NamedDecoder : CodePageDecoder {
        explicit NamedDecoder(int page) : CodePageDecoder(page), requested(page) {}
        int requested;
    };

    // ---- state --------------------------------------------------------------
    const unsigned char* m_p;
    const unsigned char* m_end;
    const unsigned char* m_contentEnd;
    const unsigned char* m_lastSyntax;
    RtfContent m_out;
    std::vector<Group> m_stack;
    int m_overflow = 0;
    bool m_stop = false;
    bool m_implicitDocument = false;
    bool m_star = false;
    bool m_atGroupStart = false;
    bool m_tokenAtGroupStart = false;
    const bool m_headersAsBody;
    bool m_sawHeader = false;
    int m_skip = 0;
    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, FontDef> m_fonts;
    /// Where each family name stands in the document's font list.
    std::unordered_map<QString, int> m_familyIndex;
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

} // namespace platform::rtf
