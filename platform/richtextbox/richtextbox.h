#pragma once

#include "platform/documents/filereading.h"

#include <QColor>
#include <QTextEdit>

#include <memory>
#include <optional>

namespace platform {

class LazyLayoutView;
class Printer;

/// The formatting of the selection in one pass; a value is empty where the
/// selection is not uniform ("mixed").
struct SelectionFormat {
    std::optional<QString> fontName;
    std::optional<double> fontSize;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
};

/// The editor of the main window: a QTextEdit that offers the operations of
/// the classic rich-text box. Positions count characters from 0, one per
/// paragraph break; Text() gives paragraph breaks as CR LF.
class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    /// Find options, summed.
    static constexpr int rtfWholeWord = 2;
    static constexpr int rtfMatchCase = 4;
    /// File formats of SaveFile.
    static constexpr int rtfRTF = 0;
    static constexpr int rtfText = 1;
    /// Mouse pointers.
    static constexpr int rtfDefault = 0;
    static constexpr int rtfArrowHourglass = 13;
    /// Paragraph alignments.
    static constexpr int rtfLeft = 0;
    static constexpr int rtfRight = 1;
    static constexpr int rtfCenter = 2;

    explicit RichTextBox(QWidget* parent = nullptr);

    /// The whole text without formatting, paragraph breaks as CR LF.
    QString Text() const;
    /// Replaces the whole document with plain text (CR LF, LF or CR breaks);
    /// Change fires at once.
    void setText(const QString& text);
    /// Length of Text() without building it.
    qsizetype TextLength() const;

    int SelStart() const;
    /// Moves the insertion point; the selection collapses there.
    void setSelStart(int start);
    int SelLength() const;
    /// Extends the selection from SelStart by length characters (clamped).
    void setSelLength(int length);
    /// The selected text, paragraph breaks as CR LF.
    QString SelText() const;
    /// Replaces the selection (or inserts at the insertion point) with plain
    /// text in the formatting in force there; the insertion point follows it.
    void setSelText(const QString& text);

    /// The selection's formatting, or at the insertion point the format of the
    /// text typed next. Empty optionals mean a mixed selection.
    SelectionFormat selectionFormat() const;
    std::optional<QString> SelFontName() const { return selectionFormat().fontName; }
    std::optional<double> SelFontSize() const { return selectionFormat().fontSize; }
    std::optional<bool> SelBold() const { return selectionFormat().bold; }
    std::optional<bool> SelItalic() const { return selectionFormat().italic; }
    std::optional<bool> SelUnderline() const { return selectionFormat().underline; }
    /// Setters apply to the selection, or to the text typed next.
    void setSelFontName(const QString& name);
    void setSelFontSize(double points);
    void setSelBold(bool on);
    void setSelItalic(bool on);
    void setSelUnderline(bool on);
    void setSelColor(const QColor& color);
    /// 0 left, 1 right, 2 centre, on every paragraph the selection touches.
    void setSelAlignment(int alignment);

    /// The file last loaded; setting it loads the file (RTF when the content
    /// starts with "{\rtf", plain text otherwise). Empty means no file.
    /// A file that cannot be read raises platform::Error.
    QString FileName() const { return m_fileName; }
    /// Loads the file on this thread (readFile, then adoptFile): for the
    /// program's own files and for tests; the window opens a user's files
    /// through FileReading, off its thread. Raises when the file cannot be
    /// read or is refused; the editor then keeps its document.
    void setFileName(const QString& path);

    /// Shows a file read by readFile or FileReading; FileName and
    /// LoadedFormat follow it.
    void adoptFile(LoadedFile file);
    /// The format setFileName recognised: None for RTF and plain text.
    DocumentFormat LoadedFormat() const { return m_loadedFormat; }
    /// Writes the document atomically as RTF (0) or UTF-8 plain text (1).
    void SaveFile(const QString& path, int format) const;

    /// Searches forward from start for text; options sum rtfWholeWord and
    /// rtfMatchCase. Selects the match and returns its position, or -1.
    /// A start beyond the end finds nothing.
    int Find(const QString& text, int start, int options);

    /// Prints the selection, or the whole document when nothing is selected.
    void SelPrint(Printer& printer) const;

    /// While locked the user cannot change the text; code still can.
    bool Locked() const { return isReadOnly(); }
    void setLocked(bool locked);
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

    /// Hands a document built elsewhere (a loaded file) to the editor.
    void adoptDocument(std::unique_ptr<QTextDocument> document);

signals:
    /// The text or its formatting changed, by the user or by code.
    void Change();
    void Click();
    void KeyUp();
    void MouseUp();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyCharFormat(const QTextCharFormat& format);
    LazyLayoutView* m_view; ///< lays out only what is shown; a child object
    QString m_fileName;
    DocumentFormat m_loadedFormat = DocumentFormat::None;
    int m_mousePointer = rtfDefault;
    bool m_pressed = false;
};

/// Converts the document's paragraph and line separators to CR LF.
QString toCrLf(QString text);

} // namespace platform
