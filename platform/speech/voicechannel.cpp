#include "platform/speech/voicechannel.h"

#include "platform/speech/sentences.h"

#include <algorithm>
#include <limits>

namespace platform::speech {
namespace {
/// About half a second of samples is kept ahead of the device; the rest of
/// the text waits as text.
constexpr double refillSeconds = 0.5;
/// An encoder takes samples in bursts: a few seconds ahead keep both threads
/// busy without holding more than a few hundred kilobytes.
constexpr double fileRefillSeconds = 4.0;
} // namespace

VoiceChannel::VoiceChannel(int sampleRate, SampleSink sink)
    : m_sink(sink),
      m_refillMark(static_cast<std::size_t>(
          sampleRate * (sink == SampleSink::File ? fileRefillSeconds : refillSeconds))),
      m_sampleRate(sampleRate)
{
}

long VoiceChannel::enqueue(const QString& text, UtteranceSettings settings)
{
    const std::lock_guard lock(m_mutex);
    const long stream = ++m_streams;
    if (doneLocked())
        m_heard = {}; // the place heard last belongs to a reading that is over
    m_counters.firstSampleQueued.reset();
    m_counters.firstSamplePlayed.reset();
    SentenceSplitter& splitter = splitterFor(settings.language);
    Utterance utterance{text, &splitter, 0, text.size(), std::move(settings), stream};
    while (utterance.end > 0 && text[utterance.end - 1].isSpace())
        --utterance.end;
    utterance.pos = skipBlanks(QStringView(text).first(utterance.end), 0);
    if (utterance.pos < utterance.end && !m_closed) {
        m_textQueued += utterance.end - utterance.pos;
        m_text.push_back(std::move(utterance));
    }
    m_changed.notify_all();
    return stream;
}

SentenceSplitter& VoiceChannel::splitterFor(const std::string& language)
{
    auto found = m_splitters.find(language);
    if (found == m_splitters.end())
        found = m_splitters.emplace(language, SentenceSplitter(language)).first;
    return found->second;
}

std::pair<qsizetype, qsizetype> VoiceChannel::cutSentence()
{
    Utterance& utterance = m_text.front();
    const QStringView text = QStringView(utterance.text).first(utterance.end);
    const qsizetype begin = utterance.pos;
    qsizetype end = utterance.splitter->end(text, begin);
    utterance.pos = skipBlanks(text, end);
    while (end > begin && text[end - 1].isSpace())
        --end;
    // An audio file is never read backwards: it keeps no history.
    const bool keep = m_sink == SampleSink::SoundDevice;
    if (keep)
        m_cut.push_back(CutSentence{m_nextSentence, utterance.stream, begin});
    ++m_nextSentence;
    if (utterance.pos >= utterance.end) {
        if (keep)
            m_spent.push_back(std::move(utterance));
        m_text.pop_front();
    }
    return {begin, end};
}

std::int64_t VoiceChannel::currentSentence() const
{
    return !m_audio.empty()      ? m_audio.front().sentence
           : m_synthesizing >= 0 ? m_synthesizing
                                 : m_nextSentence;
}

void VoiceChannel::notePlace()
{
    if (!m_audio.empty()) {
        const Segment& segment = m_audio.front();
        m_heard = {segment.textBegin, segment.textLength, 0, 0};
        if (segment.nextWord > 0) {
            const WordMark& word = segment.words[segment.nextWord - 1];
            m_heard.wordBegin = word.begin;
            m_heard.wordLength = word.length;
        }
    } else if (m_synthesizing >= 0) {
        m_heard = {m_synthBegin, m_synthLength, 0, 0};
    } else if (!m_text.empty()) {
        const Utterance& utterance = m_text.front();
        const QStringView text = QStringView(utterance.text).first(utterance.end);
        qsizetype end = utterance.splitter->end(text, utterance.pos);
        while (end > utterance.pos && text[end - 1].isSpace())
            --end;
        m_heard = {utterance.pos, end - utterance.pos, 0, 0};
    } else {
        m_heard = {};
        m_cut.clear();
        m_spent.clear();
    }
}

void VoiceChannel::forgetBefore(long stream)
{
    while (!m_cut.empty() && m_cut.front().stream < stream)
        m_cut.pop_front();
    while (!m_spent.empty() && m_spent.front().stream < stream)
        m_spent.pop_front();
}

long VoiceChannel::skip(long count)
{
    if (count <= 0)
        return 0;
    const std::lock_guard lock(m_mutex);
    const std::int64_t current = currentSentence();
    const std::int64_t target = current > std::numeric_limits<std::int64_t>::max() - count
                                    ? std::numeric_limits<std::int64_t>::max()
                                    : current + count;
    long skipped = 0;
    std::int64_t counted = -1;
    const auto countOnce = [&](std::int64_t sentence) {
        if (sentence != counted) {
            ++skipped;
            counted = sentence;
        }
    };
    while (!m_audio.empty() && m_audio.front().sentence < target) {
        const Segment& segment = m_audio.front();
        countOnce(segment.sentence);
        m_buffered -= segment.samples.size() - segment.pos;
        m_audio.pop_front();
    }
    if (m_synthesizing >= 0 && m_synthesizing < target) {
        countOnce(m_synthesizing);
        m_synthesizing = -1; // its synthesis stops at its next delivery
    }
    if (!m_text.empty()) {
        qsizetype left = 0;
        for (const Utterance& u : m_text)
            left += u.splitter->count(QStringView(u.text).first(u.end), u.pos);
        if (left <= target - m_nextSentence) {
            // Everything goes, without cutting the text up sentence by sentence.
            skipped += static_cast<long>(left);
            m_nextSentence += left;
            m_text.clear();
        }
    }
    while (m_nextSentence < target && !m_text.empty()) {
        cutSentence();
        ++skipped;
    }
    // Samples already handed to the device play out within one device period.
    if (m_audio.empty())
        m_drained = true;
    notePlace();
    m_changed.notify_all();
    return skipped;
}

std::pair<std::size_t, long> VoiceChannel::currentCut() const
{
    const std::int64_t current = currentSentence();
    std::size_t index = m_cut.size();
    while (index > 0 && m_cut[index - 1].sentence >= current)
        --index;
    if (index < m_cut.size())
        return {index, m_cut[index].stream};
    return {index, m_text.empty() ? 0 : m_text.front().stream};
}

void VoiceChannel::uncutFrom(std::size_t target)
{
    const CutSentence to = m_cut[target];
    // Every text from the target's on is cut again from its start, the
    // target's from the target sentence.
    while (!m_spent.empty() && m_spent.back().stream >= to.stream) {
        m_text.push_front(std::move(m_spent.back()));
        m_spent.pop_back();
    }
    for (Utterance& utterance : m_text) {
        if (utterance.stream >= to.stream)
            utterance.pos = utterance.stream == to.stream
                                ? to.begin
                                : skipBlanks(QStringView(utterance.text).first(utterance.end), 0);
    }
    m_cut.erase(m_cut.begin() + static_cast<std::ptrdiff_t>(target), m_cut.end());
}

void VoiceChannel::dropAudio()
{
    m_audio.clear();
    m_buffered = 0;
    m_synthesizing = -1; // its synthesis stops at its next delivery
    m_drained = true;
}

long VoiceChannel::skipBack(long count)
{
    if (count < 0)
        return 0;
    const std::lock_guard lock(m_mutex);
    const auto [index, stream] = currentCut();
    if (stream == 0)
        return 0;
    std::size_t first = index;
    while (first > 0 && m_cut[first - 1].stream == stream)
        --first;
    const std::size_t target = index - std::min<std::size_t>(index - first, count);
    if (target == m_cut.size())
        return 0; // nothing of the current text has been cut yet: it is at its start
    uncutFrom(target);
    dropAudio();
    notePlace();
    m_changed.notify_all();
    return static_cast<long>(index - target);
}

qsizetype VoiceChannel::seek(qsizetype position)
{
    const std::lock_guard lock(m_mutex);
    const auto [index, stream] = currentCut();
    if (stream == 0)
        return -1;
    const auto owns = [stream](const Utterance& u) {
        return u.stream == stream;
    };
    auto spent = std::find_if(m_spent.begin(), m_spent.end(), owns);
    Utterance& utterance =
        spent != m_spent.end() ? *spent : *std::find_if(m_text.begin(), m_text.end(), owns);
    const QStringView text = QStringView(utterance.text).first(utterance.end);
    // The nearest sentence start known before position: one cut already, the
    // next to cut, or the first; then sentence by sentence up to it.
    std::size_t first = index;
    while (first > 0 && m_cut[first - 1].stream == stream)
        --first;
    std::size_t last = first;
    while (last < m_cut.size() && m_cut[last].stream == stream)
        ++last;
    const auto known =
        std::upper_bound(m_cut.begin() + static_cast<std::ptrdiff_t>(first),
                         m_cut.begin() + static_cast<std::ptrdiff_t>(last), position,
                         [](qsizetype at, const CutSentence& cut) { return at < cut.begin; });
    qsizetype begin = known == m_cut.begin() + static_cast<std::ptrdiff_t>(first)
                          ? skipBlanks(text, 0)
                          : (known - 1)->begin;
    const bool uncut = spent == m_spent.end();
    if (uncut && utterance.pos <= position && utterance.pos > begin)
        begin = utterance.pos;
    for (;;) {
        const qsizetype next = skipBlanks(text, utterance.splitter->end(text, begin));
        if (next > position || next >= text.size())
            break;
        begin = next;
    }
    const auto cut = std::find_if(m_cut.begin() + static_cast<std::ptrdiff_t>(first),
                                  m_cut.begin() + static_cast<std::ptrdiff_t>(last),
                                  [begin](const CutSentence& c) { return c.begin == begin; });
    if (cut != m_cut.begin() + static_cast<std::ptrdiff_t>(last))
        uncutFrom(static_cast<std::size_t>(cut - m_cut.begin()));
    dropAudio();
    // Ahead of what was cut: the sentences before it are cut unheard, so
    // that the reading can still go back to them.
    while (!m_text.empty() && m_text.front().stream == stream && m_text.front().pos < begin)
        cutSentence();
    notePlace();
    m_changed.notify_all();
    return begin;
}

void VoiceChannel::setWordsPerMinute(int wordsPerMinute)
{
    const std::lock_guard lock(m_mutex);
    for (auto* texts : {&m_text, &m_spent}) {
        for (Utterance& utterance : *texts)
            utterance.settings.wordsPerMinute = wordsPerMinute;
    }
    const std::int64_t current = currentSentence();
    std::size_t next = m_cut.size();
    while (next > 0 && m_cut[next - 1].sentence > current)
        --next;
    if (next == m_cut.size())
        return; // nothing after the current sentence has been made yet
    while (!m_audio.empty() && m_audio.back().sentence > current) {
        m_buffered -= m_audio.back().samples.size() - m_audio.back().pos;
        m_audio.pop_back();
    }
    if (m_synthesizing > current)
        m_synthesizing = -1;
    uncutFrom(next);
    m_changed.notify_all();
}

HeardPlace VoiceChannel::heard() const
{
    const std::lock_guard lock(m_mutex);
    return doneLocked() ? HeardPlace{} : m_heard;
}

void VoiceChannel::setVolume(int volume)
{
    const std::lock_guard lock(m_mutex);
    m_volume = volume;
}

void VoiceChannel::setPaused(bool paused)
{
    const std::lock_guard lock(m_mutex);
    m_paused = paused;
    m_changed.notify_all();
}

bool VoiceChannel::doneLocked() const
{
    return m_closed || (m_text.empty() && m_synthesizing < 0 && m_buffered == 0 && m_drained);
}

bool VoiceChannel::isDone() const
{
    const std::lock_guard lock(m_mutex);
    return doneLocked();
}

void VoiceChannel::waitUntilDone()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return doneLocked() || m_failure.has_value(); });
}

std::optional<Error> VoiceChannel::takeFailure()
{
    const std::lock_guard lock(m_mutex);
    std::optional<Error> failure = std::move(m_failure);
    m_failure.reset();
    return failure;
}

void VoiceChannel::close()
{
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_text.clear();
    m_spent.clear();
    m_cut.clear();
    m_heard = {};
    m_audio.clear();
    m_buffered = 0;
    m_synthesizing = -1;
    m_changed.notify_all();
}

bool VoiceChannel::isClosed() const
{
    const std::lock_guard lock(m_mutex);
    return m_closed;
}

PlaybackCounters VoiceChannel::counters() const
{
    const std::lock_guard lock(m_mutex);
    return m_counters;
}

double VoiceChannel::shareOfTextTaken() const
{
    const std::lock_guard lock(m_mutex);
    if (m_textQueued == 0)
        return 1.0;
    qsizetype left = 0;
    for (const Utterance& u : m_text)
        left += u.end - u.pos;
    return 1.0 - static_cast<double>(left) / static_cast<double>(m_textQueued);
}

bool VoiceChannel::wantsSynthesis() const
{
    const std::lock_guard lock(m_mutex);
    return !m_closed && !m_paused && !m_text.empty() && m_synthesizing < 0 &&
           m_buffered < m_refillMark;
}

std::optional<std::chrono::microseconds> VoiceChannel::timeUntilRefill() const
{
    const std::lock_guard lock(m_mutex);
    // An encoder wakes the synthesizer itself when it has taken samples.
    if (m_sink == SampleSink::File || m_closed || m_paused || m_text.empty() ||
        m_buffered < m_refillMark)
        return std::nullopt;
    const auto excess = static_cast<double>(m_buffered - m_refillMark + 1);
    return std::chrono::microseconds(static_cast<long long>(excess * 1e6 / m_sampleRate) + 1);
}

std::optional<SentenceJob> VoiceChannel::takeSentence()
{
    const std::lock_guard lock(m_mutex);
    if (m_closed || m_paused || m_text.empty() || m_synthesizing >= 0)
        return std::nullopt;
    const QString text = m_text.front().text;
    UtteranceSettings settings = m_text.front().settings;
    m_synthStream = m_text.front().stream;
    const auto [begin, end] = cutSentence();
    // The synthesizer never reads a mark at the very end of its text aloud:
    // a space after it makes "Stop." end in "full stop" when marks are read.
    SentenceJob job{m_nextSentence - 1, QStringView(text).sliced(begin, end - begin).toUtf8() + ' ',
                    std::move(settings), m_sink == SampleSink::SoundDevice};
    m_synthesizing = job.sentence;
    m_synthBegin = begin;
    m_synthLength = end - begin;
    m_synthDelivered = 0;
    return job;
}

bool VoiceChannel::deliver(std::int64_t sentence, const short* samples, int count,
                           const std::vector<WordMark>& words)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed || sentence != m_synthesizing)
        return false;
    if (count > 0 && (m_audio.empty() || m_audio.back().sentence != sentence)) {
        m_audio.push_back(Segment{
            sentence, {}, 0, m_synthBegin, m_synthLength, m_synthStream, {}, 0, m_synthDelivered});
        // A sentence lasts a few seconds: room for them saves copying as it grows.
        m_audio.back().samples.reserve(static_cast<std::size_t>(m_sampleRate) * 4);
    }
    if (!words.empty() && !m_audio.empty() && m_audio.back().sentence == sentence) {
        for (const WordMark& word : words) {
            // The synthesizer's text ends in a space the sentence has not.
            const qsizetype begin = std::min(word.begin, m_synthLength);
            const qsizetype length = std::min(word.length, m_synthLength - begin);
            m_audio.back().words.push_back({word.sample, m_synthBegin + begin, length});
        }
    }
    if (count <= 0)
        return true;
    std::vector<std::int16_t>& store = m_audio.back().samples;
    store.insert(store.end(), samples, samples + count);
    m_synthDelivered += count;
    m_buffered += static_cast<std::size_t>(count);
    m_drained = false;
    m_counters.samplesQueued += count;
    if (!m_counters.firstSampleQueued)
        m_counters.firstSampleQueued = std::chrono::steady_clock::now();
    // The encoder is woken once for a whole chunk, not for every buffer.
    if (m_takeWanted > 0 && m_buffered >= m_takeWanted)
        m_changed.notify_all();
    return true;
}

void VoiceChannel::finishSentence(std::int64_t sentence)
{
    const std::lock_guard lock(m_mutex);
    if (m_synthesizing == sentence)
        m_synthesizing = -1;
    m_changed.notify_all();
}

void VoiceChannel::fail(std::int64_t sentence, Error error)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed || m_synthesizing != sentence)
        return; // skipped meanwhile: nobody waits for it any more
    m_synthesizing = -1;
    m_text.clear();
    if (!m_failure)
        m_failure = std::move(error);
    m_changed.notify_all();
}

std::size_t VoiceChannel::copyOut(std::int16_t* out, std::size_t count)
{
    std::size_t copied = 0;
    while (copied < count && !m_audio.empty()) {
        Segment& segment = m_audio.front();
        if (segment.pos == 0 && segment.firstSample == 0) {
            // A sentence starts to sound: the reading can no longer go back
            // into the texts before its own.
            m_heard = {segment.textBegin, segment.textLength, 0, 0};
            forgetBefore(segment.stream);
            m_counters.sentenceReached = std::chrono::steady_clock::now();
        }
        const std::size_t take = std::min(count - copied, segment.samples.size() - segment.pos);
        const std::int16_t* from = segment.samples.data() + segment.pos;
        if (m_volume >= 100) {
            std::copy_n(from, take, out + copied);
        } else {
            for (std::size_t i = 0; i < take; ++i)
                out[copied + i] = static_cast<std::int16_t>(from[i] * m_volume / 100);
        }
        segment.pos += take;
        copied += take;
        m_buffered -= take;
        const std::int64_t reached = segment.firstSample + static_cast<std::int64_t>(segment.pos);
        m_heard.sentenceSamples = reached;
        const std::size_t wordBefore = segment.nextWord;
        while (segment.nextWord < segment.words.size() &&
               segment.words[segment.nextWord].sample < reached) {
            m_heard.wordBegin = segment.words[segment.nextWord].begin;
            m_heard.wordLength = segment.words[segment.nextWord].length;
            ++segment.nextWord;
        }
        if (segment.nextWord != wordBefore)
            m_counters.wordReached = std::chrono::steady_clock::now();
        if (segment.pos == segment.samples.size())
            m_audio.pop_front();
    }
    return copied;
}

int VoiceChannel::fill(std::int16_t* out, int count)
{
    int copied = 0;
    {
        const std::lock_guard lock(m_mutex);
        // A paused voice halts at its current sample while the device may go
        // on playing other voices.
        if (!m_paused)
            copied = static_cast<int>(copyOut(out, static_cast<std::size_t>(count)));
        m_counters.samplesPlayed += copied;
        if (copied > 0 && !m_counters.firstSamplePlayed)
            m_counters.firstSamplePlayed = std::chrono::steady_clock::now();
        if (copied == 0 && !m_drained && !m_paused) {
            // The device asks again after the last sample: it has been played.
            m_drained = true;
            m_counters.playbackEnded = std::chrono::steady_clock::now();
            m_changed.notify_all();
        }
    }
    std::fill(out + copied, out + count, std::int16_t{0});
    return copied;
}

std::size_t VoiceChannel::take(std::int16_t* out, std::size_t count)
{
    std::unique_lock lock(m_mutex);
    // Never more than the synthesizer keeps ahead, or both would wait.
    const std::size_t wanted = std::max<std::size_t>(1, std::min(count, m_refillMark));
    m_takeWanted = wanted;
    m_changed.wait(lock, [this, wanted] {
        return m_closed || m_failure || m_buffered >= wanted ||
               (m_text.empty() && m_synthesizing < 0);
    });
    m_takeWanted = 0;
    if (m_closed || m_failure)
        return 0;
    const std::size_t copied = copyOut(out, count);
    m_counters.samplesPlayed += static_cast<std::int64_t>(copied);
    if (copied == 0)
        m_drained = true; // everything said has been taken
    return copied;
}

bool VoiceChannel::wantsOutput() const
{
    const std::lock_guard lock(m_mutex);
    return !m_closed && !m_paused &&
           (!m_drained || m_buffered > 0 || m_synthesizing >= 0 || !m_text.empty());
}

} // namespace platform::speech
