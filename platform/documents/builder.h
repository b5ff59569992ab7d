#pragma once

#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QTextDocument;
class QThread;

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
class DocumentBuilder {
public:
    explicit DocumentBuilder(const QFont& defaultFont);
    ~DocumentBuilder();
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    /// Ends any open paragraph and starts one in block (within a table cell:
    /// a line break within the row instead).
    void beginParagraph(const QTextBlockFormat& block = {});
    /// Appends text; control characters other than tab and line separator are dropped.
    void addText(QStringView text, const QTextCharFormat& format);
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
    void handOver();
    void writeEvents();

    QFont m_font;
    QThread* m_home;
    std::vector<Event> m_batch;
    qsizetype m_batchText = 0;
    // The writing thread, started by the first full batch.
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<Event>> m_queue;
    bool m_finished = false;
    std::unique_ptr<QTextDocument> m_result;
};

} // namespace platform::documents
