#include "platform/speech/synthworker.h"

#include "platform/error.h"
#include "platform/speech/voice.h"
#include "platform/speech/voicechannel.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstring>

namespace platform::speech {
namespace {

std::mutex instanceMutex;
std::weak_ptr<SynthWorker> instanceRef;

/// The sentence being synthesized, for the synthesizer's callback (which
/// runs on the worker thread, inside espeak_Synth).
struct Delivery {
    VoiceChannel* channel;
    std::int64_t sentence;
    /// The UTF-16 offset in the sentence of each of its code points (the
    /// synthesizer counts code points), and of its end.
    std::vector<qsizetype> utf16;
    std::vector<WordMark> words; ///< reused for every buffer
    bool stopped = false;
};
thread_local Delivery* currentDelivery = nullptr;

std::vector<qsizetype> utf16Offsets(const QByteArray& utf8)
{
    std::vector<qsizetype> offsets;
    offsets.reserve(static_cast<std::size_t>(utf8.size()) + 1);
    qsizetype utf16 = 0;
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c & 0xC0) == 0x80)
            continue; // a continuation byte
        offsets.push_back(utf16);
        utf16 += c >= 0xF0 ? 2 : 1; // beyond the BMP: a surrogate pair
    }
    offsets.push_back(utf16);
    return offsets;
}

/// The words that start in this buffer, as places in the sentence.
void collectWords(Delivery& delivery, const espeak_EVENT* event)
{
    delivery.words.clear();
    const auto last = static_cast<qsizetype>(delivery.utf16.size()) - 1;
    for (; event && event->type != espeakEVENT_LIST_TERMINATED; ++event) {
        if (event->type != espeakEVENT_WORD || event->text_position < 1)
            continue;
        const qsizetype first = std::min<qsizetype>(event->text_position - 1, last);
        const qsizetype end = std::min<qsizetype>(first + std::max(event->length, 0), last);
        const qsizetype begin = delivery.utf16[static_cast<std::size_t>(first)];
        delivery.words.push_back(
            {event->sample, begin, delivery.utf16[static_cast<std::size_t>(end)] - begin});
    }
}

int deliverSamples(short* samples, int count, espeak_EVENT* events)
{
    Delivery* delivery = currentDelivery;
    if (!delivery || !samples)
        return 0;
    if (!delivery->utf16.empty())
        collectWords(*delivery, events);
    // Returning 1 is the synthesizer's own way to stop: a skipped sentence
    // ends at its next buffer.
    if (!delivery->channel->deliver(delivery->sentence, samples, count, delivery->words)) {
        delivery->stopped = true;
        return 1;
    }
    return 0;
}

QString trimmed(const char* text)
{
    return QString::fromUtf8(text ? text : "").trimmed();
}

std::vector<std::pair<int, std::string>> languagesOf(const espeak_VOICE& voice)
{
    // A list of (priority byte, NUL-terminated tag), ended by a zero byte.
    std::vector<std::pair<int, std::string>> languages;
    for (const char* p = voice.languages; p && *p;) {
        const int priority = static_cast<unsigned char>(*p);
        std::string tag(p + 1);
        std::transform(tag.begin(), tag.end(), tag.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        p += 1 + std::strlen(p + 1) + 1;
        languages.emplace_back(priority, std::move(tag));
    }
    return languages;
}

} // namespace

std::shared_ptr<SynthWorker> SynthWorker::instance()
{
    const std::lock_guard lock(instanceMutex);
    if (std::shared_ptr<SynthWorker> worker = instanceRef.lock())
        return worker;
    std::shared_ptr<SynthWorker> worker(new SynthWorker);
    std::promise<void> started;
    std::future<void> ready = started.get_future();
    worker->m_thread = std::thread([w = worker.get(), &started] { w->run(started); });
    try {
        ready.get();
    } catch (...) {
        worker->m_thread.join();
        throw;
    }
    instanceRef = worker;
    return worker;
}

SynthWorker::~SynthWorker()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SynthWorker::run(std::promise<void>& started)
{
    try {
        startSynthesizer();
    } catch (...) {
        started.set_exception(std::current_exception());
        return;
    }
    started.set_value();
    serve();
}

namespace {

/// The synthesizer library, started once per process: it cannot be stopped
/// and started again reliably (its own threads hang in espeak_Terminate after
/// a second espeak_Initialize), so it stays up until the process ends. Only
/// the worker thread that currently exists calls into it.
struct Synthesizer {
    std::mutex mutex;
    bool started = false;
    int sampleRate = 0;
    std::vector<VoiceInfo> voices;
};

Synthesizer& synthesizer()
{
    static Synthesizer* instance = new Synthesizer; // never destroyed, like the library's state
    return *instance;
}

} // namespace

void SynthWorker::startSynthesizer()
{
    Synthesizer& lib = synthesizer();
    const std::lock_guard lock(lib.mutex);
    if (!lib.started) {
        // The library switches LC_CTYPE for the whole process; give it back.
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        const std::string savedLocale = current ? current : "C";
        constexpr int bufferMs = 20; // a sentence's first samples come after this much sound
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, bufferMs, nullptr,
                                           espeakINITIALIZE_DONT_EXIT);
        std::setlocale(LC_CTYPE, savedLocale.c_str());
        if (rate <= 0)
            throw Error(err::EngineUnavailable,
                        QStringLiteral("The speech engine could not start: its voice data "
                                       "(espeak-ng-data) was not found."));
        espeak_SetSynthCallback(&deliverSamples);
        for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v)
            lib.voices.push_back(VoiceInfo{(*v)->identifier ? (*v)->identifier : "",
                                           trimmed((*v)->name), languagesOf(**v)});
        lib.sampleRate = rate;
        lib.started = true;
    }
    if (lib.voices.empty())
        throw Error(err::EngineUnavailable,
                    QStringLiteral("The speech engine has no voices installed."));
    m_sampleRate = lib.sampleRate;
    m_voices = lib.voices;
}

void SynthWorker::attach(std::shared_ptr<VoiceChannel> channel)
{
    {
        const std::lock_guard lock(m_mutex);
        m_channels.push_back(std::move(channel));
    }
    m_wake.notify_all();
}

void SynthWorker::detach(const VoiceChannel* channel)
{
    std::unique_lock lock(m_mutex);
    std::erase_if(m_channels, [channel](const auto& c) { return c.get() == channel; });
    m_idle.wait(lock, [&] { return m_current != channel; });
}

void SynthWorker::wake()
{
    // Taking the lock orders this wake-up after any check the worker is
    // making: it either sees the change or is already waiting for the signal.
    {
        const std::lock_guard lock(m_mutex);
    }
    m_wake.notify_all();
}

void SynthWorker::serve()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        std::shared_ptr<VoiceChannel> chosen;
        std::optional<std::chrono::microseconds> wait;
        const std::size_t count = m_channels.size();
        for (std::size_t i = 0; i < count && !chosen; ++i) {
            const std::size_t index = (m_nextChannel + i) % count;
            if (m_channels[index]->wantsSynthesis()) {
                chosen = m_channels[index];
                m_nextChannel = index + 1;
            } else if (const auto until = m_channels[index]->timeUntilRefill()) {
                wait = wait ? std::min(*wait, *until) : *until;
            }
        }
        if (!chosen) {
            // Samples drain in real time; wake when some voice needs more,
            // or when told that something changed.
            if (wait)
                m_wake.wait_for(lock, *wait);
            else
                m_wake.wait(lock);
            continue;
        }
        std::optional<SentenceJob> job = chosen->takeSentence();
        if (!job)
            continue;
        m_current = chosen.get();
        lock.unlock();
        synthesize(*chosen, *job);
        lock.lock();
        m_current = nullptr;
        m_idle.notify_all();
    }
}

void SynthWorker::synthesize(VoiceChannel& channel, const SentenceJob& job)
{
    const UtteranceSettings& settings = job.settings;
    if (settings.voiceId != m_voiceId) {
        if (espeak_SetVoiceByName(settings.voiceId.c_str()) != EE_OK) {
            m_voiceId.clear();
            channel.fail(
                job.sentence,
                Error(err::Synthesis,
                      QStringLiteral("The voice could not be loaded by the speech engine.")));
            return;
        }
        m_voiceId = settings.voiceId;
        m_wordsPerMinute = -1;
        m_punctuation = -1;
    }
    if (settings.wordsPerMinute != m_wordsPerMinute) {
        espeak_SetParameter(espeakRATE, settings.wordsPerMinute, 0);
        m_wordsPerMinute = settings.wordsPerMinute;
    }
    const int punctuation = settings.punctuation ? espeakPUNCT_ALL : espeakPUNCT_NONE;
    if (punctuation != m_punctuation) {
        espeak_SetParameter(espeakPUNCTUATION, punctuation, 0);
        m_punctuation = punctuation;
    }

    Delivery delivery{&channel,
                      job.sentence,
                      job.wantsWords ? utf16Offsets(job.utf8) : std::vector<qsizetype>{},
                      {}};
    currentDelivery = &delivery;
    const espeak_ERROR result =
        espeak_Synth(job.utf8.constData(), static_cast<std::size_t>(job.utf8.size()) + 1, 0,
                     POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    currentDelivery = nullptr;
    if (result != EE_OK && !delivery.stopped)
        channel.fail(
            job.sentence,
            Error(err::Synthesis, QStringLiteral("The speech engine could not speak the text.")));
    else
        channel.finishSentence(job.sentence);
}

} // namespace platform::speech

namespace platform::speech {

std::size_t defaultVoiceIndex(const std::vector<VoiceInfo>& voices, const QString& localeName)
{
    QString tag = localeName.toLower();
    tag.replace(u'_', u'-');
    const std::string full = tag.toStdString();
    const std::string language = tag.section(u'-', 0, 0).toStdString();
    const auto best = [&voices](const std::string& wanted) -> std::optional<std::size_t> {
        std::optional<std::size_t> found;
        int foundPriority = 0;
        for (std::size_t i = 0; i < voices.size(); ++i) {
            for (const auto& [priority, code] : voices[i].languages) {
                if (code == wanted && (!found || priority < foundPriority)) {
                    found = i;
                    foundPriority = priority;
                }
            }
        }
        return found;
    };
    if (const auto index = best(full))
        return *index;
    if (const auto index = best(language))
        return *index;
    for (std::size_t i = 0; i < voices.size(); ++i) {
        if (voices[i].description == QStringLiteral("English (Great Britain)"))
            return i;
    }
    return 0;
}

} // namespace platform::speech
