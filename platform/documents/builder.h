#pragma once

#include "platform/documents/recognition.h"

#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QTextDocument;
class QThread;

namespace platform {
class ReadProgress;
}

namespace platform::documents {

class DocumentWriter;

/// Builds a detached QTextDocument from the events of a reader: paragraphs
/// of formatted runs, table rows, notes and rules. The conventions are those
/// of the RTF reader, so that every format reads alike: a table row is one
/// paragraph with its cells separated by tabs (written only when text
/// follows) and a cell's paragraphs by line breaks; notes wait in a list and
/// come at the end under a rule.
///
/// The events are recorded and, once a document proves large, written into
/// the QTextDocument by a second thread while the reader goes on parsing:
/// the two halves of opening a large file then share the machine's cores.
/// The reader waits when the writer falls far behind, so that the events
/// waiting never hold much memory; a failure of the writer comes back to
/// the reader as the exception it was.
///
/// Every event counts against platform::limits: the call that would take
/// the document past one of them throws the "too large to open" refusal,
/// and once the reading is cancelled a call throws err::Cancel.
class DocumentBuilder {
public:
    /// fileName names the file in refusals; progress, when given, hears the
    /// reader's reports and tells it of a Cancel.
    DocumentBuilder(const QFont& defaultFont, const QString& fileName,
                    ReadProgress* progress = nullptr);
    ~DocumentBuilder();
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    /// Ends any open paragraph and starts one in block (within a table cell:
    /// a line break within the row instead).
    void beginParagraph(const QTextBlockFormat& block = {});
    /// Appends text; control characters other than tab and line separator are dropped.
    void addText(QStringView text, const QTextCharFormat& format);
    /// Appends a note's reference mark ("1", "*"): raised, and marked with
    /// platform::NoteReferenceProperty so that it is never read as part of
    /// the word or number before it.
    void addNoteReference(QStringView mark, const QTextCharFormat& format);
    /// Ends the paragraph; an empty one stays as an empty line (not in a table).
    void endParagraph();

    void beginTable();
    void beginRow();
    void endCell();
    void endRow();
    void endTable();

    /// Text between these goes to the notes gathered at the end of the
    /// document; notes nest into the one open.
    void beginNote();
    void endNote();

    /// A paragraph that shows a horizontal line and holds no text.
    void addRule();
    /// Puts title before everything unless the first paragraph with text
    /// already starts with it (letters and digits compared, case aside).
    void addTitleFirst(const QString& title, const QTextBlockFormat& block,
                       const QTextCharFormat& format);

    /// The finished document (of the calling thread): body, then the notes.
    std::unique_ptr<QTextDocument> finish();

    /// The reader's share done so far (0 to 1), and optionally what it is
    /// doing, for the progress window; throws err::Cancel once cancelled.
    void report(double done, const QString& text = {});
    /// The reading's progress, when it has one (for readers with threads of
    /// their own, which look at its Cancel).
    ReadProgress* progress() const { return m_progress; }
    /// The text recognition the readers of pictures and scanned pages use.
    void setRecognition(RecognitionRequest request) { m_recognition = std::move(request); }
    const RecognitionRequest& recognition() const { return m_recognition; }
    /// What recognition found, when the reader used it.
    void setRecognised(RecognitionSummary summary) { m_recognised = std::move(summary); }
    const std::optional<RecognitionSummary>& recognised() const { return m_recognised; }

    /// The recorded form of one call.
    struct Event {
        enum Kind : quint8 {
            BeginParagraph,
            AddText,
            EndParagraph,
            BeginTable,
            BeginRow,
            EndCell,
            EndRow,
            EndTable,
            BeginNote,
            EndNote,
            AddRule,
            TitleFirst
        } kind;
        QString text;
        QTextCharFormat charFormat;
        QTextBlockFormat blockFormat;
    };

private:
    void record(Event event);
    void count(const Event& event);
    void handOver();
    void writeEvents();
    void rethrowWriterFailure();

    QFont m_font;
    QString m_fileName;
    ReadProgress* m_progress;
    RecognitionRequest m_recognition;
    std::optional<RecognitionSummary> m_recognised;
    QThread* m_home;
    std::vector<Event> m_batch;
    qsizetype m_batchText = 0;
    // What the document holds so far, against the limits.
    qsizetype m_characters = 0;
    qsizetype m_paragraphs = 0;
    qsizetype m_cells = 0;
    qsizetype m_events = 0;
    // The writing thread, started by the first full batch.
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ready;   ///< a batch waits, or the reading ended
    std::condition_variable m_drained; ///< the writer took a batch, or failed
    std::deque<std::vector<Event>> m_queue;
    bool m_finished = false;
    std::exception_ptr m_writerFailure;
    std::unique_ptr<QTextDocument> m_result;
};

} // namespace platform::documents
