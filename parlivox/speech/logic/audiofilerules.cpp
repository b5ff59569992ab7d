#include "parlivox/speech/logic/audiofilerules.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

using namespace Qt::StringLiterals;
using platform::AudioFormat;

namespace audiofilerules {
namespace {

/// The filter pairs in their order, with the format each stands for.
constexpr std::pair<AudioFormat, const char16_t*> filters[] = {
    {AudioFormat::Mp3, u"MP3 Audio (*.mp3)"},
    {AudioFormat::OggVorbis, u"Ogg Vorbis Audio (*.ogg)"},
    {AudioFormat::Opus, u"Opus Audio (*.opus)"},
    {AudioFormat::Flac, u"FLAC Audio (*.flac)"},
    {AudioFormat::Wav, u"Wave Audio (*.wav)"},
};

const QString untitled = u"Untitled"_s;

/// A document's name without its extension (the whole name when it is all
/// extension, like ".notes").
QString nameOf(const QFileInfo& document)
{
    const QString base = document.completeBaseName();
    return base.isEmpty() ? document.fileName() : base;
}

} // namespace

QString filter()
{
    QStringList pairs;
    for (const auto& [format, description] : filters)
        pairs << QString::fromUtf16(description) << u"*."_s + platform::audioFileExtension(format);
    return pairs.join(u'|');
}

AudioFormat formatOfFilter(int filterIndex)
{
    if (filterIndex < 1 || filterIndex > int(std::size(filters)))
        return AudioFormat::Mp3;
    return filters[filterIndex - 1].first;
}

int filterOf(AudioFormat format)
{
    for (std::size_t i = 0; i < std::size(filters); ++i) {
        if (filters[i].first == format)
            return int(i) + 1;
    }
    return 1;
}

Target targetFor(const QString& chosenPath, int filterIndex)
{
    if (const auto format = platform::audioFormatOfName(chosenPath))
        return {chosenPath, *format};
    const AudioFormat format = formatOfFilter(filterIndex);
    return {chosenPath + u'.' + platform::audioFileExtension(format), format};
}

QString suggestedPath(const QString& documentPath, const QString& folder, AudioFormat format)
{
    const QString extension = u'.' + platform::audioFileExtension(format);
    if (documentPath.isEmpty())
        return QDir(folder).filePath(untitled + extension);
    const QFileInfo document(documentPath);
    return document.dir().filePath(nameOf(document) + extension);
}

QString titleFor(const QString& documentPath)
{
    if (documentPath.isEmpty())
        return untitled;
    return nameOf(QFileInfo(documentPath));
}

QString durationText(double seconds)
{
    const long long total = std::max(0LL, std::llround(seconds));
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const QString secs = QString::number(total % 60).rightJustified(2, u'0');
    if (hours > 0)
        return QString::number(hours) + u':' + QString::number(minutes).rightJustified(2, u'0') +
               u':' + secs;
    return QString::number(minutes) + u':' + secs;
}

std::optional<double> remainingSeconds(double elapsedSeconds, double shareDone)
{
    // The first second and the first per cent say little about the rest.
    if (elapsedSeconds < 1.0 || shareDone < 0.01)
        return std::nullopt;
    return elapsedSeconds * (1.0 - std::min(shareDone, 1.0)) / shareDone;
}

} // namespace audiofilerules
