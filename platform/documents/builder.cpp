// The one place where every reader's text becomes a QTextDocument. The
// document is built detached, with undo off, as loading large files needs.
#include "platform/documents/builder.h"

#include "platform/documentlimits.h"
#include "platform/documents/errors.h"
#include "platform/documents/readprogress.h"
#include "platform/richtext/textproperties.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>

namespace platform::documents {
namespace {

using namespace Qt::StringLiterals;

constexpr char16_t lineSeparator = 0x2028;
/// A batch of events goes to the writing thread when it holds this much text.
constexpr qsizetype batchText = 64 * 1024;
/// The reader waits while this many batches wait for the writer.
constexpr std::size_t maxQueued = 8;
/// Events between two looks at the Cancel button.
constexpr qsizetype checkEvery = 1024;

/// The text as the editor may hold it: tabs and line separators stay, other
/// control characters, object marks and paragraph separators do not.
QString clean(QStringView text)
{
    const auto kept = [](char16_t c) {
        return c == u'\t' || c == lineSeparator ||
               (c >= 0x20 && c != 0xFFFE && c != 0xFFFF && c != 0xFFFC && c != 0xFEFF &&
                c != 0x2029 && (c < 0x7F || c > 0x9F));
    };
    if (std::all_of(text.begin(), text.end(), [&](QChar c) { return kept(c.unicode()); }))
        return text.toString(); // the usual case, copied at once
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (kept(c))
            out.append(ch);
        else if (c == 0x2029 || c == u'\n')
            out.append(QChar(lineSeparator));
    }
    return out;
}

/// Lower-cased letters and digits only, so that "THE  Title:" and "The title" compare alike.
QString comparable(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            out += c.toLower();
    }
    return out;
}

} // namespace

/// Writes the events into the document with a cursor, keeping the state of
/// paragraphs, table rows and notes.
class DocumentWriter {
public:
    explicit DocumentWriter(const QFont& font);
    void apply(const DocumentBuilder::Event& event);
    std::unique_ptr<QTextDocument> finish();

private:
    struct Run {
        QString text;
        QTextCharFormat format;
    };
    struct NoteParagraph {
        QTextBlockFormat block;
        std::vector<Run> runs;
    };

    void beginParagraph(const QTextBlockFormat& block);
    void addText(const QString& text, const QTextCharFormat& format);
    void endParagraph();
    void beginRow();
    void endCell();
    void endRow();
    void endTable();
    void addRule();
    void titleFirst(const QString& title, const QTextBlockFormat& block,
                    const QTextCharFormat& format);
    void openBlock();
    void write(const QString& text, const QTextCharFormat& format);
    void flushPending(const QTextCharFormat& format);

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    QTextBlockFormat m_block;
    bool m_blockOpen = false;      ///< a paragraph is open in the body
    bool m_paragraphBegun = false; ///< beginParagraph ran and its end has not
    bool m_firstBlock = true;      ///< the document's first block is still unused
    bool m_cellHasText = false;    ///< the open cell holds text
    int m_pendingTabs = 0;         ///< cells ended since the last text of the row
    bool m_pendingLine = false;    ///< a paragraph ended inside a cell
    int m_tableDepth = 0;
    int m_nestedRows = 0; ///< rows begun in the innermost nested table
    int m_noteDepth = 0;
    std::vector<NoteParagraph> m_notes;
};

DocumentWriter::DocumentWriter(const QFont& font) : m_document(std::make_unique<QTextDocument>())
{
    m_document->setUndoRedoEnabled(false);
    m_document->setDefaultFont(font);
    m_cursor = QTextCursor(m_document.get());
    m_cursor.beginEditBlock();
}

void DocumentWriter::apply(const DocumentBuilder::Event& event)
{
    using Event = DocumentBuilder::Event;
    switch (event.kind) {
    case Event::BeginParagraph:
        beginParagraph(event.blockFormat);
        break;
    case Event::AddText:
        addText(event.text, event.charFormat);
        break;
    case Event::EndParagraph:
        endParagraph();
        break;
    case Event::BeginTable:
        if (m_noteDepth == 0 && m_tableDepth == 0)
            endParagraph();
        ++m_tableDepth;
        m_nestedRows = 0;
        break;
    case Event::BeginRow:
        beginRow();
        break;
    case Event::EndCell:
        endCell();
        break;
    case Event::EndRow:
        endRow();
        break;
    case Event::EndTable:
        endTable();
        break;
    case Event::BeginNote:
        if (++m_noteDepth == 1)
            m_notes.push_back({});
        break;
    case Event::EndNote:
        m_noteDepth = std::max(0, m_noteDepth - 1);
        break;
    case Event::AddRule:
        addRule();
        break;
    case Event::TitleFirst:
        titleFirst(event.text, event.blockFormat, event.charFormat);
        break;
    }
}

void DocumentWriter::openBlock()
{
    if (m_blockOpen)
        return;
    if (m_firstBlock) {
        m_cursor.setBlockFormat(m_block);
        m_firstBlock = false;
    } else {
        m_cursor.insertBlock(m_block, QTextCharFormat());
    }
    m_blockOpen = true;
}

void DocumentWriter::beginParagraph(const QTextBlockFormat& block)
{
    if (m_noteDepth > 0) {
        m_notes.push_back({block, {}});
        return;
    }
    if (m_tableDepth > 0) {
        if (m_cellHasText)
            m_pendingLine = true;
        return;
    }
    endParagraph();
    m_block = block;
    m_paragraphBegun = true;
}

void DocumentWriter::addText(const QString& text, const QTextCharFormat& format)
{
    if (m_noteDepth > 0) {
        if (m_notes.empty())
            m_notes.push_back({});
        auto& runs = m_notes.back().runs;
        if (!runs.empty() && runs.back().format == format)
            runs.back().text += text;
        else
            runs.push_back({text, format});
        return;
    }
    write(text, format);
}

void DocumentWriter::flushPending(const QTextCharFormat& format)
{
    if (m_pendingTabs > 0)
        m_cursor.insertText(QString(m_pendingTabs, u'\t'), format);
    else if (m_pendingLine)
        m_cursor.insertText(QString(QChar(lineSeparator)), format);
    m_pendingTabs = 0;
    m_pendingLine = false;
}

void DocumentWriter::write(const QString& text, const QTextCharFormat& format)
{
    openBlock();
    if (m_tableDepth > 0) {
        flushPending(format);
        m_cellHasText = true;
    }
    m_cursor.insertText(text, format);
}

void DocumentWriter::endParagraph()
{
    if (m_noteDepth > 0 || m_tableDepth > 0)
        return;
    if (m_paragraphBegun)
        openBlock(); // an empty paragraph stays an empty line, as the source shows it
    m_paragraphBegun = false;
    m_blockOpen = false;
    m_block = QTextBlockFormat();
}

void DocumentWriter::beginRow()
{
    if (m_noteDepth > 0) {
        m_notes.push_back({});
        return;
    }
    if (m_tableDepth > 1) {
        // A nested table's rows stay in the outer cell, one a line; its
        // first row follows what the cell holds before it.
        if (m_nestedRows++ > 0 && (m_pendingTabs > 0 || m_cellHasText)) {
            m_pendingTabs = 0;
            m_pendingLine = true;
        } else if (m_cellHasText) {
            m_pendingLine = true;
        }
        return;
    }
    m_cellHasText = false;
    m_pendingTabs = 0;
    m_pendingLine = false;
    m_block = QTextBlockFormat();
}

void DocumentWriter::endCell()
{
    if (m_noteDepth > 0) {
        addText(QStringLiteral("\t"), QTextCharFormat());
        return;
    }
    if (m_tableDepth == 0)
        return;
    ++m_pendingTabs;
    m_pendingLine = false;
    m_cellHasText = false;
}

void DocumentWriter::endRow()
{
    if (m_noteDepth > 0 || m_tableDepth != 1)
        return;
    m_blockOpen = false; // the next row is a paragraph of its own
    m_cellHasText = false;
    m_pendingTabs = 0;
    m_pendingLine = false;
}

void DocumentWriter::endTable()
{
    if (m_tableDepth > 0)
        --m_tableDepth;
    if (m_tableDepth == 0 && m_noteDepth == 0) {
        m_blockOpen = false;
        m_block = QTextBlockFormat();
    }
}

void DocumentWriter::addRule()
{
    if (m_noteDepth > 0 || m_tableDepth > 0)
        return;
    endParagraph();
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 100));
    m_block = rule;
    m_paragraphBegun = true;
    endParagraph();
}

void DocumentWriter::titleFirst(const QString& title, const QTextBlockFormat& block,
                                const QTextCharFormat& format)
{
    QString first;
    for (QTextBlock b = m_document->begin(); b.isValid() && first.isEmpty(); b = b.next())
        first = comparable(b.text());
    const QString wanted = comparable(title);
    if (wanted.isEmpty() || first.startsWith(wanted))
        return;
    QTextCursor start(m_document.get());
    if (m_firstBlock) { // nothing written yet
        start.setBlockFormat(block);
        start.insertText(title, format);
        m_firstBlock = false;
        return;
    }
    start.insertBlock(start.blockFormat(), start.blockCharFormat());
    start.movePosition(QTextCursor::PreviousBlock);
    start.setBlockFormat(block);
    start.insertText(title, format);
}

std::unique_ptr<QTextDocument> DocumentWriter::finish()
{
    m_noteDepth = 0;
    m_tableDepth = 0;
    const bool anyNote = std::any_of(m_notes.begin(), m_notes.end(),
                                     [](const NoteParagraph& p) { return !p.runs.empty(); });
    if (anyNote) {
        addRule();
        for (const NoteParagraph& paragraph : m_notes) {
            if (paragraph.runs.empty())
                continue;
            beginParagraph(paragraph.block);
            for (const Run& run : paragraph.runs)
                write(run.text, run.format);
            endParagraph();
        }
    }
    m_cursor.endEditBlock();
    m_document->setUndoRedoEnabled(true);
    m_document->setModified(false);
    return std::move(m_document);
}

DocumentBuilder::DocumentBuilder(const QFont& defaultFont, const QString& fileName,
                                 ReadProgress* progress)
    : m_font(defaultFont), m_fileName(fileName), m_progress(progress),
      m_home(QThread::currentThread())
{
}

DocumentBuilder::~DocumentBuilder()
{
    if (m_thread.joinable()) { // a reader that failed: the writer stops, its document goes
        {
            const std::lock_guard lock(m_mutex);
            m_queue.clear();
            m_finished = true;
        }
        m_ready.notify_one();
        m_thread.join();
    }
}

void DocumentBuilder::report(double done, const QString& text)
{
    if (m_progress)
        m_progress->report(done, text);
}

void DocumentBuilder::record(Event event)
{
    count(event);
    m_batchText += event.text.size() + 1;
    m_batch.push_back(std::move(event));
    if (m_batchText >= batchText)
        handOver();
}

/// What the event adds to the document, against the limits; and now and
/// then, whether the user has cancelled.
void DocumentBuilder::count(const Event& event)
{
    switch (event.kind) {
    case Event::AddText:
    case Event::TitleFirst:
        m_characters += event.text.size();
        break;
    case Event::EndCell:
        ++m_cells;
        ++m_characters; // the tab that separates it from the next
        break;
    case Event::BeginParagraph:
    case Event::BeginRow:
    case Event::BeginNote:
    case Event::AddRule:
        ++m_paragraphs;
        break;
    default:
        break;
    }
    const auto refuse = [this](qsizetype limit, const char* what) {
        throw tooLargeToOpen(m_fileName,
                             u"holds "_s + limits::moreThan(limit, QString::fromLatin1(what)));
    };
    if (m_characters > limits::maxCharacters)
        refuse(limits::maxCharacters, "characters");
    if (m_paragraphs > limits::maxParagraphs)
        refuse(limits::maxParagraphs, "paragraphs");
    if (m_cells > limits::maxTableCells)
        refuse(limits::maxTableCells, "table cells");
    if (++m_events % checkEvery == 0 && m_progress)
        m_progress->check();
}

void DocumentBuilder::handOver()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { writeEvents(); });
    {
        std::unique_lock lock(m_mutex);
        m_queue.push_back(std::exchange(m_batch, {}));
        m_ready.notify_one();
        // A writer far behind: the events would pile up in memory.
        m_drained.wait(lock, [this] { return m_queue.size() < maxQueued || m_writerFailure; });
    }
    m_batchText = 0;
    rethrowWriterFailure();
}

void DocumentBuilder::rethrowWriterFailure()
{
    std::exception_ptr failure;
    {
        const std::lock_guard lock(m_mutex);
        failure = m_writerFailure;
    }
    if (failure)
        std::rethrow_exception(failure);
}

/// The writing thread: builds the document from the batches as they come,
/// then hands it to the reader's thread. Whatever it throws waits for the
/// reader, which throws it again at its next batch or at the end.
void DocumentBuilder::writeEvents()
{
    try {
        DocumentWriter writer(m_font);
        for (;;) {
            std::vector<Event> batch;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_finished; });
                if (m_queue.empty())
                    break;
                batch = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_drained.notify_one();
            for (const Event& event : batch)
                writer.apply(event);
        }
        std::unique_ptr<QTextDocument> document = writer.finish();
        document->moveToThread(m_home);
        const std::lock_guard lock(m_mutex);
        m_result = std::move(document);
    } catch (...) {
        {
            const std::lock_guard lock(m_mutex);
            m_writerFailure = std::current_exception();
            m_queue.clear();
        }
        m_drained.notify_one();
    }
}

void DocumentBuilder::beginParagraph(const QTextBlockFormat& block)
{
    record({Event::BeginParagraph, {}, {}, block});
}

void DocumentBuilder::addText(QStringView text, const QTextCharFormat& format)
{
    QString cleaned = clean(text);
    if (!cleaned.isEmpty())
        record({Event::AddText, std::move(cleaned), format, {}});
}

void DocumentBuilder::addNoteReference(QStringView mark, const QTextCharFormat& format)
{
    QTextCharFormat raised = format;
    raised.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    raised.setProperty(NoteReferenceProperty, true);
    addText(mark.trimmed(), raised);
}

void DocumentBuilder::endParagraph()
{
    record({Event::EndParagraph, {}, {}, {}});
}

void DocumentBuilder::beginTable()
{
    record({Event::BeginTable, {}, {}, {}});
}

void DocumentBuilder::beginRow()
{
    record({Event::BeginRow, {}, {}, {}});
}

void DocumentBuilder::endCell()
{
    record({Event::EndCell, {}, {}, {}});
}

void DocumentBuilder::endRow()
{
    record({Event::EndRow, {}, {}, {}});
}

void DocumentBuilder::endTable()
{
    record({Event::EndTable, {}, {}, {}});
}

void DocumentBuilder::beginNote()
{
    record({Event::BeginNote, {}, {}, {}});
}

void DocumentBuilder::endNote()
{
    record({Event::EndNote, {}, {}, {}});
}

void DocumentBuilder::addRule()
{
    record({Event::AddRule, {}, {}, {}});
}

void DocumentBuilder::addTitleFirst(const QString& title, const QTextBlockFormat& block,
                                    const QTextCharFormat& format)
{
    record({Event::TitleFirst, clean(title), format, block});
}

std::unique_ptr<QTextDocument> DocumentBuilder::finish()
{
    if (!m_thread.joinable()) { // small: written here, with no thread
        DocumentWriter writer(m_font);
        for (const Event& event : m_batch)
            writer.apply(event);
        m_batch.clear();
        return writer.finish();
    }
    handOver();
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_ready.notify_one();
    m_thread.join();
    rethrowWriterFailure();
    return std::move(m_result);
}

} // namespace platform::documents
