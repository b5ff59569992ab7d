#include "parlivox/recovery/recoveryfolder.h"

#include "platform/error.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>

using namespace Qt::StringLiterals;

namespace recovery {
namespace {

/// Snapshots hold the user's text: only the user may read them.
constexpr mode_t privateFile = 0600;

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
    const QStringList leftovers =
        dir.entryList({u"."_s + id + u".*"_s}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& leftover : leftovers)
        dir.remove(leftover);
}

bool looksLikeSnapshot(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(5) == "{\\rtf";
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
    if (!QDir().mkpath(m_folder))
        return false;
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_lock = lockFor(m_folder, m_id);
    return m_lock != nullptr;
}

void RecoveryFolder::write(QByteArrayView rtf, const SnapshotInfo& info)
{
    if (!claim()) {
        // Say why in the user's terms: a file where the folder should be, a
        // folder that cannot be made or written.
        const QFileInfo folder(m_folder);
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
        if (!QFileInfo(snapshot).isReadable())
            continue;
        if (!looksLikeSnapshot(snapshot)) {
            removeFiles(m_folder, *id); // holds nothing that could be given back
            continue;
        }
        // Without a readable side file the changes are still offered, as an
        // untitled document of the time the snapshot was written.
        QFile side(dir.filePath(sideFileName(*id)));
        std::optional<SnapshotInfo> info;
        if (side.open(QIODevice::ReadOnly))
            info = parseSideFile(side.read(64 * 1024 + 1));
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
