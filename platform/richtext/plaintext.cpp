#include "platform/richtext/plaintext.h"

#include <QTextDocument>

namespace platform {

QByteArray encodePlainText(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.replace(QChar(0x2029), u'\n');
    text.replace(QChar(0x2028), u'\n');
    text.remove(QChar(QChar::ObjectReplacementCharacter));
    return text.toUtf8();
}

} // namespace platform
