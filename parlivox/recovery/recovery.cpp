#include "parlivox/recovery/recovery.h"

#include "parlivox/common/editorwindow.h"
#include "parlivox/common/logic/appstate.h"
#include "parlivox/common/logic/services.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/richtext/documentcopy.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/messagebox.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// How long one step of copying the document may hold the user-interface
/// thread: well under what a person notices between two key presses.
constexpr std::chrono::milliseconds copyStepBudget{8};

QString newId()
{
    static int serial = 0;
    return recovery::newInstanceId(QCoreApplication::applicationPid(),
                                   QDateTime::currentMSecsSinceEpoch(), ++serial);
}

} // namespace

Recovery::Recovery(EditorWindow& window, EditorServices& services, AppState& state,
                   const QString& folder)
    : m_window(window), m_services(services), m_state(state), m_folder(folder, newId()),
      m_writer(m_folder)
{
    m_clock.start();
    // This instance is running from now on: no other start offers its snapshot.
    m_folder.claim();
    m_dueTimer.setSingleShot(true);
    connect(&m_dueTimer, &QTimer::timeout, this, &Recovery::due);
    connect(&m_stepTimer, &QTimer::timeout, this, &Recovery::copyStep);
    connect(&m_window.editor(), &platform::RichTextBox::Change, this, &Recovery::edited);
    connect(&m_writer, &recovery::SnapshotWriter::written, this, &Recovery::written);
    connect(&m_writer, &recovery::SnapshotWriter::failed, this, &Recovery::writeFailed);
}

Recovery::~Recovery()
{
    m_copier.reset();
    if (!m_keep)
        m_writer.remove();
    m_writer.wait();
}

// ---- writing ------------------------------------------------------------------

void Recovery::edited()
{
    m_keep = false;
    m_schedule.edited(now());
    scheduleNext();
}

void Recovery::scheduleNext()
{
    const std::optional<qint64> when = m_schedule.due();
    if (!when || m_copier) {
        m_dueTimer.stop();
        return;
    }
    m_dueTimer.start(int(std::clamp<qint64>(*when - now(), 0, 24 * 3600 * 1000)));
}

void Recovery::due()
{
    if (m_copier)
        return;
    if (!m_state.document.blnChanged) {
        // Emptied, saved or just loaded: nothing to keep.
        m_schedule.settled();
        return;
    }
    m_copier = std::make_unique<platform::DocumentCopier>(*m_window.editor().document());
    m_stepTimer.start(0);
}

void Recovery::snapshotNow()
{
    m_dueTimer.stop();
    due();
}

void Recovery::copyStep()
{
    if (m_copier->lost()) {
        // Another document took the editor's place; its own edits ask again.
        m_stepTimer.stop();
        m_copier.reset();
        scheduleNext();
        return;
    }
    if (!m_copier->step(copyStepBudget))
        return;
    m_stepTimer.stop();
    platform::DocumentCopy copy = m_copier->take();
    m_copier.reset();
    m_schedule.taken(now());
    m_writer.write(std::move(copy), currentInfo());
    scheduleNext();
}

void Recovery::written()
{
    m_schedule.written();
    if (m_problemShown) {
        m_problemShown = false;
        m_window.setStatusText(QString());
    }
}

void Recovery::writeFailed(const QString& description)
{
    // Tried again later; said once, where it does not interrupt the typing.
    m_schedule.failed(now());
    if (!m_problemShown) {
        m_problemShown = true;
        m_window.setStatusText(u"Recovery snapshot not written: "_s + description);
    }
    scheduleNext();
}

bool Recovery::busy() const
{
    return m_copier || m_writer.pending() > 0;
}

recovery::SnapshotInfo Recovery::currentInfo() const
{
    const DocumentState& document = m_state.document;
    // A path the document cannot be saved under (a failed open, a declined
    // overwrite) is not its file.
    return {document.blnNamed ? document.strFileName : QString(), document.strFileType,
            m_services.clock.now(), document.blnConverted};
}

void Recovery::settled()
{
    m_stepTimer.stop();
    m_copier.reset();
    m_dueTimer.stop();
    m_schedule.settled();
    m_keep = false;
    m_writer.remove();
}

void Recovery::keepForEnd()
{
    m_ending = true;
    m_dueTimer.stop();
    m_stepTimer.stop();
    m_copier.reset();
    m_keep = m_state.document.blnChanged;
    m_writer.wait(); // the disk is this thread's alone from here
    if (!m_keep) {
        m_folder.remove();
        return;
    }
    try {
        m_folder.write(platform::writeRtf(*m_window.editor().document()), currentInfo());
    } catch (const platform::Error&) {
        // The program is ending: the last snapshot written, if any, stays.
    }
}

// ---- at start -------------------------------------------------------------------

std::optional<recovery::SnapshotInfo> Recovery::offerRecovery()
{
    if (m_folder.untrusted()) {
        // Said once, where it does not interrupt; the writes that fail later
        // say nothing more.
        m_problemShown = true;
        m_window.setStatusText(m_folder.untrustedText());
        return std::nullopt;
    }
    std::vector<recovery::Orphan> orphans = m_folder.orphans();
    for (recovery::Orphan& orphan : orphans) {
        // The question comes over the window it concerns.
        m_window.widget().show();
        const auto answer = m_services.messageBox.show(
            recovery::offerText(orphan.info(), QLocale()), u"Recover Changes?"_s,
            platform::MsgButtons::YesNo, platform::MsgIcon::Question);
        if (m_ending)
            return std::nullopt; // ended while asking: every snapshot stays
        if (answer != platform::MsgResult::Yes) {
            orphan.discard();
            continue;
        }
        if (recover(orphan))
            return orphan.info();
    }
    return std::nullopt;
}

bool Recovery::recover(recovery::Orphan& orphan)
{
    platform::RichTextBox& editor = m_window.editor();
    try {
        const QByteArray rtf = orphan.readSnapshot();
        editor.adoptDocument(
            platform::buildDocument(platform::parseRtf(rtf), editor.document()->defaultFont()));
    } catch (const platform::Error& error) {
        platform::showFailure(m_services.messageBox, error);
        return false;
    }
    // The snapshot is not the document's file: Save never writes there.
    editor.setFileName(QString());
    m_writer.wait(); // the folder is this thread's alone while the files move
    m_folder.adopt(orphan);
    return true;
}
