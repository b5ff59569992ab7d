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
    LoadedFile file = loadFile(path); // raises before anything changes
    if (file.refused)
        throw *file.refused;
    adoptFile(std::move(file));
}

RichTextBox::LoadedFile RichTextBox::loadFile(const QString& path) const
{
    LoadedFile file;
    file.path = path;
    const QByteArray data = readWholeFile(path);
    const QFont font = document()->defaultFont();
    if (looksLikeRtf(data)) {
        file.document = buildDocument(parseRtf(data), font);
        return file;
    }
    file.format = recogniseDocument(data, path);
    if (file.format == DocumentFormat::None) {
        file.document = plainDocument(decodePlainText(data), font);
        return file;
    }
    DocumentRead read = readDocumentInBackground(data, file.format, path, font);
    file.document = std::move(read.document);
    file.refused = std::move(read.error);
    return file;
}

void RichTextBox::adoptFile(LoadedFile file)
{
    m_fileName = file.path;
    m_loadedFormat = file.format;
    adoptDocument(std::move(file.document));
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
