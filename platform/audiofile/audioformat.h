#pragma once

#include <QString>

#include <optional>

namespace platform {

/// The audio file formats speech can be saved in.
enum class AudioFormat { Mp3, OggVorbis, Opus, Flac, Wav };

/// The file extension of a format, without the dot ("mp3", "ogg", "opus", "flac", "wav").
QString audioFileExtension(AudioFormat format);

/// The format a file name's extension stands for (any letter case), or
/// nothing when it ends in none of the five extensions.
std::optional<AudioFormat> audioFormatOfName(const QString& fileName);

} // namespace platform
