#pragma once

#include <QByteArray>

class QTextDocument;

namespace platform {

struct DocumentCopy;

/// Writes a document as RTF: text, fonts, sizes, bold, italic, underline,
/// strike-out, super- and subscript, colours and paragraph alignment.
/// Characters beyond ASCII go as \uN with a Windows-1252 fallback.
QByteArray writeRtf(const QTextDocument& document);
/// The same from a copy of the document, on any thread.
QByteArray writeRtf(const DocumentCopy& copy);

} // namespace platform
