#include "parlivox/speech/follower.h"

#include "platform/richtextbox/richtextbox.h"
#include "platform/speech/voice.h"

#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace {

/// Soft for the sentence, strong for the word: both light enough to read
/// any text colour through.
const QColor sentenceColour(255, 242, 191);
const QColor wordColour(255, 202, 64);

/// Pixels left above a line the view scrolls to.
constexpr int viewMargin = 4;

QRect rectAt(platform::RichTextBox& editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    return editor.cursorRect(cursor);
}

} // namespace

ReadingFollower::~ReadingFollower()
{
    QObject::disconnect(m_scrollWatch);
}

void ReadingFollower::start(const speechtext::TextMap& map, bool highlight)
{
    stop();
    m_map = &map;
    m_highlight = highlight;
    m_userScrolled = false;
    m_shown = {};
    if (!highlight)
        return;
    // Actions are what the user does to the scroll bar (dragging, clicking,
    // the wheel, the keys of the locked editor); the reading's own scrolling
    // sets the value.
    QScrollBar* bar = m_editor.verticalScrollBar();
    m_scrollWatch = QObject::connect(bar, &QAbstractSlider::actionTriggered, bar,
                                     [this] { m_userScrolled = true; });
}

std::pair<int, int> ReadingFollower::editorRange(long begin, long length) const
{
    const QTextDocument& document = *m_editor.document();
    const int last = document.characterCount() - 1;
    const auto [from, to] = m_map->toEditor(begin, length);
    auto first = static_cast<int>(std::clamp<qsizetype>(from, 0, last));
    auto end = static_cast<int>(std::clamp<qsizetype>(to, first, last));
    // The engine may count a space after a replaced piece into its word, and
    // a sentence carries the pauses of the paragraph breaks around it.
    while (end > first && document.characterAt(end - 1).isSpace())
        --end;
    while (first < end && document.characterAt(first).isSpace())
        ++first;
    return {first, end};
}

void ReadingFollower::show(const platform::ISpeechVoiceStatus& status)
{
    if (!m_map)
        return;
    const std::array<long, 4> place = {status.InputWordPosition, status.InputWordLength,
                                       status.InputSentencePosition, status.InputSentenceLength};
    if (place == m_shown)
        return; // polled every millisecond: nothing to redraw
    m_shown = place;
    if (!m_highlight)
        return;
    if (status.InputSentenceLength <= 0 && status.InputWordLength <= 0) {
        m_editor.setExtraSelections({});
        return;
    }
    const auto selection = [this](std::pair<int, int> span, const QColor& colour) {
        QTextEdit::ExtraSelection extra;
        extra.cursor = QTextCursor(m_editor.document());
        extra.cursor.setPosition(span.first);
        extra.cursor.setPosition(span.second, QTextCursor::KeepAnchor);
        extra.format.setBackground(colour);
        return extra;
    };
    QList<QTextEdit::ExtraSelection> extras;
    const auto sentence = editorRange(status.InputSentencePosition, status.InputSentenceLength);
    if (status.InputSentenceLength > 0)
        extras.append(selection(sentence, sentenceColour));
    auto word = sentence;
    if (status.InputWordLength > 0) {
        word = editorRange(status.InputWordPosition, status.InputWordLength);
        extras.append(selection(word, wordColour));
    }
    m_editor.setExtraSelections(extras);
    // Away from the reading, the view is the user's until the reading is in
    // sight again.
    if (m_userScrolled && inView(word.first, word.second))
        m_userScrolled = false;
    if (!m_userScrolled)
        keepInView(sentence.first, word.first, word.second);
}

void ReadingFollower::goBack()
{
    if (!m_map || (m_shown[1] <= 0 && m_shown[3] <= 0))
        return;
    m_userScrolled = false;
    const auto sentence = editorRange(m_shown[2], m_shown[3]);
    showAtTop(m_editor, sentence.first);
}

bool ReadingFollower::inView(int wordStart, int wordEnd) const
{
    auto& editor = m_editor;
    const QRect word = rectAt(editor, wordStart).united(rectAt(editor, wordEnd));
    return editor.viewport()->rect().contains(word);
}

void ReadingFollower::keepInView(int sentenceStart, int wordStart, int wordEnd)
{
    if (inView(wordStart, wordEnd))
        return;
    const QRect view = m_editor.viewport()->rect();
    const QRect word = rectAt(m_editor, wordStart).united(rectAt(m_editor, wordEnd));
    // The sentence's first line at the top, unless its word would then still
    // be out of sight (a sentence taller than the view).
    QScrollBar* bar = m_editor.verticalScrollBar();
    int delta = rectAt(m_editor, sentenceStart).top() - viewMargin;
    if (word.bottom() - delta > view.bottom())
        delta = word.top() - viewMargin;
    bar->setValue(bar->value() + delta);
}

void ReadingFollower::showAtTop(platform::RichTextBox& editor, int position)
{
    QScrollBar* bar = editor.verticalScrollBar();
    bar->setValue(bar->value() + rectAt(editor, position).top() - viewMargin);
}

void ReadingFollower::stop()
{
    QObject::disconnect(m_scrollWatch);
    const bool drawn = m_map && m_highlight;
    m_map = nullptr;
    m_shown = {};
    m_userScrolled = false;
    if (drawn)
        m_editor.setExtraSelections({});
}
