#pragma once

#include "platform/documents/recognition.h"
#include "platform/error.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QFont;
class QTextDocument;

namespace platform {

class ReadProgress;

/// The formats read besides Rich Text and plain text.
/// ScannedPdf: a PDF some of whose pages were recognised.
enum class DocumentFormat { None, Docx, Odt, Epub, Html, Pdf, Picture, ScannedPdf };

/// The format's name as the status bar shows it ("Word Document", ...); empty for None.
QString documentFormatName(DocumentFormat format);

/// What the bytes of a file are, judged by their content: a zip with the main
/// part of a word-processing document or a book, "%PDF-", or markup. The name
/// only decides two things: markup in a ".txt" file stays plain text, and a
/// file whose content is none of these but whose name claims one of them is
/// given that format, so that reading it refuses it clearly. Markup in a
/// ".rtf" file stays plain text too. None: the file is for the plain-text
/// and RTF readers.
DocumentFormat recogniseDocument(QByteArrayView data, const QString& fileName);

/// A document read from a file, or why it could not be.
struct DocumentRead {
    std::unique_ptr<QTextDocument> document; ///< detached; null when refused
    std::optional<Error> error;              ///< set when refused
    /// What text recognition found, when the reader used it.
    std::optional<RecognitionSummary> recognition;
};

/// Reads data as format into a detached, formatted document. Safe to call on
/// any thread (the document belongs to the calling thread); never throws and
/// never reaches the network or any file: everything comes from data. path
/// names the file in messages. The document stays within platform::limits
/// (else the refusal says it is too large to open); progress, when given,
/// hears how far the reading got, and its Cancel ends the reading with the
/// error err::Cancel. Pictures and the pages of a PDF that are pictures
/// are read through recognition when it has an engine.
DocumentRead readDocument(QByteArray data, DocumentFormat format, const QString& path,
                          const QFont& defaultFont, ReadProgress* progress = nullptr,
                          const RecognitionRequest& recognition = {});

} // namespace platform
