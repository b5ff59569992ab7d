#pragma once

#include "platform/error.h"
#include "platform/speech/sentences.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::speech {

/// How one Speak call is to sound; taken when Speak is called.
struct UtteranceSettings {
    std::string voiceId;
    /// The voice's language tag ("en-gb"): where its sentences end.
    std::string language;
    int wordsPerMinute = 175;
    bool punctuation = false;
};

/// A word of a sentence as the synthesizer reports it: the sample at which it
/// starts to sound (counted from the sentence's first sample) and its place
/// as UTF-16 offsets in the sentence.
struct WordMark {
    std::int64_t sample = 0;
    qsizetype begin = 0;
    qsizetype length = 0;
};

/// What is being heard: UTF-16 offsets in the text of the utterance
/// playing; a length of 0 means none.
struct HeardPlace {
    qsizetype sentenceBegin = 0;
    qsizetype sentenceLength = 0;
    qsizetype wordBegin = 0;
    qsizetype wordLength = 0;
    /// Samples of the sentence played so far.
    std::int64_t sentenceSamples = 0;
    /// The same place, however long it has sounded.
    bool operator==(const HeardPlace& other) const
    {
        return sentenceBegin == other.sentenceBegin && sentenceLength == other.sentenceLength &&
               wordBegin == other.wordBegin && wordLength == other.wordLength;
    }
};

/// One sentence for the synthesizer.
struct SentenceJob {
    std::int64_t sentence = -1;
    QByteArray utf8;
    UtteranceSettings settings;
    /// Its words are wanted: the samples go to a device someone watches.
    bool wantsWords = true;
};

using SteadyTime = std::chrono::steady_clock::time_point;

/// What a voice has played so far, for diagnostics and measurements.
struct PlaybackCounters {
    std::int64_t samplesQueued = 0;
    std::int64_t samplesPlayed = 0;
    /// When the first sample of the latest Speak was queued for the device,
    /// and when the device took it.
    std::optional<SteadyTime> firstSampleQueued;
    std::optional<SteadyTime> firstSamplePlayed;
    /// When the output last ran out of samples (the last one was played).
    std::optional<SteadyTime> playbackEnded;
    /// When the device last took the first sample of a word, and of a sentence.
    std::optional<SteadyTime> wordReached;
    std::optional<SteadyTime> sentenceReached;
};

/// Who takes a channel's samples.
enum class SampleSink {
    SoundDevice, ///< in real time: the synthesizer keeps about half a second ahead
    File         ///< as fast as they come: the taker wakes the synthesizer
};

/// Everything one voice has to say and to play, shared by three threads: the
/// voice's owner (Speak, Pause, Skip, Status), the synthesizer thread (takes
/// sentences, delivers samples) and the sound device (plays samples) or the
/// encoder of an audio file (takes them).
/// Sentences are numbered in speaking order across all queued texts, so that
/// Skip can drop whole sentences wherever they are: still text, being
/// synthesized, or waiting as samples.
class VoiceChannel {
public:
    explicit VoiceChannel(int sampleRate, SampleSink sink = SampleSink::SoundDevice);
    VoiceChannel(const VoiceChannel&) = delete;
    VoiceChannel& operator=(const VoiceChannel&) = delete;

    // ---- the voice's owner ------------------------------------------------
    /// Queues text after what is already queued; returns its stream number.
    long enqueue(const QString& text, UtteranceSettings settings);
    /// Drops the current sentence and the count - 1 after it; returns how
    /// many sentences were dropped.
    long skip(long count);
    /// Restarts the sentence count sentences before the current one, at the
    /// first sentence of the current utterance at the earliest (count 0
    /// restarts the current one); returns how many sentences it went back.
    long skipBack(long count);
    /// Restarts the reading at the sentence of the utterance being heard that
    /// holds position (a UTF-16 offset in its text; one in the white space
    /// after a sentence counts as in it); returns where that sentence
    /// begins, or -1 when nothing is being spoken.
    qsizetype seek(qsizetype position);
    /// The speed of the queued text from the sentence after the one being
    /// heard on: what was made of it already is made again.
    void setWordsPerMinute(int wordsPerMinute);
    /// The sentence and word being played; nothing once everything is done.
    HeardPlace heard() const;
    void setVolume(int volume);
    void setPaused(bool paused);
    /// Everything queued has been played or skipped.
    bool isDone() const;
    /// Blocks until isDone() or a failure.
    void waitUntilDone();
    /// A failure of the synthesizer since the last call, reported once.
    std::optional<Error> takeFailure();
    /// Drops everything; later samples are refused.
    void close();
    bool isClosed() const;
    PlaybackCounters counters() const;
    /// The share (0..1) of the queued text already handed to the synthesizer.
    double shareOfTextTaken() const;

    // ---- the synthesizer thread -------------------------------------------
    /// There is a sentence to synthesize and room for its samples.
    bool wantsSynthesis() const;
    /// How long until the queued samples fall below the refill mark; nullopt
    /// when this voice is not waiting for that (nothing to say, or paused).
    std::optional<std::chrono::microseconds> timeUntilRefill() const;
    /// Takes the next sentence and marks it as being synthesized.
    std::optional<SentenceJob> takeSentence();
    /// Appends samples of a sentence, with the words that start in them (or
    /// soon after); false when the sentence is no longer wanted (skipped or
    /// closed) and its synthesis should stop.
    bool deliver(std::int64_t sentence, const short* samples, int count,
                 const std::vector<WordMark>& words = {});
    void finishSentence(std::int64_t sentence);
    /// The sentence failed: the rest of the text is dropped, the failure kept.
    void fail(std::int64_t sentence, Error error);

    // ---- the sound device -------------------------------------------------
    /// Fills out with count samples: queued ones at the current volume, then
    /// silence. Returns how many were queued samples.
    int fill(std::int16_t* out, int count);
    /// The device should run: something is left to play and it is not paused.
    bool wantsOutput() const;

    // ---- the encoder of an audio file ---------------------------------------
    /// Waits for count samples (fewer at the end of the text) and moves them
    /// to out, at the current volume. Returns 0 once everything has been
    /// taken, or on close or a failure.
    std::size_t take(std::int16_t* out, std::size_t count);

private:
    struct Utterance {
        QString text;
        SentenceSplitter* splitter = nullptr; ///< of its language, owned by the channel
        qsizetype pos = 0;                    ///< the next sentence starts here (never white space)
        qsizetype end = 0;                    ///< the text without its trailing white space
        UtteranceSettings settings;
        long stream = 0;
    };
    struct Segment {
        std::int64_t sentence;
        std::vector<std::int16_t> samples;
        std::size_t pos = 0;
        qsizetype textBegin = 0; ///< the sentence in its utterance's text
        qsizetype textLength = 0;
        long stream = 0;
        std::vector<WordMark> words;  ///< places in the utterance's text
        std::size_t nextWord = 0;     ///< the first word not yet reached
        std::int64_t firstSample = 0; ///< of samples[0], counted in the sentence
    };
    /// A sentence already cut off its text, kept so that the reading can go
    /// back to it.
    struct CutSentence {
        std::int64_t sentence;
        long stream;
        qsizetype begin;
    };

    /// Cuts the next sentence off the front text; its [begin, end) in text.
    /// Numbers it, remembers it, and retires the text once all of it is cut.
    std::pair<qsizetype, qsizetype> cutSentence();
    /// The sentence being heard: the first with samples left, else the one
    /// being synthesized, else the next to cut.
    std::int64_t currentSentence() const;
    /// Puts the place heard at the front of what is left to play.
    void notePlace();
    /// Drops the utterances and cut sentences the reading can no longer go
    /// back to: those before the stream being heard.
    void forgetBefore(long stream);
    /// The index in m_cut of the current sentence (m_cut.size() when it is
    /// not cut yet), and its stream (0 when nothing is left).
    std::pair<std::size_t, long> currentCut() const;
    /// Makes the text from cut sentence target on uncut again: it is cut,
    /// synthesized and played anew from there.
    void uncutFrom(std::size_t target);
    /// Drops every sample and the sentence being synthesized.
    void dropAudio();
    SentenceSplitter& splitterFor(const std::string& language);
    bool doneLocked() const;
    /// Moves up to count queued samples to out at the current volume.
    std::size_t copyOut(std::int16_t* out, std::size_t count);

    const SampleSink m_sink;
    const std::size_t m_refillMark;
    const int m_sampleRate;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, SentenceSplitter> m_splitters;
    std::deque<Utterance> m_text;
    std::deque<Utterance> m_spent; ///< fully cut, kept for going back
    std::deque<CutSentence> m_cut; ///< in speaking order
    qsizetype m_synthBegin = 0;    ///< the sentence being synthesized in its text
    qsizetype m_synthLength = 0;
    long m_synthStream = 0;
    std::int64_t m_synthDelivered = 0; ///< samples of that sentence so far
    HeardPlace m_heard;
    std::deque<Segment> m_audio;
    std::size_t m_buffered = 0;
    std::int64_t m_nextSentence = 0;
    std::int64_t m_synthesizing = -1;
    int m_volume = 100;
    bool m_paused = false;
    bool m_drained = true;
    bool m_closed = false;
    long m_streams = 0;
    qsizetype m_textQueued = 0;
    std::size_t m_takeWanted = 0; ///< samples take() waits for; 0 when nobody waits
    std::optional<Error> m_failure;
    PlaybackCounters m_counters;
};

} // namespace platform::speech
