#pragma once

#include <QTextFormat>

// Properties of characters that the document carries beside their look.
namespace platform {

/// Set (true) on the characters of a note's reference mark ("1", "*") in
/// the text: shown raised as written, never read as part of the word or
/// number it follows.
inline constexpr int NoteReferenceProperty = QTextFormat::UserProperty + 1;

} // namespace platform
