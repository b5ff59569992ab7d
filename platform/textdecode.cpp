#include "platform/textdecode.h"

#include "platform/codepage.h"

#include <QStringDecoder>

namespace platform {

QString toLf(QString text)
{
    if (!text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString decodePlainText(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return toLf(QString::fromUtf8(data.sliced(3)));
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        const auto encoding =
            data[0] == '\xFF' ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        QStringDecoder decoder(encoding, QStringConverter::Flag::Default);
        return toLf(decoder.decode(data.sliced(2)));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = decodeWindows1252(data.data(), data.size());
    return toLf(std::move(text));
}

} // namespace platform
