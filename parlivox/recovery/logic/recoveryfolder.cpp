#include "parlivox/recovery/logic/recoveryfolder.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace recovery {
namespace {

/// Snapshots hold the user's text: only the user may read them.
constexpr mode_t privateFile = 0600;
/// A side file is a few hundred bytes; anything far larger is not one.
constexpr qint64 maxSideFileBytes = 64 * 1024;
/// As large as a document Parlivox opens.
constexpr qint64 maxSnapshotBytes = qint64(512) * 1024 * 1024;

std::unique_ptr<QLockFile> lockFor(const QString& folder, const QString& id)
{
    auto lock = std::make_unique<QLockFile>(folder + u'/' + lockFileName(id));
    // A lock is stale when its process is gone, never because it is old:
    // an editor may run for weeks.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

void writePrivately(const QString& path, QByteArrayView data)
{
    platform::AtomicFile file(path, privateFile);
    if (!file.write(data.data(), std::size_t(data.size())))
        throw file.error();
    file.commit();
}

/// The files of instance id: snapshot, side file, and what an interrupted
/// write left behind.
void removeFiles(const QString& folder, const QString& id)
{
    QDir dir(folder);
    dir.remove(snapshotFileName(id));
    dir.remove(sideFileName(id));
    const QStringList leftovers = dir.entryList(
        {u"."_s + id + u".*"_s, snapshotFileName(id) + u".*"_s, sideFileName(id) + u".*"_s},
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& leftover : leftovers)
        dir.remove(leftover);
}

/// The side file's record, its path kept only when it may be a document: a
/// path that names a pipe, a device or a folder is no file to save to.
std::optional<SnapshotInfo> readSideFile(const QString& path)
{
    std::optional<SnapshotInfo> info;
    try {
        info = parseSideFile(platform::readOwnFile(path, maxSideFileBytes));
    } catch (const platform::Error&) {
        return std::nullopt;
    }
    if (info && !info->path.isEmpty()) {
        const QFileInfo named(info->path);
        if (named.exists() && !named.isFile())
            info->path.clear();
    }
    return info;
}

} // namespace

// ---- orphans ----------------------------------------------------------------

Orphan::Orphan(QString folder, QString id, SnapshotInfo info, std::unique_ptr<QLockFile> lock)
    : m_folder(std::move(folder)), m_id(std::move(id)), m_info(std::move(info)),
      m_lock(std::move(lock))
{
}

Orphan::Orphan(Orphan&&) noexcept = default;
Orphan& Orphan::operator=(Orphan&&) noexcept = default;
Orphan::~Orphan() = default;

QString Orphan::snapshotPath() const
{
    return m_folder + u'/' + snapshotFileName(m_id);
}

QByteArray Orphan::readSnapshot() const
{
    return platform::readOwnFile(snapshotPath(), maxSnapshotBytes);
}

void Orphan::discard()
{
    removeFiles(m_folder, m_id);
    m_lock.reset();
}

// ---- the folder ---------------------------------------------------------------

RecoveryFolder::RecoveryFolder(QString folder, QString id)
    : m_folder(std::move(folder)), m_id(std::move(id))
{
}

RecoveryFolder::~RecoveryFolder() = default;

QString RecoveryFolder::snapshotPath() const
{
    return m_folder + u'/' + snapshotFileName(m_id);
}

QString RecoveryFolder::sideFilePath() const
{
    return m_folder + u'/' + sideFileName(m_id);
}

bool RecoveryFolder::claim()
{
    if (m_lock)
        return true;
    const QByteArray name = QFile::encodeName(m_folder);
    if (!QFileInfo::exists(m_folder) && QDir().mkpath(QFileInfo(m_folder).absolutePath()) &&
        ::mkdir(name.constData(), 0700) == 0)
        ::chmod(name.constData(), 0700); // whatever the umask
    // Another user's folder, or one others may open, is not trusted with the
    // user's text nor believed about what it holds.
    // (A file where the folder should be is reported when a write fails.)
    struct stat info {};
    m_untrusted = ::lstat(name.constData(), &info) == 0 &&
                  (S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode)) &&
                  !platform::isPrivateFolder(m_folder);
    if (m_untrusted)
        return false;
    m_lock = lockFor(m_folder, m_id);
    return m_lock != nullptr;
}

QString RecoveryFolder::untrustedText() const
{
    return u"Recovery snapshots are off: "_s + m_folder +
           u" must be a folder of yours that only you can open (0700)"_s;
}

void RecoveryFolder::write(QByteArrayView rtf, const SnapshotInfo& info)
{
    if (!claim()) {
        // Say why in the user's terms: a file where the folder should be, a
        // folder that cannot be made or written, or one that is not private.
        const QFileInfo folder(m_folder);
        if (m_untrusted)
            throw platform::Error(platform::err::PermissionDenied, untrustedText());
        if (folder.exists() && !folder.isDir())
            throw platform::fileError(ENOTDIR, m_folder);
        throw platform::fileError(EACCES, m_folder);
    }
    writePrivately(snapshotPath(), rtf);
    writePrivately(sideFilePath(), sideFileText(info));
}

void RecoveryFolder::remove()
{
    removeFiles(m_folder, m_id);
}

std::vector<Orphan> RecoveryFolder::orphans()
{
    std::vector<Orphan> found;
    if (!platform::isPrivateFolder(m_folder))
        return found;
    const QDir dir(m_folder);
    // An instance that ended before it had anything to keep left its lock
    // alone; taking it and letting it go removes it.
    for (const QString& name : dir.entryList({u"*.lock"_s}, QDir::Files)) {
        const QString id = name.chopped(5);
        if (idOfSnapshotFile(snapshotFileName(id)) && id != m_id &&
            !dir.exists(snapshotFileName(id)))
            lockFor(m_folder, id);
    }
    for (const QString& name : dir.entryList({u"*.rtf"_s}, QDir::Files)) {
        const std::optional<QString> id = idOfSnapshotFile(name);
        if (!id || *id == m_id)
            continue;
        std::unique_ptr<QLockFile> lock = lockFor(m_folder, *id);
        if (!lock)
            continue; // its instance is running
        const QString snapshot = dir.filePath(name);
        QByteArray head;
        try {
            head = platform::readOwnFile(snapshot, 5, false);
        } catch (const platform::Error&) {
            continue; // unreadable, a link, not the user's: left alone
        }
        if (head != "{\\rtf") {
            removeFiles(m_folder, *id); // holds nothing that could be given back
            continue;
        }
        // Without a readable side file the changes are still offered, as an
        // untitled document of the time the snapshot was written.
        std::optional<SnapshotInfo> info = readSideFile(dir.filePath(sideFileName(*id)));
        if (!info)
            info = SnapshotInfo{QString(), u"rtf"_s, QFileInfo(snapshot).lastModified()};
        found.emplace_back(m_folder, *id, std::move(*info), std::move(lock));
    }
    std::stable_sort(found.begin(), found.end(), [](const Orphan& a, const Orphan& b) {
        return a.info().time > b.info().time;
    });
    return found;
}

bool RecoveryFolder::adopt(Orphan& orphan)
{
    if (!claim())
        return false;
    QDir dir(m_folder);
    dir.remove(snapshotFileName(m_id));
    dir.remove(sideFileName(m_id));
    if (!dir.rename(snapshotFileName(orphan.m_id), snapshotFileName(m_id))) {
        // Left where it is, it is offered again rather than lost.
        orphan.m_lock.reset();
        return false;
    }
    dir.rename(sideFileName(orphan.m_id), sideFileName(m_id));
    orphan.discard(); // what is left of it, and its lock
    return true;
}

} // namespace recovery
