#pragma once

#include "fake_audiofile.h"

#include "platform/error.h"
#include "platform/speech/voice.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

/// What every fake voice did, in order, shared by all voices of one engine.
struct SpeechLog {
    struct Spoken {
        int voice;     ///< which voice spoke: 0 is the first created
        QString token; ///< the voice token in use
        long rate;
        long volume;
        QString text;
        long flags;
    };
    QList<Spoken> spoken;
    /// What SpeakToFile was given: the sound as Speak would have it, and the file.
    struct Converted {
        Spoken speech;
        platform::AudioFileTarget target;
    };
    QList<Converted> converted;
    ConversionScript conversion; ///< how the next conversion behaves
    QStringList calls;           ///< "Rate 2", "Volume 0", "Pause", "Skip Sentence 2147483647"...
    int created = 0;
    int destroyed = 0;
    /// Runs inside every Speak, to look at the program while a voice speaks.
    std::function<void(const Spoken&)> onSpeak;
};

/// A voice that records what it is told and answers RunningState from a
/// script (then from `runningState`).
class FakeVoice final : public platform::ISpeechVoice {
public:
    FakeVoice(SpeechLog& log, const QStringList& voices, int index, QString token)
        : m_log(log), m_voices(voices), m_index(index), m_token(std::move(token))
    {
    }
    ~FakeVoice() override { ++m_log.destroyed; }

    void setRate(long rate) override
    {
        m_rate = rate;
        record(QStringLiteral("Rate ") + QString::number(rate));
    }
    long Rate() const override { return m_rate; }
    void setVolume(long volume) override
    {
        m_volume = volume;
        record(QStringLiteral("Volume ") + QString::number(volume));
    }
    long Volume() const override { return m_volume; }
    platform::ISpeechObjectTokens GetVoices(const QString&, const QString&) override
    {
        std::vector<platform::ISpeechObjectToken> tokens;
        for (const QString& name : m_voices)
            tokens.emplace_back(name, name);
        return platform::ISpeechObjectTokens(std::move(tokens));
    }
    void setVoice(const platform::ISpeechObjectToken& token) override
    {
        m_token = token.Id();
        record(QStringLiteral("Voice ") + m_token);
    }
    long Speak(const QString& text, long flags) override
    {
        if (failSpeak)
            throw platform::Error(-2147200966, QStringLiteral("The engine refused the text"));
        m_log.spoken.append({m_index, m_token, m_rate, m_volume, text, flags});
        record(QStringLiteral("Speak ") + QString::number(flags));
        if (m_log.onSpeak)
            m_log.onSpeak(m_log.spoken.constLast());
        return ++m_streams;
    }
    void Pause() override { maybeFail(QStringLiteral("Pause")); }
    void Resume() override { maybeFail(QStringLiteral("Resume")); }
    long Skip(const QString& type, long count) override
    {
        maybeFail(QStringLiteral("Skip ") + type + u' ' + QString::number(count));
        return 0;
    }
    long SkipTo(long position) override
    {
        maybeFail(QStringLiteral("SkipTo ") + QString::number(position));
        return position;
    }
    void setRateFromNextSentence(long rate) override
    {
        m_rate = rate;
        maybeFail(QStringLiteral("RateFromNextSentence ") + QString::number(rate));
    }
    std::unique_ptr<platform::AudioFileConversion>
    SpeakToFile(const QString& text, long flags, const platform::AudioFileTarget& target) override
    {
        record(QStringLiteral("SpeakToFile ") + QString::number(flags));
        if (m_log.conversion.startFailure)
            throw *m_log.conversion.startFailure;
        m_log.converted.append({{m_index, m_token, m_rate, m_volume, text, flags}, target});
        return std::make_unique<FakeAudioFileConversion>(m_log.conversion);
    }
    platform::ISpeechVoiceStatus Status() override
    {
        if (failStatus)
            throw platform::Error(-2147201021, QStringLiteral("The audio device failed"));
        platform::ISpeechVoiceStatus status = heard;
        status.RunningState = runningStates.isEmpty() ? runningState : runningStates.takeFirst();
        return status;
    }

    QString token() const { return m_token; }

    QList<long> runningStates;
    long runningState = platform::SRSEIsSpeaking;
    /// The word and sentence Status reports as heard (its RunningState is not used).
    platform::ISpeechVoiceStatus heard;
    bool failSpeak = false;
    bool failStatus = false;
    bool failControl = false;

private:
    void record(const QString& call) { m_log.calls.append(call); }
    void maybeFail(const QString& call)
    {
        record(call);
        if (failControl)
            throw platform::Error(-2147201021, QStringLiteral("The audio device failed"));
    }

    SpeechLog& m_log;
    QStringList m_voices;
    int m_index;
    QString m_token;
    long m_rate = 0;
    long m_volume = 100;
    long m_streams = 0;
};

/// Creates FakeVoices that know the installed voices `voices`.
class FakeSpeechEngine final : public platform::SpeechEngine {
public:
    std::unique_ptr<platform::ISpeechVoice> createVoice() override
    {
        if (failCreate)
            throw platform::Error(429, QStringLiteral("The speech engine is not available"));
        auto voice = std::make_unique<FakeVoice>(log, voices, log.created++, defaultVoice);
        last = voice.get();
        if (!first)
            first = voice.get();
        return voice;
    }

    QString defaultVoiceDescription() override { return defaultVoice; }

    QStringList voices = {QStringLiteral("English (Great Britain)"),
                          QStringLiteral("English (America)"), QStringLiteral("German")};
    /// The voice a new voice speaks with.
    QString defaultVoice = QStringLiteral("English (Great Britain)");
    SpeechLog log;
    FakeVoice* first = nullptr; ///< the first voice created (the program's own)
    FakeVoice* last = nullptr;  ///< the voice created last
    bool failCreate = false;
};
