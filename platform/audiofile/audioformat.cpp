#include "platform/audiofile/audioformat.h"

#include <array>
#include <utility>

namespace platform {
namespace {

constexpr std::array<std::pair<AudioFormat, const char16_t*>, 5> extensions = {{
    {AudioFormat::Mp3, u"mp3"},
    {AudioFormat::OggVorbis, u"ogg"},
    {AudioFormat::Opus, u"opus"},
    {AudioFormat::Flac, u"flac"},
    {AudioFormat::Wav, u"wav"},
}};

} // namespace

QString audioFileExtension(AudioFormat format)
{
    for (const auto& [f, extension] : extensions) {
        if (f == format)
            return QString::fromUtf16(extension);
    }
    return {};
}

std::optional<AudioFormat> audioFormatOfName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot < 0 || fileName.indexOf(u'/', dot) >= 0)
        return std::nullopt;
    const QStringView extension = QStringView(fileName).sliced(dot + 1);
    for (const auto& [format, name] : extensions) {
        if (extension.compare(QStringView(name), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}

} // namespace platform
