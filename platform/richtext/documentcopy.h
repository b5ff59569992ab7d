#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRgb>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

class QTextBlock;
class QTextCharFormat;
class QTextDocument;

namespace platform {

/// A character format reduced to what a saved document carries.
struct CharStyle {
    QString family;
    double points = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::int8_t vertical = 0;   ///< 1 superscript, -1 subscript
    std::optional<QRgb> colour; ///< none: the automatic colour
    bool operator==(const CharStyle&) const = default;
};

/// One paragraph: its text without the paragraph break, the runs of one
/// style that make it up, its mark's style (which an empty line keeps) and
/// its horizontal alignment.
struct ParagraphCopy {
    struct Run {
        int length;
        int style; ///< index into DocumentCopy::styles
        bool operator==(const Run&) const = default;
    };
    QString text;
    std::vector<Run> runs;
    int markStyle = 0;
    Qt::Alignment alignment;
    bool operator==(const ParagraphCopy&) const = default;
};

/// A document's text and formatting, copied out of its QTextDocument: plain
/// values that another thread may write while the editor goes on.
struct DocumentCopy {
    QString defaultFamily;
    std::vector<CharStyle> styles;
    std::vector<ParagraphCopy> paragraphs;
};

/// Copies a document paragraph by paragraph in steps of bounded time, so that
/// even a very large document is copied between the user's key presses.
/// Edits made between two steps are followed: a paragraph already copied is
/// copied again when it changes, so the finished copy is the document as it
/// is when the last step ends.
class DocumentCopier final : public QObject {
public:
    /// A document reports its edits once it has a layout (an editor's always
    /// has); one that has none yet is given one.
    explicit DocumentCopier(const QTextDocument& document);
    DocumentCopier(const DocumentCopier&) = delete;
    DocumentCopier& operator=(const DocumentCopier&) = delete;

    /// Copies paragraphs until budget has passed (at least one paragraph);
    /// true once the whole document is copied.
    bool step(std::chrono::nanoseconds budget);
    /// The document was deleted before the copy was finished.
    bool lost() const { return m_document.isNull(); }
    /// The finished copy; the copier is spent afterwards.
    DocumentCopy take();

private:
    friend DocumentCopy copyDocument(const QTextDocument& document);
    /// A copy made in one go, which no edit can come between.
    struct AtOnce {};
    DocumentCopier(const QTextDocument& document, AtOnce);
    void contentsChanged(int position, int removed, int added);
    ParagraphCopy copyParagraph(const QTextBlock& block);
    int styleOf(int formatIndex, const QTextCharFormat& format);
    void truncate(int paragraph, int position);

    QPointer<const QTextDocument> m_document;
    QMetaObject::Connection m_watch;
    DocumentCopy m_copy;
    QHash<int, int> m_styleOfFormat;
    /// Paragraphs [0, m_copied) are copied; m_copiedEnd is where the next begins.
    int m_copied = 0;
    int m_copiedEnd = 0;
};

/// The whole document at once.
DocumentCopy copyDocument(const QTextDocument& document);

} // namespace platform
