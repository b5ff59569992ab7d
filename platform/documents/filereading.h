#pragma once

#include "platform/documents/documents.h"
#include "platform/documents/readprogress.h"
#include "platform/error.h"

#include <QFont>
#include <QObject>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>

class QTextDocument;
class QThread;

namespace platform {

/// A file read and built, not yet in the editor.
struct LoadedFile {
    QString path;
    /// The format recognised: None for Rich Text Format and plain text.
    DocumentFormat format = DocumentFormat::None;
    /// Detached, of the thread that asked for it; null unless read.
    std::unique_ptr<QTextDocument> document;
    /// Set when the file is not a document Parlivox opens (not what it
    /// claims, damaged, locked, too large, not a regular file) or when its
    /// reading was cancelled (err::Cancel): the open document stays as it was.
    std::optional<Error> refused;
    /// Set when the file cannot be read at all (missing, no permission).
    std::optional<Error> unreadable;
    /// What text recognition found, when the file needed it.
    std::optional<RecognitionSummary> recognition;
};

/// Reads path into a detached document of the calling thread: Rich Text
/// Format and plain text as ever, and Word, OpenDocument, EPUB, web-page
/// and PDF files, recognised by content. Anything that is not a regular
/// file (a named pipe, a device) is refused at once, and no document grows
/// beyond platform::limits. Never throws; reports to progress when given.
LoadedFile readFile(const QString& path, const QFont& defaultFont, ReadProgress* progress = nullptr,
                    const RecognitionRequest& recognition = {});

/// The one way the window reads a file: readFile on a worker thread, the
/// window's thread free meanwhile. finished() comes on the thread that
/// made this object, which then take()s the file with its document moved
/// to that thread. Every failure of the worker arrives as the file's
/// refusal; nothing is thrown across threads.
class FileReading final : public QObject {
    Q_OBJECT

public:
    /// Starts reading path at once; pictures and scanned pages are read
    /// through recognition when it has an engine.
    FileReading(const QString& path, const QFont& defaultFont, QObject* parent = nullptr,
                RecognitionRequest recognition = {});
    /// Cancels a reading still running and waits for its thread.
    ~FileReading() override;
    FileReading(const FileReading&) = delete;
    FileReading& operator=(const FileReading&) = delete;

    const QString& path() const { return m_path; }
    /// The worker's progress; cancel() there stops it.
    ReadProgress& progress() { return m_progress; }
    /// True once the worker has ended (finished() is then on its way).
    bool isDone() const;
    /// After finished(): the file read (once; later calls give an empty one).
    LoadedFile take();

signals:
    void finished();

private:
    void run();

    QString m_path;
    QFont m_font;
    RecognitionRequest m_recognition;
    QThread* m_home;
    ReadProgress m_progress;
    mutable std::mutex m_mutex;
    bool m_done = false;
    LoadedFile m_file;
    std::unique_ptr<QThread> m_thread;
};

} // namespace platform
