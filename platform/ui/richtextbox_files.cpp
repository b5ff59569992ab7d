#include "platform/ui/richtextbox.h"

#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/richtext/plaintext.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"

#include <QTextDocument>

// Loading and saving files: the document is read whole, built detached and
// then handed to the editor; saves replace the file only once complete.
namespace platform {
namespace {

std::unique_ptr<QTextDocument> plainDocument(const QString& text, const QFont& font)
{
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font);
    document->setPlainText(text);
    document->setUndoRedoEnabled(true);
    document->setModified(false);
    return document;
}

} // namespace

void RichTextBox::setFileName(const QString& path)
{
    if (path.isEmpty()) {
        m_fileName.clear();
        m_loadedFormat = DocumentFormat::None;
        return;
    }
    const QByteArray data = readWholeFile(path); // raises before anything changes
    const QFont font = document()->defaultFont();
    std::unique_ptr<QTextDocument> loaded;
    DocumentFormat format = DocumentFormat::None;
    if (looksLikeRtf(data)) {
        loaded = buildDocument(parseRtf(data), font);
    } else if (format = recogniseDocument(data, path); format != DocumentFormat::None) {
        DocumentRead read = readDocumentInBackground(data, format, path, font);
        if (!read.document)
            throw *read.error; // refused: the editor keeps what it shows
        loaded = std::move(read.document);
    } else {
        loaded = plainDocument(decodePlainText(data), font);
    }
    m_fileName = path;
    m_loadedFormat = format;
    adoptDocument(std::move(loaded));
}

void RichTextBox::SaveFile(const QString& path, int format) const
{
    if (format != rtfRTF && format != rtfText)
        throw invalidCall(QStringLiteral("file format %1").arg(format));
    if (path.isEmpty())
        throw Error(err::PathFileAccess, QStringLiteral("Path/File access error: no file name"));
    const QByteArray data = format == rtfRTF ? writeRtf(*document()) : encodePlainText(*document());
    writeFileAtomically(path, data);
}

} // namespace platform
