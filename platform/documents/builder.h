#pragma once

#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <memory>
#include <vector>

class QTextDocument;

namespace platform::documents {

/// Builds a detached QTextDocument from the events of a reader: paragraphs
/// of formatted runs, table rows, notes and rules. The conventions are those
/// of the RTF reader, so that every format reads alike: a table row is one
/// paragraph with its cells separated by tabs (written only when text
/// follows) and a cell's paragraphs by line breaks; notes wait in a list and
/// come at the end under a rule.
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
    bool inTable() const { return m_tableDepth > 0; }

    /// Text between these goes to the notes gathered at the end of the
    /// document; notes nest into the one open.
    void beginNote();
    void endNote();
    bool inNote() const { return m_noteDepth > 0; }

    /// A paragraph that shows a horizontal line and holds no text.
    void addRule();
    /// Characters of body text so far.
    qsizetype bodyCharacters() const { return m_bodyCharacters; }
    /// The first paragraph's text (the title check of books).
    QString firstParagraphText() const;
    /// Inserts a paragraph before everything written so far.
    void prependParagraph(const QString& text, const QTextBlockFormat& block,
                          const QTextCharFormat& format);

    /// The finished document: body, then the notes under a rule.
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

    void openBlock();
    void write(const QString& text, const QTextCharFormat& format);
    void flushPending(const QTextCharFormat& format);

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    QTextBlockFormat m_block;
    bool m_blockOpen = false;      ///< a paragraph is open in the body
    bool m_paragraphBegun = false; ///< beginParagraph ran and its end has not
    bool m_firstBlock = true;      ///< the document's first block is still unused
    bool m_rowHasText = false;     ///< the open table row holds text
    bool m_cellHasText = false;    ///< the open cell holds text
    int m_pendingTabs = 0;         ///< cells ended since the last text of the row
    bool m_pendingLine = false;    ///< a paragraph ended inside a cell
    int m_tableDepth = 0;
    int m_noteDepth = 0;
    qsizetype m_bodyCharacters = 0;
    std::vector<NoteParagraph> m_notes;
};

} // namespace platform::documents
