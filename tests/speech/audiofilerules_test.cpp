#include "parlivox/speech/logic/audiofilerules.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using platform::AudioFormat;

TEST(AudioFileRules, AKnownExtensionChoosesTheFormatElseTheFilterAddsItsOwn)
{
    using audiofilerules::targetFor;
    EXPECT_EQ(targetFor(u"/a/talk.OGG"_s, 1).format, AudioFormat::OggVorbis);
    EXPECT_EQ(targetFor(u"/a/talk.OGG"_s, 1).path, u"/a/talk.OGG"_s);
    EXPECT_EQ(targetFor(u"/a/.ogg"_s, 5).format, AudioFormat::OggVorbis);
    EXPECT_EQ(targetFor(u"/a/talk"_s, 4).path, u"/a/talk.flac"_s);
    EXPECT_EQ(targetFor(u"/a/talk"_s, 4).format, AudioFormat::Flac);
    EXPECT_EQ(targetFor(u"/a/notes.txt"_s, 5).path, u"/a/notes.txt.wav"_s);
    EXPECT_EQ(targetFor(u"/a/talk"_s, 9).format, AudioFormat::Mp3) << "outside the filter: MP3";
    for (const AudioFormat f : {AudioFormat::Mp3, AudioFormat::OggVorbis, AudioFormat::Opus,
                                AudioFormat::Flac, AudioFormat::Wav})
        EXPECT_EQ(audiofilerules::formatOfFilter(audiofilerules::filterOf(f)), f);
}

TEST(AudioFileRules, TheDocumentNamesTheFileAndItsTitle)
{
    EXPECT_EQ(audiofilerules::suggestedPath(u"/d/letter.v2.rtf"_s, u"/home/u"_s, AudioFormat::Opus),
              u"/d/letter.v2.opus"_s);
    EXPECT_EQ(audiofilerules::suggestedPath({}, u"/home/u"_s, AudioFormat::Mp3),
              u"/home/u/Untitled.mp3"_s);
    EXPECT_EQ(audiofilerules::titleFor(u"/d/Résumé.rtf"_s), u"Résumé"_s);
    EXPECT_EQ(audiofilerules::titleFor(u"/d/.notes"_s), u".notes"_s);
    EXPECT_EQ(audiofilerules::titleFor({}), u"Untitled"_s);
}

TEST(AudioFileRules, TimesReadAsClockTimesAndTheRemainderWaitsForEvidence)
{
    EXPECT_EQ(audiofilerules::durationText(7.4), u"0:07"_s);
    EXPECT_EQ(audiofilerules::durationText(750), u"12:30"_s);
    EXPECT_EQ(audiofilerules::durationText(3723), u"1:02:03"_s);
    EXPECT_EQ(audiofilerules::remainingSeconds(0.5, 0.5), std::nullopt);
    EXPECT_EQ(audiofilerules::remainingSeconds(10, 0.005), std::nullopt);
    EXPECT_DOUBLE_EQ(*audiofilerules::remainingSeconds(10, 0.25), 30.0);
}
