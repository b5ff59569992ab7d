// Audio-file benchmark: a plain timed program. Prints one table of
// name / value / unit / goal.
//
// (a) 100 KB of prose (about 1.5 hours of speech) saved as WAV, MP3, Ogg
//     Vorbis, Opus and FLAC, against `espeak-ng -w` and `espeak-ng --stdout`
//     piped into lame, oggenc and opusenc with their default settings, same
//     text, voice and rate;
// (b) peak memory of a conversion of 100 KB and of 1 MB of text;
// (c) cancel: from the call to the moment the threads have stopped and the
//     unfinished file is gone;
// (d) the size of one hour of speech in each format.
//
// Each conversion runs in a child process (this program started again with
// --convert or --cancel), so that its peak memory is its own and the speech
// library starts fresh.
#include "benchtable.h"
#include "ordinarypage.h"
#include "parlivox/speech/logic/speechtext.h"
#include "platform/speech/spvoice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;
using Clock = std::chrono::steady_clock;

namespace {

const QString voiceId = u"gmw/en"_s; ///< the voice of the references: espeak-ng's English
constexpr int wordsPerMinute = 175;  ///< rate 0

struct Format {
    platform::AudioFormat format;
    const char* name;
    const char* encoder; ///< the reference's encoder after the pipe; empty: espeak-ng -w
};

const Format formats[] = {
    {platform::AudioFormat::Wav, "WAV", ""},
    {platform::AudioFormat::Mp3, "MP3", "lame --silent - %1"},
    {platform::AudioFormat::OggVorbis, "Ogg Vorbis", "oggenc -Q -o %1 -"},
    {platform::AudioFormat::Opus, "Opus", "opusenc --quiet - %1"},
    {platform::AudioFormat::Flac, "FLAC", nullptr},
};

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// Ordinary sentences, cut at a line end to at most bytes characters, as the
/// program hands them to the engine.
QString prose(qsizetype bytes)
{
    const QString page = bench::ordinaryPage();
    QString text;
    while (text.size() < bytes)
        text += page;
    text.truncate(text.lastIndexOf(u'\n', bytes - 1) + 1);
    return speechtext::prepare(text, QTime(12, 0), QDate(2024, 1, 1), QLocale::c());
}

/// CPU seconds (user and system) of this process, or of its waited-for children.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// ---- the child: one conversion, or cancels ----------------------------------------

std::unique_ptr<platform::ISpeechVoice> benchVoice(platform::EspeakEngine& engine)
{
    std::unique_ptr<platform::ISpeechVoice> voice = engine.createVoice();
    const platform::ISpeechObjectTokens voices = voice->GetVoices({}, {});
    for (long i = 0; i < voices.Count(); ++i) {
        if (voices.Item(i).Id() == voiceId)
            voice->setVoice(voices.Item(i));
    }
    return voice;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

/// --convert TEXT OUT: prints "seconds peak-MB CPU-seconds"; OUT's extension names the format.
int convertChild(const QStringList& args)
{
    const auto format = platform::audioFormatOfName(args.at(2));
    if (!format)
        return 2;
    platform::EspeakEngine engine;
    const auto voice = benchVoice(engine);
    const QString text = readText(args.at(1));
    const Clock::time_point start = Clock::now();
    const auto conversion = voice->SpeakToFile(text, 0, {args.at(2), *format, u"Benchmark"_s});
    while (!conversion->waitFor(std::chrono::seconds(1))) {
    }
    const double took = seconds(Clock::now() - start);
    conversion->rethrowFailure();
    std::printf("%f %f %f\n", took, peakMegabytes(), cpuSeconds(RUSAGE_SELF));
    return 0;
}

/// --cancel TEXT OUT: prints the median and the longest cancel in ms.
int cancelChild(const QStringList& args)
{
    platform::EspeakEngine engine;
    const auto voice = benchVoice(engine);
    const QString text = readText(args.at(1));
    std::vector<double> ms;
    for (int i = 0; i < 15; ++i) {
        auto conversion = voice->SpeakToFile(text, 0, {args.at(2), platform::AudioFormat::Mp3, {}});
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const Clock::time_point start = Clock::now();
        conversion->cancel();
        ms.push_back(seconds(Clock::now() - start) * 1000);
        if (QFileInfo::exists(args.at(2)))
            return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%f %f\n", ms[ms.size() / 2], ms.back());
    return 0;
}

// ---- the parent --------------------------------------------------------------------

QList<double> runChild(const QStringList& args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    QList<double> values;
    for (const QByteArray& v : child.readAllStandardOutput().trimmed().split(' '))
        values.append(v.toDouble());
    if (child.exitCode() != 0 || values.size() < 2)
        std::fprintf(stderr, "child %s failed\n", qPrintable(args.join(u' ')));
    return values;
}

/// Wall time and CPU time of a shell pipeline.
std::pair<double, double> runShell(const QString& command)
{
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    const Clock::time_point start = Clock::now();
    const int status = QProcess::execute(u"/bin/sh"_s, {u"-c"_s, command});
    if (status != 0)
        std::fprintf(stderr, "failed (%d): %s\n", status, qPrintable(command));
    return {seconds(Clock::now() - start), cpuSeconds(RUSAGE_CHILDREN) - cpuBefore};
}

double audioSeconds(const QString& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return 0;
    sf_close(file);
    return info.samplerate ? double(info.frames) / info.samplerate : 0;
}

void writeText(const QString& path, const QString& text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
}

} // namespace

int main(int argc, char* argv[])
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1) == u"--convert"_s)
        return convertChild(args.mid(1));
    if (args.value(1) == u"--cancel"_s)
        return cancelChild(args.mid(1));

    QTemporaryDir dir;
    const QString text100 = dir.filePath(u"prose-100k.txt"_s);
    const QString text1m = dir.filePath(u"prose-1m.txt"_s);
    writeText(text100, prose(100 * 1024));
    writeText(text1m, prose(1024 * 1024));
    const QString espeak = u"espeak-ng -v "_s + voiceId + u" -s "_s +
                           QString::number(wordsPerMinute) + u" -f "_s + text100;

    std::vector<bench::Row> rows;
    std::vector<bench::Row> sizes;
    double referenceWav = 0;
    double hours = 0;
    for (const Format& f : formats) {
        const std::string name = f.name;
        const QString out = dir.filePath(u"ours."_s + platform::audioFileExtension(f.format));
        const QList<double> ours = runChild({u"--convert"_s, text100, out});
        if (ours.size() < 3)
            return 1;
        if (f.format == platform::AudioFormat::Wav)
            hours = audioSeconds(out) / 3600;
        rows.push_back({name + " (100 KB of prose)", ours[0], "s", ""});
        rows.push_back({name + ": peak memory (100 KB)", ours[1], "MB", "< 60"});
        if (f.encoder) {
            const QString reference =
                dir.filePath(u"reference."_s + platform::audioFileExtension(f.format));
            const auto [theirs, theirCpu] =
                *f.encoder ? runShell(espeak + u" --stdout | "_s +
                                      QString::fromLatin1(f.encoder).arg(reference))
                           : runShell(espeak + u" -w "_s + reference);
            if (!*f.encoder)
                referenceWav = theirs;
            const QString label = *f.encoder
                                      ? u"espeak-ng --stdout | "_s +
                                            QString::fromLatin1(f.encoder).section(u' ', 0, 0)
                                      : u"espeak-ng -w"_s;
            rows.push_back({label.toStdString(), theirs, "s", ""});
            rows.push_back({name + " / " + label.toStdString(), ours[0] / theirs, "x",
                            *f.encoder ? "<= 0.5" : "< 1.10"});
            // CPU time tells the same story on a busy machine, where wall times wander.
            rows.push_back({name + ": CPU, ours / theirs", ours[2] / theirCpu, "x", ""});
        }
        sizes.push_back(
            {"one hour of speech, " + name, QFileInfo(out).size() / 1048576.0 / hours, "MB", ""});
        QFile::remove(out);
    }
    rows.push_back({"espeak-ng -w, time per hour of speech", referenceWav / hours, "s", ""});

    for (const auto format : {platform::AudioFormat::Wav, platform::AudioFormat::Mp3}) {
        const QString ext = platform::audioFileExtension(format);
        const QString out = dir.filePath(u"large."_s + ext);
        const QList<double> large = runChild({u"--convert"_s, text1m, out});
        if (large.size() < 2)
            return 1;
        rows.push_back({ext.toUpper().toStdString() + ": 1 MB of text", large[0], "s", ""});
        rows.push_back(
            {ext.toUpper().toStdString() + ": peak memory (1 MB)", large[1], "MB", "< 60"});
        QFile::remove(out);
    }

    const QList<double> cancel = runChild({u"--cancel"_s, text100, dir.filePath(u"c.mp3"_s)});
    if (cancel.size() >= 2) {
        rows.push_back({"cancel (median of 15)", cancel[0], "ms", "< 200"});
        rows.push_back({"cancel (longest of 15)", cancel[1], "ms", "< 200"});
    }
    rows.insert(rows.end(), sizes.begin(), sizes.end());
    bench::printTable("audiofile", rows);
    return 0;
}
