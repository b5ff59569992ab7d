#include "platform/richtext/richtextbox.h"

#include "platform/error.h"

#include <QFile>

// Loading and saving files. Interim version: plain text only.
namespace platform {

void RichTextBox::setFileName(const QString& path)
{
    m_fileName = path;
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(err::FileNotFound, QStringLiteral("File not found: ") + path);
    setText(QString::fromUtf8(file.readAll()));
}

void RichTextBox::SaveFile(const QString& path, int format) const
{
    static_cast<void>(format);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(err::PathFileAccess, QStringLiteral("Cannot write ") + path);
    file.write(document()->toPlainText().toUtf8());
}

} // namespace platform
