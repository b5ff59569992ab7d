#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <limits>
#include <optional>

class QLocale;

/// Recovery snapshots: copies of a document's unsaved changes that let the
/// next start give them back after a crash, a killed process or the end of
/// the desktop session.
namespace recovery {

/// What a snapshot's side file records of the document it holds.
struct SnapshotInfo {
    /// The document's file; empty for a document that has none.
    QString path;
    /// Its format record: "rtf", "txt", or the extension it was opened with.
    QString fileType = QStringLiteral("rtf");
    /// When the snapshot was taken.
    QDateTime time;
    /// The document was read from a format Save does not write (Word, PDF...):
    /// once recovered, Save still asks for a name.
    bool converted = false;
    bool operator==(const SnapshotInfo&) const = default;
};

/// The files of one running instance in the recovery folder.
QString snapshotFileName(const QString& id);
QString sideFileName(const QString& id);
QString lockFileName(const QString& id);
/// The instance whose snapshot a file name is, or nothing for any other file.
std::optional<QString> idOfSnapshotFile(const QString& fileName);
/// A name for a running instance, unique among processes (process number and
/// start time) and within one (serial).
QString newInstanceId(qint64 processId, qint64 startMsecs, int serial);

/// The side file's content, and the record read back from it (nothing when
/// it is damaged or not a side file at all).
QByteArray sideFileText(const SnapshotInfo& info);
std::optional<SnapshotInfo> parseSideFile(QByteArrayView text);

/// The question asked at start for one snapshot.
QString offerText(const SnapshotInfo& info, const QLocale& locale);

/// When snapshots are written: a few seconds after typing pauses, at most
/// once every 30 seconds, and never later than 30 seconds after the first
/// edit that no snapshot holds yet. Times are milliseconds of a steady clock.
class SnapshotSchedule {
public:
    static constexpr qint64 pauseMs = 3000;
    static constexpr qint64 intervalMs = 30000;

    /// The document was edited.
    void edited(qint64 now);
    /// A snapshot of every edit so far was taken (its writing may still run).
    void taken(qint64 now);
    /// The snapshot could not be written: it is tried again an interval later.
    void failed(qint64 now);
    /// A snapshot was written.
    void written();
    /// The changes were saved or dropped: nothing is left to write.
    void settled();
    /// When the next snapshot is due; nothing while no edit waits for one.
    std::optional<qint64> due() const;

private:
    std::optional<qint64> m_firstPending;
    qint64 m_lastEdit = 0;
    qint64 m_lastTaken = std::numeric_limits<qint64>::min() / 2;
    std::optional<qint64> m_retryAt;
};

} // namespace recovery
