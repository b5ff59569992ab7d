// The bookkeeping between a voice, the synthesizer thread and the sound
// device, driven by hand: no synthesizer, no device.
#include "platform/speech/voicechannel.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace Qt::StringLiterals;
using platform::speech::SentenceJob;
using platform::speech::VoiceChannel;

namespace {

constexpr int rate = 1000; // samples per second: the refill mark is 500 samples
constexpr long all = std::numeric_limits<long>::max();

/// Synthesizes the next sentence as `count` samples of value `value`.
SentenceJob synthesize(VoiceChannel& channel, int count, short value = 1000)
{
    std::optional<SentenceJob> job = channel.takeSentence();
    EXPECT_TRUE(job.has_value());
    if (!job)
        return {};
    const std::vector<short> samples(static_cast<std::size_t>(count), value);
    EXPECT_TRUE(channel.deliver(job->sentence, samples.data(), count));
    channel.finishSentence(job->sentence);
    return *job;
}

/// Plays count samples as the device would.
std::vector<std::int16_t> play(VoiceChannel& channel, int count)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(count), -1);
    channel.fill(out.data(), count);
    return out;
}

} // namespace

TEST(VoiceChannel, TextIsCutIntoSentencesInSpeakingOrderAcrossSpeakCalls)
{
    VoiceChannel channel(rate);
    EXPECT_EQ(channel.enqueue(u"  One. Two!  "_s, {"v1", "en", 175, false}), 1);
    EXPECT_EQ(channel.enqueue(u"Three"_s, {"v2", "en", 300, true}), 2);
    std::vector<QByteArray> texts;
    std::vector<std::int64_t> numbers;
    while (auto job = channel.takeSentence()) {
        texts.push_back(job->utf8);
        numbers.push_back(job->sentence);
        EXPECT_EQ(job->settings.voiceId, texts.size() < 3 ? "v1" : "v2");
        channel.finishSentence(job->sentence);
    }
    // Each with a space after it, so that a closing mark is read like the others.
    EXPECT_EQ(texts, (std::vector<QByteArray>{"One. ", "Two! ", "Three "}));
    EXPECT_EQ(numbers, (std::vector<std::int64_t>{0, 1, 2}));
}

TEST(VoiceChannel, BlankTextIsDoneAtOnce)
{
    VoiceChannel channel(rate);
    channel.enqueue(u" \r\n\t"_s, {});
    EXPECT_TRUE(channel.isDone());
    EXPECT_FALSE(channel.wantsSynthesis());
    EXPECT_FALSE(channel.wantsOutput());
}

TEST(VoiceChannel, DoneOnlyOnceTheDeviceAsksAgainAfterTheLastSample)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"Hi."_s, {});
    EXPECT_FALSE(channel.isDone());
    synthesize(channel, 300);
    EXPECT_FALSE(channel.isDone());
    EXPECT_TRUE(channel.wantsOutput());
    play(channel, 300);
    EXPECT_FALSE(channel.isDone()) << "the last samples are still being played";
    const auto silence = play(channel, 10);
    EXPECT_EQ(silence, std::vector<std::int16_t>(10, 0));
    EXPECT_TRUE(channel.isDone());
    EXPECT_FALSE(channel.wantsOutput());
    EXPECT_TRUE(channel.counters().playbackEnded.has_value());
    EXPECT_EQ(channel.counters().samplesPlayed, 300);
}

TEST(VoiceChannel, OnlyAboutHalfASecondOfSoundIsSynthesizedAhead)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two. Three."_s, {});
    synthesize(channel, 600);
    EXPECT_FALSE(channel.wantsSynthesis());
    ASSERT_TRUE(channel.timeUntilRefill().has_value());
    EXPECT_NEAR(static_cast<double>(channel.timeUntilRefill()->count()), 101000.0, 2000.0);
    play(channel, 101);
    EXPECT_TRUE(channel.wantsSynthesis());
}

TEST(VoiceChannel, PauseHaltsSynthesisAndOutputUntilResumed)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two."_s, {});
    synthesize(channel, 100);
    channel.setPaused(true);
    EXPECT_FALSE(channel.wantsSynthesis());
    EXPECT_FALSE(channel.wantsOutput());
    EXPECT_FALSE(channel.timeUntilRefill().has_value());
    EXPECT_FALSE(channel.takeSentence().has_value());
    EXPECT_FALSE(channel.isDone()) << "paused with text left is not done";
    EXPECT_EQ(play(channel, 20), std::vector<std::int16_t>(20, 0)) << "the device may go on";
    EXPECT_EQ(channel.counters().samplesPlayed, 0);
    EXPECT_FALSE(channel.isDone());
    channel.setPaused(false);
    EXPECT_EQ(play(channel, 20), std::vector<std::int16_t>(20, 1000)) << "from where it halted";
    EXPECT_TRUE(channel.wantsSynthesis());
    EXPECT_TRUE(channel.wantsOutput());
}

TEST(VoiceChannel, VolumeAppliesToWhatIsPlayedFromNowOn)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One."_s, {});
    synthesize(channel, 30, 1000);
    EXPECT_EQ(play(channel, 10), std::vector<std::int16_t>(10, 1000));
    channel.setVolume(0);
    EXPECT_EQ(play(channel, 10), std::vector<std::int16_t>(10, 0));
    channel.setVolume(50);
    EXPECT_EQ(play(channel, 10), std::vector<std::int16_t>(10, 500));
}

TEST(VoiceChannel, SkippingEverythingDropsSoundSynthesisAndTextAndCountsTheSentences)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two. Three. Four."_s, {});
    synthesize(channel, 200);
    play(channel, 50);
    const std::optional<SentenceJob> second = channel.takeSentence();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(channel.skip(2147483647), 4);
    EXPECT_TRUE(channel.isDone());
    const short more[4] = {1, 2, 3, 4};
    EXPECT_FALSE(channel.deliver(second->sentence, more, 4))
        << "the sentence being synthesized is told to stop";
    channel.finishSentence(second->sentence);
    EXPECT_EQ(play(channel, 5), std::vector<std::int16_t>(5, 0));
    EXPECT_TRUE(channel.isDone());
    EXPECT_EQ(channel.skip(all), 0);
}

TEST(VoiceChannel, SkippingOneSentenceGoesOnWithTheNext)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two. Three."_s, {});
    synthesize(channel, 100, 1);
    synthesize(channel, 100, 2);
    play(channel, 40);
    EXPECT_EQ(channel.skip(1), 1);
    EXPECT_EQ(play(channel, 100), std::vector<std::int16_t>(100, 2));
    EXPECT_EQ(channel.skip(1), 1) << "Three, still text";
    std::optional<SentenceJob> next = channel.takeSentence();
    EXPECT_FALSE(next.has_value());
    EXPECT_EQ(channel.skip(0), 0);
}

TEST(VoiceChannel, AFailedSentenceDropsTheRestAndIsReportedOnce)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two."_s, {});
    const std::optional<SentenceJob> job = channel.takeSentence();
    ASSERT_TRUE(job.has_value());
    channel.fail(job->sentence, platform::Error(51, u"broken"_s));
    channel.waitUntilDone(); // returns: the failure ends the wait
    const std::optional<platform::Error> failure = channel.takeFailure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->number(), 51);
    EXPECT_FALSE(channel.takeFailure().has_value());
    EXPECT_TRUE(channel.isDone());
}

TEST(VoiceChannel, AClosedChannelRefusesEverything)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One."_s, {});
    const std::optional<SentenceJob> job = channel.takeSentence();
    channel.close();
    const short s[1] = {5};
    EXPECT_FALSE(channel.deliver(job->sentence, s, 1));
    channel.enqueue(u"Two."_s, {});
    EXPECT_TRUE(channel.isDone());
    EXPECT_FALSE(channel.wantsSynthesis());
}

TEST(VoiceChannel, TheWordHeardIsTheOneWhoseFirstSampleTheDeviceHasTaken)
{
    using platform::speech::HeardPlace;
    using platform::speech::WordMark;
    VoiceChannel channel(rate);
    channel.enqueue(u"Go. One two three. End."_s, {});
    synthesize(channel, 100); // "Go."
    // "One two three." starts at 4; its words at samples 0, 150 and 300,
    // delivered in two buffers, the second word's mark before its samples.
    const std::optional<SentenceJob> job = channel.takeSentence();
    ASSERT_TRUE(job);
    const std::vector<short> samples(200, 1000);
    ASSERT_TRUE(channel.deliver(job->sentence, samples.data(), 200,
                                {WordMark{0, 0, 3}, WordMark{150, 4, 3}}));
    ASSERT_TRUE(channel.deliver(job->sentence, samples.data(), 200, {WordMark{300, 8, 7}}));
    channel.finishSentence(job->sentence);

    EXPECT_EQ(channel.heard(), (HeardPlace{})) << "nothing played yet";
    play(channel, 50);
    EXPECT_EQ(channel.heard(), (HeardPlace{0, 3, 0, 0})) << "no word marks in the first";
    play(channel, 60); // 10 samples into the second sentence
    EXPECT_EQ(channel.heard(), (HeardPlace{4, 14, 4, 3}));
    play(channel, 140); // sample 149 of the second: "two" not yet
    EXPECT_EQ(channel.heard().wordBegin, 4);
    play(channel, 1);
    EXPECT_EQ(channel.heard(), (HeardPlace{4, 14, 8, 3}));
    channel.setPaused(true);
    play(channel, 300);
    EXPECT_EQ(channel.heard(), (HeardPlace{4, 14, 8, 3})) << "a pause keeps the place";
    channel.setPaused(false);
    play(channel, 200);
    EXPECT_EQ(channel.heard(), (HeardPlace{4, 14, 12, 6})) << "the word cut to the sentence";
    channel.skip(all);
    EXPECT_EQ(channel.heard(), (HeardPlace{}));
}

TEST(VoiceChannel, GoingBackRestartsAnEarlierSentenceButNeverLeavesTheText)
{
    using platform::speech::HeardPlace;
    VoiceChannel channel(rate);
    channel.enqueue(u"Old."_s, {});
    synthesize(channel, 10);
    play(channel, 20); // played to the end
    channel.enqueue(u"Ay. Be. Ce."_s, {});
    EXPECT_EQ(channel.skipBack(1), 0) << "nothing of the text cut yet: it is at its start";
    synthesize(channel, 100);
    play(channel, 50);
    EXPECT_EQ(channel.skipBack(1), 0) << "at the first sentence, back restarts it";
    EXPECT_EQ(channel.heard(), (HeardPlace{0, 3, 0, 0}));
    std::optional<SentenceJob> again = channel.takeSentence();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->utf8, "Ay. ");
    channel.finishSentence(again->sentence);

    // Two sentences on, paused: back one restarts "Be." and stays paused.
    synthesize(channel, 100); // "Be."
    synthesize(channel, 100); // "Ce."
    channel.setPaused(true);
    EXPECT_EQ(channel.skip(1), 1) << "nothing of Ay was synthesized again: Be is current";
    EXPECT_EQ(channel.heard(), (HeardPlace{8, 3, 0, 0}));
    EXPECT_EQ(channel.skipBack(1), 1);
    EXPECT_EQ(channel.heard(), (HeardPlace{4, 3, 0, 0}));
    EXPECT_EQ(play(channel, 5), std::vector<std::int16_t>(5, 0)) << "still paused";
    channel.setPaused(false);
    EXPECT_EQ(synthesize(channel, 100).utf8, "Be. ");
    EXPECT_EQ(synthesize(channel, 100).utf8, "Ce. ");
    play(channel, 150);
    EXPECT_EQ(channel.heard(), (HeardPlace{8, 3, 0, 0}));
    EXPECT_EQ(channel.skipBack(all), 2) << "back to the first of this text, never to \"Old.\"";
    EXPECT_EQ(channel.heard(), (HeardPlace{0, 3, 0, 0}));
    EXPECT_EQ(channel.takeSentence()->utf8, "Ay. ");
}

TEST(VoiceChannel, SeekingRestartsAtTheSentenceOfAPlaceAheadOrBehind)
{
    using platform::speech::HeardPlace;
    VoiceChannel channel(rate);
    const QString text = u"One. Two. Three. Four. Five."_s;
    channel.enqueue(text, {});
    synthesize(channel, 100, 1);
    play(channel, 20);
    // Ahead, in the space after "Three.": "Three." is next; nothing of
    // "One." plays any more.
    EXPECT_EQ(channel.seek(text.indexOf(u"Three"_s) + 6), text.indexOf(u"Three"_s));
    EXPECT_EQ(channel.heard(), (HeardPlace{10, 6, 0, 0}));
    EXPECT_EQ(play(channel, 5), std::vector<std::int16_t>(5, 0));
    EXPECT_EQ(synthesize(channel, 100, 3).utf8, "Three. ");
    EXPECT_EQ(channel.skipBack(1), 1) << "the sentences passed over can be gone back to";
    EXPECT_EQ(synthesize(channel, 100, 2).utf8, "Two. ");
    // Behind, and the sentence being heard itself, which starts again.
    EXPECT_EQ(channel.seek(2), 0);
    EXPECT_EQ(channel.takeSentence()->utf8, "One. ");
    channel.seek(text.size() + 10);
    EXPECT_EQ(channel.heard(), (HeardPlace{23, 5, 0, 0})) << "past the end: the last";
    channel.skip(all);
    EXPECT_EQ(channel.seek(3), -1) << "nothing being spoken";
}

TEST(VoiceChannel, ANewSpeedSoundsFromTheSentenceAfterTheOneHeard)
{
    VoiceChannel channel(rate);
    channel.enqueue(u"One. Two. Three."_s, {"v", "en", 175, false});
    synthesize(channel, 200, 1);
    synthesize(channel, 200, 2); // made ahead at the old speed
    play(channel, 50);
    channel.setWordsPerMinute(300);
    EXPECT_EQ(play(channel, 150), std::vector<std::int16_t>(150, 1)) << "the current one plays on";
    const std::optional<SentenceJob> two = channel.takeSentence();
    ASSERT_TRUE(two);
    EXPECT_EQ(two->utf8, "Two. ") << "made again";
    EXPECT_EQ(two->settings.wordsPerMinute, 300);
}

TEST(VoiceChannel, ParagraphBreaksAreSpokenWithTheirSentenceAndNeverSkippedTo)
{
    using platform::speech::HeardPlace;
    VoiceChannel channel(rate);
    // As the engine is given a document: each paragraph break " ;".
    channel.enqueue(u"One. ;\n ;\nTwo. ;\nThree."_s, {"v", "en", 175, false});
    EXPECT_EQ(synthesize(channel, 100).utf8, "One. ;\n ; ") << "its pause sounds with it";
    play(channel, 10);
    EXPECT_EQ(channel.skip(1), 1);
    EXPECT_EQ(channel.heard(), (HeardPlace{10, 6, 0, 0})) << "the next real sentence";
    EXPECT_EQ(channel.skipBack(1), 1);
    EXPECT_EQ(channel.heard(), (HeardPlace{0, 9, 0, 0}));
}
