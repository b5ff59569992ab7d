#pragma once

#include "platform/speech/voice.h"
#include "platform/speech/voicechannel.h"

#include <memory>

namespace platform {

namespace speech {
class AudioOutput;
class SynthWorker;
} // namespace speech

/// The real engine: espeak-ng synthesis on one worker thread shared by all
/// voices, played through one SDL2 device that mixes them. The worker starts
/// with the first voice and stops when the engine and its voices are gone.
class EspeakEngine final : public SpeechEngine {
public:
    /// capturePath, when not empty: a WAV file that also receives every
    /// sample played (tests and measurements).
    explicit EspeakEngine(QString capturePath = {});
    ~EspeakEngine() override;
    std::unique_ptr<ISpeechVoice> createVoice() override;
    QString defaultVoiceDescription() override;

private:
    speech::SynthWorker& worker();
    QString m_capturePath;
    std::shared_ptr<speech::SynthWorker> m_worker;
};

/// A voice of the real engine. Rate, voice and punctuation reading are taken
/// at each Speak; volume, pause and skip act on what is playing.
class SpVoice final : public ISpeechVoice {
public:
    SpVoice(std::shared_ptr<speech::SynthWorker> worker, QString capturePath);
    ~SpVoice() override;

    void setRate(long rate) override { m_rate = rate; }
    long Rate() const override { return m_rate; }
    void setVolume(long volume) override;
    long Volume() const override { return m_volume; }
    ISpeechObjectTokens GetVoices(const QString& requiredAttributes,
                                  const QString& optionalAttributes) override;
    void setVoice(const ISpeechObjectToken& token) override;
    long Speak(const QString& text, long flags) override;
    void Pause() override;
    void Resume() override;
    long Skip(const QString& type, long numItems) override;
    long SkipTo(long position) override;
    void setRateFromNextSentence(long rate) override;
    ISpeechVoiceStatus Status() override;
    std::unique_ptr<AudioFileConversion> SpeakToFile(const QString& text, long flags,
                                                     const AudioFileTarget& target) override;

    /// The description of the voice in use.
    QString voiceDescription() const;
    /// What this voice has played so far (measurements and tests).
    speech::PlaybackCounters counters() const;

private:
    void openOutput();
    void syncOutput();
    /// How text given now is to sound: the voice and rate in force, and the
    /// flags' punctuation reading.
    speech::UtteranceSettings utteranceSettings(long flags) const;
    /// Raises platform::Error while a conversion of this voice runs.
    void checkNotConverting() const;

    std::shared_ptr<speech::SynthWorker> m_worker;
    QString m_capturePath;
    std::shared_ptr<speech::VoiceChannel> m_channel;
    std::shared_ptr<speech::AudioOutput> m_output;          ///< set once this voice has spoken
    std::weak_ptr<const speech::VoiceChannel> m_conversion; ///< of the latest SpeakToFile
    std::size_t m_voiceIndex = 0;
    long m_rate = 0;
    long m_volume = 100;
};

} // namespace platform
