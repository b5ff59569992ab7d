#include "platform/documents/errors.h"

#include "platform/documents/ziparchive.h"

namespace platform::documents {
namespace {

QString quoted(const QString& fileName)
{
    return u'"' + fileName + u'"';
}

/// "a" or "an" before kind, as it is read aloud ("an EPUB book").
QString withArticle(const QString& kind)
{
    const bool vowel = !kind.isEmpty() && QStringLiteral("AEIOUaeiou").contains(kind.front());
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + kind;
}

} // namespace

Error notThisFormat(const QString& fileName, const QString& kind)
{
    return Error(err::BadFileFormat, QStringLiteral("Invalid file format: %1 is not %2.")
                                         .arg(quoted(fileName), withArticle(kind)));
}

Error damaged(const QString& fileName, const QString& kind, const QString& detail)
{
    return Error(err::BadFileFormat,
                 QStringLiteral("Invalid file format: the %1 %2 is damaged or incomplete (%3).")
                     .arg(kind, quoted(fileName), detail));
}

Error passwordProtected(const QString& fileName, const QString& kind)
{
    return Error(err::PermissionDenied,
                 QStringLiteral("Permission denied: the %1 %2 is protected by a password.")
                     .arg(kind, quoted(fileName)));
}

Error drmProtected(const QString& fileName, const QString& kind)
{
    return Error(err::PermissionDenied,
                 QStringLiteral("Permission denied: the %1 %2 is locked by digital rights "
                                "management (DRM).")
                     .arg(kind, quoted(fileName)));
}

Error tooLarge(const QString& fileName, const QString& kind, const QString& detail)
{
    return Error(err::BadFileFormat,
                 QStringLiteral("Invalid file format: the %1 %2 is refused as unsafe: %3.")
                     .arg(kind, quoted(fileName), detail));
}

Error tooLargeToOpen(const QString& fileName, const QString& detail)
{
    return Error(err::OutOfMemory,
                 QStringLiteral("Out of memory: the document is too large to open: %1 %2.")
                     .arg(quoted(fileName), detail));
}

QString unpackedLimitText()
{
    return QStringLiteral("it unpacks to more than %1 MB")
        .arg(ZipArchive::maxUnpackedBytes / (1024 * 1024));
}

} // namespace platform::documents
