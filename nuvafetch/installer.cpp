#include "nuvafetch/installer.h"

#include "platform/error.h"
#include "platform/inet.h"
#include "platform/signature.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString installerName = u"update.exe"_s;

/// Creates and removes a temporary file in folder, as the download will.
bool canCreateFilesIn(const QString& folder)
{
    QByteArray probe = QFile::encodeName(folder + u"/.update.exe.XXXXXX"_s);
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.constData());
    return true;
}

/// The cache folder exists as a real folder of this user, readable by no
/// one else: nobody else may swap the installer before it is started.
bool makePrivateFolder(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    const QByteArray name = QFile::encodeName(folder);
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 07777) == 0700 || ::chmod(name.constData(), 0700) == 0;
}

} // namespace

QString userCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Nuvafetch"_s;
}

InstallerPlace placeInstaller(const QString& applicationDirectory, const QString& cacheFolder)
{
    if (canCreateFilesIn(applicationDirectory))
        return {applicationDirectory + u'/' + installerName, {}};
    if (makePrivateFolder(cacheFolder) && canCreateFilesIn(cacheFolder))
        return {cacheFolder + u'/' + installerName, {}};
    return {{}, cacheFolder};
}

QString unwritableFolderText(const QString& folder)
{
    return u"Fetchwell cannot write to the folder "_s + QDir::toNativeSeparators(folder) + u'.';
}

QString signatureAddress(const QString& installerAddress)
{
    return installerAddress + u".sig"_s;
}

qint64 downloadInstaller(platform::HttpClient& inet, const QString& address, const QString& path,
                         const QByteArray& publicKey)
{
    platform::DownloadOptions options;
    options.mode = 0755;
    options.refuseHtml = true;
    if (publicKey.isEmpty())
        return inet.download(address, path, options);

    const auto signature = platform::decodeBase64Exactly(inet.OpenURL(signatureAddress(address)),
                                                         platform::signatureBytes);
    if (!signature)
        throw platform::Error(platform::err::BadSignature,
                              u"The update's signature is unreadable: "_s +
                                  signatureAddress(address));
    platform::SignatureVerifier verifier(publicKey);
    options.observe = [&](const char* data, std::size_t size) {
        verifier.update(data, size);
    };
    options.approve = [&] {
        if (!verifier.verify(*signature))
            throw platform::Error(platform::err::BadSignature,
                                  u"The update does not match its signature: "_s + address);
    };
    return inet.download(address, path, options);
}
