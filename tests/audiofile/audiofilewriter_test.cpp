// The encoders alone: each format decodes to what was written, and a file
// that is not finished never replaces what was there.
#include "audiofile_support.h"
#include "test_files.h"

#include "platform/audiofile/audiofilewriter.h"
#include "platform/audiofile/wavcapture.h"
#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;
using platform::AudioFileWriter;
using platform::AudioFormat;

namespace {

constexpr int rate = 22050;

/// Two seconds of a voiced sound: a 150 Hz tone with harmonics, half scale.
std::vector<std::int16_t> voiced(double seconds = 2.0)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(2 * std::numbers::pi * 150 * h * t) / h;
        samples[i] = static_cast<std::int16_t>(v * 0.5 / 1.8 * 32767);
    }
    return samples;
}

struct FormatCase {
    AudioFormat format;
    const char* name;
    int major;
    int subtype; ///< 0: any
};

const FormatCase formats[] = {
    {AudioFormat::Mp3, "speech.mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
    {AudioFormat::OggVorbis, "speech.ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {AudioFormat::Opus, "speech.opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
    {AudioFormat::Flac, "speech.flac", SF_FORMAT_FLAC, SF_FORMAT_PCM_16},
    {AudioFormat::Wav, "speech.wav", SF_FORMAT_WAV, SF_FORMAT_PCM_16},
};

} // namespace

TEST(AudioFormats, TheExtensionNamesTheFormatInAnyCase)
{
    EXPECT_EQ(platform::audioFormatOfName(u"/home/a/.ogg"_s), AudioFormat::OggVorbis);
    EXPECT_EQ(platform::audioFormatOfName(u"Talk.MP3"_s), AudioFormat::Mp3);
    EXPECT_EQ(platform::audioFormatOfName(u"talk.Opus"_s), AudioFormat::Opus);
    EXPECT_EQ(platform::audioFormatOfName(u"talk.flac"_s), AudioFormat::Flac);
    EXPECT_EQ(platform::audioFormatOfName(u"talk.wav"_s), AudioFormat::Wav);
    EXPECT_EQ(platform::audioFormatOfName(u"talk.ogg.txt"_s), std::nullopt);
    EXPECT_EQ(platform::audioFormatOfName(u"talk"_s), std::nullopt);
    EXPECT_EQ(platform::audioFormatOfName(u"/music.mp3/talk"_s), std::nullopt);
    EXPECT_EQ(platform::audioFileExtension(AudioFormat::OggVorbis), u"ogg"_s);
}

TEST(AudioFileWriter, EachFormatDecodesToTheSoundWrittenAndItsTitle)
{
    QTemporaryDir dir;
    const std::vector<std::int16_t> sound = voiced();
    const QString title = u"Letter to Zoë – draft"_s;
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        AudioFileWriter writer(path, c.format, rate, title);
        // In pieces of odd sizes, as the synthesizer delivers them.
        for (std::size_t done = 0; done < sound.size(); done += 1001)
            writer.write(sound.data() + done, std::min<std::size_t>(1001, sound.size() - done));
        writer.commit();

        const Decoded file = decode(path);
        ASSERT_TRUE(file.opened) << sf_strerror(nullptr);
        EXPECT_EQ(file.major(), c.major);
        EXPECT_EQ(file.subtype(), c.subtype);
        EXPECT_EQ(file.channels, 1);
        EXPECT_NEAR(file.seconds(), 2.0, 0.02);
        EXPECT_GT(file.peak(), 0.35f);
        if (c.format == AudioFormat::Mp3) { // libsndfile reads no ID3 tags: look at the bytes
            const QByteArray bytes = readAll(path);
            EXPECT_TRUE(bytes.startsWith("ID3"));
            EXPECT_TRUE(bytes.contains(
                QByteArray(reinterpret_cast<const char*>(title.utf16()), title.size() * 2)));
        } else {
            EXPECT_EQ(file.title, title);
        }
    }
    EXPECT_EQ(filesIn(dir.path()).size(), 5) << "no temporary file is left";
}

TEST(AudioFileWriter, AnUnfinishedFileLeavesNothingAndTheOlderFileAsItWas)
{
    QTemporaryDir dir;
    const std::vector<std::int16_t> sound = voiced(1.0);
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        writeFile(path, "older");
        {
            AudioFileWriter writer(path, c.format, rate, u"t"_s);
            writer.write(sound.data(), sound.size());
        }
        EXPECT_EQ(readAll(path), QByteArray("older"));
    }
    EXPECT_EQ(filesIn(dir.path()).size(), 5);
}

TEST(AudioFileWriter, ADiskThatFillsUpRaisesAndLeavesNothing)
{
    QTemporaryDir dir;
    const std::vector<std::int16_t> sound = voiced(20.0);
    for (const FormatCase& c : formats) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        int number = 0;
        {
            const FileSizeLimit limit(16 * 1024);
            try {
                AudioFileWriter writer(path, c.format, rate, u"t"_s);
                writer.write(sound.data(), sound.size());
                writer.commit();
            } catch (const platform::Error& error) {
                number = error.number();
            }
        }
        EXPECT_EQ(number, platform::err::PathFileAccess); // too large for the limit
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
}

TEST(WavCapture, TheFileIsReadableAsFarAsItWentWhileItGrows)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"played.wav"_s);
    const std::vector<std::int16_t> sound = voiced(1.0);
    platform::WavCapture capture(path, rate);
    capture.write(sound.data(), 1000);
    // Still open, as a program that is killed leaves it: the sizes in the
    // header (which players trust) count what is there.
    EXPECT_EQ(decode(path).samples.size(), 1000u);
    const QByteArray bytes = readAll(path);
    ASSERT_GE(bytes.size(), 8);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));
    capture.write(sound.data() + 1000, sound.size() - 1000);
    const Decoded file = decode(path);
    EXPECT_EQ(file.major(), SF_FORMAT_WAV);
    EXPECT_EQ(file.sampleRate, rate);
    ASSERT_EQ(file.samples.size(), sound.size());
    EXPECT_FLOAT_EQ(file.samples[1500], sound[1500] / 32768.0f);

    try {
        platform::WavCapture missing(dir.filePath(u"no/such/played.wav"_s), rate);
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.number(), platform::err::FileNotFound);
    }
}
