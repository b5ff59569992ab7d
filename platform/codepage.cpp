#include "platform/codepage.h"

#include <QByteArray>
#include <QStringDecoder>

#include <map>
#include <mutex>

namespace platform {
namespace {

constexpr char16_t replacement = 0xFFFD;

/// 0x80..0x9F of Windows-1252; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

using Table = std::array<QChar, 256>;

Table table1252()
{
    Table table;
    for (int b = 0; b < 256; ++b)
        table[b] = QChar(b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b));
    return table;
}

/// The converter name ICU knows a Windows code page by.
QByteArray converterName(int codePage)
{
    switch (codePage) {
    case 932:
        return QByteArrayLiteral("windows-31j");
    case 936:
        return QByteArrayLiteral("GBK");
    case 949:
        return QByteArrayLiteral("windows-949");
    case 950:
        return QByteArrayLiteral("windows-950");
    case 10000:
        return QByteArrayLiteral("macintosh");
    case 20866:
        return QByteArrayLiteral("KOI8-R");
    case 21866:
        return QByteArrayLiteral("KOI8-U");
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28605)
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 874)
        return "windows-" + QByteArray::number(codePage);
    return "cp" + QByteArray::number(codePage);
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

std::unique_ptr<QStringDecoder> openDecoder(int codePage)
{
    if (codePage == 65001)
        return std::make_unique<QStringDecoder>(QStringConverter::Utf8,
                                                QStringConverter::Flag::Stateless);
    const QByteArray name = converterName(codePage);
    auto decoder =
        std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder->isValid())
        return nullptr;
    return decoder;
}

/// Single-byte tables are built once per process: opening a converter costs
/// far more than a whole small document.
Table singleByteTable(int codePage, QStringDecoder& decoder, bool multiByte)
{
    static std::mutex mutex;
    static std::map<std::pair<int, bool>, Table> cache;
    const std::lock_guard lock(mutex);
    const auto found = cache.find({codePage, multiByte});
    if (found != cache.end())
        return found->second;
    Table table;
    for (int b = 0; b < 0x80; ++b)
        table[b] = QChar(char16_t(b));
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        const QString text = decoder.decode(QByteArrayView(&byte, 1));
        table[b] = text.size() == 1 ? text.front() : QChar(replacement);
    }
    cache.emplace(std::pair{codePage, multiByte}, table);
    return table;
}

} // namespace

int codePageForCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return 1252; // symbol fonts: their bytes are glyph numbers
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

CodePageDecoder::CodePageDecoder(int codePage) : m_codePage(codePage)
{
    if (codePage != 1252)
        m_decoder = openDecoder(codePage);
    if (!m_decoder) {
        m_codePage = 1252;
        m_table = table1252();
        return;
    }
    m_multiByte = isDoubleByte(codePage) || codePage == 65001;
    if (codePage == 65001) {
        for (int b = 0; b < 256; ++b)
            m_table[b] = QChar(b < 0x80 ? char16_t(b) : replacement);
        return;
    }
    m_table = singleByteTable(codePage, *m_decoder, m_multiByte);
}

CodePageDecoder::~CodePageDecoder() = default;

int CodePageDecoder::sequenceLength(unsigned char lead) const
{
    if (!m_multiByte || lead < 0x80)
        return 1;
    switch (m_codePage) {
    case 932:
        return (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
    case 65001:
        if (lead >= 0xC2 && lead <= 0xDF)
            return 2;
        if (lead >= 0xE0 && lead <= 0xEF)
            return 3;
        if (lead >= 0xF0 && lead <= 0xF4)
            return 4;
        return 1;
    default:
        return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
    }
}

QString CodePageDecoder::decode(const char* bytes, int length)
{
    if (length <= 0)
        return {};
    if (!m_multiByte || !m_decoder || length == 1) {
        QString text(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            text[i] = byte(static_cast<unsigned char>(bytes[i]));
        return text;
    }
    QString text = m_decoder->decode(QByteArrayView(bytes, length));
    if (text.isEmpty())
        text = QString(QChar(replacement));
    return text;
}

QString decodeWindows1252(const char* bytes, qsizetype length)
{
    QString text(length, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

int encodeWindows1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(cp1252High.size()); ++i)
        if (cp1252High[i] == c && (c < 0x80 || c > 0x9F))
            return 0x80 + i;
    return -1;
}

} // namespace platform
