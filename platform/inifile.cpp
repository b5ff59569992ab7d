#include "platform/inifile.h"

#include "platform/textdecode.h"

#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>

namespace platform {
namespace {

/// The file's text: UTF-16 or UTF-8 by their byte-order marks, else UTF-8 when
/// it decodes cleanly, else the Windows code page such files are written in.
QString decode(QByteArrayView content)
{
    return decodePlainText(content);
}

/// What a fixed buffer of bufferSize characters keeps: at most bufferSize - 1
/// characters, ending at the first NUL.
QString fitBuffer(QStringView value, int bufferSize)
{
    if (bufferSize <= 0)
        return {};
    qsizetype length = value.indexOf(QChar(u'\0'));
    if (length < 0)
        length = value.size();
    length = std::min<qsizetype>(length, bufferSize - 1);
    // Never keep half of a surrogate pair.
    if (length > 0 && value[length - 1].isHighSurrogate())
        --length;
    return value.left(length).toString();
}

/// A value without the matching single or double quotes around it.
QStringView unquote(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString readProfileString(QByteArrayView content, QStringView section, QStringView key,
                          const QString& defaultValue, int bufferSize)
{
    const QString text = decode(content);
    const QStringView wantedSection = section.trimmed();
    const QStringView wantedKey = key.trimmed();
    bool inSection = false;

    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = QStringView(text).mid(pos, end - pos).trimmed();
        pos = end + 1;
        if (end < text.size() && text[end] == u'\r' && pos < text.size() && text[pos] == u'\n')
            ++pos;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.lastIndexOf(u']');
            if (close > 0) {
                // Only the first section of a name is searched.
                if (inSection)
                    break;
                const QStringView name = line.mid(1, close - 1).trimmed();
                inSection = name.compare(wantedSection, Qt::CaseInsensitive) == 0;
                continue;
            }
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (line.left(equals).trimmed().compare(wantedKey, Qt::CaseInsensitive) == 0)
            return fitBuffer(unquote(line.mid(equals + 1).trimmed()), bufferSize);
    }
    return fitBuffer(defaultValue, bufferSize);
}

QByteArray readProfileFile(const QString& path)
{
    QFile file(path);
    // A profile is a few lines; a huge file is not one, and is not read whole.
    constexpr qint64 largestProfile = 1 << 20;
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(largestProfile);
}

QString GetPrivateProfileString(QStringView section, QStringView key, const QString& defaultValue,
                                int bufferSize, const QString& path)
{
    return readProfileString(readProfileFile(path), section, key, defaultValue, bufferSize);
}

} // namespace platform
