#include "nuvafetch/logic/updatecheck.h"

#include "platform/convert.h"

#include "generated/buildinfo.h"

#include <QUrl>

using namespace Qt::StringLiterals;

QString versionLabel()
{
    return u"Fetchwell version "_s +
           platform::versionText(updaterMajor, updaterMinor, updaterRevision);
}

QString updateServerBase()
{
    QString base = qEnvironmentVariable("NUVAFETCH_SERVER");
    if (base.trimmed().isEmpty())
        base = QString::fromUtf8(NUVAFETCH_SERVER_DEFAULT);
    base = base.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

QString extraCertificateFile()
{
    return qEnvironmentVariable("NUVAFETCH_CA_FILE").trimmed();
}

QString encodeProductName(const QString& name)
{
    // "." and ".." would be taken as path steps by the client and server.
    if (!name.isEmpty() && name.count(u'.') == name.size())
        return QString(name.size(), u'.').replace(u"."_s, u"%2E"_s);
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

namespace {
QString productFolder(const QString& base, const QString& encodedName)
{
    return base + u"/product/"_s + encodedName;
}
} // namespace

// The name is lower-cased before it is encoded, so that escapes keep their
// upper-case hexadecimal digits.
QString versionAddress(const QString& base, const QString& productName)
{
    return productFolder(base.toLower(), encodeProductName(productName.toLower())) +
           u"/version.txt"_s;
}

QString sizeAddress(const QString& base, const QString& productName)
{
    return productFolder(base.toLower(), encodeProductName(productName.toLower())) + u"/size.txt"_s;
}

QString installerAddress(const QString& base, const QString& productName)
{
    return productFolder(base, encodeProductName(productName.toLower())) + u"/update.exe"_s;
}

std::int32_t localVersionNumber(const QString& majorText, const QString& minorText,
                                const QString& revText)
{
    const QString joined = majorText + minorText + revText;
    return platform::toInt32(joined);
}

CheckOutcome compareVersions(std::int32_t local, std::int32_t remote)
{
    return local < remote ? CheckOutcome::UpdateAvailable : CheckOutcome::NoUpdate;
}

QString updateAvailableText(const QString& sizeText)
{
    return u"Update available ("_s + sizeText + u"Kb). Press Next to download the update."_s;
}
