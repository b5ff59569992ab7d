// Ogg Opus in voice mode through libopusenc, which frames the packets into
// Ogg pages, writes the headers and the tags, and resamples the speech for
// the encoder. libsndfile's own Opus encoder runs at full complexity in its
// music mode, several times slower on speech than this and no smaller.
#include "platform/audiofile/encoder_p.h"
#include "platform/fileio.h"

#include <opusenc.h>

#include <QRandomGenerator>

#include <algorithm>
#include <climits>
#include <memory>

namespace platform::audiofile {
namespace {

constexpr int bitrate = 24000;
/// Voice mode at 24 kbit/s: the lower complexities drop search effort that
/// speech this plain does not need, at half the time of the default 10.
constexpr int complexity = 3;
/// libopusenc always encodes at 48 kHz; the engine's speech has nothing
/// above 11 kHz, so the coded band stops at 12 kHz (a 24 kHz signal) and
/// spends no bits on the empty octave above it.
constexpr int bandwidth = OPUS_BANDWIDTH_SUPERWIDEBAND;

struct CommentsDeleter {
    void operator()(OggOpusComments* comments) const { ope_comments_destroy(comments); }
};
struct EncoderDeleter {
    void operator()(OggOpusEnc* encoder) const { ope_encoder_destroy(encoder); }
};

class OpusFileEncoder final : public Encoder {
public:
    explicit OpusFileEncoder(const EncoderSetup& setup)
        : m_file(setup.file), m_path(setup.path), m_comments(ope_comments_create())
    {
        if (!m_comments)
            throw encodingError(m_path, QString::fromUtf8(ope_strerror(OPE_ALLOC_FAIL)));
        if (!setup.title.isEmpty())
            check(ope_comments_add(m_comments.get(), "TITLE", setup.title.toUtf8().constData()));
        const OpusEncCallbacks callbacks{&writePage, &closeStream};
        int error = OPE_OK;
        // The speech's own rate goes in: libopusenc resamples it, and the
        // header names it as the rate the speech was made at.
        m_encoder.reset(ope_encoder_create_callbacks(&callbacks, this, m_comments.get(),
                                                     setup.sampleRate, 1, 0, &error));
        if (!m_encoder)
            throw encodingError(m_path, QString::fromUtf8(ope_strerror(error)));
        OggOpusEnc* encoder = m_encoder.get();
        // The application may still change before the first frame is encoded.
        check(ope_encoder_ctl(encoder, OPUS_SET_APPLICATION(OPUS_APPLICATION_VOIP)));
        check(ope_encoder_ctl(encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE)));
        check(ope_encoder_ctl(encoder, OPUS_SET_BITRATE(bitrate)));
        check(ope_encoder_ctl(encoder, OPUS_SET_VBR(1)));
        check(ope_encoder_ctl(encoder, OPUS_SET_COMPLEXITY(complexity)));
        check(ope_encoder_ctl(encoder, OPUS_SET_MAX_BANDWIDTH(bandwidth)));
        check(ope_encoder_ctl(encoder, OPUS_SET_EXPERT_FRAME_DURATION(OPUS_FRAMESIZE_20_MS)));
        // libopusenc draws the stream's serial number from an unseeded rand():
        // every file would carry the same one.
        check(ope_encoder_ctl(encoder, OPE_SET_SERIALNO(static_cast<opus_int32>(
                                           QRandomGenerator::global()->generate() >> 1))));
    }

    void write(const std::int16_t* samples, std::size_t count) override
    {
        constexpr std::size_t chunk = INT_MAX;
        for (std::size_t done = 0; done < count; done += chunk) {
            const auto n = static_cast<int>(std::min(chunk, count - done));
            check(ope_encoder_write(m_encoder.get(), samples + done, n));
        }
    }

    void finish() override { check(ope_encoder_drain(m_encoder.get())); }

private:
    /// Raises the disk's refusal when there was one, else the library's error.
    void check(int result) const
    {
        if (m_ioFailed)
            throw m_file.error();
        if (result != OPE_OK)
            throw encodingError(m_path, QString::fromUtf8(ope_strerror(result)));
    }

    static int writePage(void* user, const unsigned char* data, opus_int32 length)
    {
        auto& self = *static_cast<OpusFileEncoder*>(user);
        if (!self.m_file.write(reinterpret_cast<const char*>(data),
                               static_cast<std::size_t>(length)))
            self.m_ioFailed = true;
        return self.m_ioFailed ? 1 : 0;
    }
    /// The file is the writer's: it is completed or removed there.
    static int closeStream(void*) { return 0; }

    AtomicFile& m_file;
    QString m_path;
    std::unique_ptr<OggOpusComments, CommentsDeleter> m_comments;
    std::unique_ptr<OggOpusEnc, EncoderDeleter> m_encoder; ///< goes before the comments
    bool m_ioFailed = false;
};

} // namespace

std::unique_ptr<Encoder> makeOpusEncoder(const EncoderSetup& setup)
{
    return std::make_unique<OpusFileEncoder>(setup);
}

} // namespace platform::audiofile
