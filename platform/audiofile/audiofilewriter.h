#pragma once

#include "platform/audiofile/audioformat.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class AtomicFile;

namespace audiofile {
class Encoder;
}

/// Speech (16-bit mono samples) encoded into an audio file as it arrives,
/// with settings suited to a voice: MP3 VBR around 30 kbit/s, Ogg Vorbis
/// around 33 kbit/s, Opus in voice mode at 24 kHz and 24 kbit/s, FLAC and
/// WAV 16-bit at the speech's own rate. The title tag holds the title.
///
/// The file is written beside its target and renamed over it only by
/// commit(): a writer destroyed before that (cancelled, or after a failure)
/// leaves no file behind and the previous file of that name untouched.
/// Memory use does not grow with the length of the speech.
class AudioFileWriter {
public:
    /// Starts the file; raises platform::Error when its folder cannot be
    /// written (70 "Permission denied", 76 "Path not found"...).
    AudioFileWriter(const QString& path, AudioFormat format, int sampleRate, const QString& title);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    /// Encodes count samples; raises platform::Error when the disk says no
    /// (61 "Disk full"...) or the encoder fails.
    void write(const std::int16_t* samples, std::size_t count);
    /// Ends the encoding and puts the file in place; raises platform::Error.
    void commit();

private:
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<audiofile::Encoder> m_encoder;
};

} // namespace platform
