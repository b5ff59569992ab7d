#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::speech {

class VoiceChannel;
struct SentenceJob;

/// One installed voice of the synthesizer.
struct VoiceInfo {
    std::string id;      ///< the synthesizer's identifier, e.g. "gmw/en-US"
    QString description; ///< its display name, e.g. "English (America)"
    /// Language tags it speaks (lower case, "en-us"), with the synthesizer's
    /// priority: lower is a better match.
    std::vector<std::pair<int, std::string>> languages;
};

/// The process's one synthesizer thread. It makes every call into the
/// synthesizer library: starts it (once per process), lists its voices, and
/// synthesizes the
/// queued text of every attached voice one sentence at a time, each with the
/// settings that voice had when it was told to speak. A voice is served only
/// while it is not paused and has less than about half a second of samples
/// waiting, so a long text is turned into sound as it is played.
class SynthWorker {
public:
    /// Starts the thread on first use; raises platform::Error when the
    /// synthesizer cannot start or has no voices.
    static std::shared_ptr<SynthWorker> instance();
    ~SynthWorker();
    SynthWorker(const SynthWorker&) = delete;
    SynthWorker& operator=(const SynthWorker&) = delete;

    int sampleRate() const { return m_sampleRate; }
    /// The installed voices, in the synthesizer's order.
    const std::vector<VoiceInfo>& voices() const { return m_voices; }

    /// Serves channel from now on.
    void attach(std::shared_ptr<VoiceChannel> channel);
    /// Stops serving channel; returns once no synthesis for it is running.
    void detach(const VoiceChannel* channel);
    /// Something changed (new text, resumed): look for work now.
    void wake();

private:
    SynthWorker() = default;
    void run(std::promise<void>& started);
    void startSynthesizer();
    void serve();
    void synthesize(VoiceChannel& channel, const SentenceJob& job);

    std::thread m_thread;
    int m_sampleRate = 0;
    std::vector<VoiceInfo> m_voices;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::vector<std::shared_ptr<VoiceChannel>> m_channels;
    std::size_t m_nextChannel = 0;
    const VoiceChannel* m_current = nullptr;
    bool m_stopping = false;

    // Synthesizer settings in force (worker thread only).
    std::string m_voiceId;
    int m_wordsPerMinute = -1;
    int m_punctuation = -1;
};

} // namespace platform::speech

namespace platform::speech {

/// The voice a new voice speaks with (index into voices): the best match for
/// the locale's language and country ("en_US" -> "en-us"), else for its
/// language alone, else "English (Great Britain)", else the first voice.
std::size_t defaultVoiceIndex(const std::vector<VoiceInfo>& voices, const QString& localeName);

} // namespace platform::speech
