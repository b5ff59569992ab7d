#include "platform/speech/speechfile.h"

#include "platform/audiofile/audiofilewriter.h"
#include "platform/speech/synthworker.h"

#include <new>
#include <vector>

namespace platform::speech {
namespace {
/// Samples moved to the encoder at once: about 0.75 s of speech, few enough
/// wake-ups and writes that a WAV file costs little more than the synthesis.
constexpr std::size_t chunkSamples = 16384;
} // namespace

SpeechFileConversion::SpeechFileConversion(std::shared_ptr<SynthWorker> worker, const QString& text,
                                           UtteranceSettings settings, int volume,
                                           const AudioFileTarget& target)
    : m_worker(std::move(worker)),
      m_channel(std::make_shared<VoiceChannel>(m_worker->sampleRate(), SampleSink::File)),
      m_writer(std::make_unique<AudioFileWriter>(target.path, target.format, m_worker->sampleRate(),
                                                 target.title))
{
    m_channel->setVolume(volume);
    m_channel->enqueue(text, std::move(settings));
    // The encoder first: the synthesizer is never left serving a channel
    // that nobody drains.
    m_thread = std::thread([this] { encode(); });
    m_worker->attach(m_channel);
}

SpeechFileConversion::~SpeechFileConversion()
{
    stop();
}

void SpeechFileConversion::encode()
{
    std::optional<Error> failure;
    bool complete = false;
    try {
        std::vector<std::int16_t> buffer(chunkSamples);
        for (;;) {
            const std::size_t count = m_channel->take(buffer.data(), buffer.size());
            m_worker->wake(); // there is room for the next sentence again
            if (count == 0)
                break;
            m_writer->write(buffer.data(), count);
        }
        failure = m_channel->takeFailure();
        if (!failure && !m_channel->isClosed()) {
            m_writer->commit();
            complete = true;
        }
    } catch (const Error& error) {
        failure = error;
    } catch (const std::bad_alloc&) {
        failure = Error(err::OutOfMemory, QStringLiteral("Out of memory"));
    }
    // Nothing more is wanted from the synthesizer; an unfinished file goes.
    m_channel->close();
    m_writer.reset();
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_complete = complete;
        m_failure = std::move(failure);
    }
    m_doneChanged.notify_all();
}

void SpeechFileConversion::stop()
{
    // Closing the channel stops the synthesis at its next buffer and wakes
    // the encoder, which abandons the file.
    m_channel->close();
    if (m_thread.joinable())
        m_thread.join();
    m_worker->detach(m_channel.get());
}

double SpeechFileConversion::progress() const
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_complete)
            return 1.0;
    }
    return m_channel->shareOfTextTaken();
}

bool SpeechFileConversion::isDone() const
{
    const std::lock_guard lock(m_mutex);
    return m_done;
}

bool SpeechFileConversion::waitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_doneChanged.wait_for(lock, timeout, [this] { return m_done; });
}

void SpeechFileConversion::cancel()
{
    stop();
}

void SpeechFileConversion::rethrowFailure() const
{
    const std::lock_guard lock(m_mutex);
    if (m_failure)
        throw *m_failure;
}

} // namespace platform::speech
