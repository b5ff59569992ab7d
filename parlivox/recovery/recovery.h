#pragma once

#include "parlivox/recovery/logic/recoveryfolder.h"
#include "parlivox/recovery/logic/snapshotrules.h"
#include "parlivox/recovery/logic/snapshotwriter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace platform {
class DocumentCopier;
}

class AppState;
class EditorWindow;
struct EditorServices;

/// Keeps the open document's unsaved changes in a recovery snapshot, so that
/// a crash, a killed process or the end of the desktop session loses at most
/// the last seconds of typing; at start, offers the snapshots that ended
/// instances left behind. The document is copied on the user-interface thread
/// in short steps and written on a thread of its own: typing never waits.
class Recovery final : public QObject {
public:
    /// Snapshots live in folder; this instance holds its own under a lock.
    Recovery(EditorWindow& window, EditorServices& services, AppState& state,
             const QString& folder);
    /// A normal end removes the snapshot; one kept for the end stays.
    ~Recovery() override;
    Recovery(const Recovery&) = delete;
    Recovery& operator=(const Recovery&) = delete;

    /// At start: asks about each snapshot of an ended instance, newest first,
    /// until one is taken back; No deletes it. The one taken back is loaded
    /// into the editor and its record returned; those not asked about stay
    /// for the next start.
    std::optional<recovery::SnapshotInfo> offerRecovery();
    /// The changes were saved or dropped: the snapshot goes.
    void settled();
    /// The program ends without asking (a termination signal, a session end
    /// that allows no questions): an edited document is written at once and
    /// kept for the next start. An edit afterwards undoes this.
    void keepForEnd();
    /// True after keepForEnd while the document holds unsaved changes.
    bool keptForEnd() const { return m_keep; }
    /// Takes a snapshot now instead of when the schedule says.
    void snapshotNow();
    /// A snapshot is being copied or written.
    bool busy() const;

private:
    void edited();
    void scheduleNext();
    void due();
    void copyStep();
    void writeFailed(const QString& description);
    void written();
    bool recover(recovery::Orphan& orphan);
    recovery::SnapshotInfo currentInfo() const;
    qint64 now() const { return m_clock.elapsed(); }

    EditorWindow& m_window;
    EditorServices& m_services;
    AppState& m_state;
    recovery::RecoveryFolder m_folder;
    recovery::SnapshotWriter m_writer;
    recovery::SnapshotSchedule m_schedule;
    QElapsedTimer m_clock;
    QTimer m_dueTimer;
    QTimer m_stepTimer;
    std::unique_ptr<platform::DocumentCopier> m_copier;
    bool m_keep = false;
    bool m_ending = false;
    bool m_problemShown = false;
};
