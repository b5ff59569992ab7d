// The real engine with SDL's dummy driver: sound is produced and "played" in
// real time, and every played sample lands in the capture file.
#include "engine_support.h"

#include "platform/speech/synthworker.h"

#include <QProcess>

#include <algorithm>
#include <clocale>
#include <numeric>
#include <string>

using namespace Qt::StringLiterals;
using platform::ISpeechVoice;

namespace {

class EngineTest : public ::testing::Test {
protected:
    EngineTest() : voice(engine->createVoice()) {}

    /// Speaks text synchronously and returns the number of samples it played.
    std::int64_t speakAndCount(ISpeechVoice& v, const QString& text, long flags = 0)
    {
        const std::int64_t before = real(v).counters().samplesPlayed;
        v.Speak(text, flags);
        return real(v).counters().samplesPlayed - before;
    }
    std::int64_t played() { return real(*voice).counters().samplesPlayed; }
    /// Everything played by the test, once its voices are gone.
    std::vector<std::int16_t> captured()
    {
        voice.reset();
        return capture.samples();
    }

    CaptureFile capture;
    std::unique_ptr<platform::EspeakEngine> engine =
        std::make_unique<platform::EspeakEngine>(capture.path);
    std::unique_ptr<ISpeechVoice> voice;
};

} // namespace

// First, while the synthesizer library has not been started in this process.
TEST(EngineStart, StartingTheEngineLeavesTheProcessLocaleAlone)
{
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    {
        platform::EspeakEngine engine;
        const std::unique_ptr<ISpeechVoice> voice = engine.createVoice();
        EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    }
    std::setlocale(LC_CTYPE, before.c_str());
}

TEST(EngineStart, WithoutAWorkingSoundDriverSpeechStillPlaysAndEnds)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        platform::EspeakEngine engine;
        const std::unique_ptr<ISpeechVoice> voice = engine.createVoice();
        voice->setRate(10);
        voice->Speak(u"Hi."_s, 0);
        EXPECT_GT(real(*voice).counters().samplesPlayed, 0);
        EXPECT_EQ(voice->Status().RunningState, platform::SRSEDone);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

TEST_F(EngineTest, ASentenceIsHeardForAPlausibleTime)
{
    EXPECT_EQ(voice->Status().RunningState, platform::SRSEDone);
    const std::int64_t count = speakAndCount(*voice, u"Hello there."_s);
    EXPECT_EQ(voice->Status().RunningState, platform::SRSEDone) << "a synchronous Speak has ended";
    const std::vector<std::int16_t> samples = captured();
    EXPECT_EQ(static_cast<std::int64_t>(samples.size()), count);
    EXPECT_GT(seconds(count), 0.4);
    EXPECT_LT(seconds(count), 2.0);
    EXPECT_GT(peak(samples), 3000) << "not silence";
}

TEST_F(EngineTest, FasterRatesSpeakShorter)
{
    const QString text = u"Hello there."_s;
    voice->setRate(10);
    const std::int64_t fast = speakAndCount(*voice, text);
    voice->setRate(0);
    const std::int64_t normal = speakAndCount(*voice, text);
    voice->setRate(-10);
    const std::int64_t slow = speakAndCount(*voice, text);
    EXPECT_LT(fast * 3, normal * 2) << fast << " " << normal;
    EXPECT_LT(normal * 4, slow * 3) << normal << " " << slow;
    EXPECT_EQ(voice->Rate(), -10);
}

TEST_F(EngineTest, ReadingPunctuationMakesTheMarksAudible)
{
    const QString text = u"Yes, no!"_s;
    const std::int64_t plain = speakAndCount(*voice, text);
    const std::int64_t marks = speakAndCount(*voice, text, platform::SVSFNLPSpeakPunc);
    EXPECT_GT(marks * 10, plain * 13) << plain << " " << marks;
}

TEST_F(EngineTest, VolumeZeroPlaysSilenceForTheWholeText)
{
    voice->setVolume(0);
    const std::int64_t count = speakAndCount(*voice, u"Hello."_s);
    const std::vector<std::int16_t> samples = captured();
    EXPECT_GT(seconds(count), 0.2) << "the stream keeps running";
    EXPECT_EQ(peak(samples), 0);
}

TEST_F(EngineTest, PauseHaltsTheOutputAndResumeGoesOnWhereItStopped)
{
    const QString text = u"One two three four five six."_s;
    const std::int64_t whole = speakAndCount(*voice, text);
    const std::int64_t start = played();

    voice->Speak(text, platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] { return played() - start > 8000; }));
    voice->Pause();
    const std::int64_t atPause = played();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(played(), atPause) << "samples were played during the pause";
    EXPECT_EQ(voice->Status().RunningState, platform::SRSEIsSpeaking);
    voice->Resume();
    ASSERT_TRUE(waitUntil([&] { return voice->Status().RunningState == platform::SRSEDone; }));

    const platform::speech::PlaybackCounters counters = real(*voice).counters();
    EXPECT_EQ(counters.samplesPlayed, counters.samplesQueued) << "nothing lost or repeated";
    const std::int64_t second = counters.samplesPlayed - start;
    EXPECT_NEAR(static_cast<double>(second), static_cast<double>(whole), whole * 0.05);
    const std::vector<std::int16_t> samples = captured();
    EXPECT_GT(peak(samples, static_cast<std::size_t>(atPause)), 3000) << "audible after resume";
}

TEST_F(EngineTest, SkipDropsEverythingQueuedAndTheVoiceIsDoneAtOnce)
{
    voice->Speak(u"One. Two. Three. Four. Five. Six. Seven. Eight. Nine. Ten."_s,
                 platform::SVSFlagsAsync);
    voice->Speak(u"Eleven. Twelve."_s, platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] { return played() > 0; }));
    EXPECT_EQ(voice->Skip(u"Sentence"_s, 2147483647), 12);
    EXPECT_EQ(voice->Status().RunningState, platform::SRSEDone);
    const std::int64_t atSkip = played();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(played() - atSkip, 0);
    EXPECT_LT(seconds(static_cast<std::int64_t>(captured().size())), 1.5);
}

TEST_F(EngineTest, TheWordHeardChangesWhenTheDeviceTakesItsFirstSample)
{
    // Sentences are synthesized one by one, so "Alpha." sounds the same alone.
    const std::int64_t alpha = speakAndCount(*voice, u"Alpha."_s);
    const std::int64_t start = played();
    voice->Speak(u"Alpha. Bravo charlie."_s, platform::SVSFlagsAsync);
    struct Seen {
        long word;
        long sentence;
        std::int64_t played;
    };
    std::vector<Seen> seen;
    ASSERT_TRUE(waitUntil([&] {
        const platform::ISpeechVoiceStatus status = voice->Status();
        const std::int64_t now = played() - start;
        if (status.RunningState == platform::SRSEDone)
            return true;
        if (status.InputWordLength > 0 &&
            (seen.empty() || seen.back().word != status.InputWordPosition))
            seen.push_back({status.InputWordPosition, status.InputSentencePosition, now});
        return false;
    }));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].word, 0);
    EXPECT_EQ(seen[1].word, 7) << "Bravo";
    EXPECT_EQ(seen[1].sentence, 7);
    EXPECT_EQ(seen[2].word, 13) << "charlie";
    // "Bravo" is heard once the device has its first sample, within a
    // device period or two of it.
    EXPECT_GT(seen[1].played, alpha);
    EXPECT_LT(seen[1].played, alpha + 3 * 512);
}

TEST_F(EngineTest, ASentenceBackRestartsTheFirstAndForwardPlaysOnlyTheNextFromThen)
{
    const QString text = u"One two three four five. Six seven. Eight nine ten."_s;
    const std::int64_t rest = speakAndCount(*voice, u"Six seven. Eight nine ten."_s);
    const auto status = [this] {
        return voice->Status();
    };
    voice->Speak(text, platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] { return status().InputWordPosition >= 4; })) << "at \"two\"";
    EXPECT_EQ(voice->Skip(u"Sentence"_s, -1), 0) << "the first sentence restarts";
    EXPECT_EQ(status().InputSentencePosition, 0);
    EXPECT_EQ(status().InputWordLength, 0);
    ASSERT_TRUE(waitUntil([&] { return status().InputWordLength == 3; })) << "\"One\" again";
    EXPECT_EQ(status().InputWordPosition, 0);

    EXPECT_EQ(voice->Skip(u"Sentence"_s, 1), 1);
    const std::int64_t atSkip = played();
    EXPECT_EQ(status().InputSentencePosition, text.indexOf(u"Six"_s)) << "at once";
    long earliest = static_cast<long>(text.size());
    ASSERT_TRUE(waitUntil([&] {
        const platform::ISpeechVoiceStatus now = status();
        if (now.InputWordLength > 0)
            earliest = std::min(earliest, now.InputWordPosition);
        return now.RunningState == platform::SRSEDone;
    }));
    EXPECT_EQ(earliest, text.indexOf(u"Six"_s)) << "nothing more of the first sentence";
    // What sounded after the skip is the rest alone (give or take what the
    // device had taken already).
    EXPECT_NEAR(static_cast<double>(played() - atSkip), static_cast<double>(rest), 2048.0);
}

TEST_F(EngineTest, ALongDocumentStartsSoundingAtOnceAndIsNeverHeldWholeAsSound)
{
    QString document;
    for (int page = 1; page <= 200; ++page)
        for (int line = 1; line <= 40; ++line)
            document += u"This is line "_s + QString::number(line) + u" of page "_s +
                        QString::number(page) + u".\r\n"_s;
    voice->Speak(document, platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] { return played() > 0; }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(seconds(real(*voice).counters().samplesQueued), 5.0)
        << "synthesis runs only a little ahead of playing";
    EXPECT_EQ(voice->Status().RunningState, platform::SRSEIsSpeaking);
    EXPECT_EQ(voice->Skip(u"Sentence"_s, 2147483647), 8000);
}

TEST_F(EngineTest, SeveralVoicesSpeakAtOnceEachWithItsOwnSettings)
{
    std::unique_ptr<ISpeechVoice> other = engine->createVoice();
    const platform::ISpeechObjectTokens voices = voice->GetVoices(QString(), QString());
    for (long i = 0; i < voices.Count(); ++i) {
        if (voices.Item(i).GetDescription() == u"German"_s)
            other->setVoice(voices.Item(i));
    }
    voice->setRate(10);
    other->setRate(-10);
    voice->Speak(u"One two three."_s, platform::SVSFlagsAsync);
    other->Speak(u"One two three."_s, platform::SVSFlagsAsync);
    voice->setRate(-10); // rate counts when Speak is called
    ASSERT_TRUE(waitUntil([&] {
        return voice->Status().RunningState == platform::SRSEDone &&
               other->Status().RunningState == platform::SRSEDone;
    }));
    const std::int64_t fast = real(*voice).counters().samplesPlayed;
    const std::int64_t slow = real(*other).counters().samplesPlayed;
    EXPECT_LT(fast * 2, slow) << fast << " " << slow;
    EXPECT_EQ(real(*other).voiceDescription(), u"German"_s);
}

TEST_F(EngineTest, DestroyingASpeakingVoiceStopsItAndTheEngineSpeaksOn)
{
    voice->Speak(u"A long sentence that would take several seconds to speak. And another."_s,
                 platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] { return played() > 0; }));
    voice.reset();
    voice = engine->createVoice();
    EXPECT_GT(speakAndCount(*voice, u"Hi."_s), 0);
}

TEST_F(EngineTest, InvalidRequestsRaiseInvalidProcedureCall)
{
    const platform::ISpeechObjectTokens voices = voice->GetVoices(QString(), QString());
    const auto raises5 = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const platform::Error& error) {
            return error.number() == 5;
        }
        return false;
    };
    EXPECT_TRUE(raises5([&] { voices.Item(-1); }));
    EXPECT_TRUE(raises5([&] { voices.Item(voices.Count()); }));
    EXPECT_TRUE(
        raises5([&] { voice->setVoice(platform::ISpeechObjectToken(u"x/none"_s, u"None"_s)); }));
    EXPECT_TRUE(raises5([&] { voice->setVolume(101); }));
    EXPECT_TRUE(raises5([&] { voice->setVolume(-1); }));
    EXPECT_TRUE(raises5([&] { voice->Skip(u"Word"_s, 1); }));
    EXPECT_TRUE(raises5([&] { voice->Speak(u"Hi"_s, 8); }));
    EXPECT_EQ(voice->Volume(), 100);
}

TEST_F(EngineTest, VoicesAreListedInOneStableOrderWithTrimmedNames)
{
    const platform::ISpeechObjectTokens first = voice->GetVoices(QString(), QString());
    const platform::ISpeechObjectTokens second =
        engine->createVoice()->GetVoices(QString(), QString());
    ASSERT_GT(first.Count(), 100);
    ASSERT_EQ(first.Count(), second.Count());
    QSet<QString> ids;
    bool british = false;
    for (long i = 0; i < first.Count(); ++i) {
        const QString name = first.Item(i).GetDescription();
        EXPECT_EQ(name, second.Item(i).GetDescription());
        EXPECT_EQ(name, name.trimmed());
        EXPECT_FALSE(name.isEmpty());
        ids.insert(first.Item(i).Id());
        british = british || name == u"English (Great Britain)"_s;
    }
    EXPECT_EQ(ids.size(), first.Count());
    EXPECT_TRUE(british);
}

TEST_F(EngineTest, TheDefaultVoiceFollowsTheLocaleLanguage)
{
    const std::shared_ptr<platform::speech::SynthWorker> worker =
        platform::speech::SynthWorker::instance();
    const auto& voices = worker->voices();
    const auto name = [&](const char* locale) {
        return voices[platform::speech::defaultVoiceIndex(voices, QString::fromLatin1(locale))]
            .description;
    };
    EXPECT_EQ(name("en_US"), u"English (America)"_s);
    EXPECT_EQ(name("en_GB"), u"English (Great Britain)"_s);
    EXPECT_EQ(name("de_AT"), u"German"_s);
    EXPECT_EQ(name("C"), u"English (Great Britain)"_s);
    EXPECT_EQ(name("xx_YY"), u"English (Great Britain)"_s);
    EXPECT_EQ(real(*voice).voiceDescription(), engine->defaultVoiceDescription());
}

namespace {

/// The longest run of silence between the first and the last sound, in samples.
std::size_t longestInnerSilence(const std::vector<std::int16_t>& samples)
{
    constexpr int quiet = 200;
    const auto loud = [](std::int16_t s) {
        return std::abs(static_cast<int>(s)) >= quiet;
    };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    std::size_t longest = 0;
    std::size_t run = 0;
    for (auto it = first; it < last; ++it) {
        run = loud(*it) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

/// What espeak-ng's own program makes of text with its English voice, as samples.
std::vector<std::int16_t> espeakAlone(const QString& text)
{
    QProcess espeak;
    espeak.start(u"espeak-ng"_s, {u"-v"_s, u"en"_s, u"-s"_s, u"175"_s, u"--stdout"_s, text});
    EXPECT_TRUE(espeak.waitForFinished(10000)) << "espeak-ng (package espeak-ng) did not run";
    const QByteArray wav = espeak.readAllStandardOutput();
    std::vector<std::int16_t> samples(
        static_cast<std::size_t>(std::max<qsizetype>(wav.size() - 44, 0)) / 2);
    std::memcpy(samples.data(), wav.constData() + 44, samples.size() * 2);
    return samples;
}

} // namespace

TEST_F(EngineTest, AnAbbreviationIsSpokenWithinItsSentenceWithNoPauseOfItsOwn)
{
    const QString text = u"Mr. Bennet replied."_s;
    const platform::ISpeechObjectTokens voices = voice->GetVoices(QString(), QString());
    for (long i = 0; i < voices.Count(); ++i) {
        if (voices.Item(i).GetDescription() == u"English (Great Britain)"_s)
            voice->setVoice(voices.Item(i));
    }
    QSet<long> sentences; // the lengths of the sentences heard
    voice->Speak(text, platform::SVSFlagsAsync);
    ASSERT_TRUE(waitUntil([&] {
        const platform::ISpeechVoiceStatus status = voice->Status();
        if (status.InputSentenceLength > 0)
            sentences.insert(status.InputSentenceLength);
        return status.RunningState == platform::SRSEDone;
    }));
    EXPECT_EQ(sentences, QSet<long>{static_cast<long>(text.size())}) << "one sentence";
    const std::size_t ours = longestInnerSilence(captured());
    const std::size_t alone = longestInnerSilence(espeakAlone(text));
    ASSERT_GT(alone, 0u);
    // No pause longer than espeak-ng's own in the same text (give or take 10 ms).
    EXPECT_LE(ours, alone + 220) << "ours " << seconds(static_cast<std::int64_t>(ours))
                                 << " s, espeak-ng's " << seconds(static_cast<std::int64_t>(alone))
                                 << " s";
}
