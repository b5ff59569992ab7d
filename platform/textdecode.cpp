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

std::optional<ByteOrderMark> byteOrderMark(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return ByteOrderMark{QStringConverter::Utf8, 3};
    if (data.startsWith("\xFF\xFE"))
        return ByteOrderMark{QStringConverter::Utf16LE, 2};
    if (data.startsWith("\xFE\xFF"))
        return ByteOrderMark{QStringConverter::Utf16BE, 2};
    return std::nullopt;
}

std::optional<QString> decodeByByteOrderMark(QByteArrayView data)
{
    const std::optional<ByteOrderMark> mark = byteOrderMark(data);
    if (!mark)
        return std::nullopt;
    QStringDecoder decoder(mark->encoding);
    return decoder.decode(data.sliced(mark->size));
}

QString decodePlainText(QByteArrayView data)
{
    if (std::optional<QString> text = decodeByByteOrderMark(data))
        return toLf(std::move(*text));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = decodeWindows1252(data.data(), data.size());
    return toLf(std::move(text));
}

} // namespace platform
