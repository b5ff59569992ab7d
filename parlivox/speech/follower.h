#pragma once

#include "parlivox/speech/speechtext.h"

#include <array>
#include <optional>

namespace platform {
class RichTextBox;
struct ISpeechVoiceStatus;
} // namespace platform

/// Follows the reading in the editor: the sentence being heard softly
/// highlighted and its word strongly, drawn as extra selections, so that the
/// document, its formatting, its changed flag, the selection and the undo
/// history stay as they are. The sentence is kept in view: the editor scrolls
/// only when it leaves the visible area.
class ReadingFollower {
public:
    explicit ReadingFollower(platform::RichTextBox& editor) : m_editor(editor) {}

    /// Follows this session's reading; map takes the spoken text's offsets
    /// back to the editor.
    void start(speechtext::TextMap map);
    /// Shows what the voice reports as heard; nothing unless started.
    void show(const platform::ISpeechVoiceStatus& status);
    /// Removes the highlight: the session is over.
    void stop();

private:
    void keepInView(int sentenceStart, int wordStart, int wordEnd);

    platform::RichTextBox& m_editor;
    std::optional<speechtext::TextMap> m_map;
    /// The place shown last: word position and length, sentence position and length.
    std::array<long, 4> m_shown = {};
};
