#include "platform/richtext/rtfwriter.h"

#include "platform/codepage.h"
#include "platform/richtext/documentcopy.h"

#include <charconv>
#include <optional>
#include <unordered_map>

namespace platform {
namespace {

/// A character format reduced to what RTF carries.
struct RunFormat {
    int font = 0;
    int halfPoints = 24;
    int color = 0; ///< index into the colour table; 0 the automatic colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0;
};

class Writer {
public:
    explicit Writer(const DocumentCopy& copy) : m_copy(copy)
    {
        m_fonts.append(copy.defaultFamily);
        m_fontIndex.emplace(copy.defaultFamily, 0);
        m_formats.resize(copy.styles.size());
    }

    QByteArray write()
    {
        // Formats first: the font and colour tables precede the text.
        qsizetype characters = 0;
        for (const ParagraphCopy& paragraph : m_copy.paragraphs) {
            for (const ParagraphCopy::Run& run : paragraph.runs)
                format(run.style);
            format(paragraph.markStyle); // an empty line's mark
            characters += paragraph.text.size() + 1;
        }
        m_out.reserve(characters * 11 / 10 + 1024);
        writeHeader();
        for (const ParagraphCopy& paragraph : m_copy.paragraphs)
            writeParagraph(paragraph);
        m_out.append("}\r\n");
        return std::move(m_out);
    }

private:
    const RunFormat& format(int styleIndex)
    {
        std::optional<RunFormat>& known = m_formats[std::size_t(styleIndex)];
        if (known)
            return *known;
        const CharStyle& style = m_copy.styles[std::size_t(styleIndex)];
        RunFormat run;
        const auto font = m_fontIndex.find(style.family);
        if (font != m_fontIndex.end()) {
            run.font = font->second;
        } else {
            run.font = int(m_fonts.size());
            m_fonts.append(style.family);
            m_fontIndex.emplace(style.family, run.font);
        }
        run.halfPoints = std::max(1, int(style.points * 2 + 0.5));
        run.bold = style.bold;
        run.italic = style.italic;
        run.underline = style.underline;
        run.strike = style.strike;
        run.vertical = style.vertical;
        if (style.colour) {
            const auto [it, added] =
                m_colorIndex.try_emplace(*style.colour, int(m_colors.size()) + 1);
            if (added)
                m_colors.push_back(*style.colour);
            run.color = it->second;
        }
        known = run;
        return *known;
    }

    void writeHeader()
    {
        m_out.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl");
        for (int i = 0; i < m_fonts.size(); ++i) {
            m_out.append("{\\f");
            number(i);
            m_out.append("\\fnil\\fcharset0 ");
            QString name = m_fonts[i];
            name.remove(u';');
            text(name);
            m_out.append(";}");
        }
        m_out.append("}\r\n{\\colortbl;");
        for (const QRgb rgb : m_colors) {
            word("red", qRed(rgb));
            word("green", qGreen(rgb));
            word("blue", qBlue(rgb));
            m_out.append(';');
        }
        m_out.append("}\r\n");
    }

    void writeParagraph(const ParagraphCopy& paragraph)
    {
        m_out.append("\\pard");
        const Qt::Alignment alignment = paragraph.alignment;
        if (alignment & Qt::AlignHCenter)
            m_out.append("\\qc");
        else if (alignment & Qt::AlignJustify)
            m_out.append("\\qj");
        else if (alignment & Qt::AlignRight)
            m_out.append("\\qr");
        else
            m_out.append("\\ql");
        m_pendingSpace = true;
        qsizetype offset = 0;
        for (const ParagraphCopy::Run& run : paragraph.runs) {
            switchTo(format(run.style));
            text(QStringView(paragraph.text).mid(offset, run.length));
            offset += run.length;
        }
        if (paragraph.runs.empty()) // an empty line keeps the size of its paragraph mark
            switchTo(format(paragraph.markStyle));
        m_out.append("\\par\r\n");
        m_pendingSpace = false;
    }

    /// Emits the control words that change the state to run.
    void switchTo(const RunFormat& run)
    {
        if (!m_started || run.font != m_state.font)
            word("f", run.font);
        if (!m_started || run.halfPoints != m_state.halfPoints)
            word("fs", run.halfPoints);
        if (!m_started || run.bold != m_state.bold)
            flag(run.bold ? "\\b" : "\\b0");
        if (!m_started || run.italic != m_state.italic)
            flag(run.italic ? "\\i" : "\\i0");
        if (!m_started || run.underline != m_state.underline)
            flag(run.underline ? "\\ul" : "\\ulnone");
        if (!m_started || run.strike != m_state.strike)
            flag(run.strike ? "\\strike" : "\\strike0");
        if (!m_started || run.vertical != m_state.vertical)
            flag(run.vertical > 0 ? "\\super" : run.vertical < 0 ? "\\sub" : "\\nosupersub");
        if (!m_started || run.color != m_state.color)
            word("cf", run.color);
        m_state = run;
        m_started = true;
    }

    /// A control symbol ends the word before it: no delimiter is owed after.
    void symbol(const char* controlSymbol)
    {
        m_out.append(controlSymbol);
        m_pendingSpace = false;
    }

    void flag(const char* controlWord)
    {
        m_out.append(controlWord);
        m_pendingSpace = true;
    }

    void word(const char* name, int value)
    {
        m_out.append('\\');
        m_out.append(name);
        number(value);
        m_pendingSpace = true;
    }

    void number(int value)
    {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        m_out.append(buffer, result.ptr - buffer);
    }

    /// A control word that ends in a letter or digit needs a delimiter
    /// before text that could continue it.
    void delimit()
    {
        if (m_pendingSpace) {
            m_out.append(' ');
            m_pendingSpace = false;
        }
    }

    void text(QStringView text)
    {
        for (const QChar qc : text) {
            const char16_t c = qc.unicode();
            if (c >= 0x20 && c < 0x7F) {
                delimit();
                if (c == '\\' || c == '{' || c == '}')
                    m_out.append('\\');
                m_out.append(char(c));
                continue;
            }
            switch (c) {
            case u'\t':
                flag("\\tab");
                continue;
            case 0x2028:
                flag("\\line");
                continue;
            case 0x00A0:
                symbol("\\~");
                continue;
            case 0x00AD:
                symbol("\\-");
                continue;
            case 0x2011:
                symbol("\\_");
                continue;
            default:
                break;
            }
            if (c < 0x20 || c == 0x7F || c == 0xFFFC || c == 0x2029)
                continue;
            m_out.append("\\u");
            number(c > 0x7FFF ? int(c) - 0x10000 : int(c));
            const int fallback = encodeWindows1252(c);
            if (fallback >= 0x80) {
                static const char hex[] = "0123456789abcdef";
                const char escaped[4] = {'\\', '\'', hex[fallback >> 4], hex[fallback & 15]};
                m_out.append(escaped, 4);
            } else {
                m_out.append('?');
            }
            m_pendingSpace = false;
        }
    }

    const DocumentCopy& m_copy;
    QStringList m_fonts;
    std::unordered_map<QString, int> m_fontIndex;
    std::vector<QRgb> m_colors;
    std::unordered_map<QRgb, int> m_colorIndex;
    /// The RTF state of each style, made when the style is first used.
    std::vector<std::optional<RunFormat>> m_formats;
    RunFormat m_state;
    bool m_started = false;
    bool m_pendingSpace = false;
    QByteArray m_out;
};

} // namespace

QByteArray writeRtf(const DocumentCopy& copy)
{
    return Writer(copy).write();
}

QByteArray writeRtf(const QTextDocument& document)
{
    return writeRtf(copyDocument(document));
}

} // namespace platform
