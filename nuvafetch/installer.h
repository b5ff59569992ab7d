#pragma once

#include <QByteArray>
#include <QString>

namespace platform {
class HttpClient;
}

/// Where the downloaded installer is saved, or the folder that stopped it.
struct InstallerPlace {
    /// The installer's full path; empty when no folder could be written.
    QString path;
    /// With an empty path: the last folder tried, which the user is told.
    QString unwritableFolder;
};

/// The updater's folder in the user's cache: $XDG_CACHE_HOME/Nuvafetch
/// (~/.cache/Nuvafetch when the variable is unset or not absolute).
QString userCacheFolder();

/// The application directory's "update.exe" when a file can be created
/// there (a copy unpacked in the home folder); otherwise cacheFolder's, the
/// folder made private to the user (0700) first. The installer is written
/// through a temporary file beside its target, so "can be written" is
/// proved by creating one, which also holds for root on a read-only mount.
InstallerPlace placeInstaller(const QString& applicationDirectory, const QString& cacheFolder);

/// The second line of the download failure when no folder can be written.
QString unwritableFolderText(const QString& folder);

/// Where the installer's signature is: its address with ".sig" added.
QString signatureAddress(const QString& installerAddress);

/// Downloads the installer at address to path as a program (0755), an HTML
/// reply refused. With a publicKey the signature at signatureAddress() is
/// fetched first and the body is verified while it streams: a missing or
/// malformed signature, or one that does not match the body and key, raises
/// platform::Error (err::BadSignature or the transfer's own) and leaves path
/// as it was. Returns the number of bytes saved.
qint64 downloadInstaller(platform::HttpClient& inet, const QString& address, const QString& path,
                         const QByteArray& publicKey);
