#include "platform/speech/spvoice.h"

#include "platform/error.h"
#include "platform/speech/audiooutput.h"
#include "platform/speech/sentences.h"
#include "platform/speech/speechfile.h"
#include "platform/speech/synthworker.h"

#include <QLocale>

#include <algorithm>
#include <limits>

namespace platform {

EspeakEngine::EspeakEngine(QString capturePath) : m_capturePath(std::move(capturePath)) {}

EspeakEngine::~EspeakEngine() = default;

speech::SynthWorker& EspeakEngine::worker()
{
    // Started on first use, so that a program that never speaks never pays for it.
    if (!m_worker)
        m_worker = speech::SynthWorker::instance();
    return *m_worker;
}

std::unique_ptr<ISpeechVoice> EspeakEngine::createVoice()
{
    worker();
    return std::make_unique<SpVoice>(m_worker, m_capturePath);
}

QString EspeakEngine::defaultVoiceDescription()
{
    const auto& voices = worker().voices();
    return voices[speech::defaultVoiceIndex(voices, QLocale::system().name())].description;
}

SpVoice::SpVoice(std::shared_ptr<speech::SynthWorker> worker, QString capturePath)
    : m_worker(std::move(worker)), m_capturePath(std::move(capturePath)),
      m_channel(std::make_shared<speech::VoiceChannel>(m_worker->sampleRate())),
      m_voiceIndex(speech::defaultVoiceIndex(m_worker->voices(), QLocale::system().name()))
{
}

SpVoice::~SpVoice()
{
    // Whatever is still playing stops here: the synthesizer lets go of this
    // voice before its device closes.
    m_channel->close();
    if (m_output) {
        m_worker->detach(m_channel.get());
        m_output->detach(*m_channel);
    }
}

void SpVoice::setVolume(long volume)
{
    if (volume < 0 || volume > 100)
        throw invalidCall(QStringLiteral("the volume must lie between 0 and 100"));
    m_volume = volume;
    m_channel->setVolume(static_cast<int>(volume));
}

ISpeechObjectTokens SpVoice::GetVoices(const QString& requiredAttributes,
                                       const QString& optionalAttributes)
{
    // Every voice is returned whatever the attributes ask for.
    static_cast<void>(requiredAttributes);
    static_cast<void>(optionalAttributes);
    std::vector<ISpeechObjectToken> tokens;
    tokens.reserve(m_worker->voices().size());
    for (const speech::VoiceInfo& voice : m_worker->voices())
        tokens.emplace_back(QString::fromStdString(voice.id), voice.description);
    return ISpeechObjectTokens(std::move(tokens));
}

void SpVoice::setVoice(const ISpeechObjectToken& token)
{
    const auto& voices = m_worker->voices();
    const std::string id = token.Id().toStdString();
    for (std::size_t i = 0; i < voices.size(); ++i) {
        if (voices[i].id == id) {
            m_voiceIndex = i;
            return;
        }
    }
    throw invalidCall(QStringLiteral("the voice \"") + token.GetDescription() +
                      QStringLiteral("\" is not installed"));
}

QString SpVoice::voiceDescription() const
{
    return m_worker->voices()[m_voiceIndex].description;
}

void SpVoice::openOutput()
{
    if (m_output)
        return;
    std::shared_ptr<speech::AudioOutput> output = speech::AudioOutput::instance(m_capturePath);
    output->attach(*m_channel, m_worker->sampleRate());
    m_output = std::move(output);
    m_worker->attach(m_channel);
}

void SpVoice::syncOutput()
{
    if (m_output)
        m_output->sync();
}

speech::UtteranceSettings SpVoice::utteranceSettings(long flags) const
{
    const speech::VoiceInfo& voice = m_worker->voices()[m_voiceIndex];
    return {voice.id, voice.languages.empty() ? std::string() : voice.languages.front().second,
            speech::wordsPerMinute(m_rate), (flags & SVSFNLPSpeakPunc) != 0};
}

void SpVoice::checkNotConverting() const
{
    const std::shared_ptr<const speech::VoiceChannel> conversion = m_conversion.lock();
    if (conversion && !conversion->isDone())
        throw invalidCall(QStringLiteral("the voice is saving speech to a file"));
}

long SpVoice::Speak(const QString& text, long flags)
{
    constexpr long known = SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFNLPSpeakPunc;
    if ((flags & ~known) != 0)
        throw invalidCall(QStringLiteral("unsupported speak flags ") + QString::number(flags));
    checkNotConverting();
    openOutput();
    if (flags & SVSFPurgeBeforeSpeak)
        m_channel->skip(std::numeric_limits<long>::max());
    const long stream = m_channel->enqueue(text, utteranceSettings(flags));
    syncOutput();
    m_worker->wake();
    if (!(flags & SVSFlagsAsync)) {
        m_channel->waitUntilDone();
        syncOutput();
        if (std::optional<Error> failure = m_channel->takeFailure())
            throw *failure;
    }
    return stream;
}

void SpVoice::Pause()
{
    m_channel->setPaused(true);
    syncOutput();
}

void SpVoice::Resume()
{
    m_channel->setPaused(false);
    syncOutput();
    m_worker->wake();
}

long SpVoice::Skip(const QString& type, long numItems)
{
    if (type.compare(QStringLiteral("Sentence"), Qt::CaseInsensitive) != 0)
        throw invalidCall(QStringLiteral("only sentences can be skipped"));
    constexpr long most = std::numeric_limits<long>::max();
    const long skipped = numItems > 0 ? m_channel->skip(numItems)
                                      : m_channel->skipBack(numItems < -most ? most : -numItems);
    syncOutput();
    m_worker->wake();
    return skipped;
}

long SpVoice::SkipTo(long position)
{
    const qsizetype begin = m_channel->seek(std::max(position, 0L));
    syncOutput();
    m_worker->wake();
    return static_cast<long>(begin);
}

void SpVoice::setRateFromNextSentence(long rate)
{
    m_rate = rate;
    m_channel->setWordsPerMinute(speech::wordsPerMinute(rate));
    m_worker->wake();
}

ISpeechVoiceStatus SpVoice::Status()
{
    if (std::optional<Error> failure = m_channel->takeFailure())
        throw *failure;
    const bool done = m_channel->isDone();
    if (done) {
        syncOutput(); // nothing left to play: the device rests
        return {};
    }
    const speech::HeardPlace place = m_channel->heard();
    return {SRSEIsSpeaking,
            static_cast<long>(place.wordBegin),
            static_cast<long>(place.wordLength),
            static_cast<long>(place.sentenceBegin),
            static_cast<long>(place.sentenceLength),
            static_cast<long>(place.sentenceSamples * 1000 / m_worker->sampleRate())};
}

std::unique_ptr<AudioFileConversion> SpVoice::SpeakToFile(const QString& text, long flags,
                                                          const AudioFileTarget& target)
{
    constexpr long known = SVSFlagsAsync | SVSFNLPSpeakPunc;
    if ((flags & ~known) != 0)
        throw invalidCall(QStringLiteral("unsupported speak flags ") + QString::number(flags));
    checkNotConverting();
    if (!m_channel->isDone())
        throw invalidCall(QStringLiteral("the voice is speaking"));
    auto conversion = std::make_unique<speech::SpeechFileConversion>(
        m_worker, text, utteranceSettings(flags), static_cast<int>(m_volume), target);
    m_conversion = conversion->channel();
    return conversion;
}

speech::PlaybackCounters SpVoice::counters() const
{
    return m_channel->counters();
}

} // namespace platform
