#include "nuvafetch/logic/descriptor.h"

#include "platform/convert.h"
#include "platform/error.h"
#include "platform/inifile.h"
#include "platform/signature.h"

#include <QStringList>

#include <iterator>

using namespace Qt::StringLiterals;

namespace {

const QString section = u"Product"_s;

QString readValue(QByteArrayView content, const QString& key, const QString& fallback)
{
    return platform::readProfileString(content, section, key, fallback, descriptorBufferSize);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

QString descriptorPathIn(const QString& applicationDirectory)
{
    return applicationDirectory + u"/Nuvafetch.inf"_s;
}

QString readProductName(QByteArrayView content)
{
    return readValue(content, u"Name"_s, u"Unknown"_s);
}

QString readProductNameFile(const QString& path)
{
    return readProductName(platform::readProfileFile(path));
}

bool isUnreadableName(const QString& name)
{
    return name.startsWith(u"Unknown"_s, Qt::CaseSensitive);
}

std::optional<QString> canonicalVersionText(QStringView value)
{
    // The 16-bit conversion would also round a fraction; a version part is a
    // whole number, so only digits pass, with at most one sign before them.
    // A negative part is read as it is: it joins into a number that no
    // server version is, and the check then ends in its error outcome.
    qsizetype first = 0;
    qsizetype last = value.size();
    while (first < last && isBlank(value[first]))
        ++first;
    while (last > first && isBlank(value[last - 1]))
        --last;
    const QStringView number = value.mid(first, last - first);
    const QStringView digits =
        number.startsWith(u'+') || number.startsWith(u'-') ? number.mid(1) : number;
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    try {
        return QString::number(platform::toInt16(number));
    } catch (const platform::Error&) {
        return std::nullopt;
    }
}

std::optional<ProductDescriptor> readDescriptor(QByteArrayView content)
{
    ProductDescriptor descriptor;
    descriptor.productName = readProductName(content);
    if (isUnreadableName(descriptor.productName))
        return std::nullopt;
    const auto major = canonicalVersionText(readValue(content, u"verMajor"_s, u"0"_s));
    const auto minor = canonicalVersionText(readValue(content, u"verMinor"_s, u"0"_s));
    const auto rev = canonicalVersionText(readValue(content, u"verRev"_s, u"0"_s));
    if (!major || !minor || !rev)
        return std::nullopt;
    descriptor.majorText = *major;
    descriptor.minorText = *minor;
    descriptor.revText = *rev;
    // A key that is there but broken must not quietly turn checking off: an
    // empty value counts as broken too. Two different defaults tell a
    // missing key from any value.
    const QString key = readValue(content, u"PublicKey"_s, u"0"_s);
    if (key == readValue(content, u"PublicKey"_s, u"1"_s)) {
        // Non-Latin-1 characters become '?', which no base64 text holds.
        const auto decoded =
            platform::decodeBase64Exactly(key.toLatin1(), platform::publicKeyBytes);
        if (!decoded)
            return std::nullopt;
        descriptor.publicKey = *decoded;
    }
    return descriptor;
}

std::optional<ProductDescriptor> readDescriptorFile(const QString& path)
{
    return readDescriptor(platform::readProfileFile(path));
}

QString criticalErrorText()
{
    const QString lines[] = {
        u"Fetchwell cannot read the NUVAFETCH.INF file for the application."_s,
        u"Please ensure that the PRODUCT.INF file is located in the application directory and is not corrupt."_s,
        QString(),
        u"Fetchwell will now exit."_s,
    };
    return QStringList(std::begin(lines), std::end(lines)).join(u"\r\n"_s);
}
