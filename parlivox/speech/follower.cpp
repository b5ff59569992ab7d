#include "parlivox/speech/follower.h"

#include "platform/speech/voice.h"
#include "platform/ui/richtextbox.h"

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

} // namespace

void ReadingFollower::start(speechtext::TextMap map)
{
    m_map = std::move(map);
    m_shown = {};
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
    if (status.InputSentenceLength <= 0 && status.InputWordLength <= 0) {
        m_editor.setExtraSelections({});
        return;
    }
    const QTextDocument& document = *m_editor.document();
    const int last = document.characterCount() - 1;
    const auto range = [this, last, &document](long begin, long length) {
        const auto [from, to] = m_map->toEditor(begin, length);
        const auto first = static_cast<int>(std::clamp<qsizetype>(from, 0, last));
        auto end = static_cast<int>(std::clamp<qsizetype>(to, first, last));
        // The engine may count a space after a replaced piece into its word.
        while (end > first && document.characterAt(end - 1).isSpace())
            --end;
        return std::pair{first, end};
    };
    const auto selection = [this](std::pair<int, int> span, const QColor& colour) {
        QTextEdit::ExtraSelection extra;
        extra.cursor = QTextCursor(m_editor.document());
        extra.cursor.setPosition(span.first);
        extra.cursor.setPosition(span.second, QTextCursor::KeepAnchor);
        extra.format.setBackground(colour);
        return extra;
    };
    QList<QTextEdit::ExtraSelection> extras;
    const auto sentence = range(status.InputSentencePosition, status.InputSentenceLength);
    if (status.InputSentenceLength > 0)
        extras.append(selection(sentence, sentenceColour));
    auto word = sentence;
    if (status.InputWordLength > 0) {
        word = range(status.InputWordPosition, status.InputWordLength);
        extras.append(selection(word, wordColour));
    }
    m_editor.setExtraSelections(extras);
    keepInView(sentence.first, word.first, word.second);
}

void ReadingFollower::keepInView(int sentenceStart, int wordStart, int wordEnd)
{
    const auto rectAt = [this](int position) {
        QTextCursor cursor(m_editor.document());
        cursor.setPosition(position);
        return m_editor.cursorRect(cursor);
    };
    const QRect view = m_editor.viewport()->rect();
    const QRect word = rectAt(wordStart).united(rectAt(wordEnd));
    if (view.contains(word))
        return;
    // The sentence's first line at the top, unless its word would then still
    // be out of sight (a sentence taller than the view).
    QScrollBar* bar = m_editor.verticalScrollBar();
    int delta = rectAt(sentenceStart).top() - viewMargin;
    if (word.bottom() - delta > view.bottom())
        delta = word.top() - viewMargin;
    bar->setValue(bar->value() + delta);
}

void ReadingFollower::stop()
{
    if (!m_map)
        return;
    m_map.reset();
    m_shown = {};
    m_editor.setExtraSelections({});
}
