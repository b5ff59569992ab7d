#pragma once

#include "platform/fileio.h"

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
/// Either folder is used only when no one but the user can write it or any
/// folder above it (onlyUserCanWrite): nobody else can swap the installer.
InstallerPlace placeInstaller(const QString& applicationDirectory, const QString& cacheFolder);

/// Every folder from the root down to folder (links resolved) belongs to
/// the user or root, and none but folder's parents that are sticky (as
/// /tmp is) lets anyone else write in it; folder itself is the user's.
bool onlyUserCanWrite(const QString& folder);

/// The most an installer may take: the size the server announced (in KB)
/// with a quarter and a megabyte more, never above an absolute cap; the cap
/// alone when no size was announced.
qint64 installerSizeLimit(qint64 announcedKb);
inline constexpr qint64 installerSizeCap = qint64(1) << 30;

/// The second line of the download failure when no folder can be written.
QString unwritableFolderText(const QString& folder);

/// Where the installer's signature is: its address with ".sig" added.
QString signatureAddress(const QString& installerAddress);

/// An installer saved: its size, and the file held open since before it was
/// verified.
struct SavedInstaller {
    qint64 size = 0;
    platform::Descriptor file;
};

/// Downloads the installer at address to path as a program (0755), an HTML
/// reply or one longer than maxBytes refused. With a publicKey the signature
/// at signatureAddress() is fetched first and the body is verified while it
/// streams: a missing or malformed signature, or one that does not match the
/// body and key, raises platform::Error (err::BadSignature or the transfer's
/// own) and leaves path as it was.
SavedInstaller downloadInstaller(platform::HttpClient& inet, const QString& address,
                                 const QString& path, const QByteArray& publicKey, qint64 maxBytes);
