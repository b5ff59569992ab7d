#pragma once

#include "platform/documents/filereading.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class frmReadProgress;

namespace platform {
class RichTextBox;
class WaitCursor;
} // namespace platform

/// A file being opened for the window, read by a worker (FileReading) while
/// the window's thread goes on with its events, signals and the session's
/// end: no loop is nested. From the start the hourglass is up and the user's
/// keys and clicks do not reach the program's windows (the open document
/// cannot change under the reading); after about 300 ms the progress window
/// shows, with Cancel. The outcome goes to done once, on the window's
/// thread: the loaded file, or a refusal err::Cancel after Cancel or
/// cancel(), which leaves everything as it was.
class FileOpening final : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(platform::LoadedFile)>;
    /// How long a reading goes without its progress window.
    static constexpr int progressAfterMs = 300;

    /// Starts reading; window (the parent of this object and of the
    /// progress window) and its editor show the hourglass meanwhile.
    FileOpening(const QString& path, const QFont& defaultFont, QWidget& window,
                platform::RichTextBox& editor, Done done,
                platform::RecognitionRequest recognition = {});
    ~FileOpening() override;
    FileOpening(const FileOpening&) = delete;
    FileOpening& operator=(const FileOpening&) = delete;

    /// Stops the reading: done runs at once with err::Cancel. The worker
    /// ends on its own soon after; its document, if any, is dropped.
    void cancel();
    /// The progress window, once it shows (for tests and the screenshot).
    frmReadProgress* progressWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showProgress();
    void readingFinished();
    void end(platform::LoadedFile file);

    QWidget& m_window;
    platform::RichTextBox& m_editor;
    Done m_done;
    std::unique_ptr<platform::FileReading> m_reading;
    std::unique_ptr<platform::WaitCursor> m_busy;
    QPointer<frmReadProgress> m_progress;
    QTimer m_showTimer;
    QTimer m_pollTimer;
};
