#pragma once

#include "platform/audiofile/audioformat.h"

#include <QString>

#include <chrono>
#include <memory>
#include <vector>

namespace platform {

/// Flags of Speak.
enum SpeechVoiceSpeakFlags : long {
    SVSFDefault = 0,          ///< returns when the text has been spoken
    SVSFlagsAsync = 1,        ///< returns at once, speaks in the background
    SVSFPurgeBeforeSpeak = 2, ///< drops what is still queued first
    SVSFNLPSpeakPunc = 64     ///< punctuation marks are read aloud
};

/// Values of ISpeechVoiceStatus::RunningState.
enum SpeechRunState : long { SRSEDone = 1, SRSEIsSpeaking = 2 };

/// One installed voice.
class ISpeechObjectToken {
public:
    ISpeechObjectToken() = default;
    ISpeechObjectToken(QString id, QString description)
        : m_id(std::move(id)), m_description(std::move(description))
    {
    }
    /// The engine's own name for the voice.
    const QString& Id() const { return m_id; }
    /// The voice's display name.
    QString GetDescription(long locale = 0) const
    {
        static_cast<void>(locale);
        return m_description;
    }

private:
    QString m_id;
    QString m_description;
};

/// The installed voices, in the engine's enumeration order.
class ISpeechObjectTokens {
public:
    ISpeechObjectTokens() = default;
    explicit ISpeechObjectTokens(std::vector<ISpeechObjectToken> tokens)
        : m_tokens(std::move(tokens))
    {
    }
    long Count() const { return static_cast<long>(m_tokens.size()); }
    /// The token at a 0-based index; outside the collection raises Error 5.
    const ISpeechObjectToken& Item(long index) const;

private:
    std::vector<ISpeechObjectToken> m_tokens;
};

/// A snapshot of a voice's progress. The word and the sentence are those
/// being heard (played by the device, not merely synthesized), as UTF-16
/// offsets into the text given to Speak; a length of 0 means none.
struct ISpeechVoiceStatus {
    long RunningState = SRSEDone;
    long InputWordPosition = 0;
    long InputWordLength = 0;
    long InputSentencePosition = 0;
    long InputSentenceLength = 0;
    /// How long the sentence being heard has sounded so far, pauses not counted.
    long SentenceElapsedMs = 0;
};

/// Where ISpeechVoice::SpeakToFile saves the speech.
struct AudioFileTarget {
    QString path;
    AudioFormat format = AudioFormat::Wav;
    QString title; ///< the file's title tag
};

/// Speech being saved to an audio file in the background, as fast as the
/// engine and the encoder go. Destroying it before it is done cancels it.
class AudioFileConversion {
public:
    AudioFileConversion() = default;
    AudioFileConversion(const AudioFileConversion&) = delete;
    AudioFileConversion& operator=(const AudioFileConversion&) = delete;
    virtual ~AudioFileConversion() = default;

    /// The share of the text done so far, 0..1.
    virtual double progress() const = 0;
    /// The file is complete, or the conversion failed or was cancelled.
    virtual bool isDone() const = 0;
    /// Waits up to timeout for isDone(); returns it.
    virtual bool waitFor(std::chrono::milliseconds timeout) = 0;
    /// Stops the conversion; returns once nothing of the file is left behind
    /// (an older file of that name stays as it was). Nothing happens once done.
    virtual void cancel() = 0;
    /// After isDone(): raises the failure, if there was one (the folder or
    /// the disk said no, the engine failed).
    virtual void rethrowFailure() const = 0;
};

/// A speech voice: the operations the program performs on the engine.
/// Every failure raises platform::Error with a description a user understands.
class ISpeechVoice {
public:
    ISpeechVoice() = default;
    ISpeechVoice(const ISpeechVoice&) = delete;
    ISpeechVoice& operator=(const ISpeechVoice&) = delete;
    virtual ~ISpeechVoice() = default;

    /// Speed of later speech, -10..10, 0 normal.
    virtual void setRate(long rate) = 0;
    virtual long Rate() const = 0;
    /// Loudness 0..100 from now on.
    virtual void setVolume(long volume) = 0;
    virtual long Volume() const = 0;
    /// Every installed voice, in the same order at every call.
    virtual ISpeechObjectTokens GetVoices(const QString& requiredAttributes,
                                          const QString& optionalAttributes) = 0;
    /// Later speech uses this voice.
    virtual void setVoice(const ISpeechObjectToken& token) = 0;
    /// Speaks text with SpeechVoiceSpeakFlags; returns a stream number.
    virtual long Speak(const QString& text, long flags) = 0;
    /// Output halts at the current place / continues from it.
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    /// Moves the reading by numItems sentences ("Sentence" items): forward
    /// drops the current sentence and numItems - 1 after it; backward
    /// restarts the sentence numItems before the current one (never before
    /// the first of the text being spoken), and 0 the current one. Returns
    /// the count moved over.
    virtual long Skip(const QString& type, long numItems) = 0;
    /// Restarts the reading at the sentence that holds position (a UTF-16
    /// offset into the text of the Speak being heard), at once; a paused
    /// voice stays paused. Returns where that sentence begins, or -1 when
    /// nothing is being spoken.
    virtual long SkipTo(long position) = 0;
    /// Speed of later speech, -10..10, and of the text being spoken from the
    /// sentence after the one being heard on.
    virtual void setRateFromNextSentence(long rate) = 0;
    virtual ISpeechVoiceStatus Status() = 0;
    /// Speaks text into an audio file instead of the sound device, with the
    /// voice, rate, volume and flags (SVSFNLPSpeakPunc) Speak would use; the
    /// voice cannot speak until the conversion is done. Raises
    /// platform::Error when the voice is speaking or the file cannot be
    /// started (its folder cannot be written).
    virtual std::unique_ptr<AudioFileConversion> SpeakToFile(const QString& text, long flags,
                                                             const AudioFileTarget& target) = 0;
};

/// Creates voices with the system's default voice, rate and volume.
class SpeechEngine {
public:
    SpeechEngine() = default;
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;
    virtual ~SpeechEngine() = default;

    virtual std::unique_ptr<ISpeechVoice> createVoice() = 0;
    /// The description of the voice a new voice speaks with: the voice of
    /// the user's language, else "English (Great Britain)" (all this base
    /// knows, so engines made only to stand in need not say).
    virtual QString defaultVoiceDescription() { return QStringLiteral("English (Great Britain)"); }
};

} // namespace platform
