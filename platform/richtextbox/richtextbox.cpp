#include "platform/richtextbox/richtextbox.h"

#include "platform/richtext/plaintext.h"
#include "platform/richtextbox/lazyview.h"
#include "platform/ui/printer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

namespace platform {
namespace {

constexpr QChar paragraphSeparator(0x2029);
constexpr QChar lineSeparator(0x2028);

/// The format a run of text shows, with what it does not set taken from the
/// document's default font.
QFont effectiveFont(const QTextCharFormat& format, const QFont& documentFont)
{
    return format.font().resolve(documentFont);
}

/// Accumulates one formatting value over the runs of a selection; the value
/// becomes "mixed" (empty) at the first run that differs.
template <typename T> class Uniform {
public:
    void add(const T& value)
    {
        if (!m_seen) {
            m_value = value;
            m_seen = true;
        } else if (m_value && *m_value != value) {
            m_value.reset();
        }
    }
    std::optional<T> value() const { return m_value; }
    bool mixed() const { return m_seen && !m_value; }

private:
    std::optional<T> m_value;
    bool m_seen = false;
};

} // namespace

QString toCrLf(QString text)
{
    text.replace(paragraphSeparator, u'\n');
    text.replace(lineSeparator, u'\n');
    text.replace(QChar(u'\n'), QStringLiteral("\r\n")); // the one-character form is 5x faster
    return text;
}

RichTextBox::RichTextBox(QWidget* parent) : QTextEdit(parent), m_view(new LazyLayoutView(*this))
{
    m_view->install(*document());
    setAcceptRichText(false); // pasting and dropping bring plain text only
    setTabChangesFocus(false);
    connect(this, &QTextEdit::textChanged, this, &RichTextBox::Change);
    setMousePointer(rtfDefault);
}

QString RichTextBox::Text() const
{
    return toCrLf(document()->toPlainText());
}

void RichTextBox::setText(const QString& text)
{
    const QTextCharFormat typing = currentCharFormat();
    setPlainText(toLf(text));
    setCurrentCharFormat(typing);
}

qsizetype RichTextBox::TextLength() const
{
    const QTextDocument* doc = document();
    return (doc->characterCount() - 1) + (doc->blockCount() - 1);
}

int RichTextBox::SelStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelStart(int start)
{
    const int end = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(start, 0, end));
    setTextCursor(cursor);
}

int RichTextBox::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    const int end = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + std::max(length, 0), start, end),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::SelText() const
{
    return toCrLf(textCursor().selectedText());
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        cursor.insertText(toLf(text)); // the typing format at the insertion point
    } else {
        // Text typed over a selection takes the format of its first character,
        // not of its last, which is what the cursor alone would give.
        QTextCursor first(document());
        first.setPosition(cursor.selectionStart() + 1);
        cursor.insertText(toLf(text), first.charFormat());
    }
    setTextCursor(cursor);
}

SelectionFormat RichTextBox::selectionFormat() const
{
    const QFont documentFont = document()->defaultFont();
    const QTextCursor cursor = textCursor();
    Uniform<QString> name;
    Uniform<double> size;
    Uniform<bool> bold, italic, underline;
    const auto add = [&](const QTextCharFormat& format) {
        const QFont font = effectiveFont(format, documentFont);
        name.add(font.family());
        size.add(font.pointSizeF());
        bold.add(font.bold());
        italic.add(font.italic());
        underline.add(font.underline());
    };

    if (!cursor.hasSelection()) {
        add(currentCharFormat());
    } else {
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        for (QTextBlock block = document()->findBlock(start);
             block.isValid() && block.position() < end; block = block.next()) {
            bool any = false;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.position() + fragment.length() <= start)
                    continue;
                if (fragment.position() >= end)
                    break;
                add(fragment.charFormat());
                any = true;
            }
            // An empty paragraph inside the selection still has a format.
            if (!any && block.length() == 1 && block.position() >= start)
                add(block.charFormat());
            if (name.mixed() && size.mixed() && bold.mixed() && italic.mixed() && underline.mixed())
                break;
        }
    }
    return {name.value(), size.value(), bold.value(), italic.value(), underline.value()};
}

void RichTextBox::applyCharFormat(const QTextCharFormat& format)
{
    mergeCurrentCharFormat(format);
}

void RichTextBox::setSelFontName(const QString& name)
{
    if (name.isEmpty())
        return; // no font named: the current one stays
    QTextCharFormat format;
    format.setFontFamilies(QStringList{name});
    applyCharFormat(format);
}

void RichTextBox::setSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    applyCharFormat(format);
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    applyCharFormat(format);
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    applyCharFormat(format);
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    applyCharFormat(format);
}

void RichTextBox::setSelColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    applyCharFormat(format);
}

void RichTextBox::setSelAlignment(int alignment)
{
    switch (alignment) {
    case rtfLeft:
        setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case rtfRight:
        setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case rtfCenter:
        setAlignment(Qt::AlignHCenter);
        break;
    default:
        break;
    }
}

int RichTextBox::Find(const QString& text, int start, int options)
{
    if (text.isEmpty() || start < 0 || start > document()->characterCount() - 1)
        return -1;
    QTextDocument::FindFlags flags;
    if (options & rtfWholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & rtfMatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = document()->find(text, start, flags);
    if (found.isNull())
        return -1;
    setTextCursor(found);
    return found.selectionStart();
}

void RichTextBox::SelPrint(Printer& printer) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        printer.print(*document());
        return;
    }
    QTextDocument selection;
    selection.setDefaultFont(document()->defaultFont());
    QTextCursor(&selection).insertFragment(cursor.selection());
    printer.print(selection);
}

void RichTextBox::setLocked(bool locked)
{
    setReadOnly(locked);
    setMousePointer(m_mousePointer); // read-only switches reset the pointer
}

void RichTextBox::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    viewport()->setCursor(pointer == rtfArrowHourglass ? Qt::BusyCursor : Qt::IBeamCursor);
}

void RichTextBox::adoptDocument(std::unique_ptr<QTextDocument> document)
{
    // The editor deletes the document it made itself when another replaces
    // it; only an adopted one is left for us to delete.
    const QPointer<QTextDocument> old = this->document();
    document->setParent(this);
    m_view->install(*document);
    // Change fires once for the new document, whether or not the editor
    // reports the swap itself.
    bool reported = false;
    const auto probe =
        connect(this, &QTextEdit::textChanged, this, [&reported] { reported = true; });
    setDocument(document.release());
    // The typing format is the text's at the caret, as after a click: the
    // one the old document had does not carry over.
    setCurrentCharFormat(QTextCursor(this->document()).charFormat());
    disconnect(probe);
    if (old && old->parent() == this)
        old->deleteLater();
    if (!reported)
        emit Change();
}

void RichTextBox::scrollContentsBy(int dx, int dy)
{
    if (m_view->absorbing())
        return; // the view moved with its text: what it shows is unchanged
    const bool redraw = m_view->prepareScroll();
    QTextEdit::scrollContentsBy(dx, dy);
    if (redraw)
        viewport()->update();
}

void RichTextBox::resizeEvent(QResizeEvent* event)
{
    m_view->beforeResize();
    QTextEdit::resizeEvent(event);
    m_view->afterResize(event->oldSize().width() != event->size().width());
}

void RichTextBox::keyReleaseEvent(QKeyEvent* event)
{
    QTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit KeyUp();
}

void RichTextBox::mousePressEvent(QMouseEvent* event)
{
    QTextEdit::mousePressEvent(event);
    m_pressed = true;
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    emit MouseUp();
    if (m_pressed) {
        m_pressed = false;
        emit Click();
    }
}

} // namespace platform
