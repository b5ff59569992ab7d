#include "platform/audiofile/audiofilewriter.h"

#include "platform/audiofile/encoder_p.h"
#include "platform/fileio.h"

namespace platform {

AudioFileWriter::AudioFileWriter(const QString& path, AudioFormat format, int sampleRate,
                                 const QString& title)
    : m_file(std::make_unique<AtomicFile>(path))
{
    const audiofile::EncoderSetup setup{*m_file, path, sampleRate, title};
    m_encoder = format == AudioFormat::Opus ? audiofile::makeOpusEncoder(setup)
                                            : audiofile::makeSndfileEncoder(setup, format);
}

// The encoder goes first: whatever it still writes lands in the temporary
// file, which the AtomicFile then removes.
AudioFileWriter::~AudioFileWriter()
{
    m_encoder.reset();
}

void AudioFileWriter::write(const std::int16_t* samples, std::size_t count)
{
    if (count > 0)
        m_encoder->write(samples, count);
}

void AudioFileWriter::commit()
{
    m_encoder->finish();
    m_encoder.reset();
    m_file->commit();
}

} // namespace platform
