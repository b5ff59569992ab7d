// The character set of a web page as browsers settle it: the byte-order
// mark, then the page's own declaration, then its content. A declaration
// the bytes contradict (UTF-8 declared, other bytes written) is not believed.
#include "platform/documents/readers.h"

#include "platform/codepage.h"
#include "platform/textdecode.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

namespace platform::documents {
namespace {

bool isValidUtf8(QByteArrayView data)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(data); // the decoder works when its result is taken
    return !utf8.hasError();
}

/// The charset a page declares in its first kilobyte: <meta charset>,
/// <meta http-equiv ... charset=> or an XML declaration's encoding.
QByteArray declaredCharset(QByteArrayView data)
{
    const QString head = QString::fromLatin1(data.first(std::min<qsizetype>(data.size(), 1024)));
    static const QRegularExpression meta(
        QStringLiteral("<meta[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_:.()-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression xml(
        QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([A-Za-z0-9_:.()-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = meta.match(head);
    if (!match.hasMatch())
        match = xml.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

/// Decodes with ICU's converter of that name; empty name or unknown: none.
std::optional<QString> decodeAs(QByteArrayView data, const char* charset)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(charset, &status);
    if (U_FAILURE(status) || !converter)
        return std::nullopt;
    const std::unique_ptr<UConverter, void (*)(UConverter*)> guard(converter, ucnv_close);
    QString text(data.size() * 2 + 1, Qt::Uninitialized);
    const int32_t length =
        ucnv_toUChars(converter, reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                      data.data(), int32_t(data.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.truncate(length);
    return text;
}

/// What the bytes look like to ICU's detector, markup left aside.
QByteArray detectCharset(QByteArrayView data)
{
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector* detector = ucsdet_open(&status);
    if (U_FAILURE(status))
        return {};
    const std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector*)> guard(detector,
                                                                               ucsdet_close);
    ucsdet_enableInputFilter(detector, true);
    ucsdet_setText(detector, data.data(), int32_t(std::min<qsizetype>(data.size(), 1 << 20)),
                   &status);
    const UCharsetMatch* match = ucsdet_detect(detector, &status);
    if (U_FAILURE(status) || !match)
        return {};
    const char* name = ucsdet_getName(match, &status);
    return U_SUCCESS(status) && name ? QByteArray(name) : QByteArray();
}

QString decodeLegacy(QByteArrayView data, QByteArray charset)
{
    // Browsers read the Latin-1 labels as Windows-1252, and so do we.
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii" ||
        charset == "ascii" || charset.isEmpty())
        charset = "windows-1252";
    if (charset == "windows-1252" || charset == "cp1252")
        return decodeWindows1252(data.data(), data.size());
    if (const auto text = decodeAs(data, charset.constData()))
        return *text;
    return decodeWindows1252(data.data(), data.size());
}

} // namespace

QString decodeHtml(const QByteArray& data)
{
    const QByteArrayView bytes(data);
    if (std::optional<QString> text = decodeByByteOrderMark(bytes))
        return *std::move(text);
    const QByteArray declared = declaredCharset(bytes);
    const bool utf8 = isValidUtf8(bytes);
    if (declared == "utf-8" || declared == "utf8" || declared.startsWith("utf-16")) {
        // A page read as bytes cannot really be UTF-16: browsers take UTF-8.
        if (utf8)
            return QString::fromUtf8(bytes);
    } else if (!declared.isEmpty()) {
        return decodeLegacy(bytes, declared);
    } else if (utf8) {
        return QString::fromUtf8(bytes);
    }
    // No declaration to trust: the content decides.
    QByteArray detected = detectCharset(bytes).toLower();
    if (detected.startsWith("utf-8"))
        detected = "windows-1252"; // not valid UTF-8 after all
    if (detected == "iso-8859-6")
        detected = "windows-1256"; // the detector's name for Arabic pages from Windows
    return decodeLegacy(bytes, detected);
}

} // namespace platform::documents
