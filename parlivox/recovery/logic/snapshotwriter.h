#pragma once

#include <QObject>
#include <QThreadPool>

namespace platform {
class Error;
struct DocumentCopy;
} // namespace platform

namespace recovery {

class RecoveryFolder;
struct SnapshotInfo;

/// Writes snapshots and removes them on a thread of its own, one job at a
/// time in the order asked, so that the editor never waits for the disk.
/// Results are reported on the thread that asked.
class SnapshotWriter final : public QObject {
    Q_OBJECT

public:
    explicit SnapshotWriter(RecoveryFolder& folder, QObject* parent = nullptr);
    /// Waits for the job under way.
    ~SnapshotWriter() override;
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    /// Turns copy into RTF and writes it with its side file.
    void write(platform::DocumentCopy copy, const SnapshotInfo& info);
    /// Removes the snapshot, after any write asked before.
    void remove();
    /// Waits until every job asked so far is done.
    void wait();
    /// Jobs asked whose end has not been reported on this thread yet.
    int pending() const { return m_pending; }

signals:
    void written();
    /// description tells the user why, in a few words and the file's name.
    void failed(const QString& description);

private:
    void finished(bool ok, const QString& description);

    RecoveryFolder& m_folder;
    QThreadPool m_pool;
    int m_pending = 0;
};

} // namespace recovery
