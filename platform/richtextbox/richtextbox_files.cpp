#include "platform/richtextbox/richtextbox.h"

#include "platform/error.h"
#include "platform/fileio.h"
#include "platform/richtext/plaintext.h"
#include "platform/richtext/rtfwriter.h"

#include <QTextDocument>

// Loading and saving files: the document is read whole and built detached
// (readFile), then handed to the editor; saves replace the file only once
// complete.
namespace platform {

void RichTextBox::setFileName(const QString& path)
{
    if (path.isEmpty()) {
        m_fileName.clear();
        m_loadedFormat = DocumentFormat::None;
        return;
    }
    LoadedFile file = readFile(path, document()->defaultFont()); // raises before anything changes
    if (file.unreadable)
        throw *file.unreadable;
    if (file.refused)
        throw *file.refused;
    adoptFile(std::move(file));
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
