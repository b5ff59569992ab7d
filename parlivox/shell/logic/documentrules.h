#pragma once

#include "platform/documents/documents.h"
#include "platform/error.h"

#include <QString>
#include <QStringList>

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
/// its text). A document read from another format (a Word document, a book)
/// is named by that format whatever its record.
std::optional<QString> formatPanelFor(const QString& fileType,
                                      platform::DocumentFormat loaded = {});
/// Save asks for a name (runs Save As) for a document without one, and for a
/// document opened with another extension or read from another format, which
/// has no format of its own to be written in.
bool saveNeedsName(const DocumentState& document);

/// Two paths name the same file: the same file on disk, or for files that
/// do not exist, the same absolute path. An empty path names none.
bool sameFile(const QString& a, const QString& b);

/// The extensions of the files Parlivox reads but never writes (Word,
/// OpenDocument, EPUB, web pages, PDF, pictures), lower-case and without the
/// dot: the one list every save checks.
const QStringList& readOnlyExtensions();
/// A name Save As refuses: it ends in one of readOnlyExtensions(), whatever
/// its case, so RTF or text never lands in a file another program expects
/// in its own format.
bool isReadOnlyFormatName(const QString& path);
/// The error shown for such a name.
platform::Error readOnlyFormatRefusal(const QString& path);
/// Where Save As proposes to save a document read from another format: the
/// same folder and name with extension ("rtf" or "txt") in place of its own.
QString proposedSaveName(const QString& path, const QString& extension);

} // namespace documentrules
