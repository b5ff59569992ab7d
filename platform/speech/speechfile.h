#pragma once

#include "platform/speech/voice.h"
#include "platform/speech/voicechannel.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {
class AudioFileWriter;
}

namespace platform::speech {

class SynthWorker;

/// A text spoken into an audio file by two threads side by side: the
/// process's synthesizer thread turns sentences into samples as fast as it
/// can, a thread of this conversion encodes them into the file. A few
/// seconds of samples wait between the two at most, so memory stays flat
/// however long the text is.
class SpeechFileConversion final : public AudioFileConversion {
public:
    /// Starts the file and both threads; raises platform::Error when the
    /// file cannot be started.
    SpeechFileConversion(std::shared_ptr<SynthWorker> worker, const QString& text,
                         UtteranceSettings settings, int volume, const AudioFileTarget& target);
    ~SpeechFileConversion() override;

    double progress() const override;
    bool isDone() const override;
    bool waitFor(std::chrono::milliseconds timeout) override;
    void cancel() override;
    void rethrowFailure() const override;

    /// The samples the synthesizer produced for this file (tests and measurements).
    std::int64_t samples() const { return m_channel->counters().samplesQueued; }
    /// The channel, for telling whether the voice that started it may speak.
    std::weak_ptr<const VoiceChannel> channel() const { return m_channel; }

private:
    void encode();
    void stop();

    std::shared_ptr<SynthWorker> m_worker;
    std::shared_ptr<VoiceChannel> m_channel;
    std::unique_ptr<AudioFileWriter> m_writer; ///< the encoder thread's until it ends
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_done = false;
    bool m_complete = false; ///< the file is in place
    std::optional<Error> m_failure;
};

} // namespace platform::speech
