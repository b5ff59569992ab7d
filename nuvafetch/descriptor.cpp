#include "nuvafetch/descriptor.h"

#include "platform/convert.h"
#include "platform/error.h"
#include "platform/inifile.h"

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
    // whole number, so only digits pass, with at most a plus sign before them.
    // A negative part would join into a number that is no version at all.
    qsizetype first = 0;
    qsizetype last = value.size();
    while (first < last && isBlank(value[first]))
        ++first;
    while (last > first && isBlank(value[last - 1]))
        --last;
    if (first < last && value[first] == u'+')
        ++first;
    const QStringView digits = value.mid(first, last - first);
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    try {
        return QString::number(platform::toInt16(digits));
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
