// Speech saved to audio files by the real engine: it sounds as the same text
// played, it is made without holding the speech in memory, and it leaves
// nothing behind when cancelled or refused.
#include "audiofile_support.h"

#include "platform/error.h"
#include "platform/speech/speechfile.h"
#include "platform/speech/spvoice.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>

using namespace Qt::StringLiterals;
using platform::AudioFileTarget;
using platform::AudioFormat;
using platform::ISpeechVoice;

namespace {

/// About 3000 characters of ordinary sentences.
QString page()
{
    QString text;
    for (int line = 1; line <= 30; ++line)
        text += u"This is line "_s + QString::number(line) +
                u" of an ordinary page, written to be read aloud by the engine. "_s
                u"It goes on for a little while.\r\n"_s;
    return text;
}

/// The resident memory of this process, in MB.
double residentMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

class SpeechFile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    /// Converts text and waits for the file; raises the conversion's failure.
    Decoded convert(const QString& text, AudioFormat format, long flags = 0,
                    const QString& name = u"speech"_s)
    {
        const QString file = path(name + u'.' + platform::audioFileExtension(format));
        const auto conversion = voice->SpeakToFile(text, flags, {file, format, u"Title"_s});
        EXPECT_TRUE(conversion->waitFor(std::chrono::seconds(60)));
        conversion->rethrowFailure();
        EXPECT_DOUBLE_EQ(conversion->progress(), 1.0);
        return decode(file);
    }

    QTemporaryDir dir;
    platform::EspeakEngine engine;
    std::unique_ptr<ISpeechVoice> voice = engine.createVoice();
};

} // namespace

TEST_F(SpeechFile, EveryFormatLastsAsLongAsTheSameTextPlayed)
{
    const QString text = u"The quick brown fox jumps over the lazy dog. It was not amused."_s;
    const QString capture = path(u"played.wav"_s);
    {
        platform::EspeakEngine playing(capture);
        const std::unique_ptr<ISpeechVoice> player = playing.createVoice();
        player->Speak(text, 0);
    }
    const double played = decode(capture).seconds();
    ASSERT_GT(played, 2.0);
    for (const AudioFormat format : {AudioFormat::Mp3, AudioFormat::OggVorbis, AudioFormat::Opus,
                                     AudioFormat::Flac, AudioFormat::Wav}) {
        SCOPED_TRACE(platform::audioFileExtension(format).toStdString());
        const Decoded file = convert(text, format);
        EXPECT_NEAR(file.seconds(), played, played * 0.02);
        EXPECT_GT(file.peak(), 0.1f) << "not silent";
    }
}

TEST_F(SpeechFile, TheFileCarriesTheWordsAndTheVoicesSettings)
{
    const double one = convert(u"one"_s, AudioFormat::Wav).seconds();
    const double five = convert(u"one two three four five"_s, AudioFormat::Wav).seconds();
    EXPECT_GT(five, one * 2.5) << one << " " << five;

    const QString marks = u"Yes, no! Well; maybe."_s;
    const double plain = convert(marks, AudioFormat::Wav).seconds();
    const double read = convert(marks, AudioFormat::Wav, platform::SVSFNLPSpeakPunc).seconds();
    EXPECT_GT(read, plain * 1.3) << plain << " " << read;

    voice->setRate(10);
    EXPECT_LT(convert(marks, AudioFormat::Wav).seconds() * 3, plain * 2);
    voice->setRate(0);
    const Decoded loud = convert(marks, AudioFormat::Wav);
    voice->setVolume(0);
    const Decoded silent = convert(marks, AudioFormat::Wav);
    EXPECT_NEAR(silent.seconds(), loud.seconds(), loud.seconds() * 0.01) << "it keeps its length";
    EXPECT_EQ(silent.peak(), 0.0f);
    EXPECT_GT(loud.peak(), 0.1f);
}

TEST_F(SpeechFile, AVeryLongTextIsConvertedInFlatMemoryAndCancelLeavesTheOlderFile)
{
    QString document;
    for (int i = 0; i < 500; ++i)
        document += page();
    const QString file = path(u"book.wav"_s);
    {
        QFile older(file);
        ASSERT_TRUE(older.open(QIODevice::WriteOnly));
        older.write("older");
    }
    auto conversion = voice->SpeakToFile(document, 0, {file, AudioFormat::Wav, u"Book"_s});
    const auto& real = dynamic_cast<const platform::speech::SpeechFileConversion&>(*conversion);
    // Far more speech than the memory it may take: 40 MB of samples.
    const auto madeUntil = [&](std::int64_t samples) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (real.samples() < samples && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return real.samples();
    };
    const std::int64_t first = madeUntil(22050 * 60);
    const double before = residentMegabytes();
    const std::int64_t later = madeUntil(first + 20 * 1048576);
    const double growth = residentMegabytes() - before;
    ASSERT_GE(later - first, 20 * 1048576);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer holds freed memory in quarantine
    EXPECT_LT(growth, 8.0) << "while 40 MB of speech were made";
#else
    static_cast<void>(growth);
#endif
    EXPECT_GT(conversion->progress(), 0.0);
    EXPECT_LT(conversion->progress(), 0.5);

    conversion->cancel();
    EXPECT_TRUE(conversion->isDone());
    EXPECT_NO_THROW(conversion->rethrowFailure());
    QFile older(file);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), QByteArray("older"));
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"book.wav"_s});
}

TEST_F(SpeechFile, AFolderOrDiskThatSaysNoRaisesTheErrorAndLeavesNothing)
{
    const QString locked = path(u"locked"_s);
    ASSERT_TRUE(QDir().mkdir(locked));
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    chmod(QFile::encodeName(locked).constData(), 0555);
    try {
        const Unprivileged nobody;
        voice->SpeakToFile(u"Hello."_s, 0, {locked + u"/a.mp3"_s, AudioFormat::Mp3, {}});
        ADD_FAILURE() << "a read-only folder was written";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.number(), platform::err::PermissionDenied);
    }
    EXPECT_TRUE(filesIn(locked).isEmpty());

    // The disk fills up part way: the failure arrives with the end of the conversion.
    const QString file = path(u"full.flac"_s);
    const FileSizeLimit limit(64 * 1024);
    auto conversion = voice->SpeakToFile(page(), 0, {file, AudioFormat::Flac, {}});
    ASSERT_TRUE(conversion->waitFor(std::chrono::seconds(30)));
    EXPECT_THROW(conversion->rethrowFailure(), platform::Error);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
}

TEST_F(SpeechFile, AVoiceSavingToAFileCannotSpeakUntilItIsDone)
{
    auto conversion =
        voice->SpeakToFile(page() + page(), 0, {path(u"a.ogg"_s), AudioFormat::OggVorbis, {}});
    EXPECT_THROW(voice->Speak(u"Hi."_s, platform::SVSFlagsAsync), platform::Error);
    EXPECT_THROW(voice->SpeakToFile(u"Hi."_s, 0, {path(u"b.ogg"_s), AudioFormat::OggVorbis, {}}),
                 platform::Error);
    conversion->cancel();
    EXPECT_NO_THROW(voice->Speak(u"Hi."_s, platform::SVSFlagsAsync));
    EXPECT_THROW(voice->SpeakToFile(u"Hi."_s, 0, {path(u"c.ogg"_s), AudioFormat::OggVorbis, {}}),
                 platform::Error)
        << "while it speaks";
    voice->Skip(u"Sentence"_s, 100);
}
