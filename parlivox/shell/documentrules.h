#pragma once

#include <QString>

#include <optional>

struct DocumentState;

/// The rules of the open document's record, without a window.
namespace documentrules {

/// "Parlivox - [path]", the caption of a named document.
QString captionFor(const QString& path);
/// The format record of an opened path: its last three characters, lower-cased.
QString fileTypeOf(const QString& path);
/// What status panel 1 says for a format record: "Rich Text Format" for
/// "rtf", "Plain Text Format" for "txt", nothing for others (the panel keeps
/// its text).
std::optional<QString> formatPanelFor(const QString& fileType);
/// Save asks for a name (runs Save As) for a document without one, and for a
/// document opened with another extension, which has no format of its own to
/// be written in.
bool saveNeedsName(const DocumentState& document);

} // namespace documentrules
