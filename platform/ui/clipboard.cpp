#include "platform/ui/clipboard.h"

#include "platform/textdecode.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

bool QtClipboard::hasText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool QtClipboard::hasRichText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && (data->hasFormat(QStringLiteral("text/rtf")) ||
                    data->hasFormat(QStringLiteral("application/rtf")));
}

QString QtClipboard::text()
{
    return QGuiApplication::clipboard()->text();
}

void QtClipboard::setText(const QString& text)
{
    // Other programs on this desktop take LF line ends; CR LF would leave a
    // stray carriage return in a terminal or a source file.
    QGuiApplication::clipboard()->setText(toLf(text));
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

} // namespace platform
