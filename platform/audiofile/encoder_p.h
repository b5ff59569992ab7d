#pragma once
// The encoders behind AudioFileWriter: each turns samples into the bytes of
// one format and hands them to the file as they come.

#include "platform/audiofile/audioformat.h"
#include "platform/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {
class AtomicFile;
}

namespace platform::audiofile {

class Encoder {
public:
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    virtual ~Encoder() = default;

    /// Encodes samples; raises platform::Error.
    virtual void write(const std::int16_t* samples, std::size_t count) = 0;
    /// Encodes what is still held back and completes the file's headers.
    virtual void finish() = 0;
};

/// Settings and metadata common to every encoder.
struct EncoderSetup {
    AtomicFile& file;
    QString path; ///< for messages
    int sampleRate;
    QString title;
};

/// MP3, Ogg Vorbis, FLAC and WAV through libsndfile.
std::unique_ptr<Encoder> makeSndfileEncoder(const EncoderSetup& setup, AudioFormat format);
/// Ogg Opus in voice mode through libopusenc.
std::unique_ptr<Encoder> makeOpusEncoder(const EncoderSetup& setup);

/// A failure of an encoding library (not of the disk).
inline Error encodingError(const QString& path, const QString& reason)
{
    return Error(err::PathFileAccess, QStringLiteral("Path/File access error: ") + path +
                                          QStringLiteral(" (") + reason + QStringLiteral(")"));
}

} // namespace platform::audiofile
