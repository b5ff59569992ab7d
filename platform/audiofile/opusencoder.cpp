// Ogg Opus in voice mode. libsndfile's own Opus encoder runs at full
// complexity in its music mode, several times slower on speech than this and
// no smaller; here libopus is driven directly and its packets put into Ogg
// pages as RFC 7845 lays out.
#include "platform/audiofile/encoder_p.h"
#include "platform/fileio.h"

#include <ogg/ogg.h>
#include <opus/opus.h>
#include <samplerate.h>

#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace platform::audiofile {
namespace {

constexpr int opusRate = 24000; ///< Opus takes 8, 12, 16, 24 or 48 kHz; 24 keeps the whole voice
constexpr int frameSamples = opusRate / 50; ///< 20 ms packets
constexpr int granuleRate = 48000;          ///< Ogg Opus counts time at 48 kHz
constexpr int granulePerSample = granuleRate / opusRate;
constexpr int bitrate = 24000;
/// Voice mode at 24 kbit/s: the lower complexities drop search effort that
/// speech this plain does not need, at half the time of the default 10.
constexpr int complexity = 3;
constexpr int maxPacketBytes = 1500;

void putLE(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

struct ResamplerDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};
struct OpusDeleter {
    void operator()(OpusEncoder* encoder) const { opus_encoder_destroy(encoder); }
};

/// libogg's stream state, cleared on every way out.
class OggStream {
public:
    OggStream()
    {
        ogg_stream_init(&m_state, static_cast<int>(QRandomGenerator::global()->generate() >> 1));
    }
    ~OggStream() { ogg_stream_clear(&m_state); }
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;
    ogg_stream_state* get() { return &m_state; }

private:
    ogg_stream_state m_state{};
};

class OpusFileEncoder final : public Encoder {
public:
    explicit OpusFileEncoder(const EncoderSetup& setup)
        : m_file(setup.file), m_path(setup.path), m_inputRate(setup.sampleRate)
    {
        int error = 0;
        if (m_inputRate != opusRate) {
            m_resampler.reset(src_new(SRC_SINC_FASTEST, 1, &error));
            if (!m_resampler)
                throw encodingError(m_path, QString::fromUtf8(src_strerror(error)));
        }
        m_encoder.reset(opus_encoder_create(opusRate, 1, OPUS_APPLICATION_VOIP, &error));
        if (!m_encoder)
            throw encodingError(m_path, QString::fromUtf8(opus_strerror(error)));
        OpusEncoder* encoder = m_encoder.get();
        opus_encoder_ctl(encoder, OPUS_SET_BITRATE(bitrate));
        opus_encoder_ctl(encoder, OPUS_SET_COMPLEXITY(complexity));
        opus_encoder_ctl(encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
        opus_int32 lookahead = 0;
        opus_encoder_ctl(encoder, OPUS_GET_LOOKAHEAD(&lookahead));
        m_lookahead = lookahead;
        m_frame.reserve(frameSamples);
        writeHeaders(setup.title);
    }

    void write(const std::int16_t* samples, std::size_t count) override
    {
        constexpr std::size_t chunk = 4096;
        std::array<float, chunk> in{};
        for (std::size_t done = 0; done < count; done += chunk) {
            const std::size_t n = std::min(chunk, count - done);
            src_short_to_float_array(samples + done, in.data(), static_cast<int>(n));
            resample(in.data(), static_cast<long>(n), false);
        }
    }

    void finish() override
    {
        resample(nullptr, 0, true);
        // Every page so far ends before the speech does; the last page alone
        // carries the padding that pushes the encoder's look-ahead out, and
        // its granule position cuts that padding off again.
        flushPages(true);
        const std::int64_t wanted = m_samplesIn + m_lookahead;
        bool last = false;
        while (!last) {
            m_frame.resize(frameSamples, 0.0f);
            last = m_samplesEncoded + frameSamples >= wanted;
            encodeFrame(last ? preSkip() + m_samplesIn * granulePerSample : -1, last);
        }
        flushPages(true);
    }

private:
    std::int64_t preSkip() const { return m_lookahead * granulePerSample; }

    void writeHeaders(const QString& title)
    {
        QByteArray head("OpusHead");
        head += char(1); // version
        head += char(1); // channels
        putLE(head, static_cast<std::uint32_t>(preSkip()), 2);
        putLE(head, static_cast<std::uint32_t>(m_inputRate), 4);
        putLE(head, 0, 2); // output gain
        head += char(0);   // mono/stereo mapping
        packet(head, 0, true, false);
        flushPages(true);

        QByteArray tags("OpusTags");
        const QByteArray vendor(opus_get_version_string());
        putLE(tags, static_cast<std::uint32_t>(vendor.size()), 4);
        tags += vendor;
        const QByteArray comment = QByteArrayLiteral("TITLE=") + title.toUtf8();
        putLE(tags, title.isEmpty() ? 0 : 1, 4);
        if (!title.isEmpty()) {
            putLE(tags, static_cast<std::uint32_t>(comment.size()), 4);
            tags += comment;
        }
        packet(tags, 0, false, false);
        flushPages(true);
    }

    void packet(const QByteArray& data, std::int64_t granule, bool first, bool last)
    {
        ogg_packet p{};
        p.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(data.constData()));
        p.bytes = data.size();
        p.b_o_s = first ? 1 : 0;
        p.e_o_s = last ? 1 : 0;
        p.granulepos = granule;
        p.packetno = m_packetNo++;
        ogg_stream_packetin(m_stream.get(), &p);
    }

    /// Writes the pages that are full (or all of them with force).
    void flushPages(bool force)
    {
        ogg_page page;
        while (force ? ogg_stream_flush(m_stream.get(), &page)
                     : ogg_stream_pageout(m_stream.get(), &page)) {
            if (!m_file.write(reinterpret_cast<const char*>(page.header),
                              static_cast<std::size_t>(page.header_len)) ||
                !m_file.write(reinterpret_cast<const char*>(page.body),
                              static_cast<std::size_t>(page.body_len)))
                throw m_file.error();
        }
    }

    void resample(const float* in, long count, bool end)
    {
        if (!m_resampler) {
            for (long i = 0; i < count; ++i)
                addSample(in[i]);
            return;
        }
        std::array<float, 8192> out{};
        SRC_DATA data{};
        data.src_ratio = static_cast<double>(opusRate) / m_inputRate;
        data.end_of_input = end ? 1 : 0;
        data.data_in = in;
        data.input_frames = count;
        do {
            data.data_out = out.data();
            data.output_frames = static_cast<long>(out.size());
            if (const int error = src_process(m_resampler.get(), &data))
                throw encodingError(m_path, QString::fromUtf8(src_strerror(error)));
            for (long i = 0; i < data.output_frames_gen; ++i)
                addSample(out[static_cast<std::size_t>(i)]);
            data.data_in += data.input_frames_used;
            data.input_frames -= data.input_frames_used;
        } while (data.input_frames > 0 || (end && data.output_frames_gen > 0));
    }

    void addSample(float sample)
    {
        m_frame.push_back(sample);
        ++m_samplesIn;
        if (m_frame.size() == frameSamples) {
            encodeFrame(-1, false);
            flushPages(false);
        }
    }

    /// Encodes the frame; granule -1 means "where this packet ends".
    void encodeFrame(std::int64_t granule, bool last)
    {
        std::array<unsigned char, maxPacketBytes> out{};
        const opus_int32 bytes = opus_encode_float(m_encoder.get(), m_frame.data(), frameSamples,
                                                   out.data(), maxPacketBytes);
        if (bytes < 0)
            throw encodingError(m_path, QString::fromUtf8(opus_strerror(bytes)));
        m_frame.clear();
        m_samplesEncoded += frameSamples;
        const std::int64_t end = granule >= 0 ? granule : m_samplesEncoded * granulePerSample;
        packet(QByteArray::fromRawData(reinterpret_cast<const char*>(out.data()), bytes), end,
               false, last);
    }

    AtomicFile& m_file;
    QString m_path;
    int m_inputRate;
    std::unique_ptr<SRC_STATE, ResamplerDeleter> m_resampler;
    std::unique_ptr<OpusEncoder, OpusDeleter> m_encoder;
    OggStream m_stream;
    std::int64_t m_lookahead = 0; ///< at 24 kHz
    std::int64_t m_samplesIn = 0; ///< speech samples at 24 kHz
    std::int64_t m_samplesEncoded = 0;
    std::int64_t m_packetNo = 0;
    std::vector<float> m_frame;
};

} // namespace

std::unique_ptr<Encoder> makeOpusEncoder(const EncoderSetup& setup)
{
    return std::make_unique<OpusFileEncoder>(setup);
}

} // namespace platform::audiofile
