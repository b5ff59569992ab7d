// MP3, Ogg Vorbis, FLAC and WAV through libsndfile, which writes into the
// AtomicFile through its virtual I/O: headers it rewrites at the end (WAV
// sizes, FLAC stream info, the MP3 VBR tag) land in the temporary file too.
#include "platform/audiofile/encoder_p.h"
#include "platform/fileio.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>

namespace platform::audiofile {
namespace {

/// LAME's VBR scale and Vorbis' quality, as libsndfile's 0 (best) .. 1
/// (smallest) compression level. Speech from the engine is band-limited and
/// plain: these give about 30 kbit/s MP3 and 33 kbit/s Vorbis at 22 kHz mono,
/// far below the music settings the encoders default to. (Vorbis takes about
/// as long at any quality; LAME's VBR is quicker than its constant rate.)
constexpr double mp3CompressionLevel = 0.95;
constexpr double vorbisCompressionLevel = 0.9;

int sndfileFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case AudioFormat::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case AudioFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case AudioFormat::Wav:
    case AudioFormat::Opus:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

/// An ID3v2.3 tag with the title (TIT2) in UTF-16, which players read
/// whatever the script; libsndfile itself writes only a 30-character ID3v1
/// title without an encoding.
QByteArray id3Title(const QString& title)
{
    QByteArray text("\x01\xFF\xFE", 3); // UTF-16 with a little-endian byte-order mark
    for (const QChar c : title) {
        text += static_cast<char>(c.unicode() & 0xFF);
        text += static_cast<char>(c.unicode() >> 8);
    }
    const auto bigEndian = [](std::uint32_t value, int bitsPerByte) {
        QByteArray out;
        for (int shift = 3 * bitsPerByte; shift >= 0; shift -= bitsPerByte)
            out += static_cast<char>((value >> shift) & ((1u << bitsPerByte) - 1));
        return out;
    };
    QByteArray frame = "TIT2" + bigEndian(static_cast<std::uint32_t>(text.size()), 8);
    frame += QByteArray(2, '\0') + text;
    // The tag's size is "synchsafe": seven bits a byte.
    QByteArray tag("ID3\x03\x00\x00", 6); // version 2.3, no flags
    return tag + bigEndian(static_cast<std::uint32_t>(frame.size()), 7) + frame;
}

/// A WAV file counts its bytes in 32 bits: about 27 hours of speech at 22 kHz.
constexpr sf_count_t maxWavBytes = 0xFFFFFFFFLL - 1024 * 1024;

class SndfileEncoder final : public Encoder {
public:
    SndfileEncoder(const EncoderSetup& setup, AudioFormat format)
        : m_file(setup.file), m_path(setup.path), m_format(format)
    {
        SF_INFO info{};
        info.samplerate = setup.sampleRate;
        info.channels = 1;
        info.format = sndfileFormat(format);
        if (format == AudioFormat::Mp3 && !setup.title.isEmpty()) {
            // The tag goes first; libsndfile sees the file from after it.
            const QByteArray tag = id3Title(setup.title);
            if (!m_file.write(tag.constData(), static_cast<std::size_t>(tag.size())))
                throw m_file.error();
            m_base = tag.size();
        }
        m_sf = sf_open_virtual(&m_io, SFM_WRITE, &info, this);
        if (!m_sf)
            throw failure();
        configure(format);
        const QByteArray title = setup.title.toUtf8();
        if (format != AudioFormat::Mp3 && !title.isEmpty())
            sf_set_string(m_sf, SF_STR_TITLE, title.constData());
    }

    ~SndfileEncoder() override
    {
        if (m_sf)
            sf_close(m_sf);
    }

    void write(const std::int16_t* samples, std::size_t count) override
    {
        const auto wanted = static_cast<sf_count_t>(count);
        if (m_format == AudioFormat::Wav && m_file.size() + 2 * wanted > maxWavBytes)
            throw encodingError(m_path, QStringLiteral("a WAV file holds at most 4 GB: save speech "
                                                       "this long as FLAC or compressed audio"));
        if (sf_write_short(m_sf, samples, wanted) != wanted)
            throw failure();
    }

    void finish() override
    {
        SNDFILE* sf = m_sf;
        m_sf = nullptr;
        if (sf_close(sf) != 0 || m_ioFailed)
            throw failure();
    }

private:
    void configure(AudioFormat format)
    {
        // The settings only tune the encoder: a library that ignores one
        // still writes a correct file.
        if (format == AudioFormat::Mp3) {
            int mode = SF_BITRATE_MODE_VARIABLE;
            sf_command(m_sf, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
            double level = mp3CompressionLevel;
            sf_command(m_sf, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        } else if (format == AudioFormat::OggVorbis) {
            double level = vorbisCompressionLevel;
            sf_command(m_sf, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
    }

    /// The disk's refusal when there was one, else the library's.
    Error failure() const
    {
        if (m_ioFailed)
            return m_file.error();
        return encodingError(m_path, QString::fromUtf8(sf_strerror(m_sf)));
    }

    // ---- virtual I/O over the AtomicFile -------------------------------------
    static SndfileEncoder& self(void* user) { return *static_cast<SndfileEncoder*>(user); }
    static sf_count_t length(void* user) { return self(user).m_file.size() - self(user).m_base; }
    static sf_count_t seek(sf_count_t offset, int whence, void* user)
    {
        SndfileEncoder& e = self(user);
        const sf_count_t base = whence == SEEK_CUR   ? e.m_pos
                                : whence == SEEK_END ? e.m_file.size() - e.m_base
                                                     : 0;
        if (base + offset < 0)
            return -1;
        e.m_pos = base + offset;
        return e.m_pos;
    }
    static sf_count_t read(void*, sf_count_t, void*)
    {
        return 0; // write-only: nothing of the file is read back
    }
    static sf_count_t writeData(const void* data, sf_count_t count, void* user)
    {
        SndfileEncoder& e = self(user);
        if (count <= 0)
            return 0;
        if (!e.m_file.writeAt(e.m_base + e.m_pos, static_cast<const char*>(data),
                              static_cast<std::size_t>(count))) {
            e.m_ioFailed = true;
            return 0;
        }
        e.m_pos += count;
        return count;
    }
    static sf_count_t tell(void* user) { return self(user).m_pos; }

    AtomicFile& m_file;
    QString m_path;
    AudioFormat m_format;
    SF_VIRTUAL_IO m_io{&length, &seek, &read, &writeData, &tell};
    SNDFILE* m_sf = nullptr;
    sf_count_t m_base = 0; ///< where libsndfile's part of the file begins
    sf_count_t m_pos = 0;  ///< from m_base
    bool m_ioFailed = false;
};

} // namespace

std::unique_ptr<Encoder> makeSndfileEncoder(const EncoderSetup& setup, AudioFormat format)
{
    return std::make_unique<SndfileEncoder>(setup, format);
}

} // namespace platform::audiofile
