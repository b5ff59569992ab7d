#include "parlivox/shell/fileopening.h"

#include "parlivox/shell/frmReadProgress.h"
#include "platform/richtextbox/richtextbox.h"
#include "platform/ui/waitcursor.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWindow>

namespace {

/// Often enough for a moving bar and a page count that keeps up.
constexpr int pollMs = 100;

/// What a user does to the program, as opposed to what the program and the
/// system do (painting, timers, the window manager's close request).
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

FileOpening::FileOpening(const QString& path, const QFont& defaultFont, QWidget& window,
                         platform::RichTextBox& editor, Done done,
                         platform::RecognitionRequest recognition)
    : QObject(&window), m_window(window), m_editor(editor), m_done(std::move(done)),
      m_reading(std::make_unique<platform::FileReading>(path, defaultFont, nullptr,
                                                        std::move(recognition))),
      m_busy(std::make_unique<platform::WaitCursor>(window))
{
    // The editor keeps a pointer of its own (the text cursor): it shows the hourglass too.
    m_editor.viewport()->setCursor(Qt::WaitCursor);
    connect(m_reading.get(), &platform::FileReading::finished, this, &FileOpening::readingFinished);
    qApp->installEventFilter(this);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(progressAfterMs);
    connect(&m_showTimer, &QTimer::timeout, this, &FileOpening::showProgress);
    m_showTimer.start();
    m_pollTimer.setInterval(pollMs);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (m_progress)
            m_progress->refresh();
    });
}

FileOpening::~FileOpening()
{
    qApp->removeEventFilter(this);
    delete m_progress.data();
    // A reading still running is cancelled and waited for by its destructor.
}

frmReadProgress* FileOpening::progressWindow() const
{
    return m_progress;
}

bool FileOpening::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()))
        return false;
    // Only the progress window answers while the file is read. Input comes
    // to its window first (QWindow), then to the control under the pointer.
    if (m_progress) {
        if (watched == m_progress->windowHandle())
            return false;
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == m_progress || m_progress->isAncestorOf(widget)))
            return false;
    }
    if (event->type() == QEvent::ShortcutOverride)
        event->accept(); // taken here: no menu shortcut fires
    return true;
}

void FileOpening::showProgress()
{
    if (!m_reading)
        return;
    m_progress = new frmReadProgress(m_reading->progress(), QFileInfo(m_reading->path()).fileName(),
                                     &m_window);
    connect(m_progress, &frmReadProgress::cancelRequested, this, &FileOpening::cancel);
    m_progress->show();
    m_pollTimer.start();
}

void FileOpening::readingFinished()
{
    if (!m_reading)
        return;
    platform::LoadedFile file = m_reading->take();
    m_reading.reset();
    end(std::move(file));
}

void FileOpening::cancel()
{
    if (!m_reading)
        return;
    // The worker may sit in a long step (a large page of a PDF): the window
    // does not wait for it. It ends by itself, then its object goes.
    platform::FileReading* reading = m_reading.release();
    reading->progress().cancel();
    disconnect(reading, nullptr, this, nullptr);
    reading->setParent(&m_window);
    connect(reading, &platform::FileReading::finished, reading, &QObject::deleteLater);
    if (reading->isDone())
        reading->deleteLater();
    platform::LoadedFile cancelled;
    cancelled.path = reading->path();
    cancelled.refused = platform::cancelSelected();
    end(std::move(cancelled));
}

void FileOpening::end(platform::LoadedFile file)
{
    m_showTimer.stop();
    m_pollTimer.stop();
    qApp->removeEventFilter(this);
    if (m_progress)
        m_progress->hide();
    m_busy.reset();
    m_editor.setMousePointer(m_editor.MousePointer());
    // done may end this object's life (a deleteLater): it is the last step.
    if (Done done = std::exchange(m_done, nullptr))
        done(std::move(file));
}
