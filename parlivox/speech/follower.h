#pragma once

#include "parlivox/speech/logic/speechtext.h"

#include <QMetaObject>

#include <array>
#include <optional>

namespace platform {
class RichTextBox;
struct ISpeechVoiceStatus;
} // namespace platform

/// Follows the reading in the editor: the sentence being heard softly
/// highlighted and its word strongly, drawn as extra selections, so that the
/// document, its formatting, its changed flag and the undo history stay as
/// they are. The sentence is kept in view: the editor scrolls only when it
/// leaves the visible area, and not at all once the user has scrolled away,
/// until the user scrolls back to it or asks to go back to the reading.
class ReadingFollower {
public:
    explicit ReadingFollower(platform::RichTextBox& editor) : m_editor(editor) {}
    ~ReadingFollower();
    ReadingFollower(const ReadingFollower&) = delete;
    ReadingFollower& operator=(const ReadingFollower&) = delete;

    /// Follows this session's reading; map (which outlives the following)
    /// takes the spoken text's offsets back to the editor. Without highlight
    /// nothing is drawn or scrolled: the place is only kept for goBack.
    void start(const speechtext::TextMap& map, bool highlight);
    /// Shows what the voice reports as heard; nothing unless started.
    void show(const platform::ISpeechVoiceStatus& status);
    /// Brings the sentence heard last into view, and follows it again.
    void goBack();
    /// Follows the reading again from where the view is (the user moved it
    /// to the sentence now read).
    void resume() { m_userScrolled = false; }
    /// Removes the highlight: the session is over.
    void stop();

    /// The editor positions of a place of the spoken text, without the white
    /// space (paragraph breaks) at its ends.
    std::pair<int, int> editorRange(long begin, long length) const;
    /// Scrolls the editor so that position's line is at the top of the view.
    static void showAtTop(platform::RichTextBox& editor, int position);

private:
    void keepInView(int sentenceStart, int wordStart, int wordEnd);
    bool inView(int wordStart, int wordEnd) const;

    platform::RichTextBox& m_editor;
    const speechtext::TextMap* m_map = nullptr;
    bool m_highlight = false;
    /// The user scrolled away from the reading: the view stays there.
    bool m_userScrolled = false;
    QMetaObject::Connection m_scrollWatch;
    /// The place shown last: word position and length, sentence position and length.
    std::array<long, 4> m_shown = {};
};
