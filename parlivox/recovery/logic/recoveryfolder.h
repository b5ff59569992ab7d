#pragma once

#include "parlivox/recovery/logic/snapshotrules.h"

#include <QString>

#include <memory>
#include <vector>

class QLockFile;

namespace recovery {

/// A snapshot whose instance ended without removing it. It stays locked for
/// as long as this object lives, so that no other instance offers it too.
class Orphan {
public:
    Orphan(QString folder, QString id, SnapshotInfo info, std::unique_ptr<QLockFile> lock);
    Orphan(Orphan&&) noexcept;
    Orphan& operator=(Orphan&&) noexcept;
    ~Orphan();

    const QString& id() const { return m_id; }
    const SnapshotInfo& info() const { return m_info; }
    QString snapshotPath() const;
    /// The snapshot's RTF, read only as the user's own regular file;
    /// platform::Error otherwise.
    QByteArray readSnapshot() const;
    /// Deletes its files: the user does not want these changes back.
    void discard();

private:
    friend class RecoveryFolder;
    QString m_folder;
    QString m_id;
    SnapshotInfo m_info;
    std::unique_ptr<QLockFile> m_lock;
};

/// The folder of recovery snapshots ($XDG_STATE_HOME/Parlivox/recovery): the
/// running instance's own snapshot, under a lock for as long as it runs, and
/// those of instances that ended without removing theirs. Files are private
/// to the user (folder 0700, files 0600).
class RecoveryFolder {
public:
    RecoveryFolder(QString folder, QString id);
    ~RecoveryFolder();
    RecoveryFolder(const RecoveryFolder&) = delete;
    RecoveryFolder& operator=(const RecoveryFolder&) = delete;

    const QString& folder() const { return m_folder; }
    const QString& id() const { return m_id; }
    QString snapshotPath() const;
    QString sideFilePath() const;

    /// Takes this instance's lock, making the folder (0700) if needed; false
    /// when the folder cannot be used now (a later write tries again). A
    /// folder that is not the user's own, or that others may open, is never
    /// used.
    bool claim();
    /// The folder exists but is not private to the user: nothing is kept in
    /// it nor offered from it.
    bool untrusted() const { return m_untrusted; }
    /// What status panel 2 says of such a folder.
    QString untrustedText() const;
    /// Writes the snapshot, then its side file; platform::Error when either
    /// cannot be written. A previous snapshot is replaced only once complete.
    void write(QByteArrayView rtf, const SnapshotInfo& info);
    /// Removes this instance's snapshot and side file.
    void remove();
    /// The snapshots of ended instances, newest first, each locked. One that
    /// is no snapshot at all (not RTF) is removed; one that cannot be read,
    /// or is a link or not the user's own file, is left alone. A side file's
    /// path is only a suggestion: one naming no possible document is dropped.
    std::vector<Orphan> orphans();
    /// Makes orphan's snapshot this instance's own, as the document it holds
    /// now is; false when its files could not be moved.
    bool adopt(Orphan& orphan);

private:
    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
    bool m_untrusted = false;
};

} // namespace recovery
